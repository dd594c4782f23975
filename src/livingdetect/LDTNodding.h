// Nod detector (living type 4): takes a baseline of a frontal, level, steady face's
// vertical proportions, then reports how far the head has tipped from it (65 to 99) and
// passes when the tip is large enough on three passes in a row.
#pragma once

#include <cstdint>

#include "livingdetect/LDTLandmarks.h"
#include "livingdetect/LDTResult.h"

class LDTNodding {
 public:
  static LDTNodding* shareInstance();

  LDTResult noddingDetect(const LandmarkListRef& facelandmarks, LDTSize imgSize, bool needImage);
  // Back to the first phase; also restarts the face-stability detector. The count of
  // consecutive repeats is kept.
  void reset();

 private:
  LDTNodding();

  // The face measures one frame is judged by.
  struct Measures {
    double yaw;         // left-right balance x 100, truncated
    bool tilted;        // nose bridge leaning sideways
    double noseToBrow;  // nose length against the inner brow gap, x 10000
    double browHeight1; // inner brow point above the top of the jaw line, first side
    double browHeight2; // the same on the other side
  };
  static Measures measure(const LandmarkList& landmarks);

  // The first phase; answers the result of the frame.
  void takeBaseline(const Measures& face, LDTResult& result);
  void judgeNod(const Measures& face, LDTResult& result);

  bool preDetect_ = false;
  double targetUp_ = 0;
  double targetDown_ = 0;
  int32_t check1FailTimes_ = 0;
  int32_t check2FailTimes_ = 0;
  int32_t check3FailTimes_ = 0;
  int32_t check4FailTimes_ = 0;
  int32_t checkAgainTimes_ = 0;
};
