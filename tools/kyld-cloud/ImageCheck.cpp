#include "ImageCheck.h"

#include <dlib/image_processing/frontal_face_detector.h>
#include <turbojpeg.h>

#include <memory>

namespace {

struct TjHandle {
  tjhandle handle = tjInitDecompress();
  ~TjHandle() {
    if (handle) tjDestroy(handle);
  }
};

bool hasJpegMarkers(const std::vector<uint8_t>& jpeg) {
  size_t n = jpeg.size();
  return n >= 4 && jpeg[0] == 0xFF && jpeg[1] == 0xD8 && jpeg[n - 2] == 0xFF && jpeg[n - 1] == 0xD9;
}

// The detector is costly to build and keeps scratch state, so each thread has its own.
dlib::frontal_face_detector& threadDetector() {
  thread_local dlib::frontal_face_detector detector = dlib::get_frontal_face_detector();
  return detector;
}

}  // namespace

std::optional<DecodedImage> decodeCompleteJpeg(const std::vector<uint8_t>& jpeg) {
  if (!hasJpegMarkers(jpeg)) return std::nullopt;
  TjHandle tj;
  int width = 0, height = 0, subsampling = 0, colourspace = 0;
  if (!tj.handle || tjDecompressHeader3(tj.handle, jpeg.data(), jpeg.size(), &width, &height, &subsampling,
                                        &colourspace) != 0) {
    return std::nullopt;
  }
  if (width <= 0 || height <= 0 || width > 8192 || height > 8192) return std::nullopt;
  DecodedImage image{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
  // Any warning (a truncated or corrupt stream is only a warning to libjpeg) refuses the image.
  if (tjDecompress2(tj.handle, jpeg.data(), jpeg.size(), image.rgb.data(), width, 0, height, TJPF_RGB,
                    TJFLAG_STOPONWARNING) != 0) {
    return std::nullopt;
  }
  return image;
}

int countFaces(const DecodedImage& image) {
  dlib::array2d<unsigned char> gray(image.height, image.width);
  const uint8_t* p = image.rgb.data();
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x, p += 3) {
      gray[y][x] = static_cast<unsigned char>((p[0] * 299 + p[1] * 587 + p[2] * 114) / 1000);
    }
  }
  return static_cast<int>(threadDetector()(gray).size());
}

std::vector<std::string> checkEvidenceImage(const std::vector<uint8_t>& jpeg, int expectedWidth, int expectedHeight,
                                            const std::string& label) {
  auto image = decodeCompleteJpeg(jpeg);
  if (!image) return {label + " is not a complete JPEG"};
  if (image->width != expectedWidth || image->height != expectedHeight) {
    return {label + " is " + std::to_string(image->width) + "x" + std::to_string(image->height) + ", expected " +
            std::to_string(expectedWidth) + "x" + std::to_string(expectedHeight)};
  }
  int faces = countFaces(*image);
  if (faces != 1) return {label + " shows " + std::to_string(faces) + " faces, expected exactly one"};
  return {};
}
