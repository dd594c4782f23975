// A view showing an image, placed by its content mode (scale to fill by default).
#pragma once

#include "platform/ui/KyUIImage.h"
#include "platform/ui/KyView.h"

class KyImageView : public KyView {
 public:
  explicit KyImageView(KyRect frame = {}, std::shared_ptr<KyUIImage> image = nullptr);

  const std::shared_ptr<KyUIImage>& image() const { return layer()->contents(); }
  void setImage(std::shared_ptr<KyUIImage> image) { layer()->setContents(std::move(image)); }
  KyContentMode contentMode() const { return layer()->contentMode(); }
  void setContentMode(KyContentMode mode) { layer()->setContentMode(mode); }
};
