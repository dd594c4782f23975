#include "utils/KyLivingHttpClient.h"

#include <cjson/cJSON.h>
#include <kylivingdetection/KyLivingConfig.h>

#include "utils/KyHttpTransport.h"
#include "utils/KyHttpWorkQueue.h"
#include "utils/LDTLog.h"

namespace {

constexpr const char* kLogPath = "/clc/push";
constexpr const char* kUploadPath = "/livingdetection/rpverifyh5/public/uploadVerifyMsg";

// Length of the UTF-8 sequence starting at text[i], or 0 when it is not a valid one.
size_t utf8SequenceLength(const std::string& text, size_t i) {
  auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
  unsigned char lead = byte(i);
  size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
  if (length == 0 || i + length > text.size()) return 0;
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xC0) != 0x80) return 0;
  }
  uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) code = (code << 6) | (byte(i + k) & 0x3F);
  static constexpr uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  bool valid = code >= kSmallest[length] && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF);
  return valid ? length : 0;
}

// The client's queue. The transport (and with it the TLS library, which cleans up at exit)
// is set up first, so that the queue's worker is joined at exit before that cleanup runs and
// the worker's per-thread TLS state is released normally.
KyHttpWorkQueue& clientQueue() {
  KyDefaultHttpTransport();
  return KyHttpWorkQueue::shared();
}

// A host name, IPv4 or bracketed IPv6 address, optionally with ":port": nothing that could
// turn the URL into another path, user or query.
bool plainHost(const std::string& host) {
  if (host.empty()) return false;
  for (char c : host) {
    bool allowed = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' ||
                   c == '-' || c == ':' || c == '[' || c == ']';
    if (!allowed) return false;
  }
  return true;
}

// The form post of `body` to `path` on the configured cloud; nothing without a usable host.
std::optional<KyHttpPost> buildPost(const char* path, const std::string& body) {
  KyLivingConfig* config = KyLivingConfig::shareInstance();
  std::string host = config->GetCloudHost();
  if (!plainHost(host)) {
    LDTLogWrite(KyLivingLogLevel::Error, "buildPost", __LINE__, "no usable cloud host configured (\"%s\"), %s not sent",
                host.c_str(), path);
    return std::nullopt;
  }
  KyHttpPost post;
  post.url = "https://" + host + path;
  post.body = KyLivingHttpClient::encodeBody(body);
  std::string length = std::to_string(post.body.size());
  LDTLogWrite(KyLivingLogLevel::Debug, "buildPost", __LINE__, "postLength=%s", length.c_str());
  post.headers = {{"Content-Type", "application/x-www-form-urlencoded"}, {"Content-Length", length}};
  post.caFile = config->GetCloudCaFile();
  post.timeoutMillis = config->GetCloudTimeoutMillis();
  return post;
}

}  // namespace

std::string KyLivingHttpClient::encodeBody(const std::string& body) {
  std::string out;
  out.reserve(body.size() + body.size() / 16);
  size_t i = 0;
  while (i < body.size()) {
    // Runs of plain ASCII, the whole of a Base64 text, are copied in one piece.
    size_t run = i;
    while (run < body.size() && static_cast<unsigned char>(body[run]) < 0x80 && body[run] != '+') ++run;
    out.append(body, i, run - i);
    i = run;
    if (i == body.size()) break;
    if (body[i] == '+') {
      out += "%2B";
      ++i;
      continue;
    }
    size_t length = utf8SequenceLength(body, i);
    if (length == 0) {
      ++i;  // not UTF-8: dropped
    } else {
      out.append(body, i, length);
      i += length;
    }
  }
  return out;
}

void KyLivingHttpClient::requestAsync(const std::string& value) {
  std::optional<KyHttpPost> post = buildPost(kLogPath, "req=" + value);
  if (!post) return;
  std::shared_ptr<KyHttpTransport> transport = KyDefaultHttpTransport();
  bool queued = clientQueue().enqueue(
      [transport, post = std::move(*post)](const std::atomic<bool>& stopping) {
        KyHttpAnswer answer = transport->post(post, &stopping);
        if (stopping) return;  // shutting down: the log sink may already be gone
        LDTLogWrite(KyLivingLogLevel::Debug, "requestAsync", __LINE__, "user login check result:%s",
                    answer.body.c_str());
      });
  if (!queued) LDT_LOGW("log request dropped: too many requests waiting");
}

std::optional<KyJsonPtr> KyLivingHttpClient::postVerifyMsg(const std::string& token, const std::string& verifyMsg) {
  std::optional<KyHttpPost> post = buildPost(kUploadPath, "token=" + token + "&verifyMsg=" + verifyMsg);
  if (!post) return std::nullopt;
  KyHttpAnswer answer = KyDefaultHttpTransport()->post(*post, nullptr);
  if (!answer.received) {
    LDT_LOGE("no answer: %s", answer.error.c_str());
    return std::nullopt;
  }
  // Any JSON value is an answer, a bare number or text included.
  if (answer.body.find('\0') != std::string::npos) return std::nullopt;
  KyJsonPtr parsed(cJSON_ParseWithLengthOpts(answer.body.c_str(), answer.body.size() + 1, nullptr, true));
  if (!parsed) return std::nullopt;
  return parsed;
}

void KyLivingHttpClient::waitForAsyncRequests() { clientQueue().waitIdle(); }
