// The HTTPS transport that the cloud client posts through, provided by the platform layer.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

struct KyHttpPost {
  std::string url;
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // A PEM file of trusted certificates used instead of the system's; empty: the system's.
  std::string caFile;
  // Limit on connecting and, separately, on the whole exchange.
  int64_t timeoutMillis = 60000;
};

struct KyHttpAnswer {
  // False when no answer arrived: connection, certificate or transfer failure, timeout or
  // cancellation.
  bool received = false;
  long status = 0;
  std::string body;
  std::string error;
};

class KyHttpTransport {
 public:
  virtual ~KyHttpTransport() = default;
  // Posts and blocks until answered, failed or timed out; returns early, unanswered, once
  // `cancel` (when given) becomes true. Certificates and host names are always verified.
  virtual KyHttpAnswer post(const KyHttpPost& request, const std::atomic<bool>* cancel) = 0;
};

// The platform's transport, shared by every caller.
std::shared_ptr<KyHttpTransport> KyDefaultHttpTransport();
