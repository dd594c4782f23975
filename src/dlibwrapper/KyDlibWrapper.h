// The landmark wrapper: turns a camera frame (or a still image) and face rectangles into
// 68-point landmark lists with the process's one shape predictor, which is filled from
// the embedded compressed model when the shared instance is created.
#pragma once

#include <dlib/geometry/rectangle.h>
#include <dlib/image_processing/shape_predictor.h>
#include <kylivingdetection/KyImage.h>
#include <kylivingdetection/KySampleBuffer.h>

#include <vector>

#include "livingdetect/LDTLandmarks.h"
#include "platform/camera/KyCaptureTypes.h"

class KyDlibWrapper {
 public:
  // The process's instance, created once (also when several threads ask at once) with the
  // model loaded before any caller sees it; never destroyed.
  static KyDlibWrapper& shareInstance();

  // A wrapper around a predictor of the caller's, for checks against other models.
  explicit KyDlibWrapper(dlib::shape_predictor predictor);
  KyDlibWrapper(const KyDlibWrapper&) = delete;
  KyDlibWrapper& operator=(const KyDlibWrapper&) = delete;

  // One landmark list per rectangle, in order. Rectangles are in the frame's pixels. When
  // the model could not be loaded or the frame cannot be read, every list is empty.
  std::vector<LandmarkList> detecitonOnSampleBuffer(const KySampleBuffer& frame,
                                                    const std::vector<KyFaceRect>& inRects) const;
  // Landmarks of one face in a still image; empty when no model is loaded.
  LandmarkList detecitonOnSampleBuffer(const KyImage& image, const KyFaceRect& faceRect) const;

  // Predictor boxes: left and top truncated, right = left + width and bottom = top + height
  // truncated, the sums in double.
  static std::vector<dlib::rectangle> convertCGRectValueArray(const std::vector<KyFaceRect>& rects);

  // Faces that dlib's HOG frontal detector finds in a still image, in its order, in the
  // image's pixels (origin top-left).
  static std::vector<KyFaceRect> findFaces(const KyImage& image);
  // The widest of them (the first of equally wide ones); an empty rectangle when none.
  static KyFaceRect findFace(const KyImage& image);
  static KyFaceRect widestFace(const std::vector<KyFaceRect>& faces);

  bool hasModel() const { return hasModel_; }

 private:
  KyDlibWrapper();
  template <typename Image>
  LandmarkList landmarksIn(const Image& image, const dlib::rectangle& box) const;

  dlib::shape_predictor sp;
  bool hasModel_ = false;
};
