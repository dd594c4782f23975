#include <gtest/gtest.h>

#include <png.h>
#include <turbojpeg.h>

#include <cstdlib>
#include <vector>

#include "utils/CodecUtil.h"
#include "utils/ImageUtil.h"
#include "utils/KyLDCommUtil.h"

namespace {

using Bytes = std::vector<uint8_t>;

// Copies a buffer handed out by ImageUtil and releases it.
Bytes takeBuffer(uint8_t* buffer, uint64_t length) {
  Bytes bytes(buffer, buffer + length);
  mFree(buffer);
  return bytes;
}

// A w x h pattern with distinct values per pixel and channel.
Bytes pattern(uint32_t w, uint32_t h, int channels) {
  Bytes pixels(static_cast<size_t>(w) * h * static_cast<size_t>(channels));
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>((i * 37 + i / 7) & 0xFF);
  return pixels;
}

Bytes svpng(uint32_t w, uint32_t h, const Bytes& pixels, int alpha) {
  uint8_t* out = nullptr;
  uint64_t length = ImageUtil::svpng(out, w, h, pixels.data(), alpha);
  return out ? takeBuffer(out, length) : Bytes();
}

// Decodes a PNG with libpng into 8-bit pixels of the given format.
bool decodePng(const Bytes& png, uint32_t format, Bytes& pixels, png_uint_32& width, png_uint_32& height) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_memory(&image, png.data(), png.size())) return false;
  image.format = format;
  pixels.resize(PNG_IMAGE_SIZE(image));
  width = image.width;
  height = image.height;
  bool ok = png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr) != 0;
  png_image_free(&image);
  return ok;
}

uint32_t bigEndian(const Bytes& bytes, size_t at) {
  return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) | (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
}

// A BGRA camera frame with padded rows; pixel (x, y) is B = x, G = y, R = x + y, A = 255.
KySampleBuffer paddedFrame(int32_t width, int32_t height, int32_t bytesPerRow) {
  Bytes rows(static_cast<size_t>(bytesPerRow) * static_cast<size_t>(height), 0xEE);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = &rows[static_cast<size_t>(y * bytesPerRow + x * 4)];
      p[0] = static_cast<uint8_t>(x);
      p[1] = static_cast<uint8_t>(y);
      p[2] = static_cast<uint8_t>(x + y);
      p[3] = 255;
    }
  }
  return KySampleBuffer::copyOf(rows.data(), width, height, bytesPerRow);
}

}  // namespace

TEST(Svpng, TwoByOneHasTheStatedLayout) {
  const Bytes pixels = {1, 2, 3, 4, 5, 6};
  Bytes png = svpng(2, 1, pixels, 0);
  ASSERT_EQ(png.size(), 8u + 25u + 12u + 18u + 12u);
  EXPECT_EQ(Bytes(png.begin(), png.begin() + 8), (Bytes{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A}));
  EXPECT_EQ(png[8 + 8 + 9], 2);  // colour type
  EXPECT_EQ(bigEndian(png, 33), 18u);  // IDAT length
  const Bytes idat(png.begin() + 41, png.begin() + 41 + 18);
  const Bytes expected = {0x78, 0x01, 1, 0x07, 0x00, 0xF8, 0xFF, 0, 1, 2, 3, 4, 5, 6,
                          // Adler-32 of 00 01 02 03 04 05 06: a = 22, b = 63
                          0x00, 0x3F, 0x00, 0x16};
  EXPECT_EQ(idat, expected);
  // IEND with its fixed CRC closes the file.
  EXPECT_EQ(Bytes(png.end() - 12, png.end()), (Bytes{0, 0, 0, 0, 'I', 'E', 'N', 'D', 0xAE, 0x42, 0x60, 0x82}));
}

TEST(Svpng, OneRgbaPixelUsesColourType6AndBlockLength5) {
  Bytes png = svpng(1, 1, {9, 8, 7, 6}, 1);
  ASSERT_FALSE(png.empty());
  EXPECT_EQ(png[25], 6);
  // After the signature, IHDR, the IDAT length and type and the zlib header: the block.
  EXPECT_EQ(png[43], 1);
  EXPECT_EQ(png[44], 5);
  EXPECT_EQ(png[45], 0);
  EXPECT_EQ(png[46], 0xFA);
  EXPECT_EQ(png[47], 0xFF);
}

TEST(Svpng, LibpngReadsThePixelsBack) {
  struct Case {
    uint32_t w, h;
    int alpha;
  };
  for (const Case& c : {Case{1, 1, 0}, Case{17, 9, 0}, Case{64, 33, 1}, Case{3, 200, 1}}) {
    const int channels = c.alpha ? 4 : 3;
    const Bytes pixels = pattern(c.w, c.h, channels);
    Bytes decoded;
    png_uint_32 width = 0, height = 0;
    ASSERT_TRUE(decodePng(svpng(c.w, c.h, pixels, c.alpha), c.alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB, decoded,
                          width, height))
        << c.w << "x" << c.h;
    EXPECT_EQ(width, c.w);
    EXPECT_EQ(height, c.h);
    EXPECT_EQ(decoded, pixels);
  }
}

