#include <gtest/gtest.h>

#include <vector>

#include "utils/ImageUtil.h"

namespace {

LabColor lab(uint32_t r, uint32_t g, uint32_t b) {
  LabColor out;
  ImageUtil::RGB2Lab(out, {r, g, b});
  return out;
}

void expectRgb(const RGBColor& color, uint32_t r, uint32_t g, uint32_t b) {
  EXPECT_EQ(color.r, r);
  EXPECT_EQ(color.g, g);
  EXPECT_EQ(color.b, b);
}

}  // namespace

TEST(Lab, KnownColours) {
  struct Case {
    RGBColor rgb;
    float L, a, b;
  };
  const Case cases[] = {
      {{255, 0, 0}, 53.23f, 80.11f, 67.22f},
      {{0, 0, 255}, 32.30f, 79.20f, -107.86f},
      {{118, 118, 118}, 49.64f, 0.0f, 0.0f},
      {{0, 0, 0}, 0.0f, 0.0f, 0.0f},
  };
  for (const Case& c : cases) {
    LabColor out = lab(c.rgb.r, c.rgb.g, c.rgb.b);
    EXPECT_NEAR(out.L, c.L, 0.01) << c.rgb.r << "," << c.rgb.g << "," << c.rgb.b;
    EXPECT_NEAR(out.a, c.a, 0.02);
    EXPECT_NEAR(out.b, c.b, 0.02);
  }
  LabColor black = lab(0, 0, 0);
  EXPECT_EQ(black.L, 0.0f);
  EXPECT_EQ(black.a, 0.0f);
  EXPECT_EQ(black.b, 0.0f);
}

TEST(Lab, WhiteCarriesTheMatrixResidue) {
  LabColor white = lab(255, 255, 255);
  EXPECT_NEAR(white.L, 100.0f, 0.001);
  EXPECT_NEAR(white.a, 0.005f, 0.003);
  EXPECT_NEAR(white.b, -0.010f, 0.004);
  EXPECT_LT(std::abs(white.a), std::abs(white.b));
  EXPECT_LT(white.b, 0.0f);
}

TEST(Lab, RoundTripTruncates) {
  RGBColor back;
  ImageUtil::Lab2RGB(back, lab(255, 0, 0));
  expectRgb(back, 254, 0, 0);
  ImageUtil::Lab2RGB(back, lab(0, 0, 0));
  expectRgb(back, 0, 0, 0);
  // Out-of-gamut values are held at the ends of the channel range.
  ImageUtil::Lab2RGB(back, LabColor{120, 200, -200});
  EXPECT_LE(back.r, 255u);
  EXPECT_LE(back.b, 255u);
  ImageUtil::Lab2RGB(back, LabColor{-50, 0, 0});
  expectRgb(back, 0, 0, 0);
}

TEST(Hsl, GreyAndPureHues) {
  struct Case {
    HSLColor hsl;
    RGBColor rgb;
  };
  const Case cases[] = {
      {{0, 0, 0.5}, {127, 127, 127}}, {{0, 1, 0.5}, {255, 0, 0}},   {{120, 1, 0.5}, {0, 255, 0}},
      {{240, 1, 0.5}, {0, 0, 255}},   {{60, 1, 0.75}, {255, 255, 127}}, {{0, 0, 1}, {255, 255, 255}},
  };
  for (const Case& c : cases) {
    RGBColor out;
    ImageUtil::HSL2RGB(out, c.hsl);
    expectRgb(out, c.rgb.r, c.rgb.g, c.rgb.b);
  }
  EXPECT_DOUBLE_EQ(ImageUtil::HSL2RGBvalue(0, 1, 390), 0.5);
  EXPECT_DOUBLE_EQ(ImageUtil::HSL2RGBvalue(0, 1, -30), 0.0);
}

TEST(HexText, UpperCaseDigits) {
  EXPECT_EQ(ImageUtil::rgb2HexStr({255, 0, 255}), "#FF00FF");
  EXPECT_EQ(ImageUtil::rgb2HexStr({118, 118, 118}), "#767676");
  char text[8];
  ImageUtil::rgb2hex(text, {1, 171, 16});
  EXPECT_STREQ(text, "#01AB10");
  // A value beyond a byte is held at FF rather than read past the digit table.
  EXPECT_EQ(ImageUtil::rgb2HexStr({256, 0, 1000}), "#FF00FF");
}

