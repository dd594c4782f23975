#include "platform/ui/KyGradientLayer.h"

#include <cairo.h>

void KyGradientLayer::drawInContext(cairo_t* cr) const {
  KyLayer::drawInContext(cr);
  if (colors_.empty()) return;
  const KyRect b = bounds();
  cairo_pattern_t* pattern = cairo_pattern_create_linear(startPoint_.x * b.width, startPoint_.y * b.height,
                                                         endPoint_.x * b.width, endPoint_.y * b.height);
  const size_t n = colors_.size();
  for (size_t i = 0; i < n; ++i) {
    double offset = n == 1 ? 0 : static_cast<double>(i) / static_cast<double>(n - 1);
    if (locations_.size() == n) offset = locations_[i];
    const KyColor& c = colors_[i];
    cairo_pattern_add_color_stop_rgba(pattern, offset, c.r, c.g, c.b, c.a);
  }
  cairo_rectangle(cr, 0, 0, b.width, b.height);
  cairo_set_source(cr, pattern);
  cairo_fill(cr);
  cairo_pattern_destroy(pattern);
}
