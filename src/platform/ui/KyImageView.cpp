#include "platform/ui/KyImageView.h"

KyImageView::KyImageView(KyRect frame, std::shared_ptr<KyUIImage> image) : KyView(frame) {
  setImage(std::move(image));
}
