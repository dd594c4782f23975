#include <cjson/cJSON.h>
#include <gtest/gtest.h>
#include <kylivingdetection/KyLivingDetectResult.h>
#include <kylivingdetection/KyLivingLog.h>

#include <algorithm>

#include "KyProtocolKeys.h"
#include "LoopbackHttpsServer.h"
#include "testsupport/LogCapture.h"
#include "utils/KYDeviceUtils.h"
#include "utils/KyLDCommUtil.h"
#include "utils/KyLivingHttpClient.h"
#include "utils/LogManager.h"
#include "utils/TimeUtil.h"

namespace {

std::string hexOf(const char* text) {
  std::string hex;
  char digits[3];
  for (const char* c = text; *c != '\0'; ++c) {
    std::snprintf(digits, sizeof digits, "%02x", static_cast<unsigned char>(*c));
    hex += digits;
  }
  return hex;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

bool allDigits(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string member(const cJSON* object, const char* name) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
  return cJSON_IsString(item) ? item->valuestring : "<absent>";
}

// The log records the server received since `from`, deciphered by openssl.
std::vector<KyJsonPtr> receivedRecords(const LoopbackHttpsServer& server, size_t from) {
  std::vector<KyJsonPtr> records;
  std::vector<ReceivedRequest> requests = server.requests();
  for (size_t i = from; i < requests.size(); ++i) {
    const ReceivedRequest& request = requests[i];
    EXPECT_EQ(request.path, "/clc/push");
    EXPECT_EQ(request.body.rfind("req=", 0), 0u);
    EXPECT_EQ(request.body.find('+'), std::string::npos);
    std::string base64 = replaceAll(request.body.substr(4), "%2B", "+");
    std::optional<std::vector<uint8_t>> sealed = KyLDCommUtil::Base64Decode(base64);
    EXPECT_TRUE(sealed && sealed->size() >= 16 && sealed->size() % 16 == 0);
    ProcessOutput clear = runProcess({"openssl", "enc", "-d", "-aes-128-cbc", "-a", "-A", "-K", hexOf(LOG_KEY), "-iv",
                                      hexOf(LOG_IV)},
                                     base64);
    EXPECT_EQ(clear.exitCode, 0);
    std::optional<KyJsonPtr> record = KyLDCommUtil::json2Dict(clear.out);
    EXPECT_TRUE(record.has_value()) << clear.out;
    if (record) records.push_back(std::move(*record));
  }
  return records;
}

// Reporting switches on once for the whole process, so its stages are one sequence.
TEST(LogManager, FailureResultsAreReportedOnceReportingIsOnAndNamed) {
  LoopbackHttpsServer server;
  server.configureClient();
  auto settle = [] { KyLivingHttpClient::waitForAsyncRequests(); };

  KyLivingDetectResult::initWithCode(KLD_TIMEOUT, "超时", "");  // reporting still off
  LogManager::startUpLog();
  KyLivingDetectResult::initWithCode(KLD_TIMEOUT, "超时", "");  // no certify id yet
  settle();
  EXPECT_TRUE(server.requests().empty());

  LogManager::setCertifyId("C1");
  KyLivingDetectResult::initWithCode(KLD_SUCCESS, "终端检测完成", "R1");  // success is never reported
  KyLivingDetectResult::initWithCode(KLD_CANCEL, "用户主动退出", "");
  LogManager::setCertifyId("C2");
  KyLivingDetectResult::initWithCode(KLD_PARAME_ERROR, "token无效", "a+b");
  LogManager::upLog("");  // an empty text is still a text
  settle();

  std::vector<KyJsonPtr> records = receivedRecords(server, 0);
  ASSERT_EQ(records.size(), 3u);
  struct Expected {
    const char* id;
    const char* logs;
  };
  const Expected expected[] = {
      {"C1", "异常:  code = 7, data=, msg = 用户主动退出"},
      {"C2", "异常:  code = 2, data=a+b, msg = token无效"},
      {"C2", ""},
  };
  for (size_t i = 0; i < records.size(); ++i) {
    const cJSON* record = records[i].get();
    EXPECT_EQ(cJSON_GetArraySize(record), 8);
    EXPECT_EQ(member(record, "id"), expected[i].id);
    EXPECT_EQ(member(record, "logs"), expected[i].logs);
    EXPECT_EQ(member(record, "service"), "KyLivingDetection");
    EXPECT_EQ(member(record, "version"), "1.8.1");
    EXPECT_EQ(member(record, "platform"), "IOS");
    EXPECT_EQ(member(record, "deviceModel"), KYDeviceUtils::getDeviceName());
    EXPECT_EQ(member(record, "appName"), KYDeviceUtils::getAPPName());
    std::string time = member(record, "currentTime");  // yyyyMMddHHmmssSSS
    EXPECT_TRUE(time.size() == 17 && allDigits(time) && time.rfind("20", 0) == 0) << time;
  }
}

TEST(LogManager, RecordIsCompactJsonOfTheEightMembers) {
  std::string record = LogManager::buildLogRecord("C\"1", "line\nbreak");
  std::optional<KyJsonPtr> parsed = KyLDCommUtil::json2Dict(record);
  ASSERT_TRUE(parsed.has_value());
  EXPECT_EQ(member(parsed->get(), "id"), "C\"1");
  EXPECT_EQ(member(parsed->get(), "logs"), "line\nbreak");
  EXPECT_EQ(record.find(' '), std::string::npos);
  EXPECT_EQ(record.find('\n'), std::string::npos);
}

TEST(TimeUtil, ConsecutiveIntervalsAndTheirDebugLine) {
  KyLivingSetDebugLogEnabled(true);
  LogCapture capture;
  TimeUtil timer;
  volatile double sink = 0;
  for (int i = 0; i < 200000; ++i) sink = sink + i;
  double first = timer.timeErapsed("认证初始化耗时");
  double second = timer.timeErapsed("second");
  KyLivingSetDebugLogEnabled(false);
  EXPECT_GE(first, 0.0);
  EXPECT_GE(second, 0.0);
  std::vector<std::string> lines = capture.lines();
  ASSERT_EQ(lines.size(), 2u);
  const std::string head = "[LDT][WARN]timeErapsed[";
  const std::string label = "]:认证初始化耗时 : ";
  ASSERT_EQ(lines[0].rfind(head, 0), 0u) << lines[0];
  size_t labelAt = lines[0].find(label);
  ASSERT_NE(labelAt, std::string::npos) << lines[0];
  EXPECT_TRUE(allDigits(lines[0].substr(head.size(), labelAt - head.size())));
  std::string seconds = lines[0].substr(labelAt + label.size());
  ASSERT_GE(seconds.size(), 10u);
  EXPECT_EQ(seconds.substr(seconds.size() - 2), "\n\n");
  EXPECT_EQ(seconds[seconds.size() - 9], '.');  // six decimals
}

}  // namespace
