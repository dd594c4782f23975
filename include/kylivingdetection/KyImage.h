// A still image in memory: 8-bit pixels in one of a few layouts, rows of bytesPerRow
// bytes. Pixels are shared, so copies are cheap and never see later changes.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

enum class KyPixelFormat { BGRA, RGBA, RGB, Gray };

inline int32_t KyBytesPerPixel(KyPixelFormat format) {
  switch (format) {
    case KyPixelFormat::BGRA:
    case KyPixelFormat::RGBA: return 4;
    case KyPixelFormat::RGB: return 3;
    case KyPixelFormat::Gray: return 1;
  }
  return 4;
}

struct KyImage {
  std::shared_ptr<const std::vector<uint8_t>> pixels;
  KyPixelFormat format = KyPixelFormat::BGRA;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bytesPerRow = 0;

  const uint8_t* data() const { return pixels ? pixels->data() : nullptr; }
  bool empty() const { return !pixels || width <= 0 || height <= 0; }
  const uint8_t* row(int32_t y) const { return data() + static_cast<size_t>(y) * static_cast<size_t>(bytesPerRow); }
};
