#include "platform/ui/KyScreen.h"

#include <algorithm>

KyScreen& KyScreen::mainScreen() {
  static KyScreen screen;
  return screen;
}

void KyScreen::setBrightness(double brightness) { brightness_ = std::clamp(brightness, 0.0, 1.0); }
