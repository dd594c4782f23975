// One entry of the action list: a 20 x 20 state icon and the action's title.
// States: 0 waiting, 1 in progress, 2 complete.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/ui/KyImageView.h"
#include "platform/ui/KyLabel.h"

class LivingTypeCell : public KyView {
 public:
  static std::shared_ptr<LivingTypeCell> initWithSizeAndPromtTitle(KySize size, const std::string& title);
  LivingTypeCell(KySize size, const std::string& title);

  // 1 and 2 change the icon and colour on the UI thread; other values change nothing.
  void setLivingTypeState(int64_t state);

  const std::shared_ptr<KyLabel>& promtTitle() const { return promtTitle_; }
  const std::shared_ptr<KyImageView>& imageView() const { return imageView_; }

 private:
  std::shared_ptr<KyLabel> promtTitle_;
  std::shared_ptr<KyImageView> imageView_;
};
