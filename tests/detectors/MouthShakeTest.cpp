#include <gtest/gtest.h>

#include "FaceFixture.h"
#include "livingdetect/HeadShakingDetection.h"
#include "livingdetect/OpenMouthDetection.h"

using namespace face;

namespace {

LDTResult mouth(const LandmarkList& landmarks) {
  return OpenMouthDetection::shareInstance()->openMouthDetect(share(landmarks), false);
}

LDTResult shake(const LandmarkList& landmarks) {
  return HeadShakingDetection::shareInstance()->headShakingDetect(share(landmarks), false);
}

// The template's inner mouth is 40 wide with openings of 4: aspect ratio 0.10.
class MouthOpen : public ::testing::Test {
 protected:
  void SetUp() override { OpenMouthDetection::shareInstance()->reset(); }
  void warmUp() {
    for (int frame = 1; frame <= 9; ++frame) {
      ASSERT_EQ(answerOf(mouth(frontal())), (Answer{70, "张张嘴"})) << "warm-up frame " << frame;
    }
  }
};

}  // namespace

TEST_F(MouthOpen, SequencesOfOpenings) {
  struct Case {
    const char* name;
    std::vector<LandmarkList> frames;  // after the nine warm-up frames
    std::vector<Answer> answers;
  };
  // Aspect ratio 0.27 (o = 270) with an absolute opening t = 30 + 10.8 + 10.8 > 50.
  const LandmarkList wide = withMouth(frontal(), 30, 10.8, 10.8);
  // Aspect ratio 0.27 with t = 4 + 10.8 + 10.8: the repeat sees the opening in its mean.
  const LandmarkList relativeOnly = withMouth(frontal(), 4, 10.8, 10.8);
  // Aspect ratio 0.26 (o = 260 against 0.10) with t = 29.2 + 10.4 + 10.4 = 50.
  const LandmarkList boundary = withMouth(frontal(), 29.2, 10.4, 10.4);
  const Case cases[] = {
      {"opening confirmed on its repeat", {wide, wide}, {{-99, "张张嘴"}, {100, "终端检测完成"}}},
      {"relative opening fades on its repeat", {relativeOnly, relativeOnly}, {{-99, "张张嘴"}, {70, "张张嘴"}}},
      {"o 260 and t 50 exactly are no opening and clear the count",
       {boundary, wide, boundary, wide},
       {{70, "张张嘴"}, {-99, "张张嘴"}, {70, "张张嘴"}, {-99, "张张嘴"}}},
      {"closed mouth", {frontal()}, {{70, "张张嘴"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    warmUp();
    for (size_t i = 0; i < c.frames.size(); ++i) EXPECT_EQ(answerOf(mouth(c.frames[i])), c.answers[i]) << i;
  }
}

TEST_F(MouthOpen, TurnedFaceRestartsTheWarmUp) {
  warmUp();
  EXPECT_EQ(answerOf(mouth(withYaw(frontal(), 59))), (Answer{50, "请正视屏幕", true}));
  // Nine frontal frames again before anything is judged, open or not.
  const LandmarkList wide = withMouth(frontal(), 30, 10.8, 10.8);
  for (int frame = 1; frame <= 9; ++frame) EXPECT_EQ(mouth(wide).process(), 70) << frame;
  EXPECT_EQ(mouth(wide).process(), -99);
}

TEST_F(MouthOpen, UndefinedRatioCountsOnlyThroughTheAbsoluteTest) {
  LandmarkList collapsed = frontal();
  for (size_t i = 60; i < 68; ++i) collapsed[i] = {240, 290};  // zero width, zero openings
  for (int frame = 0; frame < 9; ++frame) mouth(collapsed);
  EXPECT_EQ(mouth(collapsed).process(), 70);
  EXPECT_EQ(answerOf(OpenMouthDetection::shareInstance()->openMouthDetect(nullptr, false)),
            (Answer{0, "人脸数据输入异常"}));
}

TEST(HeadShake, SequencesOfBalanceRatios) {
  struct Case {
    const char* name;
    std::vector<int> ratios;
    std::vector<Answer> answers;
  };
  const Case cases[] = {
      {"frontal, frontal, turned twice", {100, 100, 40, 40}, {{0, ""}, {70, "请摇头"}, {-99, "请摇头"}, {100, "完成"}}},
      {"turned the other way", {100, 201, 201}, {{0, ""}, {-99, "请摇头"}, {100, "完成"}}},
      {"turned before any frontal frame", {40, 40, 100}, {{50, "请正视屏幕", true}, {50, "请正视屏幕", true}, {0, ""}}},
      {"boundaries 50 and 200 are frontal", {50, 200, 50, 49}, {{0, ""}, {70, "请摇头"}, {70, "请摇头"}, {-99, "请摇头"}}},
      {"a frontal frame clears the count", {100, 40, 100, 40}, {{0, ""}, {-99, "请摇头"}, {70, "请摇头"}, {-99, "请摇头"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HeadShakingDetection::shareInstance()->reset();
    for (size_t i = 0; i < c.ratios.size(); ++i) {
      EXPECT_EQ(answerOf(shake(withYaw(frontal(), c.ratios[i]))), c.answers[i]) << "frame " << i;
    }
  }
}

TEST(HeadShake, UndefinedRatioIsNeitherFrontalNorTurned) {
  HeadShakingDetection* detector = HeadShakingDetection::shareInstance();
  detector->reset();
  LandmarkList collapsed = frontal();
  collapsed[2] = collapsed[14] = collapsed[30];
  EXPECT_EQ(answerOf(shake(collapsed)), (Answer{50, "请正视屏幕", true}));
  shake(frontal());
  EXPECT_EQ(answerOf(shake(collapsed)), (Answer{70, "请摇头"}));
  EXPECT_EQ(detector->detectSuccessCount(), 0);
  LandmarkList shortList = frontal();
  shortList.resize(67);
  EXPECT_EQ(answerOf(shake(shortList)), (Answer{0, "人脸数据输入异常"}));
}
