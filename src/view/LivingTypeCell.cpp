#include "view/LivingTypeCell.h"

#include <kylivingdetection/KyLivingViewStyle.h>

#include "platform/ui/KyMainLoop.h"
#include "view/LivingImageLoadUtil.h"

std::shared_ptr<LivingTypeCell> LivingTypeCell::initWithSizeAndPromtTitle(KySize size, const std::string& title) {
  return std::make_shared<LivingTypeCell>(size, title);
}

LivingTypeCell::LivingTypeCell(KySize size, const std::string& title) : KyView(KyRect{0, 0, size.width, size.height}) {
  imageView_ = std::make_shared<KyImageView>(KyRect{0, (size.height - 20) / 2, 20, 20},
                                             LivingImageLoadUtil::loadImageByName("living_promt_icon_wait"));
  addSubview(imageView_);
  promtTitle_ = std::make_shared<KyLabel>(KyRect{25, 0, size.width - 25, size.height});
  promtTitle_->setText(title);
  promtTitle_->setTextColor(KyLivingViewStyle::shareInstance()->getLdtLabelNormalColor());
  promtTitle_->setFont(KyFont::boldSystemFontOfSize(20));
  promtTitle_->setTextAlignment(KyTextAlignment::Left);
  addSubview(promtTitle_);
}

void LivingTypeCell::setLivingTypeState(int64_t state) {
  if (state != 1 && state != 2) return;
  auto self = std::static_pointer_cast<LivingTypeCell>(shared_from_this());
  KyMainLoop::shared().post([self, state] {
    const KyLivingViewStyle* style = KyLivingViewStyle::shareInstance();
    const bool inProgress = state == 1;
    self->promtTitle_->setTextColor(inProgress ? style->getLdtLabelProcessColor() : style->getLdtLabelCompleteColor());
    self->imageView_->setImage(LivingImageLoadUtil::loadImageByName(inProgress ? "living_promt_icon_process"
                                                                                : "living_promt_icon_complete"));
  });
}
