// Fuzzes the text parsers of the codec helpers: base64Decode and strSplit.
// The first input byte picks the delimiter set for strSplit; the rest is the text.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <kylivingdetection/KyLivingLog.h>

#include "utils/CodecUtil.h"

namespace {

void checkBase64(const std::string& text) {
  uint8_t* out = nullptr;
  uint32_t length = base64Decode(text.c_str(), &out);
  size_t n = std::strlen(text.c_str());
  if (n % 4 != 0) {
    if (out != nullptr) __builtin_trap();  // a refused text must leave the output alone
    return;
  }
  if (out == nullptr || length > n / 4 * 3) __builtin_trap();
  // Whatever decoded must encode to a text of the expected length.
  char* again = base64Encode(out, length);
  if (again == nullptr || std::strlen(again) != (length + 2) / 3 * 4) __builtin_trap();
  mFree(again);
  mFree(out);
}

void checkSplit(const std::string& input, const char* delimiters) {
  std::vector<char> text(input.begin(), input.end());
  text.push_back('\0');
  // A text of n characters holds at most n / 2 + 1 tokens.
  std::vector<char*> tokens(text.size() / 2 + 2);
  int count = -1;
  int status = strSplit(text.data(), delimiters, tokens.data(), &count);
  if (status != 0) {
    if (text[0] != '\0' || count != -1) __builtin_trap();
    return;
  }
  for (int i = 0; i < count; ++i) {
    if (tokens[static_cast<size_t>(i)][0] == '\0') __builtin_trap();  // no empty tokens
    if (std::strpbrk(tokens[static_cast<size_t>(i)], delimiters) != nullptr) __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KyLivingSetLogSink([](KyLivingLogLevel, const std::string&) {});  // keep the runs quiet
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const char* const kDelimiters[] = {"_", "_,", "@", " \t\n", "=", "a"};
  if (size == 0) return 0;
  const char* delimiters = kDelimiters[data[0] % (sizeof kDelimiters / sizeof kDelimiters[0])];
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  checkBase64(text);
  checkSplit(text, delimiters);
  return 0;
}
