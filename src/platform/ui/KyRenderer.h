// Draws a layer tree with Cairo: into any context, into an image, or into a PNG file.
#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/KyLayer.h"
#include "platform/ui/KyUIImage.h"

class KyRenderer {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  // Draws `layer` (placed by its frame) and everything under it. With a time, running
  // animations are shown as at that moment; without one, every value is its final one,
  // which makes drawings independent of time.
  static void drawLayer(cairo_t* cr, const KyLayer& layer, std::optional<TimePoint> now);
  // The tree drawn into a fresh transparent image of the root's size times `scale`, with
  // the root's origin at the image's top left.
  static std::shared_ptr<KyUIImage> snapshot(const KyLayer& root, double scale = 1,
                                             std::optional<TimePoint> now = std::nullopt);
  // The snapshot written as a PNG file; false when it cannot be written.
  static bool writePNG(const KyLayer& root, const std::string& path, double scale = 1,
                       std::optional<TimePoint> now = std::nullopt);
  // Darkens what is drawn to show a screen brightness below full (0..1).
  static void drawBrightness(cairo_t* cr, KySize size, double brightness);

 private:
  static void drawContents(cairo_t* cr, const KyLayer& layer, std::optional<TimePoint> now);
};
