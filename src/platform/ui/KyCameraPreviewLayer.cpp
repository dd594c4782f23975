#include "platform/ui/KyCameraPreviewLayer.h"

#include "platform/ui/KyUIImage.h"

KyCameraPreviewLayer::KyCameraPreviewLayer() { setBackgroundColor({0.1f, 0.1f, 0.1f, 1}); }

void KyCameraPreviewLayer::enqueueFrame(const KyImage& frame) {
  std::lock_guard lock(mutex_);
  latest_ = frame;
}

bool KyCameraPreviewLayer::hasFrame() const {
  std::lock_guard lock(mutex_);
  return !latest_.empty();
}

void KyCameraPreviewLayer::drawInContext(cairo_t* cr) const {
  KyImage frame;
  {
    std::lock_guard lock(mutex_);
    frame = latest_;
  }
  if (std::shared_ptr<KyUIImage> image = KyUIImage::imageWithKyImage(frame)) {
    const KyRect b = bounds();
    KyDrawImageInRect(cr, *image, {0, 0, b.width, b.height}, gravity_);
  }
}
