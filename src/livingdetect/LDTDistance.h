// Distance detector (living type 1): on the first level frame it sets a target for the
// outer eye-corner distance 5 % of the frame's larger side away from the start (a large
// face must move away, any other must come closer) and reports progress from 30 to 99
// until the target is reached.
#pragma once

#include <cstdint>

#include "livingdetect/LDTLandmarks.h"
#include "livingdetect/LDTResult.h"

class LDTDistance {
 public:
  enum : int32_t { kMoveAway = 1, kComeCloser = 2 };

  static LDTDistance* shareInstance();

  // Answers 30 "请正视屏幕" for a tilted eye line, otherwise a progress figure in 0..99
  // with the direction to move, or 100 once the target is reached.
  LDTResult distanceDetect(const LandmarkListRef& facelandmarks, LDTSize imgSize);
  // Clears the target; the direction is set again with the next one.
  void reset();

  int32_t startDistance() const { return startDistance_; }
  int32_t targetDistance() const { return targetDistance_; }
  int32_t type() const { return type_; }

 private:
  LDTDistance() { reset(); }

  void setTarget(float eyeDistance, LDTSize imgSize);

  int32_t startDistance_ = 0;
  int32_t targetDistance_ = 0;
  int32_t type_ = 0;
};
