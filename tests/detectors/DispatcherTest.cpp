#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "FaceFixture.h"
#include "livingdetect/HeadShakingDetection.h"
#include "livingdetect/LDTColorfulDetection.h"
#include "livingdetect/LDTComm.h"
#include "livingdetect/LDTDistance.h"
#include "livingdetect/LDTSafeDetection.h"

using namespace face;

namespace {

LDTResult readiness(const LandmarkList& landmarks, LDTSize size = kFrame) {
  return LDTComm::processLivingDetect(2, share(landmarks), size, true, nullptr, {});
}

class Dispatcher : public ::testing::Test {
 protected:
  void SetUp() override { LDTComm::reset(); }
};

}  // namespace

TEST(LDTResultRecord, StartsEmptyAndSetProcessHidesTheOutline) {
  LDTResult result;
  EXPECT_EQ(answerOf(result), (Answer{0, ""}));
  EXPECT_EQ(result.data(), nullptr);
  result.setProcessAndShowFaceOutLine(50, "请正视屏幕", 1);
  EXPECT_EQ(answerOf(result), (Answer{50, "请正视屏幕", true}));
  result.setProcess(70, "请摇头");
  EXPECT_EQ(answerOf(result), (Answer{70, "请摇头"}));
}

TEST_F(Dispatcher, StillReadyFaceAnswers30FourTimesThenMinus100) {
  for (int frame = 1; frame <= 4; ++frame) {
    EXPECT_EQ(answerOf(readiness(frontal())), (Answer{30, "请保持不动"})) << "frame " << frame;
  }
  EXPECT_EQ(answerOf(readiness(frontal())), (Answer{-100, "请保持不动"}));
  EXPECT_EQ(answerOf(readiness(frontal())), (Answer{-100, "请保持不动"}));
  EXPECT_EQ(LDTComm::faceLandmarkQueue().size(), 6u);
  readiness(frontal());
  EXPECT_EQ(LDTComm::faceLandmarkQueue().size(), 6u);
}

TEST_F(Dispatcher, NoseDriftIsSummedAgainstTheOldestFrame) {
  struct Case {
    const char* name;
    double stepPerFrame;
    int frames;
    int32_t lastProcess;
  };
  const Case cases[] = {
      {"4 px per frame sums to 40 and moved", 4, 5, 20},
      {"1 px per frame over six sums to 15 and still", 1, 6, -100},
      {"vertical 4 px per frame", -4, 5, 20},
  };
  for (const Case& c : cases) {
    LDTComm::reset();
    LDTResult last;
    for (int frame = 0; frame < c.frames; ++frame) {
      const bool vertical = c.stepPerFrame < 0;
      const double step = std::fabs(c.stepPerFrame) * frame;
      last = readiness(moved(frontal(), vertical ? 0 : step, vertical ? step : 0));
    }
    EXPECT_EQ(answerOf(last), (Answer{c.lastProcess, "请保持不动"})) << c.name;
  }
}

