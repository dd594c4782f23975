#include <cjson/cJSON.h>
#include <gtest/gtest.h>
#include <kylivingdetection/KyLivingConfig.h>

#include <future>

#include "LoopbackHttpsServer.h"
#include "platform/http/KyCurlHttpTransport.h"
#include "utils/KyHttpWorkQueue.h"
#include "utils/KyLivingHttpClient.h"

namespace {

constexpr const char* kUploadPath = "/livingdetection/rpverifyh5/public/uploadVerifyMsg";

class HttpClientTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { server = new LoopbackHttpsServer(); }
  static void TearDownTestSuite() {
    delete server;
    server = nullptr;
  }
  void SetUp() override {
    server->configureClient();
    server->setMode("json");
  }
  void TearDown() override { KyLivingConfig::shareInstance()->SetCloudTimeoutMillis(60000); }

  // The request that the last post delivered.
  static ReceivedRequest lastRequest() {
    std::vector<ReceivedRequest> received = server->requests();
    EXPECT_FALSE(received.empty());
    return received.empty() ? ReceivedRequest{} : received.back();
  }

  static LoopbackHttpsServer* server;
};

LoopbackHttpsServer* HttpClientTest::server = nullptr;

std::string member(const KyJsonPtr& json, const char* name) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(json.get(), name);
  return cJSON_IsString(item) ? item->valuestring : "<absent>";
}

TEST_F(HttpClientTest, UploadSendsTheFormBodyWithOnlyPlusEscaped) {
  struct Case {
    std::string token, verifyMsg, expectedBody;
  };
  const Case cases[] = {
      {"tok+en", "flatbuffer@ab+c/d+==", "token=tok%2Ben&verifyMsg=flatbuffer@ab%2Bc/d%2B=="},
      {"a%b&c=d", "flatbuffer@/x=", "token=a%b&c=d&verifyMsg=flatbuffer@/x="},
      {"令牌", "flatbuffer@+", "token=令牌&verifyMsg=flatbuffer@%2B"},
      {"bad\xff\xc3utf8", "m\x80", "token=badutf8&verifyMsg=m"},
      {"a\xc0\xaf\xed\xa0\x80" "b", "\xf4\x90\x80\x80+", "token=ab&verifyMsg=%2B"},  // overlong, surrogate, too high
      {"", "", "token=&verifyMsg="},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expectedBody);
    std::optional<KyJsonPtr> answer = KyLivingHttpClient::postVerifyMsg(c.token, c.verifyMsg);
    ASSERT_TRUE(answer.has_value());
    ReceivedRequest request = lastRequest();
    EXPECT_EQ(request.path, kUploadPath);
    EXPECT_EQ(request.body, c.expectedBody);
    EXPECT_EQ(request.headers["Content-Length"], std::to_string(c.expectedBody.size()));
    EXPECT_EQ(request.headers["Content-Type"], "application/x-www-form-urlencoded");
  }
}

TEST_F(HttpClientTest, UploadAnswerIsTheParsedJsonOrNothing) {
  struct Case {
    const char* mode;
    bool answered;
    const char* code;  // the answer's "code" member, when it is an object
  };
  const Case cases[] = {
      {"json", true, "0000"},
      {"other", true, "1001"},
      {"scalar", true, nullptr},
      {"text", false, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    server->setMode(c.mode);
    std::optional<KyJsonPtr> answer = KyLivingHttpClient::postVerifyMsg("t", "flatbuffer@AAAA");
    ASSERT_EQ(answer.has_value(), c.answered);
    if (!answer) continue;
    if (c.code != nullptr) {
      EXPECT_EQ(member(*answer, "code"), c.code);
    } else {
      ASSERT_TRUE(cJSON_IsNumber(answer->get()));
      EXPECT_EQ(answer->get()->valueint, 42);
    }
  }
  server->setMode("json");
  std::optional<KyJsonPtr> answer = KyLivingHttpClient::postVerifyMsg("t", "m");
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(member(*answer, "recID"), "R1");
}

TEST_F(HttpClientTest, NoAnswerWithinTheTimeLimitIsNoAnswer) {
  server->setMode("silent");
  KyLivingConfig::shareInstance()->SetCloudTimeoutMillis(1500);
  size_t before = server->requests().size();
  EXPECT_FALSE(KyLivingHttpClient::postVerifyMsg("t", "m").has_value());
  EXPECT_EQ(server->requests().size(), before + 1);  // it was sent, just never answered
}

TEST_F(HttpClientTest, UntrustedCertificateOrUnusableHostSendsNothing) {
  size_t before = server->requests().size();
  KyLivingConfig* config = KyLivingConfig::shareInstance();
  config->SetCloudCaFile("");  // the system's trust store does not know the throwaway certificate
  EXPECT_FALSE(KyLivingHttpClient::postVerifyMsg("t", "m").has_value());
  config->SetCloudCaFile(server->caFile());
  for (const std::string& host : {std::string(), server->host() + "/elsewhere?", "user@" + server->host()}) {
    config->SetCloudHost(host);
    EXPECT_FALSE(KyLivingHttpClient::postVerifyMsg("t", "m").has_value()) << host;
  }
  EXPECT_EQ(server->requests().size(), before);
}

TEST_F(HttpClientTest, BackgroundRequestsReachTheLogEndpoint) {
  size_t before = server->requests().size();
  KyLivingHttpClient::requestAsync("Zm9v+YmFy/==");
  KyLivingHttpClient::requestAsync("second");
  KyLivingHttpClient::waitForAsyncRequests();
  std::vector<ReceivedRequest> received = server->requests();
  ASSERT_EQ(received.size(), before + 2);
  EXPECT_EQ(received[before].path, "/clc/push");
  EXPECT_EQ(received[before].body, "req=Zm9v%2BYmFy/==");
  EXPECT_EQ(received[before].headers["Content-Length"], "18");
  EXPECT_EQ(received[before + 1].body, "req=second");
}

TEST_F(HttpClientTest, ShuttingTheQueueDownCancelsAHangingRequest) {
  server->setMode("silent");
  size_t before = server->requests().size();
  std::promise<KyHttpAnswer> outcome;
  {
    KyHttpWorkQueue queue(4);
    KyHttpPost post;
    post.url = "https://" + server->host() + "/clc/push";
    post.body = "req=x";
    post.caFile = server->caFile();
    ASSERT_TRUE(queue.enqueue([&](const std::atomic<bool>& stopping) {
      outcome.set_value(KyCurlHttpTransport().post(post, &stopping));
    }));
    ASSERT_TRUE(server->waitForRequests(before + 1));
  }  // joins the worker: returns only once the transfer has been abandoned
  KyHttpAnswer answer = outcome.get_future().get();
  EXPECT_FALSE(answer.received);
}

TEST(HttpWorkQueue, NeverBlocksTheCallerAndDropsBeyondItsCapacity) {
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<int> ran{0};
  {
    KyHttpWorkQueue queue(2);
    auto job = [&](const std::atomic<bool>&) {
      released.wait();
      ++ran;
    };
    EXPECT_TRUE(queue.enqueue(job));  // may already be running
    EXPECT_TRUE(queue.enqueue(job));
    bool third = queue.enqueue(job);
    bool fourth = queue.enqueue(job);
    EXPECT_FALSE(fourth);  // at most two wait while one runs
    release.set_value();
    queue.waitIdle();
    EXPECT_EQ(ran.load(), third ? 3 : 2);
  }
}

}  // namespace
