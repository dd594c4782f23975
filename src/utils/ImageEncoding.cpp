// Image encoding operations of ImageUtil: packed RGB from an image, JPEG and PNG.
#include <turbojpeg.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <cstring>
#include <vector>

#include "utils/CodecUtil.h"
#include "utils/ImageUtil.h"
#include "utils/LDTLog.h"

namespace {

void bgraRowToRgbScalar(const uint8_t* src, uint8_t* dst, int32_t width) {
  for (int32_t x = 0; x < width; ++x, src += 4, dst += 3) {
    dst[0] = src[2];
    dst[1] = src[1];
    dst[2] = src[0];
  }
}

#if defined(__x86_64__) || defined(__i386__)
// Four pixels per byte shuffle. Each 16-byte store carries 12 RGB bytes and 4 bytes of junk
// that the next store overwrites, so the vector loop stops while two pixels are left.
__attribute__((target("ssse3"))) void bgraRowToRgbSsse3(const uint8_t* src, uint8_t* dst, int32_t width) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
  int32_t x = 0;
  for (; x + 6 <= width; x += 4, src += 16, dst += 12) {
    __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), _mm_shuffle_epi8(pixels, order));
  }
  bgraRowToRgbScalar(src, dst, width - x);
}

void bgraRowToRgb(const uint8_t* src, uint8_t* dst, int32_t width) {
  static const bool hasSsse3 = __builtin_cpu_supports("ssse3");
  if (hasSsse3) {
    bgraRowToRgbSsse3(src, dst, width);
  } else {
    bgraRowToRgbScalar(src, dst, width);
  }
}
#else
void bgraRowToRgb(const uint8_t* src, uint8_t* dst, int32_t width) { bgraRowToRgbScalar(src, dst, width); }
#endif

void rgbaRowToRgb(const uint8_t* src, uint8_t* dst, int32_t width) {
  for (int32_t x = 0; x < width; ++x, src += 4, dst += 3) {
    dst[0] = src[0];
    dst[1] = src[1];
    dst[2] = src[2];
  }
}

void grayRowToRgb(const uint8_t* src, uint8_t* dst, int32_t width) {
  for (int32_t x = 0; x < width; ++x, dst += 3) dst[0] = dst[1] = dst[2] = src[x];
}

void rowToRgb(KyPixelFormat format, const uint8_t* src, uint8_t* dst, int32_t width) {
  switch (format) {
    case KyPixelFormat::BGRA: bgraRowToRgb(src, dst, width); break;
    case KyPixelFormat::RGBA: rgbaRowToRgb(src, dst, width); break;
    case KyPixelFormat::RGB: std::memcpy(dst, src, static_cast<size_t>(width) * 3); break;
    case KyPixelFormat::Gray: grayRowToRgb(src, dst, width); break;
  }
}

// True when every row the image claims lies inside its pixel store.
bool rowsInsidePixels(const KyImage& image) {
  uint64_t rowBytes = static_cast<uint64_t>(image.width) * static_cast<uint64_t>(KyBytesPerPixel(image.format));
  if (image.bytesPerRow < 0 || static_cast<uint64_t>(image.bytesPerRow) < rowBytes) return false;
  uint64_t needed = static_cast<uint64_t>(image.bytesPerRow) * static_cast<uint64_t>(image.height - 1) + rowBytes;
  return needed <= image.pixels->size();
}

// PNG's CRC-32, four bits at a time.
class PngCrc {
 public:
  void update(const uint8_t* bytes, size_t length) {
    static constexpr uint32_t table[16] = {0,          0x1db71064, 0x3b6e20c8, 0x26d930ac, 0x76dc4190, 0x6b6b51f4,
                                           0x4db26158, 0x5005713c, 0xedb88320, 0xf00f9344, 0xd6d6a3e8, 0xcb61b38c,
                                           0x9b64c2b0, 0x86d3d2d4, 0xa00ae278, 0xbdbdf21c};
    for (size_t i = 0; i < length; ++i) {
      crc_ ^= bytes[i];
      crc_ = (crc_ >> 4) ^ table[crc_ & 15];
      crc_ = (crc_ >> 4) ^ table[crc_ & 15];
    }
  }
  uint32_t value() const { return ~crc_; }

 private:
  uint32_t crc_ = ~0u;
};

