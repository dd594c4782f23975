#include "utils/KyLivingAESUtil.h"

#include <new>

#include "utils/LDTLog.h"
#include "utils/MbedtlsContext.h"

namespace {

constexpr size_t kBlockSize = 16;

// Runs AES-128-CBC with PKCS#7 padding over `data` into `out`; answers the mbedtls status.
int cbcCrypt(mbedtls_operation_t operation, const std::vector<uint8_t>& data, const std::vector<uint8_t>& iv,
             const std::vector<uint8_t>& key, std::vector<uint8_t>& out) {
  MbedtlsCipher cipher;
  int status = mbedtls_cipher_setup(cipher.get(), mbedtls_cipher_info_from_type(MBEDTLS_CIPHER_AES_128_CBC));
  if (status == 0) status = mbedtls_cipher_setkey(cipher.get(), key.data(), 128, operation);
  if (status == 0) status = mbedtls_cipher_set_padding_mode(cipher.get(), MBEDTLS_PADDING_PKCS7);
  if (status != 0) return status;
  size_t produced = 0;
  status = mbedtls_cipher_crypt(cipher.get(), iv.data(), iv.size(), data.data(), data.size(), out.data(), &produced);
  out.resize(status == 0 ? produced : 0);
  return status;
}

}  // namespace

std::optional<std::vector<uint8_t>> KyLivingAESUtil::aesCbc128Crypt(int operation, const std::vector<uint8_t>& data,
                                                                    const std::vector<uint8_t>& iv,
                                                                    const std::vector<uint8_t>& key) {
  if (key.size() != kBlockSize) {
    LDT_LOGE("key.length != kCCKeySizeAES128");
    return std::nullopt;
  }
  if (iv.size() != kBlockSize) {
    LDT_LOGE("iv.length != kCCBlockSizeAES128");
    return std::nullopt;
  }
  if (operation != kEncrypt && operation != kDecrypt) {
    LDT_LOGE("invalid opration : %d", operation);
    return std::nullopt;
  }
  std::vector<uint8_t> out;
  try {
    // mbedtls may stage one block beyond the input in either direction.
    out.resize(data.size() + kBlockSize);
  } catch (const std::bad_alloc&) {
    LDT_LOGE("malloc failed !");
    return std::nullopt;
  }
  int status = cbcCrypt(operation == kEncrypt ? MBEDTLS_ENCRYPT : MBEDTLS_DECRYPT, data, iv, key, out);
  if (status != 0) {
    LDT_LOGE("aesCbc256Crypt FAILED : %d", status);
    return std::nullopt;
  }
  if (out.empty()) {
    LDT_LOGE("numBytesEncrypted==0");
    return std::nullopt;
  }
  return out;
}

std::optional<std::vector<uint8_t>> KyLivingAESUtil::AES256EncryptWithKey(const std::vector<uint8_t>& key,
                                                                          const std::vector<uint8_t>& data) {
  constexpr size_t kKeySize = 32;
  if (key.size() < kKeySize) {
    LDT_LOGE("key.length < kCCKeySizeAES256");
    return std::nullopt;
  }
  MbedtlsAes aes;
  int status = mbedtls_aes_setkey_enc(aes.get(), key.data(), kKeySize * 8);
  if (status != 0) return std::nullopt;

  size_t pad = kBlockSize - data.size() % kBlockSize;
  std::vector<uint8_t> out(data);
  out.insert(out.end(), pad, static_cast<uint8_t>(pad));
  for (size_t offset = 0; offset < out.size() && status == 0; offset += kBlockSize) {
    status = mbedtls_aes_crypt_ecb(aes.get(), MBEDTLS_AES_ENCRYPT, &out[offset], &out[offset]);
  }
  if (status != 0) return std::nullopt;
  return out;
}