TEST(Svpng, ImagesItCannotStoreAnswerZero) {
  const Bytes pixels(16, 0);
  uint8_t* out = nullptr;
  EXPECT_EQ(ImageUtil::svpng(out, 0, 1, pixels.data(), 0), 0u);
  EXPECT_EQ(ImageUtil::svpng(out, 1, 1, nullptr, 0), 0u);
  // A row longer than a stored block can hold.
  EXPECT_EQ(ImageUtil::svpng(out, 21845, 1, pixels.data(), 0), 0u);
  EXPECT_EQ(out, nullptr);
}

TEST(RgbArray, PackedRgbHonoursBytesPerRow) {
  // Widths around the four-pixel steps of the fast path, rows with and without padding.
  for (auto [width, bytesPerRow] : {std::pair{7, 28}, std::pair{7, 40}, std::pair{5, 64}, std::pair{37, 160},
                                    std::pair{1, 4}, std::pair{6, 24}}) {
    const int height = 5;
    KyImage image = KyLDCommUtil::imageFromSampleBuffer(paddedFrame(width, height, bytesPerRow));
    uint8_t* rgb = ImageUtil::rgbArrayWithUIImage(image);
    ASSERT_NE(rgb, nullptr);
    Bytes packed = takeBuffer(rgb, static_cast<uint64_t>(width * height * 3));
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const uint8_t* p = &packed[static_cast<size_t>((y * width + x) * 3)];
        ASSERT_EQ(p[0], x + y) << width << "/" << bytesPerRow << " at " << x << "," << y;
        ASSERT_EQ(p[1], y);
        ASSERT_EQ(p[2], x);
      }
    }
  }
}

TEST(RgbArray, OtherLayoutsAndBadImages) {
  KyImage gray;
  gray.pixels = std::make_shared<const Bytes>(Bytes{10, 20, 30, 0, 40, 50, 60, 0});
  gray.format = KyPixelFormat::Gray;
  gray.width = 3;
  gray.height = 2;
  gray.bytesPerRow = 4;
  EXPECT_EQ(takeBuffer(ImageUtil::rgbArrayWithUIImage(gray), 18),
            (Bytes{10, 10, 10, 20, 20, 20, 30, 30, 30, 40, 40, 40, 50, 50, 50, 60, 60, 60}));

  KyImage rgba = gray;
  rgba.format = KyPixelFormat::RGBA;
  rgba.width = 2;
  rgba.height = 1;
  rgba.bytesPerRow = 8;
  EXPECT_EQ(takeBuffer(ImageUtil::rgbArrayWithUIImage(rgba), 6), (Bytes{10, 20, 30, 40, 50, 60}));

  EXPECT_EQ(ImageUtil::rgbArrayWithUIImage(KyImage{}), nullptr);
  KyImage shortRows = rgba;
  shortRows.bytesPerRow = 4;  // less than a row of pixels
  EXPECT_EQ(ImageUtil::rgbArrayWithUIImage(shortRows), nullptr);
  KyImage tooTall = rgba;
  tooTall.height = 2;  // more rows than the pixels hold
  EXPECT_EQ(ImageUtil::rgbArrayWithUIImage(tooTall), nullptr);
}

TEST(Jpeg, DecodesWithinJpegTolerance) {
  const int width = 96, height = 64;
  Bytes rgb(static_cast<size_t>(width * height * 3));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      uint8_t* p = &rgb[static_cast<size_t>((y * width + x) * 3)];
      p[0] = static_cast<uint8_t>(x * 2);
      p[1] = static_cast<uint8_t>(y * 3);
      p[2] = static_cast<uint8_t>(128 + (x - y) / 2);
    }
  }
  uint8_t* jpeg = nullptr;
  uint64_t length = ImageUtil::rgb2jpg(rgb.data(), width, height, jpeg);
  ASSERT_NE(length, ~uint64_t{0});
  ASSERT_NE(jpeg, nullptr);
  Bytes encoded = takeBuffer(jpeg, length);
  EXPECT_EQ(encoded[0], 0xFF);
  EXPECT_EQ(encoded[1], 0xD8);

  tjhandle decoder = tjInitDecompress();
  ASSERT_NE(decoder, nullptr);
  int w = 0, h = 0, subsampling = -1, colourspace = -1;
  ASSERT_EQ(tjDecompressHeader3(decoder, encoded.data(), encoded.size(), &w, &h, &subsampling, &colourspace), 0);
  EXPECT_EQ(w, width);
  EXPECT_EQ(h, height);
  EXPECT_EQ(subsampling, TJSAMP_420);
  Bytes decoded(rgb.size());
  ASSERT_EQ(tjDecompress2(decoder, encoded.data(), encoded.size(), decoded.data(), width, 0, height, TJPF_RGB, 0), 0);
  tjDestroy(decoder);
  int worst = 0;
  for (size_t i = 0; i < rgb.size(); ++i) worst = std::max(worst, std::abs(int{rgb[i]} - int{decoded[i]}));
  EXPECT_LE(worst, 8);  // smooth content at quality 100 with 4:2:0 chroma
}

TEST(Jpeg, FailureAnswersAllOnesAndLeavesTheResult) {
  const Bytes rgb(48, 100);
  for (auto [width, height] : {std::pair{0, 4}, std::pair{4, 0}, std::pair{-4, 4}}) {
    uint8_t* result = nullptr;
    EXPECT_EQ(ImageUtil::rgb2jpg(rgb.data(), width, height, result), ~uint64_t{0});
    EXPECT_EQ(result, nullptr);
  }
  uint8_t* result = nullptr;
  EXPECT_EQ(ImageUtil::rgb2jpg(nullptr, 4, 4, result), ~uint64_t{0});
}
