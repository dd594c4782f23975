// Colour arithmetic of ImageUtil. The float/double staging of the Lab conversions is
// deliberate: every intermediate is computed in double and stored as float, and the
// colourful check's history is built on exactly these values.
#include "utils/ImageUtil.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

float linearise(float c) {
  return c > 0.04045 ? static_cast<float>(std::pow((c + 0.055) / 1.055, 2.4)) : static_cast<float>(c / 12.92);
}

float labCompress(float t) {
  return t > 0.008856 ? static_cast<float>(std::cbrt(static_cast<double>(t)))
                      : static_cast<float>(7.787 * t + 0.13793103448275862);
}

float labExpand(float t) {
  float t3 = t * t * t;
  return t3 > 0.008856 ? t3 : static_cast<float>((t - 0.13793103448275862) / 7.787);
}

float gammaCompress(float c) {
  return c > 0.0031308 ? static_cast<float>(1.055 * std::pow(static_cast<double>(c), 1 / 2.4) - 0.055)
                       : static_cast<float>(12.92 * c);
}

// Clamps to 0..1 (NaN counts as 0) and scales to a channel by truncation.
uint32_t toChannel(double c) {
  if (!(c > 0)) return 0;
  if (c > 1) c = 1;
  return static_cast<uint32_t>(255 * c);
}

// Truncation of a 0..255 product; values outside that range are held at its ends.
uint32_t truncateChannel(double value) {
  if (!(value > 0)) return 0;
  if (value > 255) return 255;
  return static_cast<uint32_t>(value);
}

uint32_t heldChannel(uint32_t c) { return std::min<uint32_t>(c, 255); }

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Reads a pair of upper-case hex digits, stopping at the first non-hex character.
uint32_t scanHexPair(std::string_view pair) {
  uint32_t value = 0;
  for (char c : pair) {
    int digit = hexValue(c);
    if (digit < 0) break;
    value = value * 16 + static_cast<uint32_t>(digit);
  }
  return value;
}

