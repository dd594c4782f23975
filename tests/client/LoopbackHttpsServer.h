// A real HTTPS server on 127.0.0.1 (Python's http.server with TLS) with a throwaway
// self-signed certificate made by openssl. It records every request it receives.
#pragma once

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "Subprocess.h"

struct ReceivedRequest {
  std::string path;
  std::map<std::string, std::string> headers;
  std::string body;
};

class LoopbackHttpsServer {
 public:
  LoopbackHttpsServer();
  ~LoopbackHttpsServer();

  // "127.0.0.1:<port>"
  std::string host() const;
  // The certificate that signs the server's identity, to trust as CA.
  std::string caFile() const;
  // How later requests are answered: "json", "other", "scalar", "text" or "silent".
  void setMode(const std::string& mode);
  // Every request received so far, oldest first.
  std::vector<ReceivedRequest> requests() const;
  // Waits until at least `count` requests have arrived; false when that takes over a minute.
  bool waitForRequests(size_t count) const;

  // Points the shared configuration at this server, trusting its certificate.
  void configureClient(int64_t timeoutMillis = 60000) const;

 private:
  std::filesystem::path directory_;
  std::unique_ptr<RunningProcess> process_;
  int port_ = 0;
};
