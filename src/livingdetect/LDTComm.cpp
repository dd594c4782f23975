#include "livingdetect/LDTComm.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <string>

#include "livingdetect/BlinkDetection.h"
#include "livingdetect/HeadShakingDetection.h"
#include "livingdetect/LDTColorfulDetection.h"
#include "livingdetect/LDTDistance.h"
#include "livingdetect/LDTNodding.h"
#include "livingdetect/OpenMouthDetection.h"

namespace {

std::deque<ldt_face_landmark_t>& queuedFrames() {
  static std::deque<ldt_face_landmark_t> faceLandmarkQueue;
  return faceLandmarkQueue;
}

// Keeps frames, resets and the colour history's export and release apart.
std::mutex& frameMutex() {
  static std::mutex mutex;
  return mutex;
}

void rememberFrame(const LandmarkListRef& landmarks, LDTSize imgSize) {
  std::deque<ldt_face_landmark_t>& queue = queuedFrames();
  if (queue.size() >= LDTComm::kMaxQueuedFrames) queue.pop_front();
  queue.push_back({landmarks, truncToInt32(imgSize.width), truncToInt32(imgSize.height)});
}

// The nose tip's drift from the oldest remembered frame, summed over the queue per axis.
void answerStillness(LDTResult& result) {
  const std::deque<ldt_face_landmark_t>& queue = queuedFrames();
  const KyPoint origin = (*queue.front().landmarks)[30];
  int32_t driftX = 0;
  int32_t driftY = 0;
  for (const ldt_face_landmark_t& frame : queue) {
    const KyPoint nose = (*frame.landmarks)[30];
    driftX = truncToInt32(driftX + std::fabs(nose.x - origin.x));
    driftY = truncToInt32(driftY + std::fabs(nose.y - origin.y));
  }
  if (std::abs(driftX) > 15 || std::abs(driftY) > 15) {
    result.setProcess(20, "请保持不动");
  } else if (queue.size() < 5) {
    result.setProcess(30, "请保持不动");
  } else {
    result.setProcess(-100, "请保持不动");
  }
}

void checkReadiness(const LandmarkList& landmarks, LDTSize imgSize, LDTResult& result) {
  if (!LDTComm::isFaceScreen(landmarks)) {
    result.setProcessAndShowFaceOutLine(10, "请正视屏幕", 1);
  } else if (!LDTComm::centerDetect(landmarks, truncToInt32(imgSize.width), truncToInt32(imgSize.height))) {
    result.setProcessAndShowFaceOutLine(10, "移动到屏幕中心", 1);
  } else if (is_mouth_open(landmarks)) {
    result.setProcess(10, "不要张嘴");
  } else if (!LDTComm::isEyeOpen(landmarks)) {
    result.setProcess(10, "不要闭眼");
  } else {
    answerStillness(result);
  }
}

LDTResult routeToDetector(int32_t livingType, const LandmarkListRef& facelandmarks, LDTSize imgSize,
                          const uint8_t* imageRGBData, LDTRect faceRect) {
  switch (livingType) {
    case 1: return LDTDistance::shareInstance()->distanceDetect(facelandmarks, imgSize);
    case 2: return BlinkDetection::shareInstance()->blinkDetect(facelandmarks, false);
    case 3: return HeadShakingDetection::shareInstance()->headShakingDetect(facelandmarks, false);
    case 4: return LDTNodding::shareInstance()->noddingDetect(facelandmarks, imgSize, false);
    case 5: return OpenMouthDetection::shareInstance()->openMouthDetect(facelandmarks, false);
    case 6:
      return LDTColorfulDetection::shareInstance()->colorfulDetect(facelandmarks, imgSize, imageRGBData, false,
                                                                    faceRect);
    default: {
      LDTResult result;
      result.setProcess(0, "不支持此类型: " + std::to_string(livingType));
      return result;
    }
  }
}

}  // namespace

