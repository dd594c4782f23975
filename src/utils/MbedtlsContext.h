// Scoped ownership of mbedtls contexts: initialised on construction, freed on destruction.
#pragma once

#include <mbedtls/aes.h>
#include <mbedtls/bignum.h>
#include <mbedtls/cipher.h>
#include <mbedtls/ctr_drbg.h>
#include <mbedtls/ecp.h>
#include <mbedtls/entropy.h>

template <typename T, void (*Init)(T*), void (*Free)(T*)>
class MbedtlsContext {
 public:
  MbedtlsContext() { Init(&context_); }
  ~MbedtlsContext() { Free(&context_); }
  MbedtlsContext(const MbedtlsContext&) = delete;
  MbedtlsContext& operator=(const MbedtlsContext&) = delete;

  T* get() { return &context_; }
  const T* get() const { return &context_; }

 private:
  T context_;
};

using MbedtlsAes = MbedtlsContext<mbedtls_aes_context, mbedtls_aes_init, mbedtls_aes_free>;
using MbedtlsCipher = MbedtlsContext<mbedtls_cipher_context_t, mbedtls_cipher_init, mbedtls_cipher_free>;
using MbedtlsEntropy = MbedtlsContext<mbedtls_entropy_context, mbedtls_entropy_init, mbedtls_entropy_free>;
using MbedtlsCtrDrbg = MbedtlsContext<mbedtls_ctr_drbg_context, mbedtls_ctr_drbg_init, mbedtls_ctr_drbg_free>;
using MbedtlsMpi = MbedtlsContext<mbedtls_mpi, mbedtls_mpi_init, mbedtls_mpi_free>;
using MbedtlsEcpPoint = MbedtlsContext<mbedtls_ecp_point, mbedtls_ecp_point_init, mbedtls_ecp_point_free>;
using MbedtlsEcpGroup = MbedtlsContext<mbedtls_ecp_group, mbedtls_ecp_group_init, mbedtls_ecp_group_free>;
