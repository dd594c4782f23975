// Form posts to the verification cloud over HTTPS.
#pragma once

#include <optional>
#include <string>

#include "utils/KyLDCommUtil.h"

class KyLivingHttpClient {
 public:
  // Posts "req=<value>" to the log endpoint in the background and returns at once. Requests
  // run one after another on the client's own worker; the answer is only logged.
  static void requestAsync(const std::string& value);

  // Posts the token and verification message to the upload endpoint and blocks until the
  // answer has arrived. Returns the parsed JSON answer; nothing when there is no answer
  // within the configured time, the answer is not JSON, or no cloud host is configured.
  static std::optional<KyJsonPtr> postVerifyMsg(const std::string& token, const std::string& verifyMsg);

  // Blocks until every request started by requestAsync so far has finished.
  static void waitForAsyncRequests();

  // The body as it goes out: every "+" written as "%2B", bytes that are not valid UTF-8
  // dropped, nothing else escaped.
  static std::string encodeBody(const std::string& body);
};
