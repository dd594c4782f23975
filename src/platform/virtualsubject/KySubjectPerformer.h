// A virtual subject that performs whatever the detection screen asks: the host tells it the
// current action and screen colour (setScreen), the frame source asks it for each frame's pose.
// After a short reaction time it repeats the action until the screen moves on; the face takes
// on the screen's colour with a small delay.
#pragma once

#include <kylivingdetection/KyColor.h>

#include <cstdint>
#include <mutex>
#include <optional>

#include "platform/virtualsubject/KySubjectPose.h"

struct KyPerformance {
  double blinkClosed = 1;      // eyelid closure at the bottom of a blink
  double turnDegrees = 24;     // head shake amplitude
  double nodDegrees = 28;      // nod amplitude
  double mouthGap = 26;        // pixels
  double nearScale = 1.28;
  double farScale = 0.78;
  double tintStrength = 0.08;  // how far the face takes on the screen's colour
  double noise = 2;            // sensor noise, grey levels
  int64_t reactionMs = 500;
};

class KySubjectPerformer {
 public:
  explicit KySubjectPerformer(KyPerformance performance = {}) : performance_(performance) {}

  // The screen's state: the current action (0 none; 1 distance, 2 blink, 3 shake, 4 nod,
  // 5 open mouth, 6 hold still under the colour flash) and the colour it shows.
  void setScreen(int32_t livingType, const KyColor& screenColor);
  // The pose at this moment (milliseconds on any steadily increasing clock).
  KySubjectPose poseAt(int64_t nowMs);

 private:
  KySubjectPose actionPose(int32_t livingType, int64_t sinceStartMs) const;
  void followColour(KySubjectPose& pose, int64_t nowMs);

  const KyPerformance performance_;
  std::mutex mutex_;
  int32_t livingType_ = 0;
  KyColor screenColor_ = KyColor::clear();
  bool actionChanged_ = false;
  std::optional<int64_t> actionStartMs_;
  std::optional<int64_t> lastMs_;
  double tint_[3] = {1, 1, 1};
  double tintAmount_ = 0;
};
