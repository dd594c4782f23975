#include "KyDetectionScreenLayout.h"

namespace {
constexpr double kCameraSide = 250;
}  // namespace

KyDetectionScreenFrames KyLayOutDetectionScreen(double screenWidth, double statusBarHeight,
                                               double navigationBarHeight, int64_t windowSwitchType) {
  KyDetectionScreenFrames frames;
  double y = statusBarHeight;
  if (windowSwitchType == 1) y += navigationBarHeight + 20;
  if (windowSwitchType == 2) {
    frames.exitButton = KyRect{0, y, 200, 40};
    y += 60;
  }
  frames.titleLabel = {0, y, screenWidth, 40};
  y += 40;
  const double x = (screenWidth - kCameraSide) / 2;
  frames.cameraArea = {x, y + 10, kCameraSide, kCameraSide};
  frames.finishView = {x, y, kCameraSide, kCameraSide};
  y += 260;
  frames.actionListY = y + 20;
  return frames;
}