TEST(ColourText, AcceptsHashAndHexPrefixesOnly) {
  const KyColor green{0, 1, 0, 1}, red{1, 0, 0, 1};
  EXPECT_EQ(ImageUtil::colorWithColorString("  #00ff00\n"), green);
  EXPECT_EQ(ImageUtil::colorWithColorString("0xff0000"), red);
  EXPECT_EQ(ImageUtil::colorWithColorString("0X#FF0000"), red);
  EXPECT_EQ(ImageUtil::colorWithColorString("00FF00"), green);
  for (const char* clear : {"#FFF", "#FF00000", "green", "", "0x#FF00"}) {
    EXPECT_EQ(ImageUtil::colorWithColorString(clear), KyColor::clear()) << clear;
  }
  KyColor partial = ImageUtil::colorWithColorString("#G1801Z");
  EXPECT_EQ(partial.r, 0.0f);
  EXPECT_FLOAT_EQ(partial.g, 128.0f / 255.0f);
  EXPECT_FLOAT_EQ(partial.b, 1.0f / 255.0f);
}

TEST(ColourText, MiddleColourIsOpaque) {
  KyColor middle = ImageUtil::computerMiddleColor({1, 0, 0.5f, 0.2f}, {0, 1, 0.5f, 0});
  EXPECT_EQ(middle, (KyColor{0.5f, 0.5f, 0.5f, 1}));
}

class RectAverage : public testing::Test {
 protected:
  // 4 x 3 frame whose pixel (x, y) is (10x, 10y, 100).
  RectAverage() : pixels(4 * 3 * 3) {
    for (int y = 0; y < 3; ++y) {
      for (int x = 0; x < 4; ++x) {
        uint8_t* p = &pixels[static_cast<size_t>((y * 4 + x) * 3)];
        p[0] = static_cast<uint8_t>(10 * x);
        p[1] = static_cast<uint8_t>(10 * y);
        p[2] = 100;
      }
    }
  }
  RGBImage image() const { return {pixels.data(), 4, 3, 3}; }
  std::vector<uint8_t> pixels;
};

TEST_F(RectAverage, WholeFrameAndClippedRectangles) {
  RGBColor out;
  ImageUtil::getRectAverageRGBFromImage(out, image(), 0, 0, 4, 3);
  expectRgb(out, 15, 10, 100);
  ImageUtil::getRectAverageRGBFromImage(out, image(), 2, 1, 10, 10);  // overlaps the right and bottom edges
  expectRgb(out, 25, 15, 100);
  ImageUtil::getRectAverageRGBFromImage(out, image(), -3, -3, 4, 4);  // only pixel (0, 0) is inside
  expectRgb(out, 0, 0, 100);
}

TEST_F(RectAverage, EmptyRectangleLeavesTheOutputAndNegativeExtentGivesZero) {
  RGBColor out{1, 2, 3};
  ImageUtil::getRectAverageRGBFromImage(out, image(), 1, 1, 0, 2);
  expectRgb(out, 1, 2, 3);
  ImageUtil::getRectAverageRGBFromImage(out, image(), 9, 9, 2, 2);  // both extents negative
  expectRgb(out, 0, 0, 0);
}

TEST(DarkRect, GridVotes) {
  const int width = 30, height = 30, step = width * 4;
  std::vector<uint8_t> frame(static_cast<size_t>(step * height), 0);
  EXPECT_EQ(ImageUtil::isDarkRectInImage(frame.data(), width, height, step, 0, 0, 30, 30), 1);
  std::fill(frame.begin(), frame.end(), 250);
  EXPECT_EQ(ImageUtil::isDarkRectInImage(frame.data(), width, height, step, 0, 0, 30, 30), 2);
  std::fill(frame.begin(), frame.end(), 120);
  EXPECT_EQ(ImageUtil::isDarkRectInImage(frame.data(), width, height, step, 3, 3, 12, 12), 0);
  // Left half dark, right half bright: neither reaches six cells.
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) std::fill_n(&frame[static_cast<size_t>(y * step + x * 4)], 4, x < 15 ? 0 : 255);
  }
  EXPECT_EQ(ImageUtil::isDarkRectInImage(frame.data(), width, height, step, 0, 0, 30, 30), 0);
  EXPECT_EQ(ImageUtil::isDarkRectInImage(nullptr, width, height, step, 0, 0, 30, 30), 0);
  EXPECT_EQ(ImageUtil::isDarkRectInImage(frame.data(), width, height, step, -1, 0, 30, 30), 0);
}
