// Colour arithmetic and image encoding: region means, sRGB/CIELAB/HSL conversions, colour
// texts, RGB extraction from frames, JPEG and PNG encoding.
#pragma once

#include <kylivingdetection/KyColor.h>
#include <kylivingdetection/KyImage.h>

#include <cstdint>
#include <string>
#include <string_view>

struct RGBColor {
  uint32_t r = 0, g = 0, b = 0;
};

struct LabColor {
  float L = 0, a = 0, b = 0;
};

struct HSLColor {
  double h = 0, s = 0, l = 0;
};

// A packed frame for sampling; the bytes are not owned.
struct RGBImage {
  const uint8_t* data = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  int32_t channels = 3;
};

class ImageUtil {
 public:
  // Mean of channels 0..2 over the rectangle clipped to the image; `out` is untouched
  // when the clipped area is 0.
  static void getRectAverageRGBFromImage(RGBColor& out, const RGBImage& image, int32_t x, int32_t y,
                                         int32_t rectWidth, int32_t rectHeight);
  static void RGB2Lab(LabColor& out, RGBColor rgb);
  static void Lab2RGB(RGBColor& out, LabColor lab);
  static void HSL2RGB(RGBColor& out, HSLColor hslColor);
  static double HSL2RGBvalue(double n1, double n2, double hue);
  // "#RRGGBB" in upper case.
  static std::string rgb2HexStr(RGBColor rgb);
  // The same 7 characters and a NUL into `out` (at least 8 bytes).
  static void rgb2hex(char* out, RGBColor rgbColor);
  // "#RRGGBB", "0XRRGGBB" (any case, trimmed); anything else is the clear colour.
  static KyColor colorWithColorString(std::string_view text);
  static KyColor computerMiddleColor(KyColor color1, KyColor colo2);
  // 0 normal, 1 dark, 2 bright, judged over a 3 x 3 grid of the rectangle of a BGR(A) image.
  static int32_t isDarkRectInImage(const uint8_t* data, int32_t width, int32_t height, int32_t step,
                                   int32_t rectX, int32_t rectY, int32_t rectWidth, int32_t rectHeight);

  // Packed RGB bytes (width * height * 3) of the image; released with mFree. Null for an
  // empty image.
  static uint8_t* rgbArrayWithUIImage(const KyImage& image);
  // JPEG (4:2:0, quality 100) of packed RGB into `result` (released with mFree); answers
  // the length, or all bits set on failure.
  static uint64_t rgb2jpg(const uint8_t* rgb, int32_t width, int32_t height, uint8_t*& result);
  // Uncompressed PNG of packed RGB (or RGBA when alpha is non-zero) into `output`
  // (released with mFree); answers its length.
  static uint64_t svpng(uint8_t*& output, uint32_t w, uint32_t h, const uint8_t* img, int32_t alpha);
};
