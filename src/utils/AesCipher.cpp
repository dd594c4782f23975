#include "utils/AesCipher.h"

#include <kylivingdetection/KyLivingConfig.h>
#include <mbedtls/aes.h>

#include <cstring>
#include <limits>
#include <string>

#include "KyProtocolKeys.h"
#include "utils/CodecUtil.h"
#include "utils/CryptKeyType.h"
#include "utils/EccKeyAgreement.h"
#include "utils/LDTLog.h"
#include "utils/MbedtlsContext.h"

#define LOGE_AS(operation, ...) LDTLogWrite(KyLivingLogLevel::Error, operation, __LINE__, __VA_ARGS__)

namespace {

constexpr uint64_t kBlock = 16;
// Lengths are answered as int: leave room for the pad.
constexpr uint64_t kMaxInput = std::numeric_limits<int>::max() - kBlock;

int encipher(const char* key, const uint8_t* input, uint64_t length, uint8_t** out) {
  uint64_t pad = kBlock - length % kBlock;
  uint64_t total = length + pad;
  auto* buffer = static_cast<uint8_t*>(mMalloc(total + 1, 0));
  if (buffer == nullptr) return -1;
  std::memcpy(buffer, input, length);
  std::memset(buffer + length, static_cast<int>(pad), pad);

  MbedtlsAes aes;
  unsigned char iv[kBlock];
  std::memcpy(iv, FIXED_IV, kBlock);
  mbedtls_aes_setkey_enc(aes.get(), reinterpret_cast<const unsigned char*>(key), 128);
  if (mbedtls_aes_crypt_cbc(aes.get(), MBEDTLS_AES_ENCRYPT, total, iv, buffer, buffer) != 0) {
    mFree(buffer);
    return -1;
  }
  *out = buffer;
  return static_cast<int>(total);
}

// Every pad byte must hold the pad length; well-formed peers always write them so.
bool paddingIsWellFormed(const uint8_t* plain, uint64_t length, unsigned pad) {
  if (pad < 1 || pad > kBlock) return false;
  for (uint64_t i = length - pad; i < length; ++i) {
    if (plain[i] != pad) return false;
  }
  return true;
}

int decipher(const char* key, const uint8_t* input, uint64_t length, uint8_t** out) {
  if (length % kBlock != 0) {
    LOGE_AS("aesCrypto", "解密数据长度必须是16的倍数");
    return -1;
  }
  auto* buffer = static_cast<uint8_t*>(mMalloc(length + 1, 0));
  if (buffer == nullptr) return -1;
  MbedtlsAes aes;
  unsigned char iv[kBlock];
  std::memcpy(iv, FIXED_IV, kBlock);
  mbedtls_aes_setkey_dec(aes.get(), reinterpret_cast<const unsigned char*>(key), 128);
  if (mbedtls_aes_crypt_cbc(aes.get(), MBEDTLS_AES_DECRYPT, length, iv, input, buffer) != 0) {
    LOGE_AS("aesCrypto", "数据解密失败");
    mFree(buffer);
    return -1;
  }
  unsigned pad = buffer[length - 1];
  if (!paddingIsWellFormed(buffer, length, pad)) {
    LOGE_AS("aesCrypto", "paddingLen=%d, 是一个不正确的数据", static_cast<int>(pad));
    mFree(buffer);
    return -1;
  }
  uint64_t plainLength = length - pad;
  if (plainLength < kBlock) {
    mFree(buffer);
    return -1;
  }
  std::memset(buffer + plainLength, 0, pad);  // the plaintext reads as zero-terminated text
  *out = buffer;
  return static_cast<int>(plainLength);
}

// Copies the key of `keyClass` into `key`; false, with the failure line, when there is none.
bool keyForClass(const char* operation, int keyClass, char key[kShareKeyLength + 1]) {
  if (keyClass == kAesKeyFixed) {
    std::memcpy(key, fixedKeyForCryptKeyType(KyLivingConfig::shareInstance()->GetKyCryptKeyType()),
                kShareKeyLength + 1);
    return true;
  }
  if (keyClass == kAesKeyShared) {
    if (copyShareAesKey(key)) return true;
    LOGE_AS(operation, "当前没有生成协商密钥");
    return false;
  }
  LOGE_AS(operation, "未定义的密钥类型");
  return false;
}

// The Base64 text of the bytes enciphered under the key of `keyClass`, or null.
char* encipherToBase64(const char* operation, const uint8_t* data, uint64_t length, int keyClass) {
  char key[kShareKeyLength + 1];
  if (!keyForClass(operation, keyClass, key)) return nullptr;
  uint8_t* cipher = nullptr;
  int cipherLength = aesCrypto(key, kAesEncrypt, data, length, &cipher);
  if (cipherLength < 0) {
    LOGE_AS(operation, "加密失败");
    return nullptr;
  }
  char* encoded = base64Encode(cipher, static_cast<uint64_t>(cipherLength));
  mFree(cipher);
  return encoded;
}

char* copyText(const std::string& text) {
  auto* copy = static_cast<char*>(mMalloc(text.size() + 1, 0));
  if (copy != nullptr) std::memcpy(copy, text.data(), text.size());
  return copy;
}

}  // namespace

int aesCrypto(const char* key, int mode, const uint8_t* input, uint64_t length, uint8_t** out) {
  if (key == nullptr || input == nullptr || length == 0 || length > kMaxInput) {
    LOGE_AS("aesCrypto", "无效参数");
    return -1;
  }
  return mode == kAesEncrypt ? encipher(key, input, length, out) : decipher(key, input, length, out);
}

int aesEncryption(const char* text, int keyClass, char** out) {
  if (text == nullptr) {
    LDT_LOGE("无效参数");
    return -1;
  }
  char* encoded = encipherToBase64("aesEncryption", reinterpret_cast<const uint8_t*>(text), std::strlen(text),
                                   keyClass);
  if (encoded == nullptr) return -1;
  std::string framed = std::string("@IOS,2,8,0,") +
                       cryptKeyTypeName(KyLivingConfig::shareInstance()->GetKyCryptKeyType()) + "@" + encoded;
  mFree(encoded);
  char* copy = copyText(framed);
  if (copy == nullptr) return -1;
  *out = copy;
  return 0;
}

int aesEncryption2(const uint8_t* data, uint64_t length, int keyClass, char** out) {
  if (data == nullptr) {
    LDT_LOGE("无效参数");
    return -1;
  }
  char* encoded = encipherToBase64("aesEncryption2", data, length, keyClass);
  if (encoded == nullptr) return -1;
  *out = encoded;
  return 0;
}

int aesDecryption(const char* text, int keyClass, uint8_t** out) {
  uint8_t* decoded = nullptr;
  uint32_t decodedLength = text != nullptr ? base64Decode(text, &decoded) : 0;
  if (decodedLength == 0) {
    mFree(decoded);
    LDT_LOGE("Base64解码失败: %ld", static_cast<long>(decodedLength));
    return -1;
  }
  char key[kShareKeyLength + 1];
  if (!keyForClass("aesDecryption", keyClass, key)) {
    mFree(decoded);
    return -1;
  }
  uint8_t* plain = nullptr;
  int plainLength = aesCrypto(key, kAesDecrypt, decoded, decodedLength, &plain);
  mFree(decoded);
  if (plainLength < 0) {
    LDT_LOGE("解密失败");
    return -1;
  }
  if (keyClass == kAesKeyShared) plain[plainLength] = 0;
  *out = plain;
  return plainLength;
}
