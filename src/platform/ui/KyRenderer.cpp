#include "platform/ui/KyRenderer.h"

#include <cairo.h>

#include <algorithm>

namespace {

// Moves the context into the layer's coordinates: its frame origin, then its transform
// about its centre.
void enterLayer(cairo_t* cr, const KyLayer& layer, const KyTransform& t) {
  const KyRect f = layer.frame();
  cairo_translate(cr, f.x, f.y);
  if (t.isIdentity()) return;
  cairo_translate(cr, f.width / 2 + t.tx, f.height / 2 + t.ty);
  cairo_rotate(cr, t.rotation);
  cairo_scale(cr, t.scaleX, t.scaleY);
  cairo_translate(cr, -f.width / 2, -f.height / 2);
}

}  // namespace

void KyRenderer::drawContents(cairo_t* cr, const KyLayer& layer, std::optional<TimePoint> now) {
  const KyRect b = layer.bounds();
  if (layer.masksToBounds()) {
    cairo_rectangle(cr, 0, 0, b.width, b.height);
    cairo_clip(cr);
  }
  const KyColor bg = layer.backgroundColor();
  if (bg.a > 0) {
    cairo_set_source_rgba(cr, bg.r, bg.g, bg.b, bg.a);
    cairo_rectangle(cr, 0, 0, b.width, b.height);
    cairo_fill(cr);
  }
  layer.drawInContext(cr);
  cairo_translate(cr, -b.x, -b.y);
  for (const auto& sub : layer.sublayers()) drawLayer(cr, *sub, now);
}

void KyRenderer::drawLayer(cairo_t* cr, const KyLayer& layer, std::optional<TimePoint> now) {
  if (layer.isHidden()) return;
  const double opacity = std::clamp(layer.presentationOpacity(now), 0.0, 1.0);
  if (opacity <= 0) return;
  cairo_save(cr);
  enterLayer(cr, layer, layer.presentationTransform(now));
  const bool grouped = opacity < 1 || layer.mask();
  if (!grouped) {
    drawContents(cr, layer, now);
    cairo_restore(cr);
    return;
  }
  cairo_push_group(cr);
  drawContents(cr, layer, now);
  cairo_pattern_t* content = cairo_pop_group(cr);
  if (const auto& mask = layer.mask()) {
    cairo_push_group(cr);
    drawLayer(cr, *mask, now);
    cairo_pattern_t* coverage = cairo_pop_group(cr);
    cairo_push_group(cr);
    cairo_set_source(cr, content);
    cairo_mask(cr, coverage);
    cairo_pattern_destroy(coverage);
    cairo_pattern_destroy(content);
    content = cairo_pop_group(cr);
  }
  cairo_set_source(cr, content);
  cairo_paint_with_alpha(cr, opacity);
  cairo_pattern_destroy(content);
  cairo_restore(cr);
}

std::shared_ptr<KyUIImage> KyRenderer::snapshot(const KyLayer& root, double scale, std::optional<TimePoint> now) {
  const KyRect f = root.frame();
  const int w = std::max(1, static_cast<int>(f.width * scale + 0.5));
  const int h = std::max(1, static_cast<int>(f.height * scale + 0.5));
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, scale, scale);
  cairo_translate(cr, -f.x, -f.y);
  drawLayer(cr, root, now);
  cairo_destroy(cr);
  cairo_surface_flush(surface);
  return std::make_shared<KyUIImage>(surface);
}

bool KyRenderer::writePNG(const KyLayer& root, const std::string& path, double scale, std::optional<TimePoint> now) {
  std::shared_ptr<KyUIImage> image = snapshot(root, scale, now);
  return cairo_surface_write_to_png(image->surface(), path.c_str()) == CAIRO_STATUS_SUCCESS;
}

void KyRenderer::drawBrightness(cairo_t* cr, KySize size, double brightness) {
  const double dim = (1 - std::clamp(brightness, 0.0, 1.0)) * 0.8;
  if (dim <= 0) return;
  cairo_save(cr);
  cairo_set_source_rgba(cr, 0, 0, 0, dim);
  cairo_rectangle(cr, 0, 0, size.width, size.height);
  cairo_fill(cr);
  cairo_restore(cr);
}
