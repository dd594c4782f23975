#include "ProtocolPeer.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace {

std::string readFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

// The DER prefix of a P-256 SubjectPublicKeyInfo holding an uncompressed point.
constexpr char kP256SpkiPrefix[] = "3059301306072a8648ce3d020106082a8648ce3d030107034200";

}  // namespace

ScratchDir::ScratchDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "kyld-protocol-XXXXXX").string();
  char* made = ::mkdtemp(pattern.data());
  if (made == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = made;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::filesystem::path ScratchDir::write(const std::string& name, const std::string& content) const {
  std::filesystem::path file = path_ / name;
  std::ofstream(file, std::ios::binary) << content;
  return file;
}

std::string runCommand(const std::string& command, const std::string& input, bool mayFail) {
  ScratchDir dir;
  std::filesystem::path in = dir.write("stdin", input);
  std::filesystem::path out = dir.path() / "stdout";
  std::string line = "(" + command + ") <'" + in.string() + "' >'" + out.string() + "' 2>/dev/null";
  int status = std::system(line.c_str());
  bool ok = status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  if (!ok && !mayFail) ADD_FAILURE() << "command failed: " << command;
  return ok ? readFile(out) : "";
}

std::string toHex(const Bytes& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (uint8_t byte : bytes) {
    hex += digits[byte >> 4];
    hex += digits[byte & 15];
  }
  return hex;
}

std::string toHex(const std::string& text) { return toHex(Bytes(text.begin(), text.end())); }

Bytes fromHex(const std::string& hex) {
  Bytes bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

std::string opensslEncrypt(const std::string& key, const std::string& iv, const std::string& plain, bool nopad) {
  return runCommand("openssl enc -aes-128-cbc -base64 -A -K " + toHex(key) + " -iv " + toHex(iv) +
                        (nopad ? " -nopad" : ""),
                    plain);
}

std::string opensslDecrypt(const std::string& key, const std::string& iv, const std::string& base64) {
  return runCommand("openssl enc -d -aes-128-cbc -base64 -A -K " + toHex(key) + " -iv " + toHex(iv), base64);
}

std::string rootPemPath(int32_t cryptKeyType) {
  const char* name = cryptKeyType == 0 ? "default" : cryptKeyType == 1 ? "sh_ca" : "test";
  return std::string(KYLD_KEYS_DIR) + "/root_" + name + ".pem";
}

Bytes opensslDerive(int32_t cryptKeyType, const Bytes& peerPoint) {
  ScratchDir dir;
  Bytes der = fromHex(kP256SpkiPrefix);
  der.insert(der.end(), peerPoint.begin(), peerPoint.end());
  std::filesystem::path peer = dir.write("peer.der", std::string(der.begin(), der.end()));
  std::string secret = runCommand("openssl pkeyutl -derive -inkey '" + rootPemPath(cryptKeyType) + "' -peerkey '" +
                                  peer.string() + "' -peerform DER");
  return Bytes(secret.begin(), secret.end());
}

std::string cloudShareKey(const Bytes& secret) {
  size_t first = 0;
  while (first < secret.size() && secret[first] == 0) ++first;
  std::string minimal(secret.begin() + static_cast<long>(first), secret.end());
  return runCommand("openssl base64 -A", minimal).substr(0, 16);
}

std::string opensslMd5Hex(const std::string& text) {
  return runCommand("openssl dgst -md5 -r", text).substr(0, 32);
}

bool MemoryItemStore::save(const std::string& identifier, const std::vector<uint8_t>& value) {
  std::lock_guard lock(mutex_);
  items_[identifier] = value;
  return true;
}

bool MemoryItemStore::update(const std::string& identifier, const std::vector<uint8_t>& value) {
  std::lock_guard lock(mutex_);
  auto item = items_.find(identifier);
  if (item == items_.end()) return false;
  item->second = value;
  return true;
}

std::optional<std::vector<uint8_t>> MemoryItemStore::read(const std::string& identifier) {
  std::lock_guard lock(mutex_);
  auto item = items_.find(identifier);
  if (item == items_.end()) return std::nullopt;
  return item->second;
}

bool MemoryItemStore::remove(const std::string& identifier) {
  std::lock_guard lock(mutex_);
  return items_.erase(identifier) > 0;
}
