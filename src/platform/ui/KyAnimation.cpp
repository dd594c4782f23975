#include "platform/ui/KyAnimation.h"

#include <algorithm>
#include <cmath>

namespace {

double applyCurve(KyTimingCurve curve, double t) {
  if (curve == KyTimingCurve::Linear) return t;
  return t * t * (3 - 2 * t);
}

double lerp(double a, double b, double t) { return a + (b - a) * t; }

}  // namespace

double KyRotationDelta(double from, double to) { return std::remainder(to - from, 2 * M_PI); }

double KyAnimation::progressAt(std::chrono::steady_clock::time_point now) const {
  if (duration <= 0) return now >= begin ? 1 : 0;
  const double elapsed = std::chrono::duration<double>(now - begin).count();
  return applyCurve(curve, std::clamp(elapsed / duration, 0.0, 1.0));
}

double KyAnimation::opacityAt(std::chrono::steady_clock::time_point now) const {
  return lerp(fromOpacity, toOpacity, progressAt(now));
}

KyTransform KyAnimation::transformAt(std::chrono::steady_clock::time_point now) const {
  const double t = progressAt(now);
  KyTransform out;
  out.rotation = fromTransform.rotation + KyRotationDelta(fromTransform.rotation, toTransform.rotation) * t;
  out.scaleX = lerp(fromTransform.scaleX, toTransform.scaleX, t);
  out.scaleY = lerp(fromTransform.scaleY, toTransform.scaleY, t);
  out.tx = lerp(fromTransform.tx, toTransform.tx, t);
  out.ty = lerp(fromTransform.ty, toTransform.ty, t);
  return out;
}
