// Landmark engine figures, each a ratio against a baseline measured in the same run:
//   ModelLoad        loading the embedded model vs dlib's deserialisation of the original .dat
//                    (and the bit-serial reference decode)
//   FrameLandmarks   the per-frame call (480 x 640 BGRA copy + predictor) vs the predictor alone
//   FaceRectSource   HOG on a half-size grey copy of a 480 x 640 frame vs HOG at full size
#include <benchmark/benchmark.h>
#include <dlib/image_io.h>
#include <dlib/image_transforms/interpolation.h>
#include <dlib/serialize.h>

#include <algorithm>
#include <chrono>

#include "LandmarkModelPaths.h"
#include "dlibwrapper/DlibImageConversion.h"
#include "dlibwrapper/EmbeddedModel.h"
#include "dlibwrapper/KyDlibWrapper.h"
#include "dlibwrapper/KyHogFaceRectSource.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename Work>
double secondsOf(Work&& work) {
  const auto start = Clock::now();
  work();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// A 480 x 640 BGRA frame of the test portrait, enlarged three times and cropped around the
// face, and that face's rectangle in the frame.
struct PortraitFrame {
  KySampleBuffer frame;
  KyFaceRect face;
};

const PortraitFrame& portraitFrame() {
  static const PortraitFrame* const portrait = [] {
    dlib::array2d<dlib::rgb_pixel> small;
    dlib::load_image(small, KYLD_TEST_PORTRAIT_PATH);
    dlib::array2d<dlib::rgb_pixel> large(small.nr() * 3, small.nc() * 3);
    dlib::resize_image(small, large);
    dlib::frontal_face_detector detector = dlib::get_frontal_face_detector();
    const std::vector<dlib::rectangle> faces = detector(small);
    const dlib::point centre = faces.empty() ? dlib::point(small.nc() / 2, small.nr() / 2) : dlib::center(faces[0]);
    const long left = std::clamp(centre.x() * 3 - 240, 0L, large.nc() - 480);
    const long top = std::clamp(centre.y() * 3 - 320, 0L, large.nr() - 640);
    std::vector<uint8_t> bgra;
    for (long y = 0; y < 640; ++y) {
      for (long x = 0; x < 480; ++x) {
        const dlib::rgb_pixel& p = large[top + y][left + x];
        bgra.insert(bgra.end(), {p.blue, p.green, p.red, 255});
      }
    }
    auto* made = new PortraitFrame{KySampleBuffer::copyOf(bgra.data(), 480, 640), {}};
    KyHogFaceRectSource source(1);
    const std::vector<KyFaceRect> found = source.faceRects(made->frame);
    if (!found.empty()) made->face = found[0];
    return made;
  }();
  return *portrait;
}

void ModelLoad(benchmark::State& state) {
  double dlibSeconds = 0, tableSeconds = 0, serialSeconds = 0;
  for (auto _ : state) {
    dlib::shape_predictor original, table, serial;
    dlibSeconds += secondsOf([&] { dlib::deserialize(KYLD_DLIB_MODEL_PATH) >> original; });
    std::string error;
    size_t position = 0;
    kyvorinfo::morlin::ModelCursor in{kyvorinfo::morlin::embeddedModelBytes(), position};
    const double seconds = secondsOf([&] { kyvorinfo::morlin::load_shape_predictor_model(table, in, error); });
    tableSeconds += seconds;
    position = 0;
    serialSeconds += secondsOf([&] {
      kyvorinfo::morlin::load_shape_predictor_model(serial, in, error, kyvorinfo::morlin::LeafDecoding::BitSerial);
    });
    state.SetIterationTime(seconds);
  }
  state.counters["dlib_ms"] = 1000 * dlibSeconds / static_cast<double>(state.iterations());
  state.counters["ours_ms"] = 1000 * tableSeconds / static_cast<double>(state.iterations());
  state.counters["bitserial_ms"] = 1000 * serialSeconds / static_cast<double>(state.iterations());
  state.counters["dlib_over_ours"] = dlibSeconds / tableSeconds;
  state.counters["bitserial_over_ours"] = serialSeconds / tableSeconds;
}
BENCHMARK(ModelLoad)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

void FrameLandmarks(benchmark::State& state) {
  const PortraitFrame& portrait = portraitFrame();
  const KyDlibWrapper& wrapper = KyDlibWrapper::shareInstance();
  dlib::shape_predictor predictor;
  size_t position = 0;
  kyvorinfo::morlin::ModelCursor in{kyvorinfo::morlin::embeddedModelBytes(), position};
  std::string error;
  kyvorinfo::morlin::load_shape_predictor_model(predictor, in, error);
  dlib::array2d<dlib::bgr_pixel> image;
  copyFrameToDlibImage(portrait.frame, image);
  const dlib::rectangle box = KyDlibWrapper::convertCGRectValueArray({portrait.face}).front();

  double callSeconds = 0, predictorSeconds = 0;
  for (auto _ : state) {
    predictorSeconds += secondsOf([&] { benchmark::DoNotOptimize(predictor(image, box)); });
    const double seconds =
        secondsOf([&] { benchmark::DoNotOptimize(wrapper.detecitonOnSampleBuffer(portrait.frame, {portrait.face})); });
    callSeconds += seconds;
    state.SetIterationTime(seconds);
  }
  state.counters["predictor_ms"] = 1000 * predictorSeconds / static_cast<double>(state.iterations());
  state.counters["call_over_predictor"] = callSeconds / predictorSeconds;
}
BENCHMARK(FrameLandmarks)->UseManualTime()->Unit(benchmark::kMillisecond);

void FaceRectSource(benchmark::State& state) {
  const PortraitFrame& portrait = portraitFrame();
  KyHogFaceRectSource halfSize(2), fullSize(1);
  double halfSeconds = 0, fullSeconds = 0;
  for (auto _ : state) {
    const double seconds = secondsOf([&] { benchmark::DoNotOptimize(halfSize.faceRects(portrait.frame)); });
    halfSeconds += seconds;
    fullSeconds += secondsOf([&] { benchmark::DoNotOptimize(fullSize.faceRects(portrait.frame)); });
    state.SetIterationTime(seconds);
  }
  state.counters["frames_per_second"] = static_cast<double>(state.iterations()) / halfSeconds;
  state.counters["full_over_half"] = fullSeconds / halfSeconds;
  state.counters["faces"] = static_cast<double>(halfSize.faceRects(portrait.frame).size());
}
BENCHMARK(FaceRectSource)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace
