#include <gtest/gtest.h>

#include "FaceFixture.h"
#include "livingdetect/BlinkDetection.h"

using namespace face;

namespace {

LDTResult blink(const LandmarkList& landmarks) {
  return BlinkDetection::shareInstance()->blinkDetect(share(landmarks), false);
}

// After a jolt the eyelids need four steady frames; the fourth passes on to the warm-up.
class Blink : public ::testing::Test {
 protected:
  void SetUp() override {
    BlinkDetection::shareInstance()->reset();
    EXPECT_EQ(blink(moved(frontal(), 60, 60)).process(), 40);
    for (int frame = 0; frame < 4; ++frame) EXPECT_EQ(blink(frontal()).process(), 40);
  }

  void warmUp(const LandmarkList& landmarks) {
    for (int frame = 1; frame <= 8; ++frame) {
      ASSERT_EQ(answerOf(blink(landmarks)), (Answer{60, ""})) << "warm-up frame " << frame;
    }
  }
};

}  // namespace

TEST_F(Blink, IncompleteListIsAnInputError) {
  LandmarkList shortList = frontal();
  shortList.pop_back();
  EXPECT_EQ(answerOf(blink(shortList)), (Answer{0, "人脸数据输入异常"}));
  EXPECT_EQ(answerOf(BlinkDetection::shareInstance()->blinkDetect(nullptr, false)), (Answer{0, "人脸数据输入异常"}));
}

TEST_F(Blink, SequencesOfEyeOpenings) {
  struct Case {
    const char* name;
    std::vector<std::pair<double, double>> openings;  // left, right eyelid openings after the warm-up
    std::vector<Answer> answers;
  };
  const Case cases[] = {
      {"steady eyes", {{9, 9}, {9, 9}}, {{70, "眨眨眼"}, {70, "眨眨眼"}}},
      {"blink on both eyes twice", {{7.2, 7.2}, {7.2, 7.2}}, {{90, "眨眨眼"}, {100, "眨眨眼"}}},
      {"one eye alone is no blink frame", {{7.2, 9}}, {{80, "眨眨眼"}}},
      {"one eye after a blink frame continues it", {{7.2, 7.2}, {9, 7.2}}, {{90, "眨眨眼"}, {100, "眨眨眼"}}},
      {"a blink frame followed by open eyes still completes", {{7.2, 7.2}, {9, 9}}, {{90, "眨眨眼"}, {100, "眨眨眼"}}},
      {"a lone one-eye change fades", {{7.2, 9}, {9, 9}}, {{80, "眨眨眼"}, {70, "眨眨眼"}}},
      {"wide open eyes are a change too", {{12, 12}, {12, 12}}, {{90, "眨眨眼"}, {100, "眨眨眼"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    warmUp(frontal());
    for (size_t i = 0; i < c.openings.size(); ++i) {
      EXPECT_EQ(answerOf(blink(withEyes(frontal(), c.openings[i].first, c.openings[i].second))), c.answers[i])
          << "frame " << i;
    }
  }
}

TEST_F(Blink, PoseChecksRejectWithoutCounting) {
  struct Case {
    const char* name;
    LandmarkList landmarks;
    Answer expected;
  };
  LandmarkList tilted = frontal();
  tilted[27].x += 11;
  const Case cases[] = {
      {"balance 59", withYaw(frontal(), 59), {50, "请正视屏幕", true}},
      {"balance 181", withYaw(frontal(), 181), {50, "请正视屏幕", true}},
      {"nose leaning", tilted, {50, "请正视屏幕", true}},
      {"brows too close to the jaw top", withBrowHeights(frontal(), 9, 9), {50, "请抬头正视屏幕", true}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(answerOf(blink(c.landmarks)), c.expected) << c.name;
  }
  // None of them advanced the warm-up; the boundaries 60 and 180 pass.
  blink(withYaw(frontal(), 60));
  for (int frame = 2; frame <= 7; ++frame) blink(frontal());
  EXPECT_EQ(blink(withYaw(frontal(), 180)).process(), 60);
  EXPECT_EQ(blink(frontal()).process(), 70);
}

TEST_F(Blink, ResetKeepsTheEyelidSteadiness) {
  blink(frontal());
  BlinkDetection::shareInstance()->reset();
  EXPECT_EQ(blink(frontal()).process(), 60);
}

TEST(BlinkPitch, OnlyAPitchFailureOnTheFirstPitchCheckSinceProgramStartAnswers50) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // each statement runs in a fresh process
  // Nose 62.993 against a brow gap of 70 gives a pitch ratio of 8999.
  const LandmarkList lowered = withNoseToBrow(frontal(), 62.993, 70);
  EXPECT_EXIT(
      {
        BlinkDetection* detector = BlinkDetection::shareInstance();
        for (int frame = 0; frame < 4; ++frame) detector->blinkDetect(share(lowered), false);
        const bool first = answerOf(detector->blinkDetect(share(lowered), false)) == (Answer{50, "请低头正视屏幕", true});
        const bool later = answerOf(detector->blinkDetect(share(lowered), false)) == (Answer{-1, "请低头正视屏幕", true});
        std::exit(first && later ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        BlinkDetection* detector = BlinkDetection::shareInstance();
        for (int frame = 0; frame < 5; ++frame) detector->blinkDetect(share(frontal()), false);
        const bool first = answerOf(detector->blinkDetect(share(lowered), false)) == (Answer{-1, "请低头正视屏幕", true});
        std::exit(first ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}
