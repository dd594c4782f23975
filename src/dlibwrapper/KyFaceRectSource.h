// Where the camera layer gets the face rectangles of a frame from.
#pragma once

#include <kylivingdetection/KySampleBuffer.h>

#include <vector>

#include "platform/camera/KyCaptureTypes.h"

class KyFaceRectSource {
 public:
  virtual ~KyFaceRectSource() = default;
  // Faces in the frame, in the frame's pixel coordinates (origin top-left).
  virtual std::vector<KyFaceRect> faceRects(const KySampleBuffer& frame) = 0;
};