// Gathers the bytes of a PNG; CRC and Adler-32 run over the bytes as they are added.
class PngWriter {
 public:
  void raw(const void* data, size_t length) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    out_.insert(out_.end(), bytes, bytes + length);
    crc_.update(bytes, length);
  }
  void byte(uint8_t value) { raw(&value, 1); }
  void be32(uint32_t value) {
    const uint8_t bytes[4] = {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                              static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
    raw(bytes, 4);
  }
  void le16(uint32_t value) {
    const uint8_t bytes[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
    raw(bytes, 2);
  }
  // Length, then the type, from which the chunk's CRC starts.
  void beginChunk(uint32_t length, const char* type) {
    be32(length);
    crc_ = PngCrc();
    raw(type, 4);
  }
  void endChunk() { be32(crc_.value()); }
  // Deflate payload: counted in the Adler-32 as well.
  void payload(const uint8_t* bytes, size_t length) {
    for (size_t i = 0; i < length; ++i) {
      adlerA_ = (adlerA_ + bytes[i]) % 65521;
      adlerB_ = (adlerB_ + adlerA_) % 65521;
    }
    raw(bytes, length);
  }
  uint32_t adler() const { return (adlerB_ << 16) | adlerA_; }
  std::vector<uint8_t>& bytes() { return out_; }
  void reserve(size_t size) { out_.reserve(size); }

 private:
  std::vector<uint8_t> out_;
  PngCrc crc_;
  uint32_t adlerA_ = 1, adlerB_ = 0;
};

}  // namespace

uint8_t* ImageUtil::rgbArrayWithUIImage(const KyImage& image) {
  if (image.empty() || !rowsInsidePixels(image)) return nullptr;
  uint64_t n = static_cast<uint64_t>(image.width) * static_cast<uint64_t>(image.height);
  auto* rgb = static_cast<uint8_t*>(mMalloc(n * 3, 0));
  if (rgb == nullptr) return nullptr;
  const size_t packedRow = static_cast<size_t>(image.width) * 3;
  for (int32_t y = 0; y < image.height; ++y) {
    rowToRgb(image.format, image.row(y), rgb + packedRow * static_cast<size_t>(y), image.width);
  }
  return rgb;
}

uint64_t ImageUtil::rgb2jpg(const uint8_t* rgb, int32_t width, int32_t height, uint8_t*& result) {
  constexpr uint64_t kFailed = ~uint64_t{0};
  tjhandle compressor = tjInitCompress();
  if (compressor == nullptr) return kFailed;
  unsigned char* jpeg = nullptr;  // the encoder allocates it
  unsigned long jpegSize = 0;
  int status = tjCompress2(compressor, rgb, width, 0, height, TJPF_RGB, &jpeg, &jpegSize, TJSAMP_420, 100, 0);
  tjDestroy(compressor);
  if (status != 0) {
    tjFree(jpeg);
    return kFailed;
  }
  // tjAlloc is malloc, so the caller's mFree releases it.
  result = jpeg;
  return jpegSize;
}

uint64_t ImageUtil::svpng(uint8_t*& output, uint32_t w, uint32_t h, const uint8_t* img, int32_t alpha) {
  const uint64_t p = static_cast<uint64_t>(w) * (alpha ? 4 : 3) + 1;
  const uint64_t idatLength = 2 + static_cast<uint64_t>(h) * (5 + p) + 4;
  // Each row is one stored deflate block with a 16-bit length, and a chunk holds at most 2^31 - 1 bytes.
  if (img == nullptr || w == 0 || h == 0 || p > 0xFFFF || idatLength > 0x7FFFFFFF) {
    LDT_LOGE("svpng cannot store a %ux%u image", w, h);
    return 0;
  }
  static constexpr uint8_t kSignature[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  PngWriter png;
  png.reserve(8 + 25 + 12 + idatLength + 12);
  png.raw(kSignature, sizeof kSignature);

  png.beginChunk(13, "IHDR");
  png.be32(w);
  png.be32(h);
  const uint8_t header[5] = {8, static_cast<uint8_t>(alpha ? 6 : 2), 0, 0, 0};
  png.raw(header, sizeof header);
  png.endChunk();

  png.beginChunk(static_cast<uint32_t>(idatLength), "IDAT");
  png.byte(0x78);
  png.byte(0x01);
  const uint8_t filter = 0;
  const size_t rowBytes = static_cast<size_t>(p - 1);
  for (uint32_t y = 0; y < h; ++y) {
    png.byte(y == h - 1 ? 1 : 0);
    png.le16(static_cast<uint32_t>(p));
    png.le16(static_cast<uint32_t>(~p & 0xFFFF));
    png.payload(&filter, 1);
    png.payload(img + rowBytes * y, rowBytes);
  }
  png.be32(png.adler());
  png.endChunk();

  png.beginChunk(0, "IEND");
  png.endChunk();

  std::vector<uint8_t>& bytes = png.bytes();
  auto* buffer = static_cast<uint8_t*>(mMalloc(bytes.size(), 0));
  if (buffer == nullptr) return 0;
  std::memcpy(buffer, bytes.data(), bytes.size());
  output = buffer;
  return bytes.size();
}
