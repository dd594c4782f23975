// A layer that fills and strokes a path; the stroke can be trimmed to a fraction of the
// path's length (stroke start and end, 0..1).
#pragma once

#include "platform/ui/KyLayer.h"
#include "platform/ui/KyPath.h"

enum class KyLineCap { Butt, Round, Square };
enum class KyFillRule { NonZero, EvenOdd };

class KyShapeLayer : public KyLayer {
 public:
  const KyPath& path() const { return path_; }
  void setPath(KyPath path) { path_ = std::move(path); }
  KyColor fillColor() const { return fillColor_; }
  void setFillColor(KyColor color) { fillColor_ = color; }
  KyColor strokeColor() const { return strokeColor_; }
  void setStrokeColor(KyColor color) { strokeColor_ = color; }
  double lineWidth() const { return lineWidth_; }
  void setLineWidth(double width) { lineWidth_ = width; }
  KyLineCap lineCap() const { return lineCap_; }
  void setLineCap(KyLineCap cap) { lineCap_ = cap; }
  KyFillRule fillRule() const { return fillRule_; }
  void setFillRule(KyFillRule rule) { fillRule_ = rule; }
  double strokeStart() const { return strokeStart_; }
  void setStrokeStart(double start) { strokeStart_ = start; }
  double strokeEnd() const { return strokeEnd_; }
  void setStrokeEnd(double end) { strokeEnd_ = end; }

  void drawInContext(cairo_t* cr) const override;

 private:
  void strokeTrimmed(cairo_t* cr) const;

  KyPath path_;
  KyColor fillColor_{0, 0, 0, 1};
  KyColor strokeColor_ = KyColor::clear();
  double lineWidth_ = 1;
  KyLineCap lineCap_ = KyLineCap::Butt;
  KyFillRule fillRule_ = KyFillRule::NonZero;
  double strokeStart_ = 0;
  double strokeEnd_ = 1;
};
