// Turns decoded pictures into capture frames: centre crop to the target's shape, scale, BGRA, mirror.
#pragma once

#include "platform/camera/KyCaptureTypes.h"
#include "platform/camera/KyLibavPtr.h"

class KyFrameConverter {
 public:
  explicit KyFrameConverter(const KyCaptureOptions& options) : options_(options) {}

  // The picture as a width x height BGRA frame; empty when the picture cannot be converted.
  // The picture's crop fields are changed.
  KySampleBuffer convert(AVFrame* picture, int64_t timestampMs);

 private:
  bool cropToTargetShape(AVFrame* picture) const;

  KyCaptureOptions options_;
  KySwsPtr scaler_;
};

// Swaps left and right of every row of a BGRA picture in place.
void kyMirrorBGRARows(uint8_t* bgra, int32_t width, int32_t height, int32_t bytesPerRow);
