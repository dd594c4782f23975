// The dispatcher between the per-frame pipeline and the liveness detectors: the face
// readiness checks, the routing by living type and the shared face measures.
//
// Living types: 1 distance, 2 blink, 3 head shake, 4 nod, 5 mouth open, 6 colourful.
//
// Threads. The detectors keep no locks of their own and expect one frame at a time.
// `processLivingDetect`, `reset`, `getColorDetectHistory` and `recycleColorSetting` all
// hold one process-wide frame lock while they run, so a controller on another thread may
// call `reset` at any moment: it waits for the frame under way and never overlaps one.
// `setColorSaveIndex` only stores an atomic integer and takes no lock. Calling a
// detector's own operations directly bypasses the lock and belongs on the frame thread.
#pragma once

#include <cstdint>
#include <deque>

#include "livingdetect/LDTLandmarks.h"
#include "livingdetect/LDTResult.h"

// One remembered frame of the readiness checks.
struct ldt_face_landmark_t {
  LandmarkListRef landmarks;
  int32_t width = 0;
  int32_t height = 0;
};

class LDTComm {
 public:
  static constexpr size_t kMaxQueuedFrames = 6;

  // Runs the readiness checks while `needImage` (answering -100 when the face is ready),
  // otherwise routes the frame to the detector of `livingType`. `imageRGBData` is the
  // frame as packed RGB, needed by the colourful check only. A list without 68 points is
  // answered with 0 and not remembered.
  static LDTResult processLivingDetect(int32_t livingType, const LandmarkListRef& facelandmarks, LDTSize imgSize,
                                       bool needImage, const uint8_t* imageRGBData, LDTRect faceRect);

  // The eye line is level (within 10 degrees, either way round).
  static bool isFaceScreen(const LandmarkList& landmarks);
  // The eye midpoint lies within a quarter of the width around the centre of the upper
  // square of the frame.
  static bool centerDetect(const LandmarkList& landmarks, int32_t width, int32_t height);
  static bool isEyeOpen(const LandmarkList& landmarks);
  static float eyeAspectRatio(const LandmarkList& landmarks, int32_t startIndex);
  static float distance(KyPoint p, KyPoint q);

  // Resets every detector and forgets the remembered frames; waits for a frame under way.
  static void reset();

  static void setColorSaveIndex(int32_t index);
  // The colourful check's history text, released by the caller with mFree.
  static char* getColorDetectHistory();
  static void recycleColorSetting();

  // The remembered frames, oldest first (at most six). Read on the frame thread only.
  static const std::deque<ldt_face_landmark_t>& faceLandmarkQueue();

 private:
  static void resetDetectors();
};

// The inner lips are apart (relative to the mouth and at least 10 pixels).
bool is_mouth_open(const LandmarkList& landmarks);
