// Codec and memory helpers on plain byte buffers.
//
// Every buffer these functions return is a new heap buffer owned by the caller and
// released with mFree. Nothing here throws: failures answer null, 0 or -1 and write
// an error line.
#pragma once

#include <atomic>
#include <cstdint>

// Diagnostic counters of mMalloc/mMallocV2 and mFree/mFreeV2 calls; they wrap at 65536.
extern std::atomic<uint16_t> memAllocCount;
extern std::atomic<uint16_t> memFreeCount;

// A buffer of `size` bytes, each set to `fill`; null for size 0 or when allocation fails.
void* mMalloc(uint64_t size, int fill);
// As mMalloc, delivering the buffer (or null) through *out.
void mMallocV2(uint32_t size, int fill, void** out);
// Releases a buffer; null is ignored.
void mFree(void* buffer);
// Releases *buffer when both pointers are non-null and sets *buffer to null.
void mFreeV2(void** buffer);

// Standard Base64 with pad characters, zero-terminated.
char* base64Encode(const uint8_t* data, uint64_t length);
// Base64 with "-" and "_" in place of "+" and "/"; pads stay.
char* base64EncodeUrlsafe(const uint8_t* data, int32_t length);
// Decodes zero-terminated standard Base64 into *out; answers the decoded length, 0 on
// failure (a length that is no multiple of 4 leaves *out untouched). Characters outside
// the alphabet count as 255; decoding stops at the first group carrying a pad.
uint32_t base64Decode(const char* text, uint8_t** out);
// Copies src into dest with every non-overlapping `pattern` replaced by `replacement`.
// dest may be src when the replacement is not longer than the pattern.
void strrpl(char* dest, const char* src, const char* pattern, const char* replacement);
// Lowercase hex text of the bytes, or null.
char* hexEncode(const uint8_t* data, uint64_t length);
// The raw 16-byte MD5 digest, or null.
uint8_t* md5sum(const uint8_t* data, uint64_t length);
// Tokenises `text` in place like strtok (runs of delimiters are one separator, no empty
// tokens); stores the token pointers in `tokens` and their number in *count. Answers 0,
// or -1 without writing *count for a null or empty text or delimiter set.
int strSplit(char* text, const char* delimiters, char** tokens, int* count);
// size-1 random characters from A-Z, a-z, 0-9, zero-terminated; null for size < 1.
char* genRandomString(int32_t size);
