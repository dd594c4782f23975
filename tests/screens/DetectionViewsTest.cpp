// Behaviour of the detection screen's views: ring easing, outline fades, spinner loop,
// prompt line, action states, image strip, finish view and the bundle's images.
#include <gtest/gtest.h>

#include <kylivingdetection/KyLivingViewStyle.h>

#include <cmath>
#include <thread>

#include "KyDetectionScreen.h"
#include "KyFinishedView.h"
#include "KyLoopProgressView.h"
#include "ScreenTestSupport.h"
#include "view/ImageScrollView.h"
#include "view/KyCameraMaskView.h"
#include "view/LivingImageLoadUtil.h"
#include "view/LivingTypeCollection.h"
#include "view/UIMaskView.h"

namespace {

// ---- Progress ring ----

class ProgressRing : public ::testing::Test {
 protected:
  std::shared_ptr<KyLoopProgressView> ring = std::make_shared<KyLoopProgressView>(KyRect{0, 0, 250, 250});

  // Sends a value and waits until the ring has settled and shown it.
  void update(float value) {
    ring->updateProcess(value);
    ASSERT_TRUE(runUIUntil([&] { return !ring->isAnimating(); }));
    drainUI();
  }
  double shown() const { return ring->frontProgressLayer()->strokeEnd(); }
};

TEST_F(ProgressRing, IgnoresChangesUnderFivePoints) {
  update(3);
  EXPECT_EQ(ring->targetProcess(), 0);
  EXPECT_EQ(shown(), 0);
  EXPECT_EQ(KyMainLoop::shared().drain(), 0u);  // no easing run was started
}

TEST_F(ProgressRing, EasesToTheNewValueAndRetargetsOnlyFromFivePoints) {
  update(20);
  EXPECT_FLOAT_EQ(ring->targetProcess(), 0.2f);
  EXPECT_NEAR(shown(), 0.2, 1e-6);
  update(23);
  EXPECT_FLOAT_EQ(ring->targetProcess(), 0.2f);
  update(26);
  EXPECT_FLOAT_EQ(ring->targetProcess(), 0.26f);
  EXPECT_NEAR(shown(), 0.26, 1e-6);
}

TEST_F(ProgressRing, ClampsValuesOutsideTheScale) {
  const std::pair<float, double> cases[] = {{250, 1.0}, {-40, 0.0}, {100, 1.0}};
  for (auto [value, fraction] : cases) {
    update(value);
    EXPECT_NEAR(shown(), fraction, 1e-6) << value;
  }
}

TEST_F(ProgressRing, SettlesAFullJumpInThirteenHalvingSteps) {
  update(100);
  EXPECT_EQ(ring->lastRunSteps(), 13u);
  EXPECT_EQ(ring->currentProcess(), 1.0f);
  EXPECT_EQ(shown(), 1.0);
}

TEST_F(ProgressRing, ATargetChangedDuringARunIsPickedUpByThatRun) {
  ring->updateProcess(100);
  ring->updateProcess(40);  // the run is already active, so this only moves its target
  ASSERT_TRUE(runUIUntil([&] { return !ring->isAnimating(); }));
  drainUI();
  EXPECT_NEAR(shown(), 0.4, 1e-6);
}

// ---- Face outline and spinner ----

class MaskViewTest : public ::testing::Test {
 protected:
  void SetUp() override { drainUI(); }
  void TearDown() override {
    mask->stopWaitingImageRotate();
    mask->waitingImageView()->layer()->finishAnimations();
    drainUI();
  }
  std::shared_ptr<UIMaskView> mask = UIMaskView::initWithFrame({0, 0, 250, 250});
  const std::shared_ptr<KyLayer>& outline() const { return mask->peopleOutlineImgView()->layer(); }
  const std::shared_ptr<KyLayer>& spinner() const { return mask->waitingImageView()->layer(); }
};

TEST_F(MaskViewTest, StartsWithTheOutlineShownAndTheSpinnerHidden) {
  EXPECT_TRUE(mask->isPeopleOutlineViewShow());
  EXPECT_FALSE(mask->isWaitingImageViewShow());
  EXPECT_FALSE(outline()->isHidden());
  EXPECT_TRUE(spinner()->isHidden());
  EXPECT_TRUE(mask->bgLayer()->isHidden());
  EXPECT_NE(mask->peopleOutlineImgView()->image(), nullptr);
  EXPECT_NE(mask->waitingImageView()->image(), nullptr);
}

TEST_F(MaskViewTest, RepeatedHideAndShowCostNothing) {
  mask->hidePeopleOutlineView();
  EXPECT_FALSE(mask->isPeopleOutlineViewShow());  // set before any UI work runs
  EXPECT_GT(KyMainLoop::shared().drain(), 0u);
  EXPECT_TRUE(outline()->isAnimating(KyAnimatedProperty::Opacity));
  EXPECT_EQ(outline()->opacity(), 0);

  mask->hidePeopleOutlineView();
  EXPECT_EQ(KyMainLoop::shared().drain(), 0u);

  mask->showPeopleOutlineView();
  EXPECT_GT(KyMainLoop::shared().drain(), 0u);
  mask->showPeopleOutlineView();
  EXPECT_EQ(KyMainLoop::shared().drain(), 0u);
  EXPECT_EQ(outline()->opacity(), 1);
}

TEST_F(MaskViewTest, WaitingKeepsTheOutlineHiddenWhateverItsAlpha) {
  mask->hidePeopleOutlineView();
  mask->startWaitingImgView();
  drainUI();
  mask->showPeopleOutlineView();
  drainUI();
  EXPECT_EQ(outline()->opacity(), 1);
  EXPECT_TRUE(outline()->isHidden());
  EXPECT_FALSE(spinner()->isHidden());
  EXPECT_FALSE(mask->bgLayer()->isHidden());
}

TEST_F(MaskViewTest, StartingTwiceRunsOneRotationLoop) {
  mask->startWaitingImgView();
  mask->startWaitingImgView();
  drainUI();
  EXPECT_EQ(spinner()->animationCount(), 1u);
  for (int step = 2; step <= 4; ++step) {
    spinner()->finishAnimations();  // the step ends; its completion starts exactly one more
    drainUI();
    EXPECT_EQ(spinner()->animationCount(), 1u);
    EXPECT_DOUBLE_EQ(spinner()->transform().rotation, 360.0 * step);
  }
}

TEST_F(MaskViewTest, StoppingLetsTheRunningStepEndAndStartsNoMore) {
  mask->startWaitingImgView();
  drainUI();
  mask->stopWaitingImageRotate();
  EXPECT_EQ(spinner()->animationCount(), 1u);
  spinner()->finishAnimations();
  drainUI();
  EXPECT_EQ(spinner()->animationCount(), 0u);
  EXPECT_FALSE(spinner()->isHidden());  // the views keep their state
}

TEST(SpinnerStep, TurnsAbout106AndAHalfDegreesOnScreen) {
  EXPECT_NEAR(KyRotationDelta(0, 360) * 180 / M_PI, 106.48, 0.01);
}

// ---- Prompt line and continue overlay ----

TEST(PromptLine, EmptyOrUnchangedTextChangesNothing) {
  auto screen = KyDetectionScreen::build(2, 0, {});
  const struct {
    const char* text;
    const char* shown;
  } cases[] = {{"", "正在初始化..."}, {"请眨眼", "请眨眼"}, {"请眨眼", "请眨眼"}, {"", "请眨眼"}, {"请张嘴", "请张嘴"}};
  for (const auto& c : cases) {
    screen->setTitle(c.text);
    EXPECT_EQ(screen->titleLabel()->text(), c.shown) << c.text;
  }
}

TEST(ContinueOverlay, StartsHiddenAndTapsReachTheHandlerWhenShown) {
  int continues = 0, exits = 0;
  auto screen = KyDetectionScreen::build(2, 0, {[&] { ++exits; }, [&] { ++continues; }});
  const KyRect camera = screen->cameraFrame();
  const KyUIPoint centre{camera.x + camera.width / 2, camera.y + camera.height / 2};
  EXPECT_TRUE(screen->cameraMaskView()->isHidden());
  screen->rootView()->sendTap(centre);
  EXPECT_EQ(continues, 0);
  screen->showContinueOverlay();
  screen->rootView()->sendTap(centre);
  EXPECT_EQ(continues, 1);
  screen->hideContinueOverlay();
  screen->rootView()->sendTap({50, 64});  // on the exit button
  EXPECT_EQ(exits, 1);
}

TEST(ColourFlash, RestoreGivesBackTheStyleColoursAndBrightness) {
  auto screen = KyDetectionScreen::build(2, 0, {});
  const KyLivingViewStyle* style = KyLivingViewStyle::shareInstance();
  screen->setBrightness(1);
  screen->setBackgroundColor({1, 0, 0, 1});
  screen->setTitleColor({1, 1, 1, 1});
  EXPECT_EQ(screen->backgroundColor(), (KyColor{1, 0, 0, 1}));
  screen->restoreAfterColorFlash(0.3);
  EXPECT_EQ(screen->brightness(), 0.3);
  EXPECT_EQ(screen->backgroundColor(), style->getBackGroundColor());
  EXPECT_EQ(screen->rootView()->backgroundColor(), style->getBackGroundColor());
  EXPECT_EQ(screen->titleLabel()->textColor(), style->getTextColor());
}

// ---- Action row ----

TEST(ActionStates, AdvanceMarksCompleteAndHighlightsTheNextUntilTheEnd) {
  const KyLivingViewStyle* style = KyLivingViewStyle::shareInstance();
  auto row = LivingTypeCollection::initWithLivingTypeAndPosY(25, 0);
  drainUI();
  const auto& cells = row->livingTypeViewArray();
  auto colours = [&] {
    return std::vector<KyColor>{cells[0]->promtTitle()->textColor(), cells[1]->promtTitle()->textColor()};
  };
  EXPECT_EQ(colours(), (std::vector<KyColor>{style->getLdtLabelProcessColor(), style->getLdtLabelNormalColor()}));
  row->nextLivingType();
  drainUI();
  EXPECT_EQ(colours(), (std::vector<KyColor>{style->getLdtLabelCompleteColor(), style->getLdtLabelProcessColor()}));
  row->nextLivingType();  // the last one: complete, nothing highlighted
  drainUI();
  EXPECT_EQ(colours(), (std::vector<KyColor>{style->getLdtLabelCompleteColor(), style->getLdtLabelCompleteColor()}));
  EXPECT_EQ(row->currentLivigTypeStep(), 2);
  row->nextLivingType();  // past the end: nothing to change
  EXPECT_EQ(KyMainLoop::shared().drain(), 0u);
}

TEST(ActionStates, OtherStatesChangeNothing) {
  auto cell = LivingTypeCell::initWithSizeAndPromtTitle({93.75, 50}, "眨眼");
  for (int64_t state : {0, 3, -1}) cell->setLivingTypeState(state);
  EXPECT_EQ(KyMainLoop::shared().drain(), 0u);
  EXPECT_EQ(cell->promtTitle()->textColor(), KyLivingViewStyle::shareInstance()->getLdtLabelNormalColor());
}

// ---- Image strip and finish view ----

TEST(ImageStrip, RowsFollowTheFirstImagesHeight) {
  auto strip = std::make_shared<ImageScrollView>(KyRect{0, 0, 375, 600});
  auto image = LivingImageLoadUtil::loadImageByName("people");
  const struct {
    int64_t colorIndex;
    KyRect frame;
  } cases[] = {{2, {0, 0, 200, 300}}, {2, {200, 640, 200, 300}}, {0, {0, 0, 200, 300}}, {9, {0, 2880, 200, 300}}};
  for (const auto& c : cases) {
    strip->addImage(image, c.colorIndex);
    drainUI();
    EXPECT_EQ(strip->imageCollection().back()->frame(), c.frame) << c.colorIndex;
  }
  EXPECT_EQ(strip->imageCollection().back()->contentMode(), KyContentMode::AspectFill);
  strip->addImage(image, 10);
  strip->addImage(image, -1);
  drainUI();
  EXPECT_EQ(strip->imageCollection().size(), 4u);
  strip->clearImage();
  drainUI();
  EXPECT_TRUE(strip->imageCollection().empty());
  EXPECT_TRUE(strip->subviews().empty());
  EXPECT_EQ(strip->imageHeight(), 0);
  EXPECT_EQ(strip->imageNumber(2), 0);
  EXPECT_EQ(strip->contentSize(), (KySize{10000, 10000}));
}

TEST(FinishView, ZeroDurationCallsBackBeforeReturningOnTheSameThread) {
  auto finish = KyFinishedView::initWithFrame({0, 0, 250, 250});
  std::thread::id caller;
  finish->playAnimation(0, [&] { caller = std::this_thread::get_id(); });
  EXPECT_EQ(caller, std::this_thread::get_id());
}

// ---- Resource bundle ----

TEST(ImageBundle, LoadsEveryImageOfTheScreenAndNothingElse) {
  const std::pair<const char*, double> images[] = {
      {"living_promt_icon_wait", 40}, {"living_promt_icon_process", 40}, {"living_promt_icon_complete", 40},
      {"people", 500}, {"progress", 500}, {"living_icon_exit", 48}};
  for (const auto& [name, side] : images) {
    auto image = LivingImageLoadUtil::loadImageByName(name);
    ASSERT_NE(image, nullptr) << name;
    EXPECT_EQ(image->size(), (KySize{side, side})) << name;
  }
  for (const char* missing : {"nothing", "", "../KyLivingIcon.bundle/people", "people.png"}) {
    EXPECT_EQ(LivingImageLoadUtil::loadImageByName(missing), nullptr) << missing;
  }
}

}  // namespace
