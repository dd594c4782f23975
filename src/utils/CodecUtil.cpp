#include "utils/CodecUtil.h"

#include <mbedtls/md5.h>
#include <mbedtls/version.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <limits>

#include "utils/LDTLog.h"

std::atomic<uint16_t> memAllocCount{0};
std::atomic<uint16_t> memFreeCount{0};

namespace {

constexpr char base64char[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr uint64_t kMaxSize = std::numeric_limits<uint64_t>::max();

// The operation name of mMalloc's failure line is the allocator's own, whichever entry point ran.
void* allocateFilled(uint64_t size, int fill) {
  if (size == 0) return nullptr;
  void* buffer = size <= std::numeric_limits<size_t>::max() ? std::malloc(static_cast<size_t>(size)) : nullptr;
  if (buffer == nullptr) {
    LDTLogWrite(KyLivingLogLevel::Error, "mMalloc", __LINE__, "内存申请失败！！");
    return nullptr;
  }
  std::memset(buffer, fill, static_cast<size_t>(size));
  memAllocCount.fetch_add(1, std::memory_order_relaxed);
  return buffer;
}

// Index of a character in the standard alphabet; anything else counts as 255 so that
// every output bit it feeds comes out set.
uint32_t base64Index(char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<uint32_t>(c - 'A');
  if (c >= 'a' && c <= 'z') return static_cast<uint32_t>(c - 'a' + 26);
  if (c >= '0' && c <= '9') return static_cast<uint32_t>(c - '0' + 52);
  if (c == '+') return 62;
  if (c == '/') return 63;
  return 255;
}

uint64_t encodedCapacity(uint64_t length) { return 4 * ((length + 2) / 3) + 2; }

}  // namespace

void* mMalloc(uint64_t size, int fill) { return allocateFilled(size, fill); }

void mMallocV2(uint32_t size, int fill, void** out) {
  if (out == nullptr) return;
  *out = allocateFilled(size, fill);
}

void mFree(void* buffer) {
  if (buffer == nullptr) return;
  std::free(buffer);
  memFreeCount.fetch_add(1, std::memory_order_relaxed);
}

void mFreeV2(void** buffer) {
  if (buffer == nullptr || *buffer == nullptr) return;
  mFree(*buffer);
  *buffer = nullptr;
}

char* base64Encode(const uint8_t* data, uint64_t length) {
  // Lengths whose encoded size would not fit in 64 bits cannot be allocated either.
  if (length > (kMaxSize - 8) / 4 * 3) return nullptr;
  if (data == nullptr && length != 0) return nullptr;
  char* text = static_cast<char*>(mMalloc(encodedCapacity(length), 0));
  if (text == nullptr) return nullptr;

  char* out = text;
  uint64_t i = 0;
  for (; i + 3 <= length; i += 3) {
    uint32_t b0 = data[i], b1 = data[i + 1], b2 = data[i + 2];
    *out++ = base64char[b0 >> 2];
    *out++ = base64char[((b0 & 3) << 4) | (b1 >> 4)];
    *out++ = base64char[((b1 & 15) << 2) | (b2 >> 6)];
    *out++ = base64char[b2 & 63];
  }
  uint64_t rest = length - i;
  if (rest == 1) {
    uint32_t b0 = data[i];
    *out++ = base64char[b0 >> 2];
    *out++ = base64char[(b0 & 3) << 4];
    *out++ = '=';
    *out++ = '=';
  } else if (rest == 2) {
    uint32_t b0 = data[i], b1 = data[i + 1];
    *out++ = base64char[b0 >> 2];
    *out++ = base64char[((b0 & 3) << 4) | (b1 >> 4)];
    *out++ = base64char[(b1 & 15) << 2];
    *out++ = '=';
  }
  return text;  // already terminated: the buffer was zero-filled
}

char* base64EncodeUrlsafe(const uint8_t* data, int32_t length) {
  if (length < 0) return nullptr;
  char* text = base64Encode(data, static_cast<uint64_t>(length));
  if (text == nullptr) return nullptr;
  strrpl(text, text, "+", "-");
  strrpl(text, text, "/", "_");
  return text;
}

uint32_t base64Decode(const char* text, uint8_t** out) {
  if (text == nullptr || out == nullptr) {
    LDT_LOGE("base64 input is null");
    return 0;
  }
  size_t n = std::strlen(text);
  if (n % 4 != 0) {
    LDT_LOGE("base64 length error %d", static_cast<int>(n));
    return 0;
  }
  // The decoded length is reported in 32 bits; larger texts are refused like a failed allocation.
  uint64_t capacity = static_cast<uint64_t>(n / 4) * 3 + 8;
  uint8_t* bytes = capacity <= std::numeric_limits<uint32_t>::max()
                       ? static_cast<uint8_t*>(mMalloc(capacity, 0))
                       : nullptr;
  if (bytes == nullptr) {
    LDT_LOGE("mMalloc failed ");
    return 0;
  }

  uint32_t written = 0;
  for (size_t g = 0; g < n; g += 4) {
    const char* group = text + g;
    uint32_t i0 = base64Index(group[0]), i1 = base64Index(group[1]);
    uint32_t i2 = base64Index(group[2]), i3 = base64Index(group[3]);
    bytes[written++] = static_cast<uint8_t>((i0 << 2) | ((i1 >> 4) & 3));
    if (group[2] == '=') break;
    bytes[written++] = static_cast<uint8_t>(((i1 << 4) & 0xF0) | ((i2 >> 2) & 0x0F));
    if (group[3] == '=') break;
    bytes[written++] = static_cast<uint8_t>(((i2 << 6) & 0xC0) | (i3 & 0x3F));
  }
  *out = bytes;
  return written;
}

void strrpl(char* dest, const char* src, const char* pattern, const char* replacement) {
  if (dest == nullptr || src == nullptr) return;
  size_t patternLength = pattern != nullptr ? std::strlen(pattern) : 0;
  if (patternLength == 0 || replacement == nullptr) {
    std::memmove(dest, src, std::strlen(src) + 1);
    return;
  }
  size_t replacementLength = std::strlen(replacement);
  // memmove throughout: dest may be src, and the write position never passes the read position
  // because the replacement is not longer than the pattern in that case.
  const char* read = src;
  char* write = dest;
  for (const char* hit = std::strstr(read, pattern); hit != nullptr; hit = std::strstr(read, pattern)) {
    size_t before = static_cast<size_t>(hit - read);
    std::memmove(write, read, before);
    write += before;
    std::memmove(write, replacement, replacementLength);
    write += replacementLength;
    read = hit + patternLength;
  }
  std::memmove(write, read, std::strlen(read) + 1);
}

char* hexEncode(const uint8_t* data, uint64_t length) {
  if (data == nullptr && length != 0) return nullptr;
  char* text = length <= (kMaxSize - 1) / 2 ? static_cast<char*>(mMalloc(2 * length + 1, 0)) : nullptr;
  if (text == nullptr) {
    LDT_LOGE("mMalloc failed");
    return nullptr;
  }
  static constexpr char digits[] = "0123456789abcdef";
  for (uint64_t i = 0; i < length; ++i) {
    text[2 * i] = digits[data[i] >> 4];
    text[2 * i + 1] = digits[data[i] & 15];
  }
  return text;
}

uint8_t* md5sum(const uint8_t* data, uint64_t length) {
  if (data == nullptr && length != 0) return nullptr;
  auto* digest = static_cast<uint8_t*>(mMalloc(16, 0));
  if (digest == nullptr) return nullptr;
#if MBEDTLS_VERSION_MAJOR >= 3
  int status = mbedtls_md5(data, static_cast<size_t>(length), digest);
#else
  int status = mbedtls_md5_ret(data, static_cast<size_t>(length), digest);
#endif
  if (status != 0) {
    mFree(digest);
    return nullptr;
  }
  return digest;
}

int strSplit(char* text, const char* delimiters, char** tokens, int* count) {
  if (text == nullptr || *text == '\0' || delimiters == nullptr || *delimiters == '\0') return -1;
  if (tokens == nullptr || count == nullptr) return -1;
  // strtok_r: the same tokenising as strtok without state shared between callers.
  char* saved = nullptr;
  int found = 0;
  for (char* token = strtok_r(text, delimiters, &saved); token != nullptr;
       token = strtok_r(nullptr, delimiters, &saved)) {
    tokens[found++] = token;
  }
  *count = found;
  return 0;
}

char* genRandomString(int32_t size) {
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  char* text = size >= 1 ? static_cast<char*>(mMalloc(static_cast<uint64_t>(size), 0)) : nullptr;
  if (text == nullptr) {
    LDT_LOGE("Malloc failed!flag:14\n");
    return nullptr;
  }
  for (int32_t i = 0; i < size - 1; ++i) {
    switch (std::rand() % 3) {
      case 0: text[i] = static_cast<char>('A' + std::rand() % 26); break;
      case 1: text[i] = static_cast<char>('a' + std::rand() % 26); break;
      default: text[i] = static_cast<char>('0' + std::rand() % 10); break;
    }
  }
  return text;
}
