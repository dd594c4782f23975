#include "livingdetect/LDTSafeDetection.h"

#include <cstdlib>

namespace {

// The lines whose angles are recorded: both eyes, three jaw spans, the brows, the nose.
struct Line {
  size_t from;
  size_t to;
};
constexpr Line kRecordedLines[] = {{36, 39}, {42, 45}, {5, 11}, {3, 13}, {1, 15}, {19, 24}, {27, 30}};
constexpr int kNoseSlot = 6;
constexpr int kFirstJudgedSlot = 2;  // the jaw spans and the brows; the eye lines are not judged
constexpr int kLastJudgedSlot = 5;

}  // namespace

LDTSafeDetection* LDTSafeDetection::Instance() {
  static LDTSafeDetection instance;  // initialised once, under the runtime's guard
  return &instance;
}

void LDTSafeDetection::resetArray() {
  landmarkBufferOffset_ = 0;
  checkBufferOffset_ = 0;
  check1FailTimes_ = 0;
}

bool LDTSafeDetection::isSafeFace(const LandmarkList& landmarks) {
  if (!hasAllLandmarks(&landmarks)) return false;
  int32_t* row = angleBuffer_[landmarkBufferOffset_ % kRows];
  for (int slot = 0; slot < kLines; ++slot) {
    row[slot] = KyLDCommUtil::calc2PointAngle(landmarks[kRecordedLines[slot].from], landmarks[kRecordedLines[slot].to]);
  }
  ++landmarkBufferOffset_;
  if (landmarkBufferOffset_ < kRows) return true;

  // Only an upright current frame (steep nose line) gets its history judged.
  if (std::abs(row[kNoseSlot]) <= 80) return true;
  int tiltedRows[kLines] = {};
  for (const int32_t(&recorded)[kLines] : angleBuffer_) {
    for (int slot = kFirstJudgedSlot; slot <= kLastJudgedSlot; ++slot) {
      if (std::abs(recorded[slot]) >= 10) ++tiltedRows[slot];
    }
  }
  for (int slot = kFirstJudgedSlot; slot <= kLastJudgedSlot; ++slot) {
    if (tiltedRows[slot] >= 2) return false;
  }
  return true;
}
