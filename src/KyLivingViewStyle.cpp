#include <kylivingdetection/KyLivingViewStyle.h>

#include "utils/ImageUtil.h"

KyLivingViewStyle::KyLivingViewStyle() { initWithStyleType(0); }

KyLivingViewStyle* KyLivingViewStyle::shareInstance() {
  // Never destroyed: views may still read it while the process exits.
  static KyLivingViewStyle* const instance = new KyLivingViewStyle();
  return instance;
}

KyLivingViewStyle* KyLivingViewStyle::initWithStyleType(int32_t /*styleType*/) {
  // Every style type starts from the same look.
  setBackGroundColor("#FFFFFF");
  setProgressStaGradient("#1781b5");
  setProgressEndGradient("#66a9c9");
  setProgressBgColor("#DDDDDD");
  setProgressBorderColor("#0000FF");
  setTextColor("#222222");
  setProgressWidth(5.0f);
  setExitBtnColor("#1E90FF");
  setLdtLabelNormalColor("#222222");
  setLdtLabelProcessColor("#000000");
  setLdtLabelCompleteColor("#00ff00");
  return this;
}

KyLivingViewStyle* KyLivingViewStyle::store(KyColor& field, std::string_view text) {
  KyColor color = ImageUtil::colorWithColorString(text);
  std::lock_guard<std::mutex> lock(mutex_);
  field = color;
  return this;
}

KyColor KyLivingViewStyle::get(const KyColor& field) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return field;
}

KyLivingViewStyle* KyLivingViewStyle::setBackGroundColor(std::string_view color) { return store(backGroundColor_, color); }
KyLivingViewStyle* KyLivingViewStyle::setProgressStaGradient(std::string_view color) {
  return store(progressStaGradient_, color);
}
KyLivingViewStyle* KyLivingViewStyle::setProgressEndGradient(std::string_view color) {
  return store(progressEndGradient_, color);
}
KyLivingViewStyle* KyLivingViewStyle::setProgressBgColor(std::string_view color) { return store(progressBgColor_, color); }
KyLivingViewStyle* KyLivingViewStyle::setProgressBorderColor(std::string_view color) {
  return store(progressBorderColor_, color);
}
KyLivingViewStyle* KyLivingViewStyle::setTextColor(std::string_view color) { return store(textColor_, color); }
KyLivingViewStyle* KyLivingViewStyle::setExitBtnColor(std::string_view color) { return store(exitBtnColor_, color); }
KyLivingViewStyle* KyLivingViewStyle::setLdtLabelNormalColor(std::string_view color) {
  return store(ldtLabelNormalColor_, color);
}
KyLivingViewStyle* KyLivingViewStyle::setLdtLabelProcessColor(std::string_view color) {
  return store(ldtLabelProcessColor_, color);
}
KyLivingViewStyle* KyLivingViewStyle::setLdtLabelCompleteColor(std::string_view color) {
  return store(ldtLabelCompleteColor_, color);
}
KyLivingViewStyle* KyLivingViewStyle::setProgressWidth(float width) {
  std::lock_guard<std::mutex> lock(mutex_);
  progressWidth_ = width;
  return this;
}

KyColor KyLivingViewStyle::getBackGroundColor() const { return get(backGroundColor_); }
KyColor KyLivingViewStyle::getProgressStaGradient() const { return get(progressStaGradient_); }
KyColor KyLivingViewStyle::getProgressEndGradient() const { return get(progressEndGradient_); }
KyColor KyLivingViewStyle::getProgressBgColor() const { return get(progressBgColor_); }
KyColor KyLivingViewStyle::getProgressBorderColor() const { return get(progressBorderColor_); }
KyColor KyLivingViewStyle::getTextColor() const { return get(textColor_); }
KyColor KyLivingViewStyle::getExitLabelColor() const { return get(exitBtnColor_); }
KyColor KyLivingViewStyle::getLdtLabelNormalColor() const { return get(ldtLabelNormalColor_); }
KyColor KyLivingViewStyle::getLdtLabelProcessColor() const { return get(ldtLabelProcessColor_); }
KyColor KyLivingViewStyle::getLdtLabelCompleteColor() const { return get(ldtLabelCompleteColor_); }
float KyLivingViewStyle::getProgressWidth() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return progressWidth_;
}
