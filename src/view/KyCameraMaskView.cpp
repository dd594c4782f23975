#include "view/KyCameraMaskView.h"

#include "view/KyMaskDisc.h"

std::shared_ptr<KyCameraMaskView> KyCameraMaskView::initWithFrame(KyRect rect) {
  return std::make_shared<KyCameraMaskView>(rect);
}

KyCameraMaskView::KyCameraMaskView(KyRect rect) : KyView(rect) {
  layer()->addSublayer(KyMakeMaskDisc(rect.size(), {0, 0, 0, 0.3f}));
  label_ = std::make_shared<KyLabel>(KyRect{0, 0, rect.width, rect.height});
  label_->setText("更换环境后点我继续");
  label_->setTextAlignment(KyTextAlignment::Center);
  label_->setTextColor({1, 1, 1, 1});
  label_->setFont(KyFont::boldSystemFontOfSize(23));
  addSubview(label_);
  setHidden(true);
}
