// Where the detection screen's parts go, and the action row's cells.
#include <gtest/gtest.h>

#include <kylivingdetection/KyLivingDelegateManager.h>

#include "KyDetectionScreen.h"
#include "KyDetectionScreenLayout.h"
#include "KyFinishedView.h"
#include "KyLoopProgressView.h"
#include "ScreenTestSupport.h"
#include "platform/ui/KyRenderer.h"
#include "platform/ui/KyScreen.h"
#include "platform/ui/KyShapeLayer.h"
#include "utils/KyLDCommUtil.h"
#include "platform/ui/KyCameraPreviewLayer.h"
#include "view/KyCameraMaskView.h"
#include "view/LivingTypeCollection.h"
#include "view/UIMaskView.h"

namespace {

struct LayoutCase {
  const char* name;
  int64_t windowSwitchType;
  bool hasExit;
  double exitY, titleY, cameraY, finishY, listY;
};

class DetectionScreenLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(DetectionScreenLayout, PlacesEveryPartFromTheTopDown) {
  const LayoutCase& c = GetParam();
  const KyDetectionScreenFrames f = KyLayOutDetectionScreen(375, 44, 44, c.windowSwitchType);
  ASSERT_EQ(f.exitButton.has_value(), c.hasExit);
  if (c.hasExit) {
    EXPECT_EQ(*f.exitButton, (KyRect{0, c.exitY, 200, 40}));
  }
  EXPECT_EQ(f.titleLabel, (KyRect{0, c.titleY, 375, 40}));
  EXPECT_EQ(f.cameraArea, (KyRect{62.5, c.cameraY, 250, 250}));
  EXPECT_EQ(f.finishView, (KyRect{62.5, c.finishY, 250, 250}));
  EXPECT_EQ(f.actionListY, c.listY);
}

INSTANTIATE_TEST_SUITE_P(
    Figures, DetectionScreenLayout,
    ::testing::Values(LayoutCase{"presented", 2, true, 44, 104, 154, 144, 424},
                      LayoutCase{"pushed", 1, false, 0, 108, 158, 148, 428},
                      LayoutCase{"shownOtherwise", 3, false, 0, 44, 94, 84, 364},
                      LayoutCase{"notShown", 0, false, 0, 44, 94, 84, 364}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DetectionScreen, PresentedScreenHasExitTitleRingAndActionRowAtTheirPlaces) {
  auto screen = KyDetectionScreen::build(2, 0, {});
  screen->showActions({6, 2, 3, 5}, 0);
  ASSERT_NE(screen->exitButton(), nullptr);
  EXPECT_EQ(screen->exitButton()->frame().y, 44);
  EXPECT_EQ(screen->titleLabel()->frame().y, 104);
  EXPECT_EQ(screen->titleLabel()->text(), "正在初始化...");
  EXPECT_EQ(screen->progressView()->frame(), (KyRect{62.5, 154, 250, 250}));
  EXPECT_EQ(screen->finishView()->frame().y, 144);
  ASSERT_NE(screen->livingTypeCollectionView(), nullptr);
  EXPECT_EQ(screen->livingTypeCollectionView()->frame(), (KyRect{10, 424, 375, 50}));
  EXPECT_EQ(screen->rootView()->tag(), 1);
}

TEST(DetectionScreen, StacksTheOverlaysAboveThePreviewAndTheRowBelowIt) {
  auto screen = KyDetectionScreen::build(2, 0, {});
  screen->showActions(25);
  const auto& layers = screen->rootView()->layer()->sublayers();
  auto indexOf = [&](const std::shared_ptr<KyLayer> layer) {
    return std::find(layers.begin(), layers.end(), layer) - layers.begin();
  };
  const auto preview = indexOf(std::static_pointer_cast<KyLayer>(screen->previewLayer()));
  EXPECT_LT(indexOf(screen->exitButton()->layer()), indexOf(screen->titleLabel()->layer()));
  EXPECT_LT(indexOf(screen->progressView()->layer()), indexOf(screen->finishView()->layer()));
  EXPECT_LT(indexOf(screen->finishView()->layer()), indexOf(screen->livingTypeCollectionView()->layer()));
  EXPECT_LT(indexOf(screen->livingTypeCollectionView()->layer()), preview);
  EXPECT_LT(preview, indexOf(screen->cameraMaskView()->layer()));
  EXPECT_LT(indexOf(screen->cameraMaskView()->layer()), indexOf(screen->maskView()->layer()));
}

TEST(DetectionScreen, PushedScreenHasNoExitButtonAndSingleActionNoRow) {
  auto screen = KyDetectionScreen::build(1, 44, {});
  screen->showActions({0, 0, 0, 2}, 3);
  EXPECT_EQ(screen->exitButton(), nullptr);
  EXPECT_EQ(screen->titleLabel()->frame().y, 108);
  EXPECT_EQ(screen->livingTypeCollectionView(), nullptr);
}

struct RowCase {
  int32_t livingType;
  std::vector<std::string> titles;
  double gap;
};

class ActionRow : public ::testing::TestWithParam<RowCase> {};

TEST_P(ActionRow, SpreadsQuarterWidthCellsWithEqualGaps) {
  const RowCase& c = GetParam();
  auto row = LivingTypeCollection::initWithLivingTypeAndPosY(c.livingType, 424);
  const auto& cells = row->livingTypeViewArray();
  ASSERT_EQ(cells.size(), c.titles.size());
  for (size_t i = 0; i < cells.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(cells[i]->promtTitle()->text(), c.titles[i]);
    EXPECT_DOUBLE_EQ(cells[i]->frame().width, 93.75);
    EXPECT_DOUBLE_EQ(cells[i]->frame().x, (93.75 + c.gap) * static_cast<double>(i) + c.gap);
    EXPECT_EQ(cells[i]->imageView()->frame(), (KyRect{0, 15, 20, 20}));
    EXPECT_EQ(cells[i]->promtTitle()->frame(), (KyRect{25, 0, 68.75, 50}));
  }
  drainUI();
}

INSTANTIATE_TEST_SUITE_P(Figures, ActionRow,
                         ::testing::Values(RowCase{6235, {"炫彩", "眨眼", "摇头", "张嘴"}, 0},
                                           RowCase{25, {"眨眼", "张嘴"}, 62.5},
                                           RowCase{1407, {"远近", "点头", "不支持的类型", "不支持的类型"}, 0}),
                         [](const auto& info) { return "livingType" + std::to_string(info.param.livingType); });

TEST(ActionRow, TitlesByDigit) {
  const std::pair<const char*, const char*> cases[] = {
      {"1", "远近"}, {"2", "眨眼"}, {"3", "摇头"}, {"4", "点头"}, {"5", "张嘴"}, {"6", "炫彩"},
      {"0", "不支持的类型"}, {"7", "不支持的类型"}, {"9", "不支持的类型"}, {"", "不支持的类型"}, {"12", "不支持的类型"}};
  for (const auto& [digit, title] : cases) EXPECT_EQ(LivingTypeCollection::getTitleFromLivingType(digit), title) << digit;
}

TEST(MaskStyle, ShowsOnlyTheCentredDiscOfTheRectanglesSize) {
  auto mask = KyLDCommUtil::maskStyle({40, 70, 300, 400});
  auto image = KyRenderer::snapshot(*mask);
  ASSERT_EQ(image->size(), (KySize{300, 400}));
  // Radius 142 about (150, 200): inside just within the edge, outside just beyond it.
  const std::pair<int, int> inside[] = {{150, 200}, {150, 59}, {9, 200}, {290, 200}, {150, 341}};
  const std::pair<int, int> outside[] = {{150, 56}, {6, 200}, {293, 200}, {150, 344}, {0, 0}};
  for (auto [x, y] : inside) EXPECT_EQ(pixelAt(*image, x, y).a, 255) << x << "," << y;
  for (auto [x, y] : outside) EXPECT_EQ(pixelAt(*image, x, y).a, 0) << x << "," << y;
}

TEST(ProgressRingListener, JoinsTheLivingEndListenersWhenMade) {
  const size_t before = KyLivingDelegateManager::Instance()->delegateArray()->size();
  auto ring = KyLoopProgressView::initWithFrame({0, 0, 250, 250});
  const auto after = KyLivingDelegateManager::Instance()->delegateArray();
  ASSERT_EQ(after->size(), before + 1);
  EXPECT_EQ(after->back().get(), static_cast<KyLivingEndListener*>(ring.get()));
}

}  // namespace