TEST_F(Dispatcher, ReadinessFailuresAnswer10WithTheirPrompt) {
  struct Case {
    const char* name;
    LandmarkList landmarks;
    Answer expected;
  };
  const Case cases[] = {
      {"tilted eye line", withEyeLineAngle(frontal(), 30), {10, "请正视屏幕", true}},
      {"off centre", moved(frontal(), 130, 0), {10, "移动到屏幕中心", true}},
      {"mouth open", withMouth(frontal(), 12, 20, 12), {10, "不要张嘴"}},
      {"eyes closed", withEyes(frontal(), 3, 3), {10, "不要闭眼"}},
      {"one eye closed", withEyes(frontal(), 9, 4), {10, "不要闭眼"}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(answerOf(readiness(c.landmarks)), c.expected) << c.name;
  }
}

TEST(DispatcherMeasures, EyeLineLevelWithinTenDegreesEitherWay) {
  const struct {
    double degrees;
    bool level;
  } cases[] = {{0, true}, {9, true}, {-9, true}, {171, true}, {180, true}, {10.5, false},
               {169.5, false}, {45, false}, {-90, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(LDTComm::isFaceScreen(withEyeLineAngle(frontal(), c.degrees)), c.level) << c.degrees;
  }
}

TEST(DispatcherMeasures, EyeMidpointStrictlyInsideTheCentralBand) {
  // 480 x 480: the midpoint must lie strictly between 120 and 360 on both axes.
  const struct {
    double x, y;
    bool centred;
  } cases[] = {{240, 240, true}, {120.5, 240, true}, {120, 240, false}, {359.5, 240, true}, {360, 240, false},
               {240, 120.5, true}, {240, 120, false}, {240, 359.5, true}, {240, 360, false}};
  for (const auto& c : cases) {
    LandmarkList landmarks = frontal();
    landmarks[36] = {c.x - 65, c.y};
    landmarks[45] = {c.x + 65, c.y};
    EXPECT_EQ(LDTComm::centerDetect(landmarks, 480, 480), c.centred) << c.x << "," << c.y;
  }
  // A portrait frame centres the band on half the smaller side.
  LandmarkList landmarks = frontal();
  EXPECT_TRUE(LDTComm::centerDetect(landmarks, 480, 640));
  EXPECT_FALSE(LDTComm::centerDetect(moved(landmarks, 0, 170), 480, 640));  // y 370, inside 200..440
}

TEST(DispatcherMeasures, MouthOpenNeedsARelativeAndAnAbsoluteOpening) {
  const struct {
    double d1, d2d3;
    bool open;
  } cases[] = {{20, 12, true}, {20, 9, false}, {40, 12, false}, {0, 0, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(is_mouth_open(withMouth(frontal(), c.d2d3, c.d1, c.d2d3)), c.open) << c.d1 << "/" << c.d2d3;
  }
}

TEST(DispatcherMeasures, EyeAspectRatioAndDistance) {
  EXPECT_FLOAT_EQ(LDTComm::eyeAspectRatio(frontal(), 36), 0.3f);
  EXPECT_FLOAT_EQ(LDTComm::eyeAspectRatio(withEyes(frontal(), 9, 6), 42), 0.2f);
  EXPECT_FLOAT_EQ(LDTComm::distance({0, 0}, {3, 4}), 5.0f);
  // Zero eye widths: infinite passes the open test, undefined fails it.
  LandmarkList flat = frontal();
  for (size_t i = 36; i < 48; ++i) flat[i] = {200, 200};
  EXPECT_FALSE(LDTComm::isEyeOpen(flat));
}

TEST_F(Dispatcher, UnsupportedLivingTypeIsNamed) {
  LDTResult result = LDTComm::processLivingDetect(7, share(frontal()), kFrame, false, nullptr, {});
  EXPECT_EQ(answerOf(result), (Answer{0, "不支持此类型: 7"}));
  EXPECT_EQ(LDTComm::faceLandmarkQueue().size(), 1u);
}

TEST_F(Dispatcher, IncompleteLandmarkListsAreAnsweredNeverRead) {
  LandmarkList shortList = frontal();
  shortList.pop_back();
  const LandmarkListRef lists[] = {nullptr, share(shortList), share({})};
  for (const LandmarkListRef& list : lists) {
    EXPECT_EQ(answerOf(LDTComm::processLivingDetect(2, list, kFrame, true, nullptr, {})),
              (Answer{0, "人脸数据输入异常"}));
    for (int32_t type = 1; type <= 6; ++type) {
      EXPECT_EQ(answerOf(LDTComm::processLivingDetect(type, list, kFrame, false, nullptr, {})),
                (Answer{0, "人脸数据输入异常"}))
          << "type " << type;
    }
  }
  EXPECT_TRUE(LDTComm::faceLandmarkQueue().empty());
}

TEST_F(Dispatcher, ResetFromAnotherThreadNeverOverlapsAFrame) {
  std::atomic<bool> stop{false};
  std::thread controller([&] {
    while (!stop.load()) LDTComm::reset();
  });
  for (int frame = 0; frame < 3000; ++frame) {
    const LDTResult result = readiness(frontal());
    ASSERT_TRUE(result.process() == 30 || result.process() == -100) << result.process();
  }
  stop.store(true);
  controller.join();
}

namespace {

// Frames that take each action detector from a reset to its answer of 100.
std::vector<LandmarkList> framesToComplete(int32_t livingType) {
  std::vector<LandmarkList> frames;
  auto add = [&frames](const LandmarkList& landmarks, int times) { frames.insert(frames.end(), times, landmarks); };
  switch (livingType) {
    case 1:
      add(withOuterEyeDistance(frontal(), 150), 1);
      add(withOuterEyeDistance(frontal(), 126), 1);
      break;
    case 2:
      add(moved(frontal(), 60, 60), 1);  // a jolt, then four steady frames and eight warm-up frames
      add(frontal(), 12);
      add(withEyes(frontal(), 7.2, 7.2), 2);
      break;
    case 3:
      add(withYaw(frontal(), 100), 1);
      add(withYaw(frontal(), 40), 2);
      break;
    case 4:
      add(withBrowHeights(withNoseToBrow(frontal(), 75, 50), 60, 60), 5);
      add(withBrowHeights(withNoseToBrow(frontal(), 75, 50), 25, 25), 3);
      break;
    case 5:
      add(frontal(), 9);
      add(withMouth(frontal(), 30, 10.8, 10.8), 2);
      break;
  }
  return frames;
}

}  // namespace

TEST_F(Dispatcher, AnAnswerOf100ResetsEveryDetectorAndEmptiesTheQueue) {
  for (int32_t type = 1; type <= 5; ++type) {
    SCOPED_TRACE("living type " + std::to_string(type));
    LDTComm::reset();
    // Leave every detector in a state that only its reset clears.
    if (type != 3) HeadShakingDetection::shareInstance()->setLookAtScreendDetectPass(true);
    if (type != 1) LDTDistance::shareInstance()->distanceDetect(share(frontal()), kFrame);
    LDTSafeDetection::Instance()->isSafeFace(frontal());
    LDTComm::setColorSaveIndex(4);

    const std::vector<LandmarkList> frames = framesToComplete(type);
    for (size_t i = 0; i < frames.size(); ++i) {
      const LDTResult result = LDTComm::processLivingDetect(type, share(frames[i]), kFrame, false, nullptr, {});
      ASSERT_EQ(result.process() == 100, i + 1 == frames.size()) << "frame " << i << " answered " << result.process();
    }
    EXPECT_TRUE(LDTComm::faceLandmarkQueue().empty());
    EXPECT_FALSE(HeadShakingDetection::shareInstance()->lookAtScreendDetectPass());
    EXPECT_EQ(HeadShakingDetection::shareInstance()->detectSuccessCount(), 0);
    EXPECT_EQ(LDTDistance::shareInstance()->targetDistance(), 0);
    EXPECT_EQ(LDTSafeDetection::Instance()->landmarkBufferOffset(), 0);
    EXPECT_EQ(LDTColorfulDetection::shareInstance()->colorSaveIndex(), -1);
  }
}
