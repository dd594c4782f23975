// A vector path: moves, lines, circular arcs and closes, in a layer's coordinates.
#pragma once

#include <vector>

#include "platform/ui/KyGeometry.h"

typedef struct _cairo cairo_t;

class KyPath {
 public:
  // An arc of a circle. Clockwise means increasing angle on screen (y pointing down),
  // angles in radians from the positive x axis.
  static KyPath arc(KyUIPoint centre, double radius, double startAngle, double endAngle, bool clockwise);

  void moveTo(KyUIPoint p);
  void lineTo(KyUIPoint p);
  void addArc(KyUIPoint centre, double radius, double startAngle, double endAngle, bool clockwise);
  void close();
  bool empty() const { return segments_.empty(); }

  // Replaces the context's current path by this one.
  void apply(cairo_t* cr) const;

 private:
  enum class Kind { Move, Line, Arc, Close };
  struct Segment {
    Kind kind;
    KyUIPoint point;
    double radius = 0, start = 0, end = 0;
    bool clockwise = true;
  };
  std::vector<Segment> segments_;
};
