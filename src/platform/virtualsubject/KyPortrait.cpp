#include "platform/virtualsubject/KyPortrait.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "dlibwrapper/KyDlibWrapper.h"

namespace {

// The eye line sits at about a third of the detector's box; placing the box centre a little
// below the middle of the upper square puts the eyes near the square's centre.
constexpr double kFaceCentreY = 280;

struct Bgra {
  double b = 0, g = 0, r = 0;
};

Bgra pixelAt(const KyImage& image, int32_t x, int32_t y) {
  x = std::clamp(x, 0, image.width - 1);
  y = std::clamp(y, 0, image.height - 1);
  const uint8_t* p = image.row(y) + static_cast<size_t>(x) * KyBytesPerPixel(image.format);
  switch (image.format) {
    case KyPixelFormat::BGRA: return {double(p[0]), double(p[1]), double(p[2])};
    case KyPixelFormat::RGBA:
    case KyPixelFormat::RGB: return {double(p[2]), double(p[1]), double(p[0])};
    case KyPixelFormat::Gray: return {double(p[0]), double(p[0]), double(p[0])};
  }
  return {};
}

// Bilinear sample with edges clamped.
Bgra sample(const KyImage& image, double x, double y) {
  const int32_t x0 = static_cast<int32_t>(std::floor(x)), y0 = static_cast<int32_t>(std::floor(y));
  const double fx = x - x0, fy = y - y0;
  const Bgra a = pixelAt(image, x0, y0), b = pixelAt(image, x0 + 1, y0);
  const Bgra c = pixelAt(image, x0, y0 + 1), d = pixelAt(image, x0 + 1, y0 + 1);
  auto mix = [&](double pa, double pb, double pc, double pd) {
    return (pa * (1 - fx) + pb * fx) * (1 - fy) + (pc * (1 - fx) + pd * fx) * fy;
  };
  return {mix(a.b, b.b, c.b, d.b), mix(a.g, b.g, c.g, d.g), mix(a.r, b.r, c.r, d.r)};
}

KyImage scaledInto(const KyImage& photo, double scale, double offsetX, double offsetY, int32_t width,
                   int32_t height) {
  auto pixels = std::make_shared<std::vector<uint8_t>>(static_cast<size_t>(width) * height * 4);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const Bgra c = sample(photo, (x - offsetX) / scale, (y - offsetY) / scale);
      uint8_t* out = pixels->data() + (static_cast<size_t>(y) * width + x) * 4;
      out[0] = static_cast<uint8_t>(std::lround(c.b));
      out[1] = static_cast<uint8_t>(std::lround(c.g));
      out[2] = static_cast<uint8_t>(std::lround(c.r));
      out[3] = 255;
    }
  }
  return KyImage{std::move(pixels), KyPixelFormat::BGRA, width, height, width * 4};
}

}  // namespace

KyImage kyDecodePngFile(const std::string& path, std::string& error) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) {
    error = "cannot read PNG " + path + ": " + png.message;
    return {};
  }
  png.format = PNG_FORMAT_BGRA;
  auto pixels = std::make_shared<std::vector<uint8_t>>(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, pixels->data(), 0, nullptr)) {
    error = "cannot decode PNG " + path + ": " + png.message;
    png_image_free(&png);
    return {};
  }
  const auto width = static_cast<int32_t>(png.width), height = static_cast<int32_t>(png.height);
  return KyImage{std::move(pixels), KyPixelFormat::BGRA, width, height, width * 4};
}

std::optional<KyPortrait> KyPortrait::load(const std::string& pngPath, int32_t width, int32_t height,
                                           std::string& error) {
  KyImage photo = kyDecodePngFile(pngPath, error);
  if (photo.empty()) return std::nullopt;
  return place(photo, width, height, error);
}

std::optional<KyPortrait> KyPortrait::place(const KyImage& photo, int32_t width, int32_t height,
                                            std::string& error) {
  const KyFaceRect found = KyDlibWrapper::findFace(photo);
  if (found.width <= 0) {
    error = "no face found in the portrait";
    return std::nullopt;
  }
  const double scale = kFaceWidth / found.width;
  const double offsetX = width / 2.0 - (found.x + found.width / 2) * scale;
  const double offsetY = kFaceCentreY - (found.y + found.height / 2) * scale;
  KyPortrait portrait;
  portrait.image = scaledInto(photo, scale, offsetX, offsetY, width, height);
  portrait.face = KyDlibWrapper::findFace(portrait.image);
  if (portrait.face.width <= 0) {
    error = "no face found in the placed portrait";
    return std::nullopt;
  }
  portrait.landmarks = KyDlibWrapper::shareInstance().detecitonOnSampleBuffer(portrait.image, portrait.face);
  if (portrait.landmarks.size() != kLandmarkCount) {
    error = "the landmark model is not loaded";
    return std::nullopt;
  }
  return portrait;
}
