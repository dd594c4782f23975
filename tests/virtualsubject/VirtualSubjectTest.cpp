#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "dlibwrapper/KyDlibWrapper.h"
#include "livingdetect/LDTComm.h"
#include "platform/virtualsubject/KySubjectPerformer.h"
#include "platform/virtualsubject/KyVirtualSubjectSource.h"

namespace {

KyImage asImage(const KySampleBuffer& frame) {
  return KyImage{frame.pixels, KyPixelFormat::BGRA, frame.width, frame.height, frame.bytesPerRow};
}

// The predictor inside the placed face's box: eyes and mouth move, the head does not.
LandmarkList landmarksOf(const KySampleBuffer& frame, const KyFaceRect& face) {
  return KyDlibWrapper::shareInstance().detecitonOnSampleBuffer(asImage(frame), face);
}

double eyeRatio(const LandmarkList& marks) {
  return (LDTComm::eyeAspectRatio(marks, 36) + LDTComm::eyeAspectRatio(marks, 42)) / 2;
}

double mouthGap(const LandmarkList& marks) { return LDTComm::distance(marks[62], marks[66]); }

class VirtualSubjectTest : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string error;
    std::optional<KyPortrait> portrait = KyPortrait::load(KyPortrait::kDefaultPath, 480, 640, error);
    ASSERT_TRUE(portrait) << error;
    warper_ = std::make_shared<KyPortraitWarper>(std::move(*portrait));
  }
  static void TearDownTestSuite() { warper_.reset(); }
  static std::shared_ptr<KyPortraitWarper> warper_;
};
std::shared_ptr<KyPortraitWarper> VirtualSubjectTest::warper_;

}  // namespace

TEST_F(VirtualSubjectTest, PortraitIsPlacedWithAFaceOfTheRightSizeInTheUpperMiddle) {
  const KyPortrait& portrait = warper_->portrait();
  EXPECT_EQ(portrait.image.width, 480);
  EXPECT_EQ(portrait.image.height, 640);
  EXPECT_NEAR(portrait.face.width, KyPortrait::kFaceWidth, 40);
  ASSERT_EQ(portrait.landmarks.size(), kLandmarkCount);
  EXPECT_TRUE(LDTComm::centerDetect(portrait.landmarks, 480, 640));
  EXPECT_TRUE(LDTComm::isFaceScreen(portrait.landmarks));
}

TEST_F(VirtualSubjectTest, UnposedWarpReproducesThePortrait) {
  KySubjectPose pose;
  pose.lipsClosed = 0;  // as photographed
  const KySampleBuffer frame = warper_->render(pose);
  const std::vector<uint8_t>& expected = *warper_->portrait().image.pixels;
  ASSERT_EQ(frame.pixels->size(), expected.size());
  int worst = 0;
  for (size_t i = 0; i < expected.size(); ++i) worst = std::max(worst, std::abs(int((*frame.pixels)[i]) - expected[i]));
  EXPECT_LE(worst, 2);
}

TEST_F(VirtualSubjectTest, PredictorSeesClosedEyesAndAnOpenMouth) {
  const KyFaceRect& face = warper_->portrait().face;
  const LandmarkList neutral = landmarksOf(warper_->render({}), face);
  KySubjectPose closedEyes;
  closedEyes.eyesClosed = 1;
  const LandmarkList blinking = landmarksOf(warper_->render(closedEyes), face);
  KySubjectPose openMouth;
  openMouth.mouthOpen = 26;
  openMouth.lipsClosed = 0;
  const LandmarkList mouthOpen = landmarksOf(warper_->render(openMouth), face);
  ASSERT_EQ(neutral.size(), kLandmarkCount);
  ASSERT_EQ(blinking.size(), kLandmarkCount);
  ASSERT_EQ(mouthOpen.size(), kLandmarkCount);
  EXPECT_GT(eyeRatio(neutral), 0.25);
  EXPECT_LT(eyeRatio(blinking), 0.18);
  EXPECT_GT(mouthGap(mouthOpen), mouthGap(neutral) + 15);
}

TEST_F(VirtualSubjectTest, SourceRendersThePerformersPoseAndStopsWhenInterrupted) {
  auto performer = std::make_shared<KySubjectPerformer>(KyPerformance{.reactionMs = 0});
  performer->setScreen(2, KyColor::clear());
  KyVirtualSubjectSource source(warper_);
  source.setPaced(false);
  source.setPoseProvider([performer](int64_t) { return performer->poseAt(100); });  // inside a blink
  std::string error;
  ASSERT_TRUE(source.open(error)) << error;
  const KyFrameRead read = source.read();
  ASSERT_EQ(read.status, KyFrameRead::Status::Frame);
  EXPECT_EQ(read.frame.width, 480);
  EXPECT_EQ(read.frame.height, 640);
  EXPECT_EQ(source.pose().eyesClosed, 1);
  source.interrupt();
  EXPECT_EQ(source.read().status, KyFrameRead::Status::Stopped);
}

TEST(SubjectPerformerTest, PerformsTheScreensActionAfterReactingAndTakesOnItsColour) {
  KySubjectPerformer performer(KyPerformance{.reactionMs = 500});
  performer.setScreen(3, KyColor::clear());
  EXPECT_EQ(performer.poseAt(0).yawDegrees, 0) << "reaction time";
  EXPECT_GT(performer.poseAt(900).yawDegrees, 15);
  performer.setScreen(6, KyColor{1, 0, 0, 1});
  performer.poseAt(1000);
  const KySubjectPose lit = performer.poseAt(2000);
  EXPECT_EQ(lit.yawDegrees, 0);
  EXPECT_NEAR(lit.tintR, 1, 1e-6);
  EXPECT_NEAR(lit.tintG, 0, 1e-6);
  EXPECT_GT(lit.tintStrength, 0);
}

TEST(VirtualSubjectSourceTest, MissingPortraitFailsToOpenWithAReason) {
  KyVirtualSubjectSource source("/nonexistent/portrait.png");
  std::string error;
  EXPECT_FALSE(source.open(error));
  EXPECT_NE(error.find("/nonexistent/portrait.png"), std::string::npos);
}
