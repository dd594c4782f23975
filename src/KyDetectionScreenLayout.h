// Where the detection screen's parts go, from the top down, for a pushed (window switch
// type 1) or presented (2) screen. Other types get neither the navigation-bar offset nor the
// exit button.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/ui/KyGeometry.h"

struct KyDetectionScreenFrames {
  std::optional<KyRect> exitButton;  // presented screens only
  KyRect titleLabel;
  KyRect cameraArea;  // ring, preview, continue overlay and face-outline view
  KyRect finishView;
  double actionListY = 0;  // where the action list starts, when there are two or more actions
};

KyDetectionScreenFrames KyLayOutDetectionScreen(double screenWidth, double statusBarHeight,
                                               double navigationBarHeight, int64_t windowSwitchType);
