#include "platform/camera/KyFrameConverter.h"

#include <algorithm>
#include <cstring>
#include <vector>

void kyMirrorBGRARows(uint8_t* bgra, int32_t width, int32_t height, int32_t bytesPerRow) {
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* row = bgra + static_cast<size_t>(y) * static_cast<size_t>(bytesPerRow);
    for (int32_t left = 0, right = width - 1; left < right; ++left, --right) {
      uint32_t a;
      uint32_t b;
      std::memcpy(&a, row + left * 4, 4);
      std::memcpy(&b, row + right * 4, 4);
      std::memcpy(row + left * 4, &b, 4);
      std::memcpy(row + right * 4, &a, 4);
    }
  }
}

// Keeps the centred part of the picture that has the target's width:height shape. Offsets stay
// even so subsampled chroma planes crop on whole samples.
bool KyFrameConverter::cropToTargetShape(AVFrame* picture) const {
  const int64_t w = picture->width;
  const int64_t h = picture->height;
  int64_t cropW = w;
  int64_t cropH = h;
  if (w * options_.height > h * options_.width) {
    cropW = h * options_.width / options_.height;
  } else {
    cropH = w * options_.height / options_.width;
  }
  const int64_t left = ((w - cropW) / 2) & ~int64_t{1};
  const int64_t top = ((h - cropH) / 2) & ~int64_t{1};
  picture->crop_left = static_cast<size_t>(left);
  picture->crop_right = static_cast<size_t>(w - cropW - left);
  picture->crop_top = static_cast<size_t>(top);
  picture->crop_bottom = static_cast<size_t>(h - cropH - top);
  return av_frame_apply_cropping(picture, AV_FRAME_CROP_UNALIGNED) == 0;
}

KySampleBuffer KyFrameConverter::convert(AVFrame* picture, int64_t timestampMs) {
  if (!picture || picture->width <= 0 || picture->height <= 0 || options_.width <= 0 || options_.height <= 0) {
    return {};
  }
  if (!cropToTargetShape(picture)) return {};
  scaler_.reset(sws_getCachedContext(scaler_.release(), picture->width, picture->height,
                                     static_cast<AVPixelFormat>(picture->format), options_.width, options_.height,
                                     AV_PIX_FMT_BGRA, SWS_FAST_BILINEAR, nullptr, nullptr, nullptr));
  if (!scaler_) return {};

  const int32_t bytesPerRow = options_.width * 4;
  auto pixels = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(bytesPerRow) * options_.height);
  uint8_t* planes[4] = {pixels->data(), nullptr, nullptr, nullptr};
  int strides[4] = {bytesPerRow, 0, 0, 0};
  const int rows = sws_scale(scaler_.get(), picture->data, picture->linesize, 0, picture->height, planes, strides);
  if (rows != options_.height) return {};
  if (options_.mirrored) kyMirrorBGRARows(pixels->data(), options_.width, options_.height, bytesPerRow);

  KySampleBuffer frame;
  frame.pixels = std::move(pixels);
  frame.width = options_.width;
  frame.height = options_.height;
  frame.bytesPerRow = bytesPerRow;
  frame.timestampMs = timestampMs;
  return frame;
}
