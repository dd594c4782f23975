#include "KyDetectionScreen.h"

#include <kylivingdetection/KyLivingViewStyle.h>

#include "KyFinishedView.h"
#include "KyLoopProgressView.h"
#include "platform/ui/KyCameraPreviewLayer.h"
#include "platform/ui/KyImageView.h"
#include "platform/ui/KyNavigationController.h"
#include "platform/ui/KyScreen.h"
#include "platform/ui/KyShapeLayer.h"
#include "utils/KyLDCommUtil.h"
#include "view/KyCameraMaskView.h"
#include "view/LivingImageLoadUtil.h"
#include "view/LivingTypeCollection.h"
#include "view/UIMaskView.h"

namespace {

constexpr int64_t kScreenViewTag = 1;

}  // namespace

// Bottom to top: exit button, title, ring, finish view, (action list), preview, continue
// overlay, face-outline view.
std::shared_ptr<KyDetectionScreen> KyDetectionScreen::build(int64_t windowSwitchType, double navigationBarHeight,
                                                            Handlers handlers) {
  auto screen = std::make_shared<KyDetectionScreen>();
  const KyScreen& device = KyScreen::mainScreen();
  const KyLivingViewStyle* style = KyLivingViewStyle::shareInstance();
  screen->frames_ = KyLayOutDetectionScreen(device.bounds().width, device.statusBarHeight(), navigationBarHeight,
                                            windowSwitchType);
  screen->root_ = std::make_shared<KyView>(device.bounds());
  screen->root_->setTag(kScreenViewTag);
  screen->backgroundColor_ = style->getBackGroundColor();
  screen->root_->setBackgroundColor(screen->backgroundColor_);
  if (screen->frames_.exitButton) screen->addExitButton(*screen->frames_.exitButton, std::move(handlers.onExit));
  screen->addTitle(screen->frames_.titleLabel);

  const KyRect camera = screen->frames_.cameraArea;
  screen->progressView_ = KyLoopProgressView::initWithFrame(camera);
  screen->root_->addSubview(screen->progressView_);
  screen->finishView_ = KyFinishedView::initWithFrame(screen->frames_.finishView);
  screen->root_->addSubview(screen->finishView_);

  screen->previewLayer_ = std::make_shared<KyCameraPreviewLayer>();
  screen->previewLayer_->setFrame(camera);
  screen->previewLayer_->setMask(KyLDCommUtil::maskStyle(camera));
  screen->root_->layer()->addSublayer(screen->previewLayer_);

  screen->cameraMaskView_ = KyCameraMaskView::initWithFrame(camera);
  if (handlers.onContinue) screen->cameraMaskView_->addTapHandler(std::move(handlers.onContinue));
  screen->root_->addSubview(screen->cameraMaskView_);
  screen->maskView_ = UIMaskView::initWithFrame(camera);
  screen->root_->addSubview(screen->maskView_);
  return screen;
}

void KyDetectionScreen::addExitButton(KyRect frame, std::function<void()> onExit) {
  exitButton_ = std::make_shared<KyView>(frame);
  exitButton_->addSubview(
      std::make_shared<KyImageView>(KyRect{0, 8, 24, 24}, LivingImageLoadUtil::loadImageByName("living_icon_exit")));
  auto label = std::make_shared<KyLabel>(KyRect{30, 0, 70, 40});
  label->setText("退出");
  label->setFont(KyFont::boldSystemFontOfSize(18));
  label->setTextColor(KyLivingViewStyle::shareInstance()->getExitLabelColor());
  label->setTextAlignment(KyTextAlignment::Left);
  exitButton_->addSubview(label);
  if (onExit) exitButton_->addTapHandler(std::move(onExit));
  root_->addSubview(exitButton_);
}

void KyDetectionScreen::addTitle(KyRect frame) {
  titleLabel_ = std::make_shared<KyLabel>(frame);
  titleLabel_->setTextAlignment(KyTextAlignment::Center);
  titleLabel_->setFont(KyFont::boldSystemFontOfSize(25));
  titleLabel_->setTextColor(KyLivingViewStyle::shareInstance()->getTextColor());
  titleLabel_->setText("正在初始化...");
  root_->addSubview(titleLabel_);
}

void KyDetectionScreen::showActions(const std::array<int32_t, 4>& actions, int32_t index) {
  int32_t packed = 0;
  for (size_t i = index < 0 ? actions.size() : static_cast<size_t>(index); i < actions.size(); ++i) {
    packed = packed * 10 + actions[i];
  }
  showActions(packed);
}

void KyDetectionScreen::showActions(int32_t livingType) {
  if (livingType < 10 || livingTypeCollectionView_) return;
  livingTypeCollectionView_ = LivingTypeCollection::initWithLivingTypeAndPosY(livingType, frames_.actionListY);
  root_->insertSubviewBelowLayer(livingTypeCollectionView_, previewLayer_);
}

void KyDetectionScreen::setTitle(const std::string& text) {
  if (text.empty() || text == titleLabel_->text()) return;
  titleLabel_->setText(text);
}

void KyDetectionScreen::setTitleColor(KyColor color) { titleLabel_->setTextColor(color); }

void KyDetectionScreen::setBackgroundColor(KyColor color) {
  {
    std::lock_guard lock(colorMutex_);
    backgroundColor_ = color;
  }
  root_->setBackgroundColor(color);
}

KyColor KyDetectionScreen::backgroundColor() const {
  std::lock_guard lock(colorMutex_);
  return backgroundColor_;
}

double KyDetectionScreen::brightness() const { return KyScreen::mainScreen().brightness(); }

void KyDetectionScreen::setBrightness(double brightness) { KyScreen::mainScreen().setBrightness(brightness); }

void KyDetectionScreen::restoreAfterColorFlash(double savedBrightness) {
  const KyLivingViewStyle* style = KyLivingViewStyle::shareInstance();
  setTitleColor(style->getTextColor());
  setBrightness(savedBrightness);
  setBackgroundColor(style->getBackGroundColor());
}

void KyDetectionScreen::showContinueOverlay() { cameraMaskView_->setHidden(false); }

void KyDetectionScreen::hideContinueOverlay() { cameraMaskView_->setHidden(true); }

void KyDetectionScreen::showCameraFrame(const KySampleBuffer& frame) {
  previewLayer_->enqueueFrame(KyLDCommUtil::imageFromSampleBuffer(frame));
}

void KyDetectionScreen::showFaceOutline(bool show) {
  if (show) {
    maskView_->showPeopleOutlineView();
  } else {
    maskView_->hidePeopleOutlineView();
  }
}

void KyDetectionScreen::updateProcess(float value) { progressView_->updateProcess(value); }

void KyDetectionScreen::nextLivingType() {
  if (livingTypeCollectionView_) livingTypeCollectionView_->nextLivingType();
}

void KyDetectionScreen::startWaitingImgView() { maskView_->startWaitingImgView(); }

void KyDetectionScreen::stopWaitingImageRotate() { maskView_->stopWaitingImageRotate(); }

void KyDetectionScreen::playAnimation(float duration, const std::function<void()>& callback) {
  finishView_->playAnimation(duration, callback);
}
