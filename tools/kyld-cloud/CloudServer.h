// The cloud's HTTPS front: routes the endpoints to CloudService, bounds request sizes and
// answers JSON for every error, including those raised before a handler runs.
#pragma once

#include "CloudService.h"

#include <memory>
#include <string>

namespace httplib {
class SSLServer;
}

struct ServerOptions {
  std::string certFile;
  std::string keyFile;
  int threads = 32;
  size_t maxRequestBytes = (48u << 20) + (64u << 10);
};

class CloudServer {
 public:
  // Throws std::runtime_error when the certificate or key cannot be loaded.
  CloudServer(CloudService& service, const ServerOptions& options);
  ~CloudServer();
  CloudServer(const CloudServer&) = delete;
  CloudServer& operator=(const CloudServer&) = delete;

  // Binds to host:port (port 0: any free port); answers the bound port, or -1.
  int bind(const std::string& host, int port);
  // Serves until stop(); false when the server could not serve.
  bool serve();
  void stop();
  bool running() const;

 private:
  void route();

  CloudService& service_;
  std::unique_ptr<httplib::SSLServer> server_;
};
