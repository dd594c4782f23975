// A camera frame: 32-bit BGRA pixels (bytes B, G, R, A), rows of bytesPerRow bytes,
// which may exceed width * 4. The pixels are shared and never change after capture.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

struct KySampleBuffer {
  std::shared_ptr<const std::vector<uint8_t>> pixels;
  int32_t width = 0;
  int32_t height = 0;
  int32_t bytesPerRow = 0;
  int64_t timestampMs = 0;  // capture time, milliseconds since 1970

  const uint8_t* data() const { return pixels ? pixels->data() : nullptr; }
  bool empty() const { return !pixels || width <= 0 || height <= 0; }

  // A frame that owns a copy of the given rows (bytesPerRow 0 means width * 4).
  static KySampleBuffer copyOf(const uint8_t* bgra, int32_t width, int32_t height, int32_t bytesPerRow = 0,
                               int64_t timestampMs = 0) {
    if (bytesPerRow == 0) bytesPerRow = width * 4;
    KySampleBuffer frame;
    frame.pixels = std::make_shared<const std::vector<uint8_t>>(
        bgra, bgra + static_cast<size_t>(bytesPerRow) * static_cast<size_t>(height));
    frame.width = width;
    frame.height = height;
    frame.bytesPerRow = bytesPerRow;
    frame.timestampMs = timestampMs;
    return frame;
  }
};
