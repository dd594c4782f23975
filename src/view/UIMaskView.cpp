#include "view/UIMaskView.h"

#include "platform/ui/KyMainLoop.h"
#include "view/KyMaskDisc.h"
#include "view/LivingImageLoadUtil.h"

std::shared_ptr<UIMaskView> UIMaskView::initWithFrame(KyRect rect) { return std::make_shared<UIMaskView>(rect); }

UIMaskView::UIMaskView(KyRect rect) : KyView(rect) {
  // Only a picture: taps go through to the continue overlay beneath.
  setUserInteractionEnabled(false);
  bgLayer_ = KyMakeMaskDisc(rect.size(), {0, 0, 0, 0.7f});
  bgLayer_->setHidden(true);
  layer()->addSublayer(bgLayer_);
  const KyRect whole{0, 0, rect.width, rect.height};
  peopleOutlineImgView_ = std::make_shared<KyImageView>(whole, LivingImageLoadUtil::loadImageByName("people"));
  addSubview(peopleOutlineImgView_);
  waitingImageView_ = std::make_shared<KyImageView>(whole, LivingImageLoadUtil::loadImageByName("progress"));
  waitingImageView_->setHidden(true);
  addSubview(waitingImageView_);
}

void UIMaskView::fadeOutline(double alpha) {
  std::shared_ptr<KyImageView> outline = peopleOutlineImgView_;
  KyMainLoop::shared().post([outline, alpha] {
    outline->animateAlpha(alpha, {kFadeDuration, 0, KyTimingCurve::EaseInOut});
  });
}

void UIMaskView::showPeopleOutlineView() {
  if (isPeopleOutlineViewShow_.exchange(true)) return;
  fadeOutline(1);
}

void UIMaskView::hidePeopleOutlineView() {
  if (!isPeopleOutlineViewShow_.exchange(false)) return;
  fadeOutline(0);
}

void UIMaskView::startWaitingImgView() {
  if (isWaitingImageViewShow_.exchange(true)) return;
  auto self = std::static_pointer_cast<UIMaskView>(shared_from_this());
  KyMainLoop::shared().post([self] {
    self->peopleOutlineImgView_->setHidden(true);
    self->waitingImageView_->setHidden(false);
    self->bgLayer_->setHidden(false);
  });
  rotateWaitingImage();
}

// Each step turns the spinner's transform by 360 (radians): about 106.5 degrees on screen.
void UIMaskView::rotateWaitingImage() {
  std::weak_ptr<UIMaskView> weak = std::static_pointer_cast<UIMaskView>(shared_from_this());
  KyMainLoop::shared().post([weak] {
    std::shared_ptr<UIMaskView> self = weak.lock();
    if (!self) return;
    const std::shared_ptr<KyImageView>& spinner = self->waitingImageView_;
    spinner->animateTransform(spinner->transform().rotated(360), {kRotationStepDuration, 0, KyTimingCurve::Linear},
                              [weak](bool finished) {
                                std::shared_ptr<UIMaskView> view = weak.lock();
                                if (finished && view && view->isWaitingImageViewShow_) view->rotateWaitingImage();
                              });
  });
}

void UIMaskView::stopWaitingImageRotate() { isWaitingImageViewShow_ = false; }
