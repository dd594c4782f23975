// Colours and the progress-ring width of the detection screen. One shared instance per
// process; views read it when they are built, so a change affects the next screen.
#pragma once

#include <kylivingdetection/KyColor.h>

#include <cstdint>
#include <mutex>
#include <string_view>

class KyLivingViewStyle {
 public:
  KyLivingViewStyle();
  // The process-wide instance (style type 0), created on first use.
  static KyLivingViewStyle* shareInstance();

  // Sets every field to its default; every style type gives the same defaults.
  KyLivingViewStyle* initWithStyleType(int32_t styleType);

  // Colour setters take "#RRGGBB" or "0XRRGGBB"; anything else stores the clear colour.
  KyLivingViewStyle* setBackGroundColor(std::string_view color);
  KyLivingViewStyle* setProgressStaGradient(std::string_view color);
  KyLivingViewStyle* setProgressEndGradient(std::string_view color);
  KyLivingViewStyle* setProgressBgColor(std::string_view color);
  KyLivingViewStyle* setProgressBorderColor(std::string_view color);
  KyLivingViewStyle* setTextColor(std::string_view color);
  KyLivingViewStyle* setExitBtnColor(std::string_view color);
  KyLivingViewStyle* setLdtLabelNormalColor(std::string_view color);
  KyLivingViewStyle* setLdtLabelProcessColor(std::string_view color);
  KyLivingViewStyle* setLdtLabelCompleteColor(std::string_view color);
  KyLivingViewStyle* setProgressWidth(float width);

  KyColor getBackGroundColor() const;
  KyColor getProgressStaGradient() const;
  KyColor getProgressEndGradient() const;
  KyColor getProgressBgColor() const;
  KyColor getProgressBorderColor() const;
  KyColor getTextColor() const;
  KyColor getExitLabelColor() const;
  KyColor getLdtLabelNormalColor() const;
  KyColor getLdtLabelProcessColor() const;
  KyColor getLdtLabelCompleteColor() const;
  float getProgressWidth() const;

 private:
  KyLivingViewStyle* store(KyColor& field, std::string_view text);
  KyColor get(const KyColor& field) const;

  mutable std::mutex mutex_;
  KyColor backGroundColor_, progressStaGradient_, progressEndGradient_, progressBgColor_,
      progressBorderColor_, textColor_, exitBtnColor_, ldtLabelNormalColor_, ldtLabelProcessColor_,
      ldtLabelCompleteColor_;
  float progressWidth_ = 5.0f;
};
