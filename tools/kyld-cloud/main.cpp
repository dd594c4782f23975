// kyld-cloud: the reference verification cloud. Issues session tokens, receives and judges
// verification messages, stores log records, and answers verdicts to the host's server.
#include <kylivingdetection/KyLivingLog.h>

#include <csignal>
#include <iostream>
#include <thread>

#include "CloudOptions.h"
#include "CloudServer.h"

namespace {

// Stops the server on SIGINT or SIGTERM, taken synchronously on a thread of its own.
std::thread stopOnSignal(CloudServer& server, sigset_t signals) {
  return std::thread([&server, signals] {
    int received = 0;
    sigwait(&signals, &received);
    server.stop();
  });
}

int serve(const CloudOptions& options) {
  // The protocol library's lines may name values it was handed; they stay off by default.
  if (!options.verbose) KyLivingSetLogSink([](KyLivingLogLevel, const std::string&) {});
  std::string db = options.db.empty() ? defaultDatabasePath() : options.db;
  CloudStore store(openSqlConnection(db));
  CloudSettings settings;
  settings.issue = {options.tokenLifetime, options.defaultActions};
  CloudService service(CloudKeys::load(options.keysDir), store, settings);
  CloudServer server(service, {options.tlsCert, options.tlsKey, options.threads});
  int port = server.bind(options.host, options.port);
  if (port < 0) {
    std::cerr << "kyld-cloud: cannot listen on " << options.host << ":" << options.port << "\n";
    return 1;
  }
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::thread stopper = stopOnSignal(server, signals);
  std::cerr << "kyld-cloud: serving https://" << options.host << ":" << port << " with " << store.backend()
            << " storage\n";
  bool served = server.serve();
  if (stopper.joinable()) {
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
  }
  std::cerr << "kyld-cloud: stopped\n";
  return served ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  std::string error;
  auto options = parseCloudOptions({argv + 1, argv + argc}, error);
  if (!options) {
    std::cerr << "kyld-cloud: " << error << "\n" << cloudUsage();
    return 2;
  }
  if (options->help) {
    std::cout << cloudUsage();
    return 0;
  }
  try {
    return serve(*options);
  } catch (const std::exception& failure) {
    std::cerr << "kyld-cloud: " << failure.what() << "\n";
    return 1;
  }
}
