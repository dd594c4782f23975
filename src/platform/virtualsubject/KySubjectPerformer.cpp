#include "platform/virtualsubject/KySubjectPerformer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr int64_t kCycleMs = 1600;
// The face's colour trails the screen's by about this long.
constexpr double kColourLagMs = 150;

double swing(int64_t ms) { return std::sin(2 * std::numbers::pi * static_cast<double>(ms % kCycleMs) / kCycleMs); }
bool firstHalf(int64_t ms, int64_t period) { return ms % period < period / 2; }

}  // namespace

void KySubjectPerformer::setScreen(int32_t livingType, const KyColor& screenColor) {
  std::lock_guard lock(mutex_);
  if (livingType != livingType_) actionChanged_ = true;
  livingType_ = livingType;
  screenColor_ = screenColor;
}

KySubjectPose KySubjectPerformer::poseAt(int64_t nowMs) {
  std::lock_guard lock(mutex_);
  if (actionChanged_ || !actionStartMs_) {
    actionStartMs_ = nowMs;
    actionChanged_ = false;
  }
  const int64_t since = nowMs - *actionStartMs_ - performance_.reactionMs;
  KySubjectPose pose = since < 0 ? KySubjectPose{} : actionPose(livingType_, since);
  pose.noise = performance_.noise;
  // A living head never holds perfectly still.
  pose.jitterX += 0.6 * std::sin(static_cast<double>(nowMs) / 370.0);
  pose.jitterY += 0.4 * std::sin(static_cast<double>(nowMs) / 530.0);
  followColour(pose, nowMs);
  return pose;
}

KySubjectPose KySubjectPerformer::actionPose(int32_t livingType, int64_t since) const {
  KySubjectPose pose;
  switch (livingType) {
    case 1: pose.scale = firstHalf(since, 2 * kCycleMs) ? performance_.nearScale : performance_.farScale; break;
    case 2: pose.eyesClosed = since % 1000 < 300 ? performance_.blinkClosed : 0; break;
    case 3: pose.yawDegrees = performance_.turnDegrees * swing(since); break;
    case 4: pose.pitchDegrees = performance_.nodDegrees * swing(since); break;
    case 5:
      if (firstHalf(since, kCycleMs)) {
        pose.mouthOpen = performance_.mouthGap;
        pose.lipsClosed = 0;
      }
      break;
    default: break;  // 6 and anything else: hold still
  }
  return pose;
}

void KySubjectPerformer::followColour(KySubjectPose& pose, int64_t nowMs) {
  const double step = lastMs_ ? std::clamp(static_cast<double>(nowMs - *lastMs_) / kColourLagMs, 0.0, 1.0) : 1.0;
  lastMs_ = nowMs;
  const bool lit = screenColor_.a > 0;
  const double target[3] = {screenColor_.r, screenColor_.g, screenColor_.b};
  for (int k = 0; k < 3; ++k) tint_[k] += ((lit ? target[k] : 1.0) - tint_[k]) * step;
  tintAmount_ += ((lit ? performance_.tintStrength : 0.0) - tintAmount_) * step;
  pose.tintR = tint_[0];
  pose.tintG = tint_[1];
  pose.tintB = tint_[2];
  pose.tintStrength = tintAmount_;
}
