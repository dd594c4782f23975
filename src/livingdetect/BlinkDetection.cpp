#include "livingdetect/BlinkDetection.h"

#include <cmath>

namespace {

constexpr int kRingSize = 8;

// Process-wide detector state; only `count` and `detectedBlinkCount` are cleared by reset.
int32_t count = 0;
double leftEARArray[kRingSize] = {};
double rightEARArray[kRingSize] = {};
int32_t detectedBlinkCount = 0;
bool preDetectResult = false;
double lastRatio = 0;
double preP38XY = 0;
double preP44XY = 0;
double statibilityDetectCount = 0;

double eyeRatio(const LandmarkList& landmarks, size_t corner) {
  return (landmarkDistance(landmarks, corner + 1, corner + 5) + landmarkDistance(landmarks, corner + 2, corner + 4)) /
         (2 * landmarkDistance(landmarks, corner, corner + 3));
}

double ringMean(const double (&ring)[kRingSize]) {
  double sum = 0;
  for (double value : ring) sum += value;
  return sum / kRingSize;
}

// A change of 20 in |ln(ratio / mean) x 100| is a factor of about 1.22 either way.
// An undefined change compares false and so is never a deviation.
bool deviates(double ratio, double mean) { return std::trunc(std::fabs(std::log(ratio / mean) * 100)) >= 20; }

// The pose checks; answers true and fills the result when the frame is rejected.
bool rejectPose(const LandmarkList& landmarks, LDTResult& result) {
  const bool tilted = std::fabs(landmarks[27].x - landmarks[33].x) > 10;
  if (!ratioWithin(yawRatio(landmarks), 60, 180) || tilted) {
    result.setProcessAndShowFaceOutLine(50, "请正视屏幕", 1);
    return true;
  }
  const double pitch = noseToBrowRatio(landmarks);
  const bool firstPitchCheck = lastRatio < 900;
  lastRatio = pitch;
  if (pitch < 9000) {
    result.setProcessAndShowFaceOutLine(firstPitchCheck ? 50 : -1, "请低头正视屏幕", 1);
    return true;
  }
  if (landmarks[0].y - landmarks[20].y < 10) {
    result.setProcessAndShowFaceOutLine(50, "请抬头正视屏幕", 1);
    return true;
  }
  return false;
}

// Judges a frame once the ring is full; answers true when the blink is complete.
bool evaluateBlink(double left, double right, LDTResult& result) {
  result.setProcess(70, "眨眨眼");
  const bool leftMoved = deviates(left, ringMean(leftEARArray));
  const bool rightMoved = deviates(right, ringMean(rightEARArray));
  if (leftMoved || rightMoved) result.setProcess(80, "眨眨眼");
  const bool blinkFrame =
      (leftMoved && rightMoved) || (detectedBlinkCount > 0 && (leftMoved || rightMoved || preDetectResult));
  if (blinkFrame) {
    ++detectedBlinkCount;
    result.setProcess(90, "眨眨眼");
  } else {
    detectedBlinkCount = 0;
  }
  if (detectedBlinkCount >= 2) {
    result.setProcess(100, "眨眨眼");
    return true;
  }
  preDetectResult = leftMoved || rightMoved;
  return false;
}

}  // namespace

BlinkDetection* BlinkDetection::shareInstance() {
  static BlinkDetection instance;
  return &instance;
}

void BlinkDetection::reset() {
  count = 0;
  detectedBlinkCount = 0;
}

int32_t BlinkDetection::eyesStatibilityDetect(const LandmarkList& landmarks) {
  const double s38 = landmarks[38].x + landmarks[38].y;
  const double s44 = landmarks[44].x + landmarks[44].y;
  const double moved38 = std::fabs(preP38XY - s38);
  const double moved44 = std::fabs(preP44XY - s44);
  preP38XY = s38;
  preP44XY = s44;
  if (moved38 <= 10 || moved44 <= 10) {
    statibilityDetectCount += 1;
  } else {
    statibilityDetectCount = 0;
  }
  return statibilityDetectCount > 3 ? 0 : -1;
}

LDTResult BlinkDetection::blinkDetect(const LandmarkListRef& facelandmarks, bool) {
  LDTResult result;
  if (!hasAllLandmarks(facelandmarks)) {
    result.setProcess(0, "人脸数据输入异常");
    return result;
  }
  const LandmarkList& landmarks = *facelandmarks;
  if (eyesStatibilityDetect(landmarks) != 0) {
    result.setProcess(40, "");
    return result;
  }
  if (rejectPose(landmarks, result)) return result;

  ++count;
  const double left = eyeRatio(landmarks, 36);
  const double right = eyeRatio(landmarks, 42);
  if (count <= kRingSize) {
    result.setProcess(60, "");
  } else if (evaluateBlink(left, right, result)) {
    return result;  // the completing frame is not stored
  }
  leftEARArray[count % kRingSize] = left;
  rightEARArray[count % kRingSize] = right;
  return result;
}
