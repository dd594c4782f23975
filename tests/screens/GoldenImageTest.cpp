// The detection screen drawn headless, compared with the reference drawings in
// tests/data/screens. KYLD_UPDATE_GOLDENS=1 rewrites the references instead.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "KyDetectionScreenStage.h"
#include "KyLoopProgressView.h"
#include "ScreenTestSupport.h"
#include "platform/ui/KyRenderer.h"
#include "view/UIMaskView.h"

namespace {

struct GoldenCase {
  const char* name;
  int64_t windowSwitchType;
  int32_t livingType;
  bool underWay;  // the first action passed and the second is half done
};

// Share of pixels whose channels differ by more than `tolerance`.
double differingShare(const KyUIImage& a, const KyUIImage& b, int tolerance) {
  const int w = static_cast<int>(a.size().width), h = static_cast<int>(a.size().height);
  size_t differing = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const Rgba8 p = pixelAt(a, x, y), q = pixelAt(b, x, y);
      const int d = std::max({std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b), std::abs(p.a - q.a)});
      if (d > tolerance) ++differing;
    }
  }
  return static_cast<double>(differing) / (w * h);
}

void advanceSession(KyDetectionScreen& screen) {
  screen.setTitle("请眨眼");
  screen.nextLivingType();
  screen.showFaceOutline(false);
  screen.updateProcess(60);
  ASSERT_TRUE(runUIUntil([&] { return !screen.progressView()->isAnimating(); }));
  drainUI();
}

class DetectionScreenGolden : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(DetectionScreenGolden, MatchesTheReferenceDrawing) {
  const GoldenCase& c = GetParam();
  auto stage = KyDetectionScreenStage::make(c.windowSwitchType, c.livingType);
  if (c.underWay) advanceSession(*stage->screen());
  auto actual = KyRenderer::snapshot(*stage->window()->layer());

  const std::string reference = std::string(KYLD_SOURCE_DIR) + "/tests/data/screens/" + c.name + ".png";
  if (std::getenv("KYLD_UPDATE_GOLDENS")) {
    ASSERT_EQ(cairo_surface_write_to_png(actual->surface(), reference.c_str()), CAIRO_STATUS_SUCCESS);
    GTEST_SKIP() << "rewrote " << reference;
  }
  auto expected = KyUIImage::imageWithContentsOfFile(reference);
  ASSERT_NE(expected, nullptr) << reference;
  ASSERT_EQ(actual->size(), expected->size());
  const double share = differingShare(*actual, *expected, 24);
  if (share > 0.002) {
    const std::string dump = std::string(KYLD_BINARY_DIR) + "/" + c.name + ".actual.png";
    cairo_surface_write_to_png(actual->surface(), dump.c_str());
    ADD_FAILURE() << share * 100 << "% of the pixels differ; drawing written to " << dump;
  }
}

INSTANTIATE_TEST_SUITE_P(Screens, DetectionScreenGolden,
                         ::testing::Values(GoldenCase{"presented_6235", 2, 6235, false},
                                           GoldenCase{"pushed_25", 1, 25, false},
                                           GoldenCase{"presented_6235_under_way", 2, 6235, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
