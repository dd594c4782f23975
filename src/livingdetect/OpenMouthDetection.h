// Mouth-open detector (living type 5): while the face is frontal it tracks the inner-mouth
// aspect ratio against its mean over recent frames; a ratio far above that mean or a
// large absolute opening counts as an opening, and two in a row complete the action.
#pragma once

#include "livingdetect/LDTLandmarks.h"
#include "livingdetect/LDTResult.h"

class OpenMouthDetection {
 public:
  static OpenMouthDetection* shareInstance();

  LDTResult openMouthDetect(const LandmarkListRef& facelandmarks, bool needImage);
  // Restarts the warm-up and the opening count; the ring keeps its values, the warm-up
  // overwrites them before they are read.
  void reset();

 private:
  OpenMouthDetection() = default;
};
