#include "CloudCodec.h"

#include <openssl/rand.h>

#include <stdexcept>

#include "utils/CodecUtil.h"
#include "utils/KyLivingAESUtil.h"

namespace {

bool isBase64Character(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

bool wellFormedBase64(const std::string& text) {
  if (text.empty() || text.size() % 4 != 0) return false;
  size_t pads = 0;
  while (pads < 2 && text[text.size() - 1 - pads] == '=') ++pads;
  for (size_t i = 0; i < text.size() - pads; ++i) {
    if (!isBase64Character(text[i])) return false;
  }
  return true;
}

std::vector<uint8_t> bytesOf(const std::string& text) { return {text.begin(), text.end()}; }

uint32_t randomWord() {
  uint32_t word = 0;
  if (RAND_bytes(reinterpret_cast<unsigned char*>(&word), sizeof word) != 1) {
    throw std::runtime_error("the system's random generator failed");
  }
  return word;
}

}  // namespace

std::optional<std::vector<uint8_t>> strictBase64Decode(const std::string& text) {
  if (!wellFormedBase64(text)) return std::nullopt;
  uint8_t* decoded = nullptr;
  uint32_t length = base64Decode(text.c_str(), &decoded);
  std::optional<std::vector<uint8_t>> result;
  if (length > 0) result.emplace(decoded, decoded + length);
  mFree(decoded);
  return result;
}

std::string base64Text(const std::vector<uint8_t>& bytes) {
  char* encoded = base64Encode(bytes.data(), bytes.size());
  if (encoded == nullptr) throw std::bad_alloc();
  std::string text(encoded);
  mFree(encoded);
  return text;
}

std::optional<std::vector<uint8_t>> decipher(const std::string& key, const std::string& iv,
                                             const std::vector<uint8_t>& bytes) {
  if (bytes.empty() || bytes.size() % 16 != 0) return std::nullopt;
  return KyLivingAESUtil::aesCbc128Crypt(KyLivingAESUtil::kDecrypt, bytes, bytesOf(iv), bytesOf(key));
}

std::vector<uint8_t> encipher(const std::string& key, const std::string& iv, const std::string& text) {
  auto sealed = KyLivingAESUtil::aesCbc128Crypt(KyLivingAESUtil::kEncrypt, bytesOf(text), bytesOf(iv), bytesOf(key));
  if (!sealed) throw std::runtime_error("AES encipherment failed");
  return *sealed;
}

std::string md5Hex(const std::string& text) {
  uint8_t* digest = md5sum(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  char* hex = digest ? hexEncode(digest, 16) : nullptr;
  mFree(digest);
  if (hex == nullptr) throw std::bad_alloc();
  std::string result(hex);
  mFree(hex);
  return result;
}

uint32_t randomBelow(uint32_t bound) {
  // Rejection sampling keeps the draw uniform.
  const uint32_t limit = UINT32_MAX - UINT32_MAX % bound;
  uint32_t word = randomWord();
  while (word >= limit) word = randomWord();
  return word % bound;
}

std::string randomAlphanumeric(size_t length) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  std::string text;
  for (size_t i = 0; i < length; ++i) text += kAlphabet[randomBelow(sizeof kAlphabet - 1)];
  return text;
}
