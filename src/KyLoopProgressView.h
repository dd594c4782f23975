// The progress ring around the camera preview: an arc of 324 degrees, open at the bottom,
// that fills clockwise with a colour gradient and eases towards each new value on a
// background worker. It registers as a living-end listener when made.
#pragma once

#include <kylivingdetection/KyLivingDelegateManager.h>
#include <kylivingdetection/KyLivingViewStyle.h>

#include <atomic>
#include <cstddef>
#include <memory>

#include "platform/ui/KyGradientLayer.h"
#include "platform/ui/KyShapeLayer.h"
#include "platform/ui/KyView.h"

class KyLoopProgressView : public KyView, public KyLivingEndListener {
 public:
  // Builds the ring at progress 0 and adds it to the living-end listeners.
  static std::shared_ptr<KyLoopProgressView> initWithFrame(KyRect rect);
  explicit KyLoopProgressView(KyRect rect);

  // value 0..100 (clamped); changes under 5 points from the current target are ignored.
  // Any thread.
  void updateProcess(float value);
  void livingEnd() override {}

  float currentProcess() const { return _currentProcess; }
  float targetProcess() const { return _targetProcess; }
  bool isAnimating() const { return isAniActive; }
  // Steps taken by the last finished easing run.
  size_t lastRunSteps() const { return lastRunSteps_; }
  const std::shared_ptr<KyShapeLayer>& frontProgressLayer() const { return frontProgressLayer_; }

  static constexpr double kStepSeconds = 1.0 / 24;

 private:
  void buildLayers(KyRect rect);
  void runEasing();
  void showProgress(float fraction);

  std::shared_ptr<KyLayer> fatherGradientLayer_;
  std::shared_ptr<KyGradientLayer> leftGradientLayer_;
  std::shared_ptr<KyGradientLayer> rightGradientLayer_;
  std::shared_ptr<KyShapeLayer> frontProgressLayer_;
  std::atomic<float> _currentProcess{0};
  std::atomic<float> _targetProcess{0};
  std::atomic<bool> isAniActive{false};
  std::atomic<size_t> lastRunSteps_{0};
  const KyLivingViewStyle* g_livingViewStyle;
};
