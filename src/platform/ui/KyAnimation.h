// Property animations of layers: a layer's model value changes at once, and while an
// animation runs the rendered (presentation) value moves from the old value to the new one.
#pragma once

#include <kylivingdetection/KyColor.h>

#include <chrono>
#include <cstdint>
#include <functional>

#include "platform/ui/KyGeometry.h"

enum class KyTimingCurve { Linear, EaseInOut };

enum class KyAnimatedProperty { Opacity, Transform };

struct KyAnimationOptions {
  double duration = 0.25;  // seconds
  double delay = 0;        // seconds
  KyTimingCurve curve = KyTimingCurve::EaseInOut;
};

// Called on the UI thread; finished is false when the animation was replaced or removed.
using KyAnimationCompletion = std::function<void(bool finished)>;

struct KyAnimation {
  uint64_t id = 0;
  KyAnimatedProperty property = KyAnimatedProperty::Opacity;
  double fromOpacity = 1, toOpacity = 1;
  KyTransform fromTransform, toTransform;
  std::chrono::steady_clock::time_point begin;
  double duration = 0;
  KyTimingCurve curve = KyTimingCurve::EaseInOut;
  KyAnimationCompletion completion;

  // Progress 0..1 at time `now`, after the timing curve.
  double progressAt(std::chrono::steady_clock::time_point now) const;
  double opacityAt(std::chrono::steady_clock::time_point now) const;
  KyTransform transformAt(std::chrono::steady_clock::time_point now) const;
};

// Rotation from one angle to another the way a matrix interpolation sees it: the shorter
// way round, less than half a turn either side.
double KyRotationDelta(double from, double to);
