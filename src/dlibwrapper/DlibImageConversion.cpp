#include "dlibwrapper/DlibImageConversion.h"

#include <cstddef>

namespace {

bool holdsRows(const std::vector<uint8_t>* pixels, int32_t width, int32_t height, int32_t bytesPerRow,
               int32_t bytesPerPixel) {
  if (!pixels || width <= 0 || height <= 0) return false;
  const auto rowBytes = static_cast<size_t>(width) * static_cast<size_t>(bytesPerPixel);
  if (bytesPerRow < 0 || static_cast<size_t>(bytesPerRow) < rowBytes) return false;
  const size_t needed = static_cast<size_t>(bytesPerRow) * static_cast<size_t>(height - 1) + rowBytes;
  return pixels->size() >= needed;
}

uint8_t premultiply(uint8_t channel, uint8_t alpha) {
  return static_cast<uint8_t>((channel * alpha + 127) / 255);
}

}  // namespace

bool isReadableFrame(const KySampleBuffer& frame) {
  return holdsRows(frame.pixels.get(), frame.width, frame.height, frame.bytesPerRow, 4);
}

bool isReadableImage(const KyImage& image) {
  return holdsRows(image.pixels.get(), image.width, image.height, image.bytesPerRow, KyBytesPerPixel(image.format));
}

bool copyFrameToDlibImage(const KySampleBuffer& frame, dlib::array2d<dlib::bgr_pixel>& out) {
  if (!isReadableFrame(frame)) {
    out.clear();
    return false;
  }
  out.set_size(frame.height, frame.width);
  const uint8_t* row = frame.data();
  for (long y = 0; y < out.nr(); ++y, row += frame.bytesPerRow) {
    dlib::bgr_pixel* target = &out[y][0];
    for (long x = 0; x < out.nc(); ++x) {
      target[x].blue = row[4 * x];
      target[x].green = row[4 * x + 1];
      target[x].red = row[4 * x + 2];
    }
  }
  return true;
}

void UIImageToDlibImage(const KyImage& image, dlib::array2d<dlib::bgr_pixel>& out, bool premultipliedAlpha) {
  out.clear();
  if (!isReadableImage(image)) return;
  out.set_size(image.height, image.width);
  const int32_t bytesPerPixel = KyBytesPerPixel(image.format);
  // Byte offsets of red, green, blue and alpha (-1: none) within a pixel.
  int red = 0, green = 1, blue = 2, alpha = -1;
  switch (image.format) {
    case KyPixelFormat::BGRA: red = 2, blue = 0, alpha = 3; break;
    case KyPixelFormat::RGBA: alpha = 3; break;
    case KyPixelFormat::RGB: break;
    case KyPixelFormat::Gray: red = green = blue = 0; break;
  }
  const bool applyAlpha = premultipliedAlpha && alpha >= 0;
  for (long y = 0; y < out.nr(); ++y) {
    const uint8_t* source = image.row(static_cast<int32_t>(y));
    for (long x = 0; x < out.nc(); ++x, source += bytesPerPixel) {
      dlib::bgr_pixel& pixel = out[y][x];
      pixel.red = source[red];
      pixel.green = source[green];
      pixel.blue = source[blue];
      if (applyAlpha) {
        pixel.red = premultiply(pixel.red, source[alpha]);
        pixel.green = premultiply(pixel.green, source[alpha]);
        pixel.blue = premultiply(pixel.blue, source[alpha]);
      }
    }
  }
}
