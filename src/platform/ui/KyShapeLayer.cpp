#include "platform/ui/KyShapeLayer.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

void setColor(cairo_t* cr, KyColor c) { cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a); }

cairo_line_cap_t cairoCap(KyLineCap cap) {
  switch (cap) {
    case KyLineCap::Round: return CAIRO_LINE_CAP_ROUND;
    case KyLineCap::Square: return CAIRO_LINE_CAP_SQUARE;
    case KyLineCap::Butt: break;
  }
  return CAIRO_LINE_CAP_BUTT;
}

struct Polyline {
  std::vector<KyUIPoint> points;
};

// The current path flattened into polylines (one per sub-path).
std::vector<Polyline> flatten(cairo_t* cr) {
  std::vector<Polyline> lines;
  cairo_path_t* path = cairo_copy_path_flat(cr);
  KyUIPoint subpathStart;
  for (int i = 0; i < path->num_data; i += path->data[i].header.length) {
    const cairo_path_data_t& d = path->data[i];
    switch (d.header.type) {
      case CAIRO_PATH_MOVE_TO:
        subpathStart = {path->data[i + 1].point.x, path->data[i + 1].point.y};
        lines.push_back({{subpathStart}});
        break;
      case CAIRO_PATH_LINE_TO:
        if (lines.empty()) lines.push_back({});
        lines.back().points.push_back({path->data[i + 1].point.x, path->data[i + 1].point.y});
        break;
      case CAIRO_PATH_CLOSE_PATH:
        if (!lines.empty()) lines.back().points.push_back(subpathStart);
        break;
      case CAIRO_PATH_CURVE_TO: break;  // a flat path has none
    }
  }
  cairo_path_destroy(path);
  return lines;
}

double distance(KyUIPoint a, KyUIPoint b) { return std::hypot(b.x - a.x, b.y - a.y); }

}  // namespace

void KyShapeLayer::drawInContext(cairo_t* cr) const {
  KyLayer::drawInContext(cr);
  if (path_.empty()) return;
  path_.apply(cr);
  if (fillColor_.a > 0) {
    cairo_set_fill_rule(cr, fillRule_ == KyFillRule::EvenOdd ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
    setColor(cr, fillColor_);
    cairo_fill_preserve(cr);
  }
  if (strokeColor_.a <= 0 || lineWidth_ <= 0) return;
  cairo_set_line_width(cr, lineWidth_);
  cairo_set_line_cap(cr, cairoCap(lineCap_));
  setColor(cr, strokeColor_);
  if (strokeStart_ <= 0 && strokeEnd_ >= 1) {
    cairo_stroke(cr);
  } else {
    strokeTrimmed(cr);
  }
  cairo_new_path(cr);
}

// Strokes only the part of the path between strokeStart and strokeEnd of its length.
void KyShapeLayer::strokeTrimmed(cairo_t* cr) const {
  const double start = std::clamp(strokeStart_, 0.0, 1.0);
  const double end = std::clamp(strokeEnd_, 0.0, 1.0);
  std::vector<Polyline> lines = flatten(cr);
  cairo_new_path(cr);
  if (end <= start) return;
  double total = 0;
  for (const Polyline& l : lines) {
    for (size_t i = 1; i < l.points.size(); ++i) total += distance(l.points[i - 1], l.points[i]);
  }
  const double from = start * total, to = end * total;
  double walked = 0;
  for (const Polyline& l : lines) {
    bool drawing = false;
    for (size_t i = 1; i < l.points.size(); ++i) {
      const KyUIPoint a = l.points[i - 1], b = l.points[i];
      const double len = distance(a, b);
      const double s = std::max(from, walked), e = std::min(to, walked + len);
      if (len > 0 && e > s) {
        auto at = [&](double d) { return KyUIPoint{a.x + (b.x - a.x) * (d - walked) / len, a.y + (b.y - a.y) * (d - walked) / len}; };
        const KyUIPoint p0 = at(s), p1 = at(e);
        if (!drawing) cairo_move_to(cr, p0.x, p0.y);
        cairo_line_to(cr, p1.x, p1.y);
        drawing = true;
      }
      walked += len;
    }
  }
  cairo_stroke(cr);
}
