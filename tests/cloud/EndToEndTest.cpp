// The whole exchange over HTTPS on loopback: the host's server (an HTTPS client) asks for a
// token, the library checks it, seals and uploads a verification message with its own HTTP
// client, and the host's server reads the verdict. Log records arrive through the library's
// log reporting.
#include <gtest/gtest.h>
#include <httplib.h>
#include <kylivingdetection/KyLivingConfig.h>

#include <cjson/cJSON.h>

#include <chrono>
#include <thread>

#include "CloudServer.h"
#include "CloudTestSupport.h"
#include "utils/KyLivingHttpClient.h"
#include "utils/LogManager.h"
#include "utils/VerifyMsgBuilder.h"
#include "utils/VerifyProtocol.h"

namespace {

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    harness.now = static_cast<int64_t>(time(nullptr));
    server = std::make_unique<CloudServer>(*harness.service, ServerOptions{devCertFile(), devKeyFile(), 8, 1u << 20});
    port = server->bind("127.0.0.1", 0);
    ASSERT_GT(port, 0);
    serving = std::thread([this] { server->serve(); });
    for (int i = 0; i < 500 && !server->running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_TRUE(server->running());
    KyLivingConfig* config = KyLivingConfig::shareInstance();
    config->SetCloudHost("127.0.0.1:" + std::to_string(port));
    config->SetCloudCaFile(devCertFile());
  }

  void TearDown() override {
    if (server) server->stop();
    if (serving.joinable()) serving.join();
    KyLivingConfig::shareInstance()->SetCloudHost("");
  }

  // The host's server: an HTTPS client that verifies the cloud's certificate.
  std::unique_ptr<httplib::SSLClient> hostServer() {
    auto client = std::make_unique<httplib::SSLClient>("127.0.0.1", port);
    client->set_ca_cert_path(devCertFile().c_str());
    client->enable_server_certificate_verification(true);
    return client;
  }

  static std::string member(const KyJsonPtr& json, const char* name) {
    const cJSON* item = cJSON_GetObjectItemCaseSensitive(json.get(), name);
    return cJSON_IsString(item) ? item->valuestring : "";
  }

  ScratchDir dir;
  ServiceHarness harness{(dir.path() / "cloud.db").string()};
  std::unique_ptr<CloudServer> server;
  std::thread serving;
  int port = 0;
};

TEST_F(EndToEnd, InitialisesUploadsAndReadsTheVerdictOnce) {
  auto portrait = portraitJpeg();
  if (!portrait) GTEST_SKIP() << "the portrait photograph is not installed";
  auto host = hostServer();

  KyLivingDetectResult init = KyVerifyProtocol::verifyInit(2);
  ASSERT_EQ(init.code(), 0);
  auto answer = host->Post("/livingdetection/init", httplib::Params{{"initMsg", init.data()}});
  ASSERT_TRUE(answer) << httplib::to_string(answer.error());
  ASSERT_EQ(codeOf(answer->body), "0000") << answer->body;
  std::string token = memberOf(answer->body, "token");
  ASSERT_TRUE(KyVerifyProtocol::checkToken(token.c_str()).passed());

  auto message = sealVerifyMsg(std::vector<std::vector<uint8_t>>{*portrait}, nullptr, time(nullptr));
  ASSERT_TRUE(message);
  auto uploaded = KyLivingHttpClient::postVerifyMsg(token, *message);
  ASSERT_TRUE(uploaded);
  ASSERT_EQ(member(*uploaded, "code"), "0000") << message->size();
  std::string recId = member(*uploaded, "recID");

  auto verdict = host->Get(("/livingdetection/result?recID=" + recId).c_str());
  ASSERT_TRUE(verdict);
  EXPECT_EQ(memberOf(verdict->body, "verdict"), "pass") << verdict->body;

  auto replay = KyLivingHttpClient::postVerifyMsg(token, *message);
  ASSERT_TRUE(replay);
  EXPECT_EQ(member(*replay, "code"), "1004");
  EXPECT_EQ(harness.store->countRecords(), 1);
}

TEST_F(EndToEnd, StoresTheLibrarysLogRecords) {
  LogManager::startUpLog();
  LogManager::setCertifyId("C1");
  KyLivingDetectResult::initWithCode(3, "失败", "");  // a failure result reports itself
  KyLivingHttpClient::waitForAsyncRequests();
  EXPECT_EQ(harness.store->countLogs(), 1);
}

TEST_F(EndToEnd, AnswersJsonForErrorsBeforeAnyHandler) {
  auto host = hostServer();
  struct Case {
    const char* name;
    std::function<httplib::Result()> request;
    int status;
    const char* code;
  } cases[] = {
      {"oversized body", [&] { return host->Post("/clc/push", httplib::Params{{"req", std::string(2u << 20, 'A')}}); },
       413, "1001"},
      {"unknown path", [&] { return host->Get("/admin"); }, 404, "1008"},
      {"upload without fields", [&] { return host->Post("/livingdetection/rpverifyh5/public/uploadVerifyMsg", "", "text/plain"); },
       400, "1001"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto result = c.request();
    ASSERT_TRUE(result) << httplib::to_string(result.error());
    EXPECT_EQ(result->status, c.status);
    EXPECT_EQ(codeOf(result->body), c.code) << result->body;
  }
}

}  // namespace
