// The device's main screen: its bounds in points, the status bar's height and the
// brightness (0..1), which the window shows as a dimming overlay. UI thread only.
#pragma once

#include "platform/ui/KyGeometry.h"

class KyScreen {
 public:
  static KyScreen& mainScreen();

  KyRect bounds() const { return bounds_; }
  void setBounds(KyRect bounds) { bounds_ = bounds; }
  double statusBarHeight() const { return statusBarHeight_; }
  void setStatusBarHeight(double height) { statusBarHeight_ = height; }
  double brightness() const { return brightness_; }
  void setBrightness(double brightness);

 private:
  KyRect bounds_{0, 0, 375, 812};
  double statusBarHeight_ = 44;
  double brightness_ = 0.5;
};