LDTResult LDTComm::processLivingDetect(int32_t livingType, const LandmarkListRef& facelandmarks, LDTSize imgSize,
                                       bool needImage, const uint8_t* imageRGBData, LDTRect faceRect) {
  std::lock_guard<std::mutex> lock(frameMutex());
  const bool complete = hasAllLandmarks(facelandmarks);
  // A short list would be read out of bounds by the stillness check of later frames.
  if (complete) rememberFrame(facelandmarks, imgSize);

  LDTResult result;
  if (needImage) {
    if (complete) {
      checkReadiness(*facelandmarks, imgSize, result);
    } else {
      result.setProcess(0, "人脸数据输入异常");
    }
  } else {
    result = routeToDetector(livingType, facelandmarks, imgSize, imageRGBData, faceRect);
  }
  if (result.process() == 100) resetDetectors();
  return result;
}

bool LDTComm::isFaceScreen(const LandmarkList& landmarks) {
  if (!hasAllLandmarks(&landmarks)) return false;
  const KyPoint a = landmarks[36];
  const KyPoint b = landmarks[45];
  const double angle = std::fabs(std::atan2(a.y - b.y, a.x - b.x) * 180 / 3.14159265);
  return angle > 170 || angle < 10;
}

bool LDTComm::centerDetect(const LandmarkList& landmarks, int32_t width, int32_t height) {
  if (!hasAllLandmarks(&landmarks)) return false;
  const int32_t side = std::min(width, height);
  const double midX = (landmarks[36].x + landmarks[45].x) / 2;
  const double midY = (landmarks[36].y + landmarks[45].y) / 2;
  const double tolerance = width * 0.25;
  const int32_t centreX = width / 2;
  const int32_t centreY = side / 2;
  return centreX - tolerance < midX && midX < centreX + tolerance && centreY - tolerance < midY &&
         midY < centreY + tolerance;
}

float LDTComm::eyeAspectRatio(const LandmarkList& landmarks, int32_t startIndex) {
  if (!hasAllLandmarks(&landmarks) || startIndex < 0 || startIndex + 5 >= static_cast<int32_t>(kLandmarkCount)) {
    return NAN;
  }
  const size_t s = static_cast<size_t>(startIndex);
  const float a = distance(landmarks[s + 1], landmarks[s + 5]);
  const float b = distance(landmarks[s + 2], landmarks[s + 4]);
  const float c = distance(landmarks[s], landmarks[s + 3]);
  return static_cast<float>((static_cast<double>(a) + b) / (2.0 * c));
}

bool LDTComm::isEyeOpen(const LandmarkList& landmarks) {
  return eyeAspectRatio(landmarks, 36) > 0.15 && eyeAspectRatio(landmarks, 42) > 0.15;
}

float LDTComm::distance(KyPoint p, KyPoint q) {
  return static_cast<float>(std::sqrt((p.x - q.x) * (p.x - q.x) + (p.y - q.y) * (p.y - q.y)));
}

bool is_mouth_open(const LandmarkList& landmarks) {
  if (!hasAllLandmarks(&landmarks)) return false;
  const float d1 = LDTComm::distance(landmarks[62], landmarks[66]);
  const float d2 = LDTComm::distance(landmarks[61], landmarks[67]);
  const float d3 = LDTComm::distance(landmarks[63], landmarks[65]);
  const float mean = (d2 + d3) / 2;
  // An undefined ratio (all three distances 0) compares false: not open.
  return static_cast<double>(mean / d1) > 0.35 && static_cast<double>(mean) > 10;
}

void LDTComm::reset() {
  std::lock_guard<std::mutex> lock(frameMutex());
  resetDetectors();
}

void LDTComm::resetDetectors() {
  HeadShakingDetection::shareInstance()->reset();
  BlinkDetection::shareInstance()->reset();
  OpenMouthDetection::shareInstance()->reset();
  LDTDistance::shareInstance()->reset();
  LDTNodding::shareInstance()->reset();
  LDTColorfulDetection::shareInstance()->reset();
  queuedFrames().clear();
}

void LDTComm::setColorSaveIndex(int32_t index) { LDTColorfulDetection::shareInstance()->setColorSaveIndex(index); }

char* LDTComm::getColorDetectHistory() {
  std::lock_guard<std::mutex> lock(frameMutex());
  return LDTColorfulDetection::shareInstance()->getDetectHistory();
}

void LDTComm::recycleColorSetting() {
  std::lock_guard<std::mutex> lock(frameMutex());
  LDTColorfulDetection::shareInstance()->recycleColorSetting();
}

const std::deque<ldt_face_landmark_t>& LDTComm::faceLandmarkQueue() { return queuedFrames(); }
