// The landmark list that the detectors read, the frame geometry passed with it, and the
// face measures that several detectors share.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <vector>

#include "utils/KyLDCommUtil.h"

// One face in one frame: 68 points in pixels of the frame, in the usual 68-point order
// (jaw 0-16, brows 17-26, nose 27-35, eyes 36-47, lips 48-67).
using LandmarkList = std::vector<KyPoint>;
// Frames are remembered by several detectors, so the list is shared, never copied.
using LandmarkListRef = std::shared_ptr<const LandmarkList>;

constexpr size_t kLandmarkCount = 68;

struct LDTSize {
  double width = 0;
  double height = 0;
};

struct LDTRect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

inline bool hasAllLandmarks(const LandmarkList* landmarks) {
  return landmarks != nullptr && landmarks->size() == kLandmarkCount;
}
inline bool hasAllLandmarks(const LandmarkListRef& landmarks) { return hasAllLandmarks(landmarks.get()); }

inline double landmarkDistance(const LandmarkList& landmarks, size_t a, size_t b) {
  return KyLDCommUtil::calc2PointDistance(landmarks[a], landmarks[b]);
}

// Left-right balance of the face: nose tip to the first cheek against nose tip to the
// other cheek, x 100, truncated. Kept as a double so that an undefined or infinite ratio
// stays visible to the comparisons instead of becoming an arbitrary integer.
inline double yawRatio(const LandmarkList& landmarks) {
  return std::trunc(landmarkDistance(landmarks, 2, 30) / landmarkDistance(landmarks, 30, 14) * 100);
}

// True only for a ratio that is a number within [low, high].
inline bool ratioWithin(double ratio, double low, double high) { return ratio >= low && ratio <= high; }

// Nose length against the gap between the inner brow points, x 10000.
inline double noseToBrowRatio(const LandmarkList& landmarks) {
  return landmarkDistance(landmarks, 27, 33) / landmarkDistance(landmarks, 20, 23) * 10000;
}

// Truncates towards zero into the int32 range; an undefined value gives 0.
inline int32_t truncToInt32(double value) {
  if (std::isnan(value)) return 0;
  if (value <= std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  if (value >= std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  return static_cast<int32_t>(value);
}
