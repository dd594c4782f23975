// An immutable bitmap for drawing: premultiplied 32-bit pixels, sized in points
// (one pixel per point).
#pragma once

#include <kylivingdetection/KyImage.h>

#include <memory>
#include <string>

#include "platform/ui/KyGeometry.h"

typedef struct _cairo_surface cairo_surface_t;

class KyUIImage {
 public:
  // A PNG file; none when it is missing or not a PNG.
  static std::shared_ptr<KyUIImage> imageWithContentsOfFile(const std::string& path);
  // A copy of a camera frame or other in-memory image; none when it is empty.
  static std::shared_ptr<KyUIImage> imageWithKyImage(const KyImage& image);
  // Takes ownership of a surface.
  explicit KyUIImage(cairo_surface_t* surface);
  ~KyUIImage();
  KyUIImage(const KyUIImage&) = delete;
  KyUIImage& operator=(const KyUIImage&) = delete;

  KySize size() const;
  cairo_surface_t* surface() const { return surface_; }

 private:
  cairo_surface_t* surface_;
};
