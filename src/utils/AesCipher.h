// AES-128-CBC with PKCS#7 padding and the fixed IV: the encipherment of everything the
// library exchanges with the verification cloud.
//
// The functions answer 0 or a length on success and -1 on failure, when the out-parameter is
// left as it was. Buffers handed out belong to the caller, who releases them with mFree.
#pragma once

#include <cstdint>

// Key classes of the entry points.
inline constexpr int kAesKeyFixed = 1;   // the fixed key of the configured crypt key type
inline constexpr int kAesKeyShared = 2;  // the shared key agreed with the cloud

inline constexpr int kAesEncrypt = 1;
inline constexpr int kAesDecrypt = 0;  // as every mode other than kAesEncrypt

// Enciphers (mode kAesEncrypt) or deciphers `length` bytes under the 16-character key.
// Answers the output length, never below 16; the output is zero-terminated beyond it.
int aesCrypto(const char* key, int mode, const uint8_t* input, uint64_t length, uint8_t** out);

// The initialisation message: "@IOS,2,8,0," + crypt key type name + "@" + Base64 ciphertext.
int aesEncryption(const char* text, int keyClass, char** out);
// The verification message: the bare Base64 ciphertext.
int aesEncryption2(const uint8_t* data, uint64_t length, int keyClass, char** out);
// Deciphers Base64 text; answers the plaintext length (the plaintext is zero-terminated).
int aesDecryption(const char* text, int keyClass, uint8_t** out);
