// Byte-level helpers of the cloud over the library's codec and cipher functions: strict
// Base64, AES-128-CBC with explicit key and IV, MD5 text and random identifiers.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Decodes standard Base64 only when it is well formed: a multiple of 4 characters from the
// alphabet, with at most two "=" and only at the end. Nothing otherwise, or when empty.
std::optional<std::vector<uint8_t>> strictBase64Decode(const std::string& text);
std::string base64Text(const std::vector<uint8_t>& bytes);

// AES-128-CBC with PKCS#7 padding; nothing on any failure, padding errors included.
std::optional<std::vector<uint8_t>> decipher(const std::string& key, const std::string& iv,
                                             const std::vector<uint8_t>& bytes);
std::vector<uint8_t> encipher(const std::string& key, const std::string& iv, const std::string& text);

// Lowercase hex MD5 of the text's bytes.
std::string md5Hex(const std::string& text);

// `length` characters of A-Z, a-z, 0-9 from the system's cryptographic generator.
std::string randomAlphanumeric(size_t length);
// A uniformly drawn integer in [0, bound).
uint32_t randomBelow(uint32_t bound);
