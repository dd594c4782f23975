// The cloud's key set, read from a key directory: the three root private keys
// (root_default.pem, root_sh_ca.pem, root_test.pem) and the fixed keys, IV, log key and log IV
// of keys.env. Also the server's half of the key agreement.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CloudKeys {
 public:
  // Throws std::runtime_error naming the file that is missing or unreadable.
  static CloudKeys load(const std::string& directory);

  // 0 for "DEFAULT", 1 for "SH_CA", 2 for "TEST"; nothing for any other name.
  static std::optional<int> typeIndex(const std::string& typeName);
  static const char* typeName(int typeIndex);

  const std::string& fixedKey(int typeIndex) const { return fixedKeys_.at(typeIndex); }
  const std::string& fixedIv() const { return fixedIv_; }
  const std::string& logKey() const { return logKey_; }
  const std::string& logIv() const { return logIv_; }

  // The 16-character shared key that a device with the uncompressed P-256 point `devicePoint`
  // derived with root key `typeIndex`: the first 16 Base64 characters of the minimal
  // big-endian ECDH secret. Nothing when the point is malformed or not on the curve.
  std::optional<std::string> deriveShareKey(int typeIndex, const std::vector<uint8_t>& devicePoint) const;

 private:
  std::array<std::vector<uint8_t>, 3> rootPrivate_;  // big-endian private scalars
  std::array<std::string, 3> fixedKeys_;
  std::string fixedIv_, logKey_, logIv_;
};
