#include "view/ImageScrollView.h"

#include "platform/ui/KyMainLoop.h"
#include "utils/LDTLog.h"

ImageScrollView::ImageScrollView(KyRect frame) : KyScrollView(frame) {
  setShowsVerticalScrollIndicator(true);
  setScrollEnabled(true);
  setContentSize({10000, 10000});
}

void ImageScrollView::addImage(std::shared_ptr<KyUIImage> image, int64_t colorIndex) {
  if (colorIndex < 0 || colorIndex >= kColorPositions) {
    LDT_LOGE("colour index %lld out of 0..9", static_cast<long long>(colorIndex));
    return;
  }
  auto self = std::static_pointer_cast<ImageScrollView>(shared_from_this());
  KyMainLoop::shared().post([self, image = std::move(image), colorIndex] {
    self->place(image, static_cast<size_t>(colorIndex));
  });
}

// Images placed before the first one's height is known all land on row 0.
void ImageScrollView::place(std::shared_ptr<KyUIImage> image, size_t colorIndex) {
  const double x = 200.0 * imageNumber_[colorIndex];
  const double y = imageHeight_ == 0 ? 0 : (imageHeight_ + 20) * static_cast<double>(colorIndex);
  auto cell = std::make_shared<KyImageView>(KyRect{x, y, 200, 300}, std::move(image));
  cell->setContentMode(KyContentMode::AspectFill);
  imageNumber_[colorIndex] += 1;
  addSubview(cell);
  imageCollection_.push_back(cell);
  if (imageHeight_ == 0) imageHeight_ = cell->frame().height;
}

void ImageScrollView::clearImage() {
  auto self = std::static_pointer_cast<ImageScrollView>(shared_from_this());
  KyMainLoop::shared().post([self] {
    for (const auto& cell : self->imageCollection_) cell->removeFromSuperview();
    self->imageNumber_.fill(0);
    self->imageCollection_.clear();
    self->imageHeight_ = 0;
  });
}
