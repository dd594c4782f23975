#include "FormBody.h"

namespace {

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "%XX" decoded; a "%" not followed by two hex digits stays as it is.
std::string percentDecode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
      if (high >= 0 && low >= 0) {
        out += static_cast<char>(high * 16 + low);
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

}  // namespace

std::map<std::string, std::string> parseFormBody(std::string_view body) {
  std::map<std::string, std::string> fields;
  while (!body.empty()) {
    size_t amp = body.find('&');
    std::string_view pair = body.substr(0, amp);
    body = amp == std::string_view::npos ? std::string_view() : body.substr(amp + 1);
    size_t eq = pair.find('=');
    if (eq == 0 || pair.empty()) continue;
    std::string name = percentDecode(pair.substr(0, eq));
    std::string value = eq == std::string_view::npos ? std::string() : percentDecode(pair.substr(eq + 1));
    fields.emplace(std::move(name), std::move(value));
  }
  return fields;
}
