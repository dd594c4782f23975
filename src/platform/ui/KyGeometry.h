// Points, sizes, rectangles and 2-D transforms of the view toolkit, in points.
#pragma once

#include <cmath>

struct KyUIPoint {
  double x = 0;
  double y = 0;
  bool operator==(const KyUIPoint&) const = default;
};

struct KySize {
  double width = 0;
  double height = 0;
  bool operator==(const KySize&) const = default;
};

struct KyRect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;

  KyUIPoint origin() const { return {x, y}; }
  KySize size() const { return {width, height}; }
  double maxX() const { return x + width; }
  double maxY() const { return y + height; }
  bool contains(KyUIPoint p) const { return p.x >= x && p.y >= y && p.x < maxX() && p.y < maxY(); }
  bool operator==(const KyRect&) const = default;
};

// A transform kept in decomposed form (scale, then rotation, then translation) about the
// centre of a layer, so that animations can interpolate each part.
struct KyTransform {
  double rotation = 0;  // radians, clockwise on screen (y points down)
  double scaleX = 1;
  double scaleY = 1;
  double tx = 0;
  double ty = 0;

  static KyTransform identity() { return {}; }
  static KyTransform translation(double x, double y) { return {0, 1, 1, x, y}; }
  KyTransform rotated(double angle) const {
    KyTransform t = *this;
    t.rotation += angle;
    return t;
  }
  bool isIdentity() const { return *this == KyTransform{}; }
  bool operator==(const KyTransform&) const = default;
};
