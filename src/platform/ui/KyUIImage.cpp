#include "platform/ui/KyUIImage.h"

#include <cairo.h>

#include <cstring>

std::shared_ptr<KyUIImage> KyUIImage::imageWithContentsOfFile(const std::string& path) {
  cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  return std::make_shared<KyUIImage>(surface);
}

namespace {

// One pixel of a KyImage as premultiplied ARGB in native byte order.
uint32_t premultipliedPixel(const uint8_t* p, KyPixelFormat format) {
  uint32_t r = 0, g = 0, b = 0, a = 255;
  switch (format) {
    case KyPixelFormat::BGRA: b = p[0]; g = p[1]; r = p[2]; a = p[3]; break;
    case KyPixelFormat::RGBA: r = p[0]; g = p[1]; b = p[2]; a = p[3]; break;
    case KyPixelFormat::RGB: r = p[0]; g = p[1]; b = p[2]; break;
    case KyPixelFormat::Gray: r = g = b = p[0]; break;
  }
  r = r * a / 255;
  g = g * a / 255;
  b = b * a / 255;
  return (a << 24) | (r << 16) | (g << 8) | b;
}

}  // namespace

std::shared_ptr<KyUIImage> KyUIImage::imageWithKyImage(const KyImage& image) {
  if (image.empty()) return nullptr;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image.width, image.height);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  cairo_surface_flush(surface);
  uint8_t* out = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const int bpp = KyBytesPerPixel(image.format);
  for (int32_t y = 0; y < image.height; ++y) {
    const uint8_t* in = image.row(y);
    auto* row = reinterpret_cast<uint32_t*>(out + static_cast<size_t>(y) * static_cast<size_t>(stride));
    for (int32_t x = 0; x < image.width; ++x) row[x] = premultipliedPixel(in + x * bpp, image.format);
  }
  cairo_surface_mark_dirty(surface);
  return std::make_shared<KyUIImage>(surface);
}

KyUIImage::KyUIImage(cairo_surface_t* surface) : surface_(surface) {}

KyUIImage::~KyUIImage() { cairo_surface_destroy(surface_); }

KySize KyUIImage::size() const {
  return {static_cast<double>(cairo_image_surface_get_width(surface_)),
          static_cast<double>(cairo_image_surface_get_height(surface_))};
}
