// Drawing costs of the detection screen (375 x 812 points, one pixel per point), each
// against filling a surface of the same size with one colour in the same run.
// Counter "x_fill": how many plain fills one drawing costs, in CPU time of the drawing thread.
//
//   ScreenFill:      baseline, one opaque fill of the whole surface
//   ScreenDraw:      the whole presented screen with its action row, every value final
//   ScreenDrawFrame: the same with a 480 x 640 camera frame in the preview
#include <benchmark/benchmark.h>
#include <cairo.h>

#include <time.h>

#include <algorithm>
#include <vector>

#include "KyDetectionScreenStage.h"
#include "platform/ui/KyCameraPreviewLayer.h"
#include "platform/ui/KyRenderer.h"

namespace {

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Seconds one fill takes here and now (best of several batches).
double fillSeconds() {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 375, 812);
  cairo_t* cr = cairo_create(surface);
  double best = 1e9;
  for (int batch = 0; batch < 5; ++batch) {
    const double start = threadCpuSeconds();
    for (int i = 0; i < 50; ++i) {
      cairo_set_source_rgb(cr, 1, 1, i / 50.0);
      cairo_paint(cr);
    }
    cairo_surface_flush(surface);
    best = std::min(best, (threadCpuSeconds() - start) / 50);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return best;
}

void drawScreen(benchmark::State& state, bool withFrame) {
  const double baseline = fillSeconds();
  auto stage = KyDetectionScreenStage::make(2, 6235);
  if (withFrame) {
    KySampleBuffer frame;
    frame.pixels = std::make_shared<const std::vector<uint8_t>>(480 * 640 * 4, 0x80);
    frame.width = 480;
    frame.height = 640;
    frame.bytesPerRow = 480 * 4;
    stage->screen()->showCameraFrame(frame);
  }
  const double start = threadCpuSeconds();
  for (auto _ : state) benchmark::DoNotOptimize(KyRenderer::snapshot(*stage->window()->layer()));
  const double each = (threadCpuSeconds() - start) / static_cast<double>(state.iterations());
  state.counters["x_fill"] = each / baseline;
}

void ScreenFill(benchmark::State& state) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 375, 812);
  cairo_t* cr = cairo_create(surface);
  for (auto _ : state) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_surface_flush(surface);
  }
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  state.counters["x_fill"] = 1;
}

void ScreenDraw(benchmark::State& state) { drawScreen(state, false); }
void ScreenDrawFrame(benchmark::State& state) { drawScreen(state, true); }

}  // namespace

BENCHMARK(ScreenFill)->Unit(benchmark::kMicrosecond);
BENCHMARK(ScreenDraw)->Unit(benchmark::kMillisecond);
BENCHMARK(ScreenDrawFrame)->Unit(benchmark::kMillisecond);
