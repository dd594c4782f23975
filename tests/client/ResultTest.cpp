#include <gtest/gtest.h>
#include <kylivingdetection/KyLivingDelegateManager.h>
#include <kylivingdetection/KyLivingDetectResult.h>

#include "testsupport/LogCapture.h"

namespace {

TEST(DetectResult, CodeNamesAndTheLineForUnknownCodes) {
  struct Case {
    int32_t code;
    const char* name;
    bool logged;
  };
  const Case cases[] = {
      {0, "KLD_SUCCESS", false},     {1, "KLD_FAILED", false},     {2, "KLD_PARAME_ERROR", false},
      {3, "KLD_EXCEPTION", false},   {4, "KLD_TIMEOUT", false},    {5, "KLD_PERMISSION", false},
      {6, "KLD_UNSUPPORT", false},   {7, "KLD_CANCEL", false},     {8, "KLD_FAILED", true},
      {-1, "KLD_FAILED", true},      {INT32_MIN, "KLD_FAILED", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    KyLivingDetectResult result;
    result.setCode(c.code);
    LogCapture capture;
    EXPECT_EQ(result.getCodeStr(), c.name);
    std::vector<std::string> lines = capture.lines();
    ASSERT_EQ(lines.size(), c.logged ? 1u : 0u);
    if (c.logged) {
      EXPECT_TRUE(endsWith(lines[0], errorTail("unknow error code : " + std::to_string(c.code))));
      EXPECT_NE(lines[0].find("getCodeStr["), std::string::npos);
    }
    EXPECT_EQ(result.code(), c.code);  // the record keeps its own number
  }
}

TEST(DetectResult, FailureCodesWriteTheirLineAndSuccessStaysQuiet) {
  struct Case {
    int32_t code;
    const char* msg;
  };
  const Case cases[] = {{0, "终端检测完成"}, {7, "用户主动退出"}, {4, "超时"}, {-3, "x"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    LogCapture capture;
    KyLivingDetectResult result = KyLivingDetectResult::initWithCode(c.code, c.msg, "d");
    EXPECT_EQ(result.code(), c.code);
    EXPECT_EQ(result.msg(), c.msg);
    EXPECT_EQ(result.data(), "d");
    EXPECT_FALSE(result.token().has_value());
    EXPECT_FALSE(result.video().has_value());
    // Only this record's own line: log reporting, when another test switched it on, writes others.
    std::vector<std::string> lines;
    for (const std::string& line : capture.lines()) {
      if (line.find("initWithCode[") != std::string::npos) lines.push_back(line);
    }
    if (c.code == 0) {
      EXPECT_TRUE(lines.empty());
    } else {
      ASSERT_EQ(lines.size(), 1u);
      EXPECT_TRUE(endsWith(lines[0], errorTail("LDTResult: " + std::to_string(c.code) + ":" + c.msg)));
    }
  }
}

TEST(DetectResult, JsonForm) {
  struct Case {
    int32_t code;
    std::string msg, data, json;
  };
  const Case cases[] = {
      {7, "用户主动退出", "", R"({"code":"7","msg":"用户主动退出","data":""})"},
      {0, "", "@IOS,2,8,0,DEFAULT@ab+/=", R"({"code":"0","msg":"","data":"@IOS,2,8,0,DEFAULT@ab+/="})"},
      {-1, "say \"hi\"\\", "a\nb\x01", R"({"code":"-1","msg":"say \"hi\"\\","data":"a\nb\u0001"})"},
  };
  for (const Case& c : cases) {
    KyLivingDetectResult result;
    result.setCode(c.code);
    result.setMsg(c.msg);
    result.setData(c.data);
    EXPECT_EQ(result.toJson(), c.json);
  }
}

TEST(DetectResult, SettersKeepTheirOwnCopies) {
  KyLivingDetectResult result;
  std::string token = "token-1";
  std::vector<uint8_t> video = {1, 2, 3};
  result.setToken(token);
  result.setVideo(video);
  token[0] = 'X';
  video[0] = 9;
  EXPECT_EQ(result.token(), "token-1");
  EXPECT_EQ(result.video(), (std::vector<uint8_t>{1, 2, 3}));
}

class RecordingListener : public KyLivingEndListener {
 public:
  RecordingListener(std::vector<int>* calls, int id) : calls_(calls), id_(id) {}
  void livingEnd() override { calls_->push_back(id_); }

 private:
  std::vector<int>* calls_;
  int id_;
};

TEST(DelegateManager, CallsEveryListenerOldestFirstAndKeepsThemAlive) {
  KyLivingDelegateManager* manager = KyLivingDelegateManager::Instance();
  EXPECT_EQ(manager, KyLivingDelegateManager::Instance());
  size_t before = manager->delegateArray()->size();
  static std::vector<int> calls;  // outlives the listeners, which the manager keeps for good
  calls.clear();
  manager->callLivingEnd();  // listeners added by earlier tests of this process may run
  size_t earlierCalls = calls.size();
  EXPECT_EQ(earlierCalls, before);

  auto snapshot = manager->delegateArray();
  manager->addDelegate(std::make_shared<RecordingListener>(&calls, 1));
  manager->addDelegate(std::make_shared<RecordingListener>(&calls, 2));
  EXPECT_EQ(snapshot->size(), before);  // a list once handed out never changes
  EXPECT_EQ(manager->delegateArray()->size(), before + 2);

  calls.clear();
  manager->callLivingEnd();
  ASSERT_EQ(calls.size(), before + 2);
  EXPECT_EQ(calls[before], 1);
  EXPECT_EQ(calls[before + 1], 2);
}

}  // namespace
