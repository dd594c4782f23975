#include "LocalCloud.h"

#include <arpa/inet.h>
#include <cjson/cJSON.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include <kylivingdetection/KyLivingConfig.h>

#include "utils/KyHttpTransport.h"

namespace {

int freeLoopbackPort() {
  int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  int port = -1;
  if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  close(fd);
  return port;
}

std::optional<std::string> jsonMember(const std::string& text, const char* key) {
  cJSON* json = cJSON_Parse(text.c_str());
  std::optional<std::string> value;
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(json, key);
  if (cJSON_IsString(item)) value = item->valuestring;
  cJSON_Delete(json);
  return value;
}

}  // namespace

std::string formEncode(const std::string& value) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : value) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::optional<LocalCloud> LocalCloud::connect(const std::string& url, const std::string& workDir,
                                              std::string& error) {
  LocalCloud cloud;
  if (!url.empty()) {
    const std::string scheme = "https://";
    cloud.hostAndPort_ = url.compare(0, scheme.size(), scheme) == 0 ? url.substr(scheme.size()) : url;
    while (!cloud.hostAndPort_.empty() && cloud.hostAndPort_.back() == '/') cloud.hostAndPort_.pop_back();
    if (const char* ca = std::getenv("KYLD_CLOUD_CA")) cloud.caFile_ = ca;
    return cloud;
  }
  const int port = freeLoopbackPort();
  if (port <= 0) {
    error = "no free loopback port for the reference cloud";
    return std::nullopt;
  }
  cloud.hostAndPort_ = "127.0.0.1:" + std::to_string(port);
  cloud.caFile_ = KYLD_CLOUD_DEV_CERT;
  std::filesystem::create_directories(workDir);
  const std::string database = workDir + "/cloud.db";
  const std::string listen = cloud.hostAndPort_;
  pid_t child = fork();
  if (child < 0) {
    error = "cannot start kyld-cloud";
    return std::nullopt;
  }
  if (child == 0) {
    // The cloud's own log goes to a file beside its database.
    const std::string log = workDir + "/cloud.log";
    if (std::FILE* out = std::freopen(log.c_str(), "w", stderr)) (void)out;
    execl(KYLD_CLOUD_BINARY, KYLD_CLOUD_BINARY, "--listen", listen.c_str(), "--db", database.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  cloud.child_ = child;
  if (!cloud.waitUntilListening(error)) return std::nullopt;
  return cloud;
}

LocalCloud::LocalCloud(LocalCloud&& other) noexcept
    : hostAndPort_(std::move(other.hostAndPort_)), caFile_(std::move(other.caFile_)), child_(other.child_) {
  other.child_ = -1;
}

LocalCloud::~LocalCloud() {
  if (child_ <= 0) return;
  kill(child_, SIGTERM);
  int status = 0;
  for (int i = 0; i < 50 && waitpid(child_, &status, WNOHANG) == 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  if (waitpid(child_, &status, WNOHANG) == 0) {
    kill(child_, SIGKILL);
    waitpid(child_, &status, 0);
  }
}

bool LocalCloud::waitUntilListening(std::string& error) const {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline) {
    int status = 0;
    if (waitpid(child_, &status, WNOHANG) == child_) {
      error = "kyld-cloud stopped at start";
      return false;
    }
    std::string ignored;
    if (post("/livingdetection/result", "recID=none", ignored)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  error = "kyld-cloud did not answer within 20 s";
  return false;
}

void LocalCloud::configureLibrary() const {
  KyLivingConfig* config = KyLivingConfig::shareInstance();
  config->SetCloudHost(hostAndPort_);
  config->SetCloudCaFile(caFile_);
}

std::optional<std::string> LocalCloud::post(const std::string& path, const std::string& body,
                                            std::string& error) const {
  KyHttpPost request;
  request.url = "https://" + hostAndPort_ + path;
  request.headers = {{"Content-Type", "application/x-www-form-urlencoded"}};
  request.body = body;
  request.caFile = caFile_;
  request.timeoutMillis = 10000;
  KyHttpAnswer answer = KyDefaultHttpTransport()->post(request, nullptr);
  if (!answer.received) {
    error = answer.error.empty() ? "no answer from the cloud" : answer.error;
    return std::nullopt;
  }
  return answer.body;
}

std::optional<std::string> LocalCloud::requestToken(const std::string& initMsg, std::string& error) const {
  std::optional<std::string> body = post("/livingdetection/init", "initMsg=" + formEncode(initMsg), error);
  if (!body) return std::nullopt;
  std::optional<std::string> token = jsonMember(*body, "token");
  if (!token) error = "the cloud refused the initialisation: " + *body;
  return token;
}

std::optional<std::string> LocalCloud::verdict(const std::string& recID, std::string& error) const {
  return post("/livingdetection/result", "recID=" + formEncode(recID), error);
}
