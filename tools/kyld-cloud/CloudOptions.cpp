#include "CloudOptions.h"

#include <cstdlib>
#include <filesystem>

#include "SessionIssuer.h"

#ifndef KYLD_CLOUD_DEV_CERT
#define KYLD_CLOUD_DEV_CERT "dev-tls/cert.pem"
#define KYLD_CLOUD_DEV_KEY "dev-tls/key.pem"
#endif
#ifndef KYLD_CLOUD_DEV_KEYS
#define KYLD_CLOUD_DEV_KEYS "keys/dev"
#endif

namespace {

std::optional<int64_t> integer(const std::string& text, int64_t low, int64_t high) {
  if (text.empty() || text.size() > 12 || text.find_first_not_of("0123456789") != std::string::npos) {
    return std::nullopt;
  }
  int64_t value = std::stoll(text);
  if (value < low || value > high) return std::nullopt;
  return value;
}

bool setListen(CloudOptions& options, const std::string& value) {
  auto colon = value.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  auto port = integer(value.substr(colon + 1), 0, 65535);
  if (!port) return false;
  options.host = value.substr(0, colon);
  options.port = static_cast<int>(*port);
  return true;
}

// Applies one option with its value; false for a bad value.
bool apply(CloudOptions& o, const std::string& name, const std::string& value) {
  if (name == "--listen") return setListen(o, value);
  if (name == "--db") return !(o.db = value).empty();
  if (name == "--tls-cert") return !(o.tlsCert = value).empty();
  if (name == "--tls-key") return !(o.tlsKey = value).empty();
  if (name == "--keys") return !(o.keysDir = value).empty();
  if (name == "--token-lifetime") {
    auto v = integer(value, 1, 86400);
    return v && (o.tokenLifetime = *v, true);
  }
  if (name == "--default-actions") {
    auto v = integer(value, 1, 9999);
    return v && SessionIssuer::validActions(*v) && (o.defaultActions = *v, true);
  }
  if (name == "--threads") {
    auto v = integer(value, 1, 1024);
    return v && (o.threads = static_cast<int>(*v), true);
  }
  return false;
}

const char* const kValued[] = {"--listen", "--db", "--tls-cert", "--tls-key", "--keys",
                               "--token-lifetime", "--default-actions", "--threads"};

bool takesValue(const std::string& name) {
  for (const char* v : kValued) {
    if (name == v) return true;
  }
  return false;
}

}  // namespace

std::optional<CloudOptions> parseCloudOptions(const std::vector<std::string>& args, std::string& error) {
  CloudOptions o;
  o.tlsCert = KYLD_CLOUD_DEV_CERT;
  o.tlsKey = KYLD_CLOUD_DEV_KEY;
  o.keysDir = KYLD_CLOUD_DEV_KEYS;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& name = args[i];
    if (name == "--help" || name == "-h") {
      o.help = true;
    } else if (name == "--verbose") {
      o.verbose = true;
    } else if (!takesValue(name)) {
      error = "unknown option " + name;
      return std::nullopt;
    } else if (i + 1 >= args.size() || !apply(o, name, args[i + 1])) {
      error = "bad or missing value for " + name;
      return std::nullopt;
    } else {
      ++i;
    }
  }
  return o;
}

std::string cloudUsage() {
  return "usage: kyld-cloud [--listen HOST:PORT] [--db URL] [--tls-cert FILE] [--tls-key FILE] [--keys DIR]\n"
         "                  [--token-lifetime SECONDS] [--default-actions DIGITS] [--threads N] [--verbose]\n"
         "  --listen           address to serve HTTPS on (127.0.0.1:8443)\n"
         "  --db               postgresql://... or a SQLite file (cloud.db in the user's data directory)\n"
         "  --tls-cert/-key    PEM certificate and key (the development certificate of the build)\n"
         "  --keys             key directory: root_*.pem and keys.env (the development keys)\n"
         "  --token-lifetime   seconds a token stays valid (300)\n"
         "  --default-actions  action list when the requested one is not valid (62)\n"
         "  --threads          request worker threads (32)\n"
         "  --verbose          also write the protocol library's own log lines\n";
}

std::string defaultDatabasePath() {
  namespace fs = std::filesystem;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  const char* home = std::getenv("HOME");
  fs::path base = (xdg && *xdg) ? fs::path(xdg) : fs::path(home && *home ? home : ".") / ".local" / "share";
  fs::path dir = base / "kyld-cloud";
  fs::create_directories(dir);
  return (dir / "cloud.db").string();
}
