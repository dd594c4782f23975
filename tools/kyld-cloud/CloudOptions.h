// Command line of kyld-cloud.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct CloudOptions {
  std::string host = "127.0.0.1";
  int port = 8443;
  std::string db;  // empty: cloud.db in the user's data directory
  std::string tlsCert;
  std::string tlsKey;
  std::string keysDir;
  int64_t tokenLifetime = 300;
  int64_t defaultActions = 62;
  int threads = 32;
  bool verbose = false;
  bool help = false;
};

// Nothing (with a message in `error`) for an unknown option or a bad value.
std::optional<CloudOptions> parseCloudOptions(const std::vector<std::string>& args, std::string& error);
std::string cloudUsage();
// "$XDG_DATA_HOME/kyld-cloud/cloud.db", else "$HOME/.local/share/kyld-cloud/cloud.db"; the
// directory is created.
std::string defaultDatabasePath();
