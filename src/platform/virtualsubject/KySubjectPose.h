// What the virtual subject does in one frame.
#pragma once

#include <cstdint>

struct KySubjectPose {
  double eyesClosed = 0;   // 0 open .. 1 upper lids down on the lower lids
  double mouthOpen = 0;    // lower lip moved down by this many pixels (dark cavity between the lips)
  double lipsClosed = 1;   // 0 lips as photographed .. 1 inner lips pressed together
  double yawDegrees = 0;   // head turn, positive to the frame's right
  double pitchDegrees = 0; // head nod, positive down
  double rollDegrees = 0;  // tilt in the picture plane
  double scale = 1;        // nearer (> 1) or farther (< 1)
  double jitterX = 0;      // whole-head shift in pixels
  double jitterY = 0;
  double noise = 0;        // sensor noise, standard deviation in grey levels
  // The face brightens towards this colour (0..1 channels) by tintStrength (0..1).
  double tintR = 1, tintG = 1, tintB = 1;
  double tintStrength = 0;
};
