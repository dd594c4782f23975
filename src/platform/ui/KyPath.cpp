#include "platform/ui/KyPath.h"

#include <cairo.h>

KyPath KyPath::arc(KyUIPoint centre, double radius, double startAngle, double endAngle, bool clockwise) {
  KyPath path;
  path.addArc(centre, radius, startAngle, endAngle, clockwise);
  return path;
}

void KyPath::moveTo(KyUIPoint p) { segments_.push_back({Kind::Move, p}); }

void KyPath::lineTo(KyUIPoint p) { segments_.push_back({Kind::Line, p}); }

void KyPath::addArc(KyUIPoint centre, double radius, double startAngle, double endAngle, bool clockwise) {
  segments_.push_back({Kind::Arc, centre, radius, startAngle, endAngle, clockwise});
}

void KyPath::close() { segments_.push_back({Kind::Close, {}}); }

void KyPath::apply(cairo_t* cr) const {
  cairo_new_path(cr);
  for (const Segment& s : segments_) {
    switch (s.kind) {
      case Kind::Move: cairo_move_to(cr, s.point.x, s.point.y); break;
      case Kind::Line: cairo_line_to(cr, s.point.x, s.point.y); break;
      case Kind::Close: cairo_close_path(cr); break;
      case Kind::Arc:
        if (s.clockwise) {
          cairo_arc(cr, s.point.x, s.point.y, s.radius, s.start, s.end);
        } else {
          cairo_arc_negative(cr, s.point.x, s.point.y, s.radius, s.start, s.end);
        }
        break;
    }
  }
}
