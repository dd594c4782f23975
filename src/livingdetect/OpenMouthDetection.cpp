#include "livingdetect/OpenMouthDetection.h"

#include <cmath>
#include <cstdint>

namespace {

constexpr int kRingSize = 8;

// Process-wide detector state.
double count = 0;  // whole numbers: consecutive frontal frames
double marArray[kRingSize] = {};
int32_t detectMoustOpenCount = 0;

bool isFrontal(const LandmarkList& landmarks) {
  const bool tilted = std::fabs(landmarks[27].x - landmarks[33].x) > 10;
  return ratioWithin(yawRatio(landmarks), 60, 180) && !tilted;
}

double ringMean() {
  double sum = 0;
  for (double value : marArray) sum += value;
  return sum / kRingSize;
}

}  // namespace

OpenMouthDetection* OpenMouthDetection::shareInstance() {
  static OpenMouthDetection instance;
  return &instance;
}

void OpenMouthDetection::reset() {
  count = 0;
  detectMoustOpenCount = 0;
}

LDTResult OpenMouthDetection::openMouthDetect(const LandmarkListRef& facelandmarks, bool) {
  LDTResult result;
  if (!hasAllLandmarks(facelandmarks)) {
    result.setProcess(0, "人脸数据输入异常");
    return result;
  }
  const LandmarkList& landmarks = *facelandmarks;
  if (!isFrontal(landmarks)) {
    count = 0;
    result.setProcessAndShowFaceOutLine(50, "请正视屏幕", 1);
    return result;
  }
  result.setProcess(70, "张张嘴");

  const double width = landmarkDistance(landmarks, 60, 64);
  const double a = landmarkDistance(landmarks, 61, 67);
  const double b = landmarkDistance(landmarks, 62, 66);
  const double c = landmarkDistance(landmarks, 63, 65);
  const double mar = (b + c) / (2 * width);
  if (count > kRingSize) {
    // An undefined relative opening compares false; only the absolute test can count it.
    const double relative = std::trunc(mar / ringMean() * 100);
    const float total = static_cast<float>(a + b + c);
    if (relative > 260 || total > 50) {
      result.setProcess(-99, "张张嘴");
      ++detectMoustOpenCount;
    } else {
      detectMoustOpenCount = 0;
    }
    if (detectMoustOpenCount >= 2) result.setProcess(100, "终端检测完成");
  }
  marArray[static_cast<int64_t>(count) % kRingSize] = mar;
  count += 1;
  return result;
}
