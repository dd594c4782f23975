#include "livingdetect/HeadShakingDetection.h"

namespace {

// The balance ratio of a frontal face; beyond it, infinity included, the head is turned.
// An undefined ratio is neither frontal nor turned.
constexpr double kFrontalLow = 50;
constexpr double kFrontalHigh = 200;

bool isTurned(double ratio) { return ratio < kFrontalLow || ratio > kFrontalHigh; }

}  // namespace

HeadShakingDetection* HeadShakingDetection::shareInstance() {
  static HeadShakingDetection instance;
  return &instance;
}

void HeadShakingDetection::reset() {
  lookAtScreendDetectPass_ = false;
  detectSuccessCount_ = 0;
}

LDTResult HeadShakingDetection::headShakingDetect(const LandmarkListRef& facelandmarks, bool) {
  LDTResult result;
  if (!hasAllLandmarks(facelandmarks)) {
    result.setProcess(0, "人脸数据输入异常");
    return result;
  }
  const double ratio = yawRatio(*facelandmarks);
  if (!lookAtScreendDetectPass_) {
    if (ratioWithin(ratio, kFrontalLow, kFrontalHigh)) {
      lookAtScreendDetectPass_ = true;  // the first frontal frame answers nothing
    } else {
      result.setProcessAndShowFaceOutLine(50, "请正视屏幕", 1);
    }
    return result;
  }
  result.setProcess(70, "请摇头");
  if (isTurned(ratio)) {
    ++detectSuccessCount_;
    if (detectSuccessCount_ >= 2) {
      result.setProcess(100, "完成");
    } else {
      result.setProcess(-99, "请摇头");
    }
  } else {
    detectSuccessCount_ = 0;
  }
  return result;
}
