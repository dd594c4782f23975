// Head-shake detector (living type 3): waits for a frontal face, then passes when the
// face's left-right balance leaves its frontal range on two passes in a row.
#pragma once

#include <cstdint>

#include "livingdetect/LDTLandmarks.h"
#include "livingdetect/LDTResult.h"

class HeadShakingDetection {
 public:
  static HeadShakingDetection* shareInstance();

  LDTResult headShakingDetect(const LandmarkListRef& facelandmarks, bool needImage);
  void reset();

  bool lookAtScreendDetectPass() const { return lookAtScreendDetectPass_; }
  void setLookAtScreendDetectPass(bool pass) { lookAtScreendDetectPass_ = pass; }
  int32_t detectSuccessCount() const { return detectSuccessCount_; }
  void setDetectSuccessCount(int32_t count) { detectSuccessCount_ = count; }

 private:
  HeadShakingDetection() = default;

  bool lookAtScreendDetectPass_ = false;
  int32_t detectSuccessCount_ = 0;
};
