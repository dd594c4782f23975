// A layer filled with a linear gradient. Start and end points are in unit coordinates of
// the layer's bounds; without locations the colours are spread evenly.
#pragma once

#include <vector>

#include "platform/ui/KyLayer.h"

class KyGradientLayer : public KyLayer {
 public:
  void setColors(std::vector<KyColor> colors) { colors_ = std::move(colors); }
  const std::vector<KyColor>& colors() const { return colors_; }
  void setLocations(std::vector<double> locations) { locations_ = std::move(locations); }
  const std::vector<double>& locations() const { return locations_; }
  void setStartPoint(KyUIPoint p) { startPoint_ = p; }
  KyUIPoint startPoint() const { return startPoint_; }
  void setEndPoint(KyUIPoint p) { endPoint_ = p; }
  KyUIPoint endPoint() const { return endPoint_; }

  void drawInContext(cairo_t* cr) const override;

 private:
  std::vector<KyColor> colors_;
  std::vector<double> locations_;
  KyUIPoint startPoint_{0.5, 0};
  KyUIPoint endPoint_{0.5, 1};
};
