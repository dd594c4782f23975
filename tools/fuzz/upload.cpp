// The cloud's reading of an upload: the form body, the verification message text (Base64,
// AES under a session key) and the clear FlatBuffers buffer with what it carries (JPEG
// images, colour history JSON).
#include <kylivingdetection/KyLivingLog.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "ColourJudge.h"
#include "FormBody.h"
#include "ImageCheck.h"
#include "UploadParser.h"

namespace {

void judgeContents(const VerifyEvidence& evidence) {
  for (const auto& image : evidence.images) decodeCompleteJpeg(image);
  if (evidence.history) judgeColourHistory(*evidence.history, "012485");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool quiet = (KyLivingSetLogSink([](KyLivingLogLevel, const std::string&) {}), true);
  (void)quiet;
  if (auto evidence = readVerifyBuffer(data, size)) judgeContents(*evidence);
  std::string text(reinterpret_cast<const char*>(data), size);
  auto fields = parseFormBody(text);
  auto message = fields.find("verifyMsg");
  if (auto evidence = readVerifyMessage(message != fields.end() ? message->second : text, "0123456789abcdef",
                                        "fedcba9876543210")) {
    judgeContents(*evidence);
  }
  return 0;
}
