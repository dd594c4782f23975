// Blink detector (living type 2): once the eyelids are steady and the face frontal, it
// compares each frame's eye aspect ratios with their mean over the preceding eight
// frames; two consecutive frames with a sharp relative change complete the blink.
//
// The state is process-wide and survives `reset` except for the pose-pass count and the
// blink count: the eyelid steadiness and the last pitch ratio carry over between actions.
#pragma once

#include <cstdint>

#include "livingdetect/LDTLandmarks.h"
#include "livingdetect/LDTResult.h"

class BlinkDetection {
 public:
  static BlinkDetection* shareInstance();

  LDTResult blinkDetect(const LandmarkListRef& facelandmarks, bool needImage);
  // 0 once the upper eyelids have stayed put for four calls in a row, otherwise -1.
  int32_t eyesStatibilityDetect(const LandmarkList& landmarks);
  void reset();

 private:
  BlinkDetection() = default;
};
