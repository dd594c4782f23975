#include "UploadParser.h"

#include "CloudCodec.h"
#include "VerifyMsg_generated.h"

namespace {
constexpr char kPrefix[] = "flatbuffer@";
}  // namespace

std::optional<VerifyEvidence> readVerifyBuffer(const uint8_t* data, size_t size, const UploadLimits& limits) {
  flatbuffers::Verifier verifier(data, size, /*max_depth=*/16, /*max_tables=*/limits.maxImages + 8);
  if (!VerifyVerifyMsgBuffer(verifier)) return std::nullopt;
  const VerifyMsg* message = GetVerifyMsg(data);
  VerifyEvidence evidence;
  evidence.currentTime = message->currentTime();
  evidence.useCloudStorage = message->useCloudStorage();
  if (const auto* history = message->colorfulDetectHistory()) {
    if (history->size() > limits.maxHistoryBytes) return std::nullopt;
    evidence.history = history->str();
  }
  if (const auto* images = message->bestImgArray()) {
    if (images->size() > limits.maxImages) return std::nullopt;
    for (const Image* image : *images) {
      const auto* bytes = image ? image->data() : nullptr;
      if (bytes == nullptr) {
        evidence.images.emplace_back();
        continue;
      }
      if (bytes->size() > limits.maxImageBytes) return std::nullopt;
      evidence.images.emplace_back(bytes->begin(), bytes->end());
    }
  }
  return evidence;
}

std::optional<VerifyEvidence> readVerifyMessage(const std::string& verifyMsg, const std::string& shareKey,
                                                const std::string& iv, const UploadLimits& limits) {
  std::string body = verifyMsg.rfind(kPrefix, 0) == 0 ? verifyMsg.substr(sizeof kPrefix - 1) : verifyMsg;
  auto cipher = strictBase64Decode(body);
  if (!cipher) return std::nullopt;
  auto clear = decipher(shareKey, iv, *cipher);
  if (!clear || clear->empty()) return std::nullopt;
  return readVerifyBuffer(clear->data(), clear->size(), limits);
}
