// kyld handshake: one session's exchange with the cloud through standard input and output.
//
//   out: the initialisation message
//   in:  the cloud's token
//   out: the token check's outcome as JSON
//   out: with JPEG files given and the token accepted, the verification message data
#include <kylivingdetection/KyLivingConfig.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "utils/VerifyMsgBuilder.h"
#include "utils/VerifyProtocol.h"

namespace {

struct HandshakeOptions {
  int32_t livingType = 0;
  std::vector<std::string> jpegPaths;
};

int usage() {
  std::fputs("usage: kyld handshake [--crypt-key-type N] LIVINGTYPE [JPEG...] < token\n", stderr);
  return 2;
}

bool parseInt(const char* text, int32_t& value) {
  char* end = nullptr;
  long parsed = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || parsed < INT32_MIN || parsed > INT32_MAX) return false;
  value = static_cast<int32_t>(parsed);
  return true;
}

bool parseArgs(KyldArgs args, HandshakeOptions& options) {
  size_t i = 0;
  if (i < args.size() && std::string(args[i]) == "--crypt-key-type") {
    int32_t type = 0;
    if (i + 1 >= args.size() || !parseInt(args[i + 1], type)) return false;
    KyLivingConfig::shareInstance()->SetKyCryptKeyType(type);
    i += 2;
  }
  if (i >= args.size() || !parseInt(args[i], options.livingType)) return false;
  options.jpegPaths.assign(args.begin() + static_cast<long>(i) + 1, args.end());
  return true;
}

bool readFile(const std::string& path, std::vector<uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return true;
}

void printLine(const std::string& line) {
  std::fputs(line.c_str(), stdout);
  std::fputc('\n', stdout);
  std::fflush(stdout);  // the peer on the other end of the pipe waits for each line
}

// The verification message of a passed session with these images and no colour history.
int printVerifyMsg(const std::vector<std::string>& jpegPaths) {
  std::vector<std::vector<uint8_t>> images(jpegPaths.size());
  for (size_t i = 0; i < jpegPaths.size(); ++i) {
    if (!readFile(jpegPaths[i], images[i])) {
      std::fprintf(stderr, "kyld handshake: cannot read %s\n", jpegPaths[i].c_str());
      return 1;
    }
  }
  std::optional<std::string> data = sealVerifyMsg(images, nullptr, static_cast<int64_t>(std::time(nullptr)));
  if (!data) return 1;
  printLine(*data);
  return 0;
}

}  // namespace

int kyldHandshake(KyldArgs args) {
  HandshakeOptions options;
  if (!parseArgs(args, options)) return usage();

  KyLivingDetectResult init = KyVerifyProtocol::verifyInit(options.livingType);
  if (init.code() != KLD_SUCCESS) {
    printLine(init.toJson());
    return 1;
  }
  printLine(init.data());

  std::string token;
  bool haveToken = static_cast<bool>(std::getline(std::cin, token));
  if (!token.empty() && token.back() == '\r') token.pop_back();
  KyTokenCheck check = KyVerifyProtocol::checkToken(haveToken ? token.c_str() : nullptr);
  if (!check.passed()) {
    printLine(check.failure->toJson());
    return 1;
  }
  printLine("{\"code\":\"0\",\"livingType\":" + std::to_string(check.livingType) + "}");
  return options.jpegPaths.empty() ? 0 : printVerifyMsg(options.jpegPaths);
}
