#include <gtest/gtest.h>

#include "FaceFixture.h"
#include "livingdetect/LDTDistance.h"
#include "livingdetect/LDTNodding.h"
#include "livingdetect/LDTSafeDetection.h"

using namespace face;

namespace {

LDTResult nod(const LandmarkList& landmarks) {
  return LDTNodding::shareInstance()->noddingDetect(share(landmarks), kFrame, false);
}

// A face with nose-to-brow ratio `ratio` (brow gap 50) and both brow heights `browHeight`.
LandmarkList nodFace(double ratio, double browHeight) {
  return withBrowHeights(withNoseToBrow(frontal(), ratio / 200, 50), browHeight, browHeight);
}

// Five frontal frames take the baseline: q 15000 and e 60 give targets 13000 and 25.
class Nod : public ::testing::Test {
 protected:
  void SetUp() override { LDTNodding::shareInstance()->reset(); }
  void takeBaseline() {
    for (int frame = 1; frame <= 5; ++frame) {
      ASSERT_EQ(answerOf(nod(nodFace(15000, 60))), (Answer{65, "请保持不动"})) << "frame " << frame;
    }
  }
};

LDTResult distance(double eyeDistance, LDTSize size = kFrame) {
  return LDTDistance::shareInstance()->distanceDetect(share(withOuterEyeDistance(frontal(), eyeDistance)), size);
}

}  // namespace

TEST_F(Nod, NonFrontalFramesAnswerMinus1ThreeTimesThen40) {
  const LandmarkList turned = withYaw(frontal(), 59);
  for (int frame = 0; frame < 3; ++frame) EXPECT_EQ(answerOf(nod(turned)), (Answer{-1, "请正视屏幕"}));
  EXPECT_EQ(answerOf(nod(turned)), (Answer{40, "请正视屏幕"}));
  LandmarkList leaning = frontal();
  leaning[27].x += 9;
  EXPECT_EQ(answerOf(nod(leaning)), (Answer{40, "请正视屏幕"}));
  nod(frontal());  // one frontal frame clears the count
  EXPECT_EQ(answerOf(nod(turned)), (Answer{-1, "请正视屏幕"}));
}

