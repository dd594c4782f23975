// One-shot AES helpers for the log records sent to the cloud's log service.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

class KyLivingAESUtil {
 public:
  static constexpr int kEncrypt = 0;
  static constexpr int kDecrypt = 1;

  // AES-128-CBC with PKCS#7 padding. `operation` is kEncrypt or kDecrypt; the key and the IV
  // must be 16 bytes each. Answers the bytes produced, or nothing (with an error line) on bad
  // arguments, a cipher failure (including bad padding) or an empty result.
  static std::optional<std::vector<uint8_t>> aesCbc128Crypt(int operation, const std::vector<uint8_t>& data,
                                                            const std::vector<uint8_t>& iv,
                                                            const std::vector<uint8_t>& key);

  // AES-256-ECB with PKCS#7 padding under the first 32 bytes of `key`; nothing when the key is
  // shorter than 32 bytes or the cipher fails.
  static std::optional<std::vector<uint8_t>> AES256EncryptWithKey(const std::vector<uint8_t>& key,
                                                                  const std::vector<uint8_t>& data);
};
