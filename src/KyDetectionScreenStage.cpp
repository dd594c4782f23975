#include "KyDetectionScreenStage.h"

#include "platform/ui/KyMainLoop.h"
#include "platform/ui/KyNavigationController.h"
#include "platform/ui/KyRenderer.h"

namespace {

// A screen whose view is the detection screen's root view, built when the view loads.
class StageScreen : public KyViewController {
 public:
  StageScreen(int64_t type, int32_t livingType, KyDetectionScreen::Handlers handlers)
      : type_(type), livingType_(livingType), handlers_(std::move(handlers)) {
    setExtendedLayoutIncludesOpaqueBars(true);
  }
  std::shared_ptr<KyDetectionScreen> screen;

 protected:
  void loadView() override {
    std::shared_ptr<KyNavigationController> navigation = navigationController();
    screen = KyDetectionScreen::build(type_, navigation ? navigation->navigationBarHeight() : 0, std::move(handlers_));
    setView(screen->rootView());
  }
  void viewDidLoad() override { screen->showActions(livingType_); }

 private:
  int64_t type_;
  int32_t livingType_;
  KyDetectionScreen::Handlers handlers_;
};

}  // namespace

std::shared_ptr<KyDetectionScreenStage> KyDetectionScreenStage::make(int64_t windowSwitchType, int32_t livingType,
                                                                     KyDetectionScreen::Handlers handlers) {
  auto stage = std::make_shared<KyDetectionScreenStage>();
  auto shown = std::make_shared<StageScreen>(windowSwitchType, livingType, std::move(handlers));
  stage->window_ = KyWindow::create();
  auto base = std::make_shared<KyViewController>();
  if (windowSwitchType == 1) {
    auto navigation = KyNavigationController::initWithRootViewController(base);
    stage->window_->setRootViewController(navigation);
    navigation->pushViewController(shown, false);
  } else {
    stage->window_->setRootViewController(base);
    base->presentViewController(shown, false);
  }
  stage->window_->makeKeyAndVisible();
  stage->controller_ = shown;
  stage->screen_ = shown->screen;
  KyMainLoop::shared().drain();
  return stage;
}

bool KyDetectionScreenStage::writePNG(const std::string& path) const {
  return KyRenderer::writePNG(*window_->layer(), path);
}
