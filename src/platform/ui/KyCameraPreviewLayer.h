// The camera preview: shows the latest frame handed to it, aspect-filled into its bounds.
// Frames may arrive on any thread (the frame queue); drawing happens on the UI thread.
#pragma once

#include <kylivingdetection/KyImage.h>

#include <memory>
#include <mutex>

#include "platform/ui/KyLayer.h"

class KyCameraPreviewLayer : public KyLayer {
 public:
  KyCameraPreviewLayer();

  // Keeps the frame to show; the frame's pixels are shared, not copied.
  void enqueueFrame(const KyImage& frame);
  // How the frame fills the bounds (aspect fill by default).
  void setVideoGravity(KyContentMode mode) { gravity_ = mode; }
  KyContentMode videoGravity() const { return gravity_; }
  bool hasFrame() const;

  void drawInContext(cairo_t* cr) const override;

 private:
  mutable std::mutex mutex_;
  KyImage latest_;
  KyContentMode gravity_ = KyContentMode::AspectFill;
};
