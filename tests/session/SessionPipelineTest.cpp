#include <kylivingdetection/KyLivingDetectionManager.h>

#include <string>

#include "VerifyMsg_generated.h"
#include "session/SessionFixture.h"

using face::frontal;
using face::withEyes;
using face::withMouth;

namespace {

class SessionPipeline : public SessionFixture {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    // A passed session seals its message with the key agreed at initialisation.
    ASSERT_EQ(KyLivingDetectionManager::verifyInit(25).code(), KLD_SUCCESS);
  }

  void scriptReadiness() { script(frontal(), 5); }
  void scriptBlink() {
    script(face::moved(frontal(), 60, 60));
    script(frontal(), 12);
    script(withEyes(frontal(), 7.2, 7.2), 2);
  }
  void scriptMouthOpen() {
    script(frontal(), 9);
    script(withMouth(frontal(), 30, 10.8, 10.8), 2);
  }
  KyLivingDetectResult onlyResult() {
    std::lock_guard<std::mutex> lock(resultsMutex);
    EXPECT_EQ(results.size(), 1u);
    return results.empty() ? KyLivingDetectResult() : results.front();
  }
};

TEST_F(SessionPipeline, ActionListsStartAtTheFirstActionAndCountTheRest) {
  struct Case {
    int32_t livingType;
    int32_t firstAction;
    int32_t count;
  };
  for (const Case& c : {Case{6235, 6, 4}, Case{25, 2, 2}, Case{5, 5, 1}, Case{4321, 4, 4}}) {
    open(c.livingType, 2);
    EXPECT_EQ(controller->currentLivingType(), c.firstAction) << c.livingType;
    EXPECT_EQ(controller->livingCount(), c.count) << c.livingType;
    controller->stopRunning();
  }
}

TEST_F(SessionPipeline, ActionListWithAGapEndsWithUnsupported) {
  for (int32_t livingType : {1203, 0}) {
    results.clear();
    open(livingType, 2);
    ASSERT_TRUE(waitForResult()) << livingType;
    EXPECT_EQ(onlyResult().code(), KLD_UNSUPPORT) << livingType;
  }
}

TEST_F(SessionPipeline, NoFaceAndSeveralFacesPromptAndSetTheRing) {
  open(25, 2);
  frame(0);
  EXPECT_EQ(controller->currentPrompt(), "未检测到人脸");
  EXPECT_EQ(controller->currentProcess(), 5);
  frame(2);
  EXPECT_EQ(controller->currentPrompt(), "请其他人退出检测区域");
  EXPECT_EQ(controller->currentProcess(), 10);
  EXPECT_EQ(landmarkCalls, 0);
}

TEST_F(SessionPipeline, TimeoutIsJudgedAtTheBoundaryAndFiresOnTheNextFrame) {
  open(25, 2);
  const int64_t start = clock;
  clock = start + 60000;
  script(frontal(), 3);
  frame();
  EXPECT_FALSE(controller->isFinished());
  EXPECT_EQ(landmarkCalls, 1);
  clock = start + 60001;
  frame();
  frame();
  EXPECT_TRUE(controller->isFinished());
  EXPECT_EQ(landmarkCalls, 1);
  ASSERT_TRUE(waitForResult());
  drainUI();
  const KyLivingDetectResult result = onlyResult();
  EXPECT_EQ(result.code(), KLD_TIMEOUT);
  EXPECT_EQ(result.msg(), "执行超时:60 s");
  EXPECT_EQ(result.data(), "");
  EXPECT_TRUE(resultsOnUIThread.front());
}

TEST_F(SessionPipeline, PassedSessionDeliversTheSealedMessage) {
  struct Case {
    bool saveImgEveryType;
    size_t images;
  };
  for (const Case& c : {Case{false, 1}, Case{true, 2}}) {
    SCOPED_TRACE(c.saveImgEveryType ? "an image per action" : "best image only");
    results.clear();
    resultsOnUIThread.clear();
    KyLivingConfig::shareInstance()->SetIsSaveImgEveryType(c.saveImgEveryType);
    open(5, 2);
    scriptReadiness();
    scriptMouthOpen();
    landmarkCalls = 0;
    runScript();
    ASSERT_TRUE(controller->isFinished());
    // The mouth check asks for its opening frame again (-99): one call more than frames.
    EXPECT_EQ(landmarkCalls, 16);
    ASSERT_TRUE(waitForResult());
    const KyLivingDetectResult result = onlyResult();
    EXPECT_EQ(result.code(), KLD_SUCCESS);
    EXPECT_EQ(result.msg(), "终端检测完成");
    EXPECT_EQ(result.token().value_or(""), "tokenABCDEFGHIJKLMNOP");
    EXPECT_TRUE(resultsOnUIThread.front());

    const std::vector<uint8_t> bytes = openVerifyMsg(result.data());
    ASSERT_FALSE(bytes.empty());
    flatbuffers::Verifier verifier(bytes.data(), bytes.size());
    ASSERT_TRUE(VerifyVerifyMsgBuffer(verifier));
    const VerifyMsg* message = GetVerifyMsg(bytes.data());
    ASSERT_NE(message->bestImgArray(), nullptr);
    EXPECT_EQ(message->bestImgArray()->size(), c.images);
    const auto* jpeg = message->bestImgArray()->Get(0)->data();
    ASSERT_GT(jpeg->size(), 2u);
    EXPECT_EQ(jpeg->Get(0), 0xFF);
    EXPECT_EQ(jpeg->Get(1), 0xD8);
    EXPECT_EQ(message->colorfulDetectHistory()->str(), "empty");
    EXPECT_EQ(message->useCloudStorage(), 1);
    controller->stopRunning();
  }
}

TEST_F(SessionPipeline, PushedSessionStepsThroughItsActionsAndCallsBackOnceAfterThePop) {
  open(25, 1);
  scriptReadiness();
  scriptBlink();
  runScript();
  EXPECT_EQ(controller->currentLivingType(), 5);
  EXPECT_EQ(controller->currentProcess(), 20);
  scriptMouthOpen();
  runScript();
  ASSERT_TRUE(controller->isFinished());
  ASSERT_TRUE(waitForResult());
  drainUI();
  EXPECT_EQ(onlyResult().code(), KLD_SUCCESS);
  EXPECT_EQ(navigation->topViewController(), father);
}

TEST_F(SessionPipeline, ExitButtonDismissesThenAnswersCancel) {
  open(25, 2);
  controller->onExitClick();
  ASSERT_TRUE(waitForResult());
  const KyLivingDetectResult result = onlyResult();
  EXPECT_EQ(result.code(), KLD_CANCEL);
  EXPECT_EQ(result.msg(), "用户主动退出");
  EXPECT_EQ(father->presentedViewController(), nullptr);
}

TEST_F(SessionPipeline, LeavingAPushedScreenAnswersByTheTimeSpent) {
  struct Case {
    int64_t afterMs;
    int32_t code;
    const char* msg;
  };
  for (const Case& c : {Case{10000, KLD_CANCEL, "用户主动退出"}, Case{40000, KLD_TIMEOUT, "执行超时"}}) {
    results.clear();
    open(25, 1);
    clock += c.afterMs;
    navigation->popViewControllerAnimated(false);
    ASSERT_TRUE(waitForResult());
    const KyLivingDetectResult result = onlyResult();
    EXPECT_EQ(result.code(), c.code);
    EXPECT_EQ(result.msg(), c.msg);
    controller->stopRunning();
  }
}

}  // namespace
