#include "livingdetect/LDTDistance.h"

#include <algorithm>

#include "livingdetect/LDTComm.h"

LDTDistance* LDTDistance::shareInstance() {
  static LDTDistance instance;
  return &instance;
}

void LDTDistance::reset() {
  startDistance_ = 0;
  targetDistance_ = 0;
}

void LDTDistance::setTarget(float eyeDistance, LDTSize imgSize) {
  const int32_t side = truncToInt32(std::max(imgSize.width, imgSize.height));
  const float step = static_cast<float>(side) * 0.05f;
  if (static_cast<double>(eyeDistance / static_cast<float>(side)) >= 0.3) {
    type_ = kMoveAway;
    targetDistance_ = truncToInt32(eyeDistance - step);
  } else {
    type_ = kComeCloser;
    targetDistance_ = truncToInt32(eyeDistance + step);
  }
  startDistance_ = truncToInt32(eyeDistance);
}

LDTResult LDTDistance::distanceDetect(const LandmarkListRef& facelandmarks, LDTSize imgSize) {
  LDTResult result;
  if (!hasAllLandmarks(facelandmarks)) {
    result.setProcess(0, "人脸数据输入异常");
    return result;
  }
  const LandmarkList& landmarks = *facelandmarks;
  if (!LDTComm::isFaceScreen(landmarks)) {
    result.setProcess(30, "请正视屏幕");
    return result;
  }
  const float eyeDistance = LDTComm::distance(landmarks[36], landmarks[45]);
  if (targetDistance_ == 0) setTarget(eyeDistance, imgSize);

  const bool closer = type_ == kComeCloser;
  const char* prompt = closer ? "请靠近屏幕" : "请远离屏幕";
  const float span = static_cast<float>(closer ? targetDistance_ - startDistance_ : startDistance_ - targetDistance_);
  if (!(span > 0)) {
    // A frame too small for a 5 % step leaves nothing to measure: never a pass.
    result.setProcess(30, prompt);
    return result;
  }
  const float gap = std::max(closer ? static_cast<float>(targetDistance_) - eyeDistance
                                    : eyeDistance - static_cast<float>(targetDistance_),
                             0.0f);
  // A movement the wrong way widens the gap beyond the step; it stops at 0 so that the
  // answer never reaches the pipeline's negative signals.
  const int32_t progress = std::max(truncToInt32(30.0f + (1.0f - gap / span) * 70.0f), 0);
  if (progress >= 100) {
    result.setProcess(100, "完成");
  } else {
    result.setProcess(progress, prompt);
  }
  return result;
}