std::string_view trimmed(std::string_view text) {
  auto isSpace = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

void ImageUtil::getRectAverageRGBFromImage(RGBColor& out, const RGBImage& image, int32_t x, int32_t y,
                                           int32_t rectWidth, int32_t rectHeight) {
  int64_t x0 = std::max<int64_t>(x, 0);
  int64_t x1 = std::min<int64_t>(static_cast<int64_t>(x) + rectWidth, image.width);
  int64_t y0 = std::max<int64_t>(y, 0);
  int64_t y1 = std::min<int64_t>(static_cast<int64_t>(y) + rectHeight, image.height);
  int64_t n = (y1 - y0) * (x1 - x0);
  if (n == 0) return;
  // Fewer than three channels would read past the pixel; no pixels means nothing to read.
  if (image.data == nullptr || image.channels < 3) return;

  uint64_t sums[3] = {0, 0, 0};
  for (int64_t row = y0; row < y1; ++row) {
    for (int64_t col = x0; col < x1; ++col) {
      const uint8_t* pixel = image.data + (row * image.width + col) * image.channels;
      sums[0] += pixel[0];
      sums[1] += pixel[1];
      sums[2] += pixel[2];
    }
  }
  out.r = static_cast<uint32_t>(static_cast<int64_t>(sums[0]) / n);
  out.g = static_cast<uint32_t>(static_cast<int64_t>(sums[1]) / n);
  out.b = static_cast<uint32_t>(static_cast<int64_t>(sums[2]) / n);
}

void ImageUtil::RGB2Lab(LabColor& out, RGBColor rgb) {
  float r = static_cast<float>(rgb.r / 255.0);
  float g = static_cast<float>(rgb.g / 255.0);
  float b = static_cast<float>(rgb.b / 255.0);
  r = linearise(r);
  g = linearise(g);
  b = linearise(b);
  float x = static_cast<float>((0.4124 * r + 0.3576 * g + 0.1805 * b) / 0.95047);
  float y = static_cast<float>((0.2126 * r + 0.7152 * g + 0.0722 * b) / 1.0);
  float z = static_cast<float>((0.0193 * r + 0.1192 * g + 0.9505 * b) / 1.08883);
  float fx = labCompress(x);
  float fy = labCompress(y);
  float fz = labCompress(z);
  out.L = 116.0f * fy - 16.0f;
  out.a = 500.0f * (fx - fy);
  out.b = 200.0f * (fy - fz);
}

void ImageUtil::Lab2RGB(RGBColor& out, LabColor lab) {
  float fy = (lab.L + 16.0f) / 116.0f;
  float fx = lab.a / 500.0f + fy;
  float fz = fy - lab.b / 200.0f;
  float x = static_cast<float>(0.95047 * labExpand(fx));
  float y = static_cast<float>(1.0 * labExpand(fy));
  float z = static_cast<float>(1.08883 * labExpand(fz));
  float r = static_cast<float>(3.2406 * x - 1.5372 * y - 0.4986 * z);
  float g = static_cast<float>(-0.9689 * x + 1.8758 * y + 0.0415 * z);
  float b = static_cast<float>(0.0557 * x - 0.204 * y + 1.057 * z);
  out.r = toChannel(gammaCompress(r));
  out.g = toChannel(gammaCompress(g));
  out.b = toChannel(gammaCompress(b));
}

void ImageUtil::HSL2RGB(RGBColor& out, HSLColor hslColor) {
  double h = hslColor.h, s = hslColor.s, l = hslColor.l;
  double n2 = l <= 0.5 ? l * (1 + s) : l * (1 - s) + s;
  double n1 = 2 * l - n2;
  if (s == 0) {
    out.r = out.g = out.b = truncateChannel(l * 255);
    return;
  }
  out.r = truncateChannel(HSL2RGBvalue(n1, n2, h + 120) * 255);
  out.g = truncateChannel(HSL2RGBvalue(n1, n2, h) * 255);
  out.b = truncateChannel(HSL2RGBvalue(n1, n2, h - 120) * 255);
}

double ImageUtil::HSL2RGBvalue(double n1, double n2, double hue) {
  if (hue > 360) {
    hue -= 360;
  } else if (hue < 0) {
    hue += 360;
  }
  if (hue < 60) return n1 + (n2 - n1) * hue / 60;
  if (hue < 180) return n2;
  if (hue < 240) return n1 + (n2 - n1) * (240 - hue) / 60;
  return n1;
}

std::string ImageUtil::rgb2HexStr(RGBColor rgb) {
  char text[8];
  rgb2hex(text, rgb);
  return text;
}

void ImageUtil::rgb2hex(char* out, RGBColor rgbColor) {
  if (out == nullptr) return;
  // Held at 255 so that a stray value cannot index past the digit table.
  uint32_t r = heldChannel(rgbColor.r), g = heldChannel(rgbColor.g), b = heldChannel(rgbColor.b);
  out[0] = '#';
  out[1] = kHexDigits[r / 16];
  out[2] = kHexDigits[r % 16];
  out[3] = kHexDigits[g / 16];
  out[4] = kHexDigits[g % 16];
  out[5] = kHexDigits[b / 16];
  out[6] = kHexDigits[b % 16];
  out[7] = '\0';
}

KyColor ImageUtil::colorWithColorString(std::string_view text) {
  std::string upper(trimmed(text));
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (upper.size() < 6) return KyColor::clear();
  std::string_view digits(upper);
  if (digits.starts_with("0X")) digits.remove_prefix(2);
  if (digits.starts_with("#")) digits.remove_prefix(1);
  if (digits.size() != 6) return KyColor::clear();
  float red = static_cast<float>(scanHexPair(digits.substr(0, 2))) / 255.0f;
  float green = static_cast<float>(scanHexPair(digits.substr(2, 2))) / 255.0f;
  float blue = static_cast<float>(scanHexPair(digits.substr(4, 2))) / 255.0f;
  return {red, green, blue, 1.0f};
}

KyColor ImageUtil::computerMiddleColor(KyColor color1, KyColor colo2) {
  return {(color1.r + colo2.r) / 2, (color1.g + colo2.g) / 2, (color1.b + colo2.b) / 2, 1.0f};
}

namespace {

struct BrightnessCell {
  float sum = 0;
  float count = 0;

  void add(double brightness) {
    sum += static_cast<float>(brightness);
    count += 1;
    // Long runs are folded into their mean so the float sum keeps its precision.
    if (count > 200000) {
      sum = sum / count;
      count = 0;
    }
  }
  // A cell that saw no pixel since its last fold holds its mean (or 0) in the sum.
  int32_t mean() const { return static_cast<int32_t>(count > 0 ? sum / count : sum); }
};

}  // namespace

int32_t ImageUtil::isDarkRectInImage(const uint8_t* data, int32_t width, int32_t height, int32_t step,
                                     int32_t rectX, int32_t rectY, int32_t rectWidth, int32_t rectHeight) {
  if (data == nullptr || width <= 0 || height <= 0 || rectX < 0 || rectY < 0) return 0;
  int32_t bytesPerPixel = step / width;
  if (bytesPerPixel < 3) return 0;
  if (static_cast<int64_t>(rectX) + rectWidth > width) rectWidth = width - rectX - 1;
  if (static_cast<int64_t>(rectY) + rectHeight > height) rectHeight = height - rectY - 1;
  if (rectWidth <= 0 || rectHeight <= 0) return 0;

  float cellHeight = static_cast<float>(rectHeight) / 3;
  float cellWidth = static_cast<float>(rectWidth) / 3;
  BrightnessCell cells[3][3];
  const uint8_t* origin = data + static_cast<int64_t>(rectX) * bytesPerPixel + static_cast<int64_t>(rectY) * step;
  for (int32_t r = 0; r < rectHeight; ++r) {
    const uint8_t* pixel = origin + static_cast<int64_t>(r) * step;
    int cellRow = std::min(2, static_cast<int>(static_cast<float>(r) / cellHeight));
    for (int32_t c = 0; c < rectWidth; ++c, pixel += bytesPerPixel) {
      int cellCol = std::min(2, static_cast<int>(static_cast<float>(c) / cellWidth));
      double blue = pixel[0], green = pixel[1], red = pixel[2];
      cells[cellRow][cellCol].add(std::sqrt(0.241 * red * red + 0.691 * green * green + 0.068 * blue * blue));
    }
  }

  int dark = 0, bright = 0;
  for (const auto& row : cells) {
    for (const BrightnessCell& cell : row) {
      int32_t m = cell.mean();
      if (m <= 40) ++dark;
      if (m >= 190) ++bright;
    }
  }
  if (dark >= 6) return 1;
  if (bright >= 6) return 2;
  return 0;
}
