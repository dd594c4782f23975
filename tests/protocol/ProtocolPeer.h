// The far side of the protocol in tests: the openssl command line as the cloud, a scratch
// directory, and an in-memory item store so the device identifier stays inside the test.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "utils/KyItemStore.h"

using Bytes = std::vector<uint8_t>;

// A directory removed with everything in it when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path write(const std::string& name, const std::string& content) const;

 private:
  std::filesystem::path path_;
};

// Runs a shell command with `input` on standard input; answers standard output. The test
// fails (and the output is empty) when the command exits non-zero, unless mayFail.
std::string runCommand(const std::string& command, const std::string& input = "", bool mayFail = false);

std::string toHex(const Bytes& bytes);
std::string toHex(const std::string& text);
Bytes fromHex(const std::string& hex);

// openssl enc -aes-128-cbc with a 16-character key and IV over Base64 text (-A: one line).
// With nopad the plaintext must be whole blocks and is enciphered as it is.
std::string opensslEncrypt(const std::string& key, const std::string& iv, const std::string& plain,
                           bool nopad = false);
std::string opensslDecrypt(const std::string& key, const std::string& iv, const std::string& base64);
// ECDH as the cloud does it: the root private key of a crypt key type with a 65-byte point.
Bytes opensslDerive(int32_t cryptKeyType, const Bytes& peerPoint);
// The shared key the cloud derives from an ECDH secret: the first 16 Base64 characters of the
// secret without its leading zero bytes.
std::string cloudShareKey(const Bytes& secret);
std::string opensslMd5Hex(const std::string& text);
std::string rootPemPath(int32_t cryptKeyType);

// Items kept in memory for the life of the test.
class MemoryItemStore : public KyItemStore {
 public:
  bool save(const std::string& identifier, const std::vector<uint8_t>& value) override;
  bool update(const std::string& identifier, const std::vector<uint8_t>& value) override;
  std::optional<std::vector<uint8_t>> read(const std::string& identifier) override;
  bool remove(const std::string& identifier) override;

 private:
  std::mutex mutex_;
  std::map<std::string, std::vector<uint8_t>> items_;
};
