#include "utils/EccKeyAgreement.h"

#include <mbedtls/ecdh.h>

#include <cstring>
#include <mutex>

#include "KyProtocolKeys.h"
#include "utils/CodecUtil.h"
#include "utils/LDTLog.h"
#include "utils/MbedtlsContext.h"

namespace {

// Guards the curve group, its load count and the shared key.
std::mutex& keyAgreementMutex() {
  static std::mutex mutex;
  return mutex;
}

const char pers[] = "morlin_ecdh";

}  // namespace

// The process-wide curve group, set up afresh at the start of every operation that uses it.
static mbedtls_ecp_group __grp;
static unsigned __grpCount = 0;
// 16 characters and a terminator once agreed; null before.
static char* shareAesKey = nullptr;

namespace {

// Caller holds keyAgreementMutex().
void reloadGroup() {
  if (__grpCount != 0) mbedtls_ecp_group_free(&__grp);
  mbedtls_ecp_group_init(&__grp);
  mbedtls_ecp_group_load(&__grp, MBEDTLS_ECP_DP_SECP256R1);
  ++__grpCount;
}

// A CTR-DRBG seeded from its own entropy context, both released with the object.
class SeededDrbg {
 public:
  SeededDrbg() {
    status_ = mbedtls_ctr_drbg_seed(drbg_.get(), mbedtls_entropy_func, entropy_.get(),
                                    reinterpret_cast<const unsigned char*>(pers), std::strlen(pers));
  }
  int status() const { return status_; }
  mbedtls_ctr_drbg_context* get() { return drbg_.get(); }

 private:
  MbedtlsEntropy entropy_;  // declared first: the generator refers to it
  MbedtlsCtrDrbg drbg_;
  int status_;
};

const uint8_t* rootPubKey(int rootIndex) {
  if (rootIndex == 0 || rootIndex == 1) return ROOT_PUB_KEY[rootIndex];
  return ROOT_PUB_KEY[2];
}

}  // namespace

int genEccKeyPair(mbedtls_mpi* d, mbedtls_ecp_point* Q) {
  std::lock_guard lock(keyAgreementMutex());
  reloadGroup();
  mbedtls_mpi_init(d);
  mbedtls_ecp_point_init(Q);
  SeededDrbg drbg;
  if (drbg.status() != 0) {
    LDT_LOGE("call mbedtls_ctr_drbg_seed failed : %d", drbg.status());
    return drbg.status();
  }
  int status = mbedtls_ecdh_gen_public(&__grp, d, Q, mbedtls_ctr_drbg_random, drbg.get());
  if (status != 0) {
    LDT_LOGE("call mbedtls_ecdh_gen_public failed : %d", status);
    return status;
  }
  return 0;
}

int getEccPrivKey(const mbedtls_mpi* number, uint8_t** out) {
  size_t length = mbedtls_mpi_size(number);
  auto* bytes = static_cast<uint8_t*>(mMalloc(length, 0));
  if (bytes == nullptr) return -1;
  if (mbedtls_mpi_write_binary(number, bytes, length) != 0) {
    mFree(bytes);
    return -1;
  }
  *out = bytes;
  return static_cast<int>(length);
}

int loadEccPrivKey(const uint8_t* bytes, size_t length, mbedtls_mpi* number) {
  return mbedtls_mpi_read_binary(number, bytes, length);
}

int getEccPubKey(const mbedtls_ecp_point* Q, uint8_t** out) {
  std::lock_guard lock(keyAgreementMutex());
  reloadGroup();
  auto* bytes = static_cast<uint8_t*>(mMalloc(kEccPubKeyLength, 0));
  if (bytes == nullptr) return -1;
  size_t written = 0;
  int status = mbedtls_ecp_point_write_binary(&__grp, Q, MBEDTLS_ECP_PF_UNCOMPRESSED, &written, bytes,
                                              kEccPubKeyLength);
  if (status != 0 || written != static_cast<size_t>(kEccPubKeyLength)) {
    LDT_LOGE("获取公钥数据失败 : %d", status);
    mFree(bytes);
    *out = nullptr;
    return -1;
  }
  *out = bytes;
  return kEccPubKeyLength;
}

int loadEccPubKey(const uint8_t* bytes, size_t length, mbedtls_ecp_point* point) {
  std::lock_guard lock(keyAgreementMutex());
  reloadGroup();
  return mbedtls_ecp_point_read_binary(&__grp, point, bytes, length);
}

int eccComputeShared(const mbedtls_mpi* d, const mbedtls_ecp_point* peer, mbedtls_mpi* z) {
  std::lock_guard lock(keyAgreementMutex());
  reloadGroup();
  // The generator only blinds the multiplication; a failed seed leaves the computation to
  // report its own error.
  SeededDrbg drbg;
  return mbedtls_ecdh_compute_shared(&__grp, z, peer, d, mbedtls_ctr_drbg_random, drbg.get());
}

int eccComputeSharedWithRootPubKey(const mbedtls_mpi* d, mbedtls_mpi* z, int rootIndex) {
  mbedtls_mpi_init(z);
  MbedtlsEcpPoint root;
  int status = loadEccPubKey(rootPubKey(rootIndex), kEccPubKeyLength, root.get());
  if (status != 0) {
    LDT_LOGE("loadEccPubKey(ROOT_PUB_KEY) failed");
    return status;
  }
  return eccComputeShared(d, root.get(), z);
}

int updateShareKey(const mbedtls_mpi* d, int rootIndex) {
  MbedtlsMpi z;
  if (eccComputeSharedWithRootPubKey(d, z.get(), rootIndex) != 0) {
    LDT_LOGE("密钥协商失败");
    return -1;
  }
  uint8_t* secret = nullptr;
  int secretLength = getEccPrivKey(z.get(), &secret);
  if (secretLength <= 0) {
    LDT_LOGE("getEccPrivKey failed");
    return -1;
  }
  char* encoded = base64Encode(secret, static_cast<uint64_t>(secretLength));
  mFree(secret);
  if (encoded == nullptr) {
    LDT_LOGE("base64Encode failed");
    return -1;
  }
  auto* key = static_cast<char*>(mMalloc(kShareKeyLength + 1, 0));
  if (key == nullptr) {
    mFree(encoded);
    return -1;
  }
  std::strncpy(key, encoded, kShareKeyLength);  // a secret always encodes to more than 16
  mFree(encoded);

  std::lock_guard lock(keyAgreementMutex());
  mFree(shareAesKey);
  shareAesKey = key;
  return 0;
}

bool copyShareAesKey(char key[kShareKeyLength + 1]) {
  std::lock_guard lock(keyAgreementMutex());
  if (shareAesKey == nullptr) return false;
  std::memcpy(key, shareAesKey, kShareKeyLength + 1);
  return true;
}

void discardShareAesKey() {
  std::lock_guard lock(keyAgreementMutex());
  mFree(shareAesKey);
  shareAesKey = nullptr;
}
