// Helpers of the screen tests: running the UI loop and reading pixels of drawn images.
#pragma once

#include <cairo.h>

#include <chrono>
#include <cstdint>
#include <functional>

#include "platform/ui/KyMainLoop.h"
#include "platform/ui/KyUIImage.h"

// Runs the UI work posted so far (and what it posts in turn).
inline void drainUI() {
  while (KyMainLoop::shared().drain() > 0) {
  }
}

// Runs the UI loop until the condition holds; the limit only guards against a hang.
inline bool runUIUntil(const std::function<bool()>& done) {
  return KyMainLoop::shared().runUntil(done, std::chrono::seconds(20));
}

struct Rgba8 {
  int r, g, b, a;
};

// Un-premultiplied colour of one pixel of a drawn image.
inline Rgba8 pixelAt(const KyUIImage& image, int x, int y) {
  cairo_surface_t* s = image.surface();
  cairo_surface_flush(s);
  const uint8_t* row = cairo_image_surface_get_data(s) + static_cast<size_t>(y) * cairo_image_surface_get_stride(s);
  const uint32_t p = reinterpret_cast<const uint32_t*>(row)[x];
  const int a = cairo_image_surface_get_format(s) == CAIRO_FORMAT_RGB24 ? 255 : static_cast<int>(p >> 24);
  auto channel = [&](int shift) {
    const int c = static_cast<int>((p >> shift) & 0xff);
    return a == 0 ? 0 : (c * 255 + a / 2) / a;
  };
  return {channel(16), channel(8), channel(0), a};
}
