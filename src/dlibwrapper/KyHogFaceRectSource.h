// Face rectangles from dlib's HOG frontal-face detector, run on a grey copy of the frame
// shrunk by a whole factor: at 2 a 480 x 640 frame is searched at 240 x 320, several
// times faster than at full size, and still finds faces of a selfie's size. One instance
// serves one camera: calls must not overlap.
#pragma once

#include <dlib/array2d.h>
#include <dlib/image_processing/frontal_face_detector.h>

#include "dlibwrapper/KyFaceRectSource.h"

class KyHogFaceRectSource final : public KyFaceRectSource {
 public:
  explicit KyHogFaceRectSource(int downscale = 2);
  std::vector<KyFaceRect> faceRects(const KySampleBuffer& frame) override;

 private:
  void shrinkToGrey(const KySampleBuffer& frame);

  int downscale_;
  dlib::frontal_face_detector detector_;
  dlib::array2d<unsigned char> grey_;  // reused from frame to frame
};
