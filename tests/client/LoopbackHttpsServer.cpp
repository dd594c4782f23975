#include "LoopbackHttpsServer.h"

#include <cjson/cJSON.h>
#include <kylivingdetection/KyLivingConfig.h>
#include <stdlib.h>

#include <chrono>
#include <fstream>
#include <stdexcept>
#include <thread>

#include "platform/http/KyCurlHttpTransport.h"
#include "utils/KyLDCommUtil.h"

namespace fs = std::filesystem;

namespace {

std::string fromHex(const std::string& hex) {
  std::string bytes;
  for (size_t i = 0; i + 1 < hex.size(); i += 2) bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  return bytes;
}

std::string stringMember(const cJSON* object, const char* name) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
  return cJSON_IsString(item) ? item->valuestring : "";
}

}  // namespace

LoopbackHttpsServer::LoopbackHttpsServer() {
  std::string pattern = (fs::temp_directory_path() / "kyld-https-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
  directory_ = pattern;
  std::string cert = (directory_ / "cert.pem").string();
  std::string key = (directory_ / "key.pem").string();
  ProcessOutput made = runProcess({"openssl", "req", "-x509", "-newkey", "ec", "-pkeyopt",
                                   "ec_paramgen_curve:prime256v1", "-nodes", "-keyout", key, "-out", cert, "-days",
                                   "2", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"});
  if (made.exitCode != 0) throw std::runtime_error("openssl req failed");
  std::string script = std::string(KYLD_SOURCE_DIR) + "/tests/client/https_server.py";
  process_ = std::make_unique<RunningProcess>(
      std::vector<std::string>{"python3", script, cert, key, (directory_ / "requests.log").string()});
  std::string portLine;
  if (!process_->readLine(portLine)) throw std::runtime_error("the HTTPS server did not start");
  port_ = std::stoi(portLine);
}

LoopbackHttpsServer::~LoopbackHttpsServer() {
  process_.reset();
  std::error_code error;
  fs::remove_all(directory_, error);
}

std::string LoopbackHttpsServer::host() const { return "127.0.0.1:" + std::to_string(port_); }

std::string LoopbackHttpsServer::caFile() const { return (directory_ / "cert.pem").string(); }

void LoopbackHttpsServer::setMode(const std::string& mode) {
  KyHttpPost post;
  post.url = "https://" + host() + "/__mode";
  post.body = mode;
  post.caFile = caFile();
  KyHttpAnswer answer = KyCurlHttpTransport().post(post, nullptr);
  if (!answer.received || answer.body != "ok") throw std::runtime_error("cannot set the server's mode");
}

std::vector<ReceivedRequest> LoopbackHttpsServer::requests() const {
  std::vector<ReceivedRequest> received;
  std::ifstream log(directory_ / "requests.log");
  std::string line;
  while (std::getline(log, line)) {
    std::optional<KyJsonPtr> record = KyLDCommUtil::json2Dict(line);
    if (!record) continue;
    ReceivedRequest request;
    request.path = stringMember(record->get(), "path");
    request.body = fromHex(stringMember(record->get(), "body"));
    const cJSON* header = nullptr;
    cJSON_ArrayForEach(header, cJSON_GetObjectItemCaseSensitive(record->get(), "headers")) {
      if (cJSON_IsString(header)) request.headers[header->string] = header->valuestring;
    }
    received.push_back(std::move(request));
  }
  return received;
}

bool LoopbackHttpsServer::waitForRequests(size_t count) const {
  for (int attempt = 0; attempt < 600; ++attempt) {
    if (requests().size() >= count) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

void LoopbackHttpsServer::configureClient(int64_t timeoutMillis) const {
  KyLivingConfig* config = KyLivingConfig::shareInstance();
  config->SetCloudHost(host());
  config->SetCloudCaFile(caFile());
  config->SetCloudTimeoutMillis(timeoutMillis);
}
