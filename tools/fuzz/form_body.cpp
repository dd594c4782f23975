// The form body as it goes out to the cloud: whatever the input, the output is valid UTF-8,
// carries no "+" (each is "%2B"), keeps every other valid character in order, and encoding it
// again changes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "utils/KyLivingHttpClient.h"

namespace {

bool validUtf8(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || i + length > text.size()) return false;
    for (size_t k = 1; k < length; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += length;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string body(reinterpret_cast<const char*>(data), size);
  std::string encoded = KyLivingHttpClient::encodeBody(body);
  if (!validUtf8(encoded) || encoded.find('+') != std::string::npos) std::abort();
  if (KyLivingHttpClient::encodeBody(encoded) != encoded) std::abort();
  size_t pluses = 0;
  for (char c : body) pluses += c == '+';
  if (encoded.size() > body.size() + 2 * pluses) std::abort();
  return 0;
}
