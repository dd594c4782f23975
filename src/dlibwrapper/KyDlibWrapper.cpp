#include "dlibwrapper/KyDlibWrapper.h"

#include <dlib/image_processing/frontal_face_detector.h>

#include <string>

#include "dlibwrapper/DlibImageConversion.h"
#include "dlibwrapper/EmbeddedModel.h"
#include "utils/LDTLog.h"

KyDlibWrapper& KyDlibWrapper::shareInstance() {
  // Static initialisation runs once even under concurrent first calls; the instance is
  // deliberately never destroyed so that late callers during exit still find it.
  static KyDlibWrapper* const instance = new KyDlibWrapper();
  return *instance;
}

KyDlibWrapper::KyDlibWrapper() {
  std::string error;
  hasModel_ = kyvorinfo::morlin::load_shape_predictor_model(sp, &error);
  if (!hasModel_) {
    LDTLogWrite(KyLivingLogLevel::Error, "load_shape_predictor_model", __LINE__, "landmark model unusable: %s",
                error.c_str());
  }
}

KyDlibWrapper::KyDlibWrapper(dlib::shape_predictor predictor) : sp(std::move(predictor)) {
  hasModel_ = sp.num_parts() > 0;
}

std::vector<LandmarkList> KyDlibWrapper::detecitonOnSampleBuffer(const KySampleBuffer& frame,
                                                                 const std::vector<KyFaceRect>& inRects) const {
  std::vector<LandmarkList> result(inRects.size());
  if (inRects.empty()) return result;
  if (!hasModel_) {
    LDT_LOGE("no landmark model loaded");
    return result;
  }
  dlib::array2d<dlib::bgr_pixel> image;
  if (!copyFrameToDlibImage(frame, image)) {
    LDT_LOGE("frame of %dx%d with %d bytes per row is not readable", frame.width, frame.height, frame.bytesPerRow);
    return result;
  }
  const std::vector<dlib::rectangle> boxes = convertCGRectValueArray(inRects);
  for (size_t i = 0; i < boxes.size(); ++i) result[i] = landmarksIn(image, boxes[i]);
  return result;
}

LandmarkList KyDlibWrapper::detecitonOnSampleBuffer(const KyImage& image, const KyFaceRect& faceRect) const {
  if (!hasModel_) {
    LDT_LOGE("no landmark model loaded");
    return {};
  }
  dlib::array2d<dlib::bgr_pixel> pixels;
  UIImageToDlibImage(image, pixels, true);
  if (pixels.size() == 0) {
    LDT_LOGE("image of %dx%d with %d bytes per row is not readable", image.width, image.height, image.bytesPerRow);
    return {};
  }
  return landmarksIn(pixels, convertCGRectValueArray({faceRect}).front());
}

template <typename Image>
LandmarkList KyDlibWrapper::landmarksIn(const Image& image, const dlib::rectangle& box) const {
  const dlib::full_object_detection shape = sp(image, box);
  LandmarkList points;
  points.reserve(shape.num_parts());
  for (unsigned long i = 0; i < shape.num_parts(); ++i) {
    points.push_back({static_cast<double>(shape.part(i).x()), static_cast<double>(shape.part(i).y())});
  }
  return points;
}

namespace {
// Truncation towards zero, kept within a range where the conversion is defined.
long truncated(double value) {
  constexpr double limit = 1 << 30;
  if (!(value > -limit)) return value != value ? 0 : -static_cast<long>(limit);
  if (!(value < limit)) return static_cast<long>(limit);
  return static_cast<long>(value);
}
}  // namespace

std::vector<dlib::rectangle> KyDlibWrapper::convertCGRectValueArray(const std::vector<KyFaceRect>& rects) {
  std::vector<dlib::rectangle> boxes;
  boxes.reserve(rects.size());
  for (const KyFaceRect& rect : rects) {
    const long left = truncated(rect.x);
    const long top = truncated(rect.y);
    boxes.emplace_back(left, top, truncated(static_cast<double>(left) + rect.width),
                       truncated(static_cast<double>(top) + rect.height));
  }
  return boxes;
}

std::vector<KyFaceRect> KyDlibWrapper::findFaces(const KyImage& image) {
  dlib::array2d<dlib::bgr_pixel> pixels;
  UIImageToDlibImage(image, pixels, true);
  std::vector<KyFaceRect> faces;
  if (pixels.size() == 0) return faces;
  dlib::frontal_face_detector detector = dlib::get_frontal_face_detector();
  for (const dlib::rectangle& box : detector(pixels)) {
    faces.push_back({static_cast<double>(box.left()), static_cast<double>(box.top()),
                     static_cast<double>(box.width()), static_cast<double>(box.height())});
  }
  return faces;
}

KyFaceRect KyDlibWrapper::findFace(const KyImage& image) { return widestFace(findFaces(image)); }

KyFaceRect KyDlibWrapper::widestFace(const std::vector<KyFaceRect>& faces) {
  KyFaceRect widest;
  double widestSquared = 0;
  for (const KyFaceRect& face : faces) {
    if (face.width * face.width > widestSquared) {
      widestSquared = face.width * face.width;
      widest = face;
    }
  }
  return widest;
}