TEST_F(Nod, FirstPhaseRejectionsCountThreeTimesBeforeAnswering50) {
  struct Case {
    const char* name;
    LandmarkList face;
    Answer fourth;
  };
  const Case cases[] = {
      {"nose-to-brow ratio 8500", nodFace(8500, 60), {50, "请低头正视屏幕"}},
      {"brows 12 above the jaw top", nodFace(15000, 12), {50, "请抬头正视屏幕"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    for (int frame = 0; frame < 3; ++frame) EXPECT_EQ(answerOf(nod(c.face)), (Answer{65, "请保持不动"}));
    for (int frame = 0; frame < 3; ++frame) EXPECT_EQ(answerOf(nod(c.face)), c.fourth);
  }
}

TEST_F(Nod, ProgressAndCompletionAfterTheBaseline) {
  struct Case {
    const char* name;
    std::vector<LandmarkList> frames;
    std::vector<Answer> answers;
  };
  const Case cases[] = {
      {"still face answers 73", {nodFace(15000, 60)}, {{73, "请点头"}}},
      {"brows 35 lower: seen three times", {nodFace(15000, 25), nodFace(15000, 25), nodFace(15000, 25)},
       {{-99, "请点头"}, {-99, "请点头"}, {100, "检测通过"}}},
      {"nose ratio 12999 is seen", {nodFace(12999, 60)}, {{-99, "请点头"}}},
      {"nose ratio exactly at its target stays below 100", {nodFace(13000, 60)}, {{99, "请点头"}}},
      {"a repeat interrupted starts over", {nodFace(15000, 25), nodFace(15000, 60), nodFace(15000, 25)},
       {{-99, "请点头"}, {73, "请点头"}, {-99, "请点头"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SetUp();
    takeBaseline();
    for (size_t i = 0; i < c.frames.size(); ++i) EXPECT_EQ(answerOf(nod(c.frames[i])), c.answers[i]) << i;
  }
}

TEST_F(Nod, IncompleteListIsAnInputError) {
  LandmarkList shortList = frontal();
  shortList.resize(30);
  EXPECT_EQ(answerOf(nod(shortList)), (Answer{0, "人脸数据输入异常"}));
}

TEST(Distance, SequencesOfEyeCornerDistances) {
  struct Case {
    const char* name;
    std::vector<double> distances;
    std::vector<Answer> answers;
  };
  const Case cases[] = {
      {"large face moves away", {150, 138, 126}, {{30, "请远离屏幕"}, {65, "请远离屏幕"}, {100, "完成"}}},
      {"past the target", {150, 120}, {{30, "请远离屏幕"}, {100, "完成"}}},
      {"small face comes closer", {100, 112, 124}, {{30, "请靠近屏幕"}, {65, "请靠近屏幕"}, {100, "完成"}}},
      {"the wrong way never goes below 0", {150, 158, 194, 260}, {{30, "请远离屏幕"}, {6, "请远离屏幕"},
                                                                 {0, "请远离屏幕"}, {0, "请远离屏幕"}}},
      {"the wrong way closer", {100, 56, 20}, {{30, "请靠近屏幕"}, {0, "请靠近屏幕"}, {0, "请靠近屏幕"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LDTDistance::shareInstance()->reset();
    for (size_t i = 0; i < c.distances.size(); ++i) EXPECT_EQ(answerOf(distance(c.distances[i])), c.answers[i]) << i;
  }
}

TEST(Distance, TiltedEyeLineSetsNoTarget) {
  LDTDistance* detector = LDTDistance::shareInstance();
  detector->reset();
  const LDTResult result = detector->distanceDetect(share(withEyeLineAngle(frontal(), 45)), kFrame);
  EXPECT_EQ(answerOf(result), (Answer{30, "请正视屏幕"}));
  EXPECT_EQ(detector->targetDistance(), 0);
  distance(150);
  EXPECT_EQ(detector->type(), LDTDistance::kMoveAway);
  EXPECT_EQ(detector->targetDistance(), 126);
  EXPECT_EQ(detector->startDistance(), 150);
}

TEST(Distance, ZeroSpanNeverPasses) {
  // A 10-pixel frame: the 5 % step of 0.5 truncates to a target equal to the start.
  LDTDistance::shareInstance()->reset();
  const LDTSize tiny{10, 10};
  for (double eyeDistance : {5.9, 5.0, 1.0, 9.0}) {
    EXPECT_EQ(answerOf(distance(eyeDistance, tiny)), (Answer{30, "请远离屏幕"})) << eyeDistance;
  }
  LandmarkList shortList = frontal();
  shortList.resize(46);
  EXPECT_EQ(answerOf(LDTDistance::shareInstance()->distanceDetect(share(shortList), kFrame)),
            (Answer{0, "人脸数据输入异常"}));
}

namespace {

// A point from `from` whose line angle truncates to `degrees` (at the tool's 180 / 3.1415).
KyPoint atAngle(KyPoint from, int degrees) {
  const double radians = (degrees + (degrees >= 0 ? 0.5 : -0.5)) / 57.29746936176985;
  return {from.x + 10, from.y + 10 * std::tan(radians)};
}

LandmarkList stabilityFace(int noseAngle, int jawAngle) {
  LandmarkList landmarks = frontal();
  for (size_t i : {3u, 13u}) landmarks[i].y = 275;
  for (size_t i : {1u, 15u}) landmarks[i].y = 225;
  for (size_t i : {5u, 11u}) landmarks[i].y = 318;
  landmarks[19].y = landmarks[24].y = 162;
  landmarks[30] = atAngle(landmarks[27], noseAngle);
  landmarks[13] = atAngle(landmarks[3], jawAngle);
  return landmarks;
}

}  // namespace

TEST(Stability, JudgesTheLastFiveFramesWhenTheCurrentNoseLineIsSteep) {
  struct Case {
    const char* name;
    std::vector<std::pair<int, int>> frames;  // nose angle, jaw 3-13 angle
    std::vector<bool> answers;
  };
  const Case cases[] = {
      {"jaw tilted in two of five upright frames", {{89, 0}, {89, 12}, {89, 0}, {89, 12}, {89, 0}},
       {true, true, true, true, false}},
      {"jaw tilted once", {{89, 0}, {89, 12}, {89, 0}, {89, 0}, {89, 0}}, {true, true, true, true, true}},
      {"current nose line not steep", {{89, 0}, {89, 12}, {89, 0}, {89, 12}, {70, 0}},
       {true, true, true, true, true}},
      {"anything goes while refilling", {{89, 45}, {89, 45}, {89, 45}, {89, 45}}, {true, true, true, true}},
  };
  LDTSafeDetection* detector = LDTSafeDetection::Instance();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    detector->resetArray();
    for (size_t i = 0; i < c.frames.size(); ++i) {
      EXPECT_EQ(detector->isSafeFace(stabilityFace(c.frames[i].first, c.frames[i].second)), c.answers[i]) << i;
    }
  }
  EXPECT_FALSE(detector->isSafeFace(LandmarkList(10)));
}

TEST(Stability, NodResetRestartsTheStabilityRecording) {
  LDTSafeDetection::Instance()->isSafeFace(frontal());
  LDTNodding::shareInstance()->reset();
  EXPECT_EQ(LDTSafeDetection::Instance()->landmarkBufferOffset(), 0);
}
