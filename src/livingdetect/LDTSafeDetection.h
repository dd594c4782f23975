// Face-stability detector: judges from a few landmark line angles whether a face stayed
// upright and level over the last five recorded frames. The detection pipeline only
// resets it (through the nod detector); the verdict is there for callers that want it.
#pragma once

#include <cstdint>

#include "livingdetect/LDTLandmarks.h"

class LDTSafeDetection {
 public:
  static LDTSafeDetection* Instance();

  // Records this frame's line angles and judges the last five frames; true while fewer
  // than five frames have been recorded since the last reset. A list without 68 points
  // is not recorded and is not safe.
  bool isSafeFace(const LandmarkList& landmarks);
  // Restarts the recording; the rows are overwritten before they are judged again.
  void resetArray();

  int32_t landmarkBufferOffset() const { return landmarkBufferOffset_; }

 private:
  static constexpr int kRows = 5;
  static constexpr int kLines = 7;

  LDTSafeDetection() = default;

  int32_t landmarkBufferOffset_ = 0;
  int32_t checkBufferOffset_ = 0;
  int32_t check1FailTimes_ = 0;
  int32_t angleBuffer_[kRows][kLines] = {};
};
