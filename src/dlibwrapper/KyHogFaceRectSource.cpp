#include "dlibwrapper/KyHogFaceRectSource.h"

#include <algorithm>

#include "dlibwrapper/DlibImageConversion.h"
#include "utils/LDTLog.h"

KyHogFaceRectSource::KyHogFaceRectSource(int downscale)
    : downscale_(std::max(1, downscale)), detector_(dlib::get_frontal_face_detector()) {}

std::vector<KyFaceRect> KyHogFaceRectSource::faceRects(const KySampleBuffer& frame) {
  if (!isReadableFrame(frame)) {
    LDT_LOGE("frame of %dx%d with %d bytes per row is not readable", frame.width, frame.height, frame.bytesPerRow);
    return {};
  }
  shrinkToGrey(frame);
  std::vector<KyFaceRect> faces;
  if (grey_.size() == 0) return faces;
  const double scale = downscale_;
  for (const dlib::rectangle& box : detector_(grey_)) {
    faces.push_back({box.left() * scale, box.top() * scale, static_cast<double>(box.width()) * scale,
                     static_cast<double>(box.height()) * scale});
  }
  return faces;
}

// Each grey pixel is the mean intensity, (blue + green + red) / 3, of a downscale x downscale block.
void KyHogFaceRectSource::shrinkToGrey(const KySampleBuffer& frame) {
  const int f = downscale_;
  grey_.set_size(frame.height / f, frame.width / f);
  const unsigned divisor = 3u * static_cast<unsigned>(f * f);
  for (long y = 0; y < grey_.nr(); ++y) {
    unsigned char* target = &grey_[y][0];
    const uint8_t* rows = frame.data() + static_cast<size_t>(y * f) * static_cast<size_t>(frame.bytesPerRow);
    for (long x = 0; x < grey_.nc(); ++x) {
      unsigned sum = 0;
      for (int dy = 0; dy < f; ++dy) {
        const uint8_t* pixel = rows + static_cast<size_t>(dy) * static_cast<size_t>(frame.bytesPerRow) + 4 * x * f;
        for (int dx = 0; dx < f; ++dx, pixel += 4) sum += pixel[0] + pixel[1] + pixel[2];
      }
      target[x] = static_cast<unsigned char>(sum / divisor);
    }
  }
}
