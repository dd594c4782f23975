#include "platform/ui/KyLabel.h"

#include <cairo.h>
#include <pango/pangocairo.h>

class KyLabel::TextLayer : public KyLayer {
 public:
  std::string text;
  KyColor color{0, 0, 0, 1};
  KyFont font;
  KyTextAlignment alignment = KyTextAlignment::Left;

  void drawInContext(cairo_t* cr) const override;
};

namespace {

// Unhinted outlines and metrics keep the drawing the same at every size and position.
void setStableFontOptions(PangoContext* context) {
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
  pango_cairo_context_set_font_options(context, options);
  cairo_font_options_destroy(options);
}

PangoAlignment pangoAlignment(KyTextAlignment alignment) {
  switch (alignment) {
    case KyTextAlignment::Center: return PANGO_ALIGN_CENTER;
    case KyTextAlignment::Right: return PANGO_ALIGN_RIGHT;
    case KyTextAlignment::Left: break;
  }
  return PANGO_ALIGN_LEFT;
}

}  // namespace

void KyLabel::TextLayer::drawInContext(cairo_t* cr) const {
  KyLayer::drawInContext(cr);
  if (text.empty() || color.a <= 0) return;
  const KyRect b = bounds();
  PangoLayout* layout = pango_cairo_create_layout(cr);
  setStableFontOptions(pango_layout_get_context(layout));
  pango_layout_context_changed(layout);
  PangoFontDescription* description = pango_font_description_new();
  pango_font_description_set_family(description, KyLabel::fontFamily());
  pango_font_description_set_weight(description, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_absolute_size(description, font.size * PANGO_SCALE);
  pango_layout_set_font_description(layout, description);
  pango_font_description_free(description);
  pango_layout_set_text(layout, text.c_str(), static_cast<int>(text.size()));
  pango_layout_set_width(layout, static_cast<int>(b.width * PANGO_SCALE));
  pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
  pango_layout_set_single_paragraph_mode(layout, TRUE);
  pango_layout_set_alignment(layout, pangoAlignment(alignment));
  PangoRectangle logical;
  pango_layout_get_pixel_extents(layout, nullptr, &logical);
  cairo_save(cr);
  cairo_set_source_rgba(cr, color.r, color.g, color.b, color.a);
  cairo_move_to(cr, 0, (b.height - logical.height) / 2);
  pango_cairo_show_layout(cr, layout);
  cairo_restore(cr);
  g_object_unref(layout);
}

KyLabel::KyLabel(KyRect frame) : KyView(std::make_shared<TextLayer>(), frame) {}

KyLabel::TextLayer& KyLabel::textLayer() const { return static_cast<TextLayer&>(*layer()); }

const char* KyLabel::fontFamily() { return "Noto Sans CJK SC"; }

const std::string& KyLabel::text() const { return textLayer().text; }
void KyLabel::setText(std::string text) { textLayer().text = std::move(text); }
KyColor KyLabel::textColor() const { return textLayer().color; }
void KyLabel::setTextColor(KyColor color) { textLayer().color = color; }
KyFont KyLabel::font() const { return textLayer().font; }
void KyLabel::setFont(KyFont font) { textLayer().font = font; }
KyTextAlignment KyLabel::textAlignment() const { return textLayer().alignment; }
void KyLabel::setTextAlignment(KyTextAlignment alignment) { textLayer().alignment = alignment; }
