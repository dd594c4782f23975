// A scrolling grid of captured images: one row of 200 x 300 cells per flash-colour position
// (0..9). Changes run on the UI thread.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/ui/KyImageView.h"
#include "platform/ui/KyScrollView.h"

class ImageScrollView : public KyScrollView {
 public:
  explicit ImageScrollView(KyRect frame = {});

  // Places the image in the row of colorIndex; indices outside 0..9 are refused.
  void addImage(std::shared_ptr<KyUIImage> image, int64_t colorIndex);
  void clearImage();

  double imageHeight() const { return imageHeight_; }
  const std::vector<std::shared_ptr<KyImageView>>& imageCollection() const { return imageCollection_; }
  int32_t imageNumber(size_t colorIndex) const { return imageNumber_.at(colorIndex); }

  static constexpr int64_t kColorPositions = 10;

 private:
  void place(std::shared_ptr<KyUIImage> image, size_t colorIndex);

  double imageHeight_ = 0;
  std::vector<std::shared_ptr<KyImageView>> imageCollection_;
  std::array<int32_t, kColorPositions> imageNumber_{};
};
