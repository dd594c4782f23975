#include "BenchTiming.h"
// Imaging figures: camera frame to packed RGB (as a multiple of memcpy of the same frame,
// measured in the same run) and JPEG encoding of a best image.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <cstring>
#include <vector>

#include "utils/CodecUtil.h"
#include "utils/ImageUtil.h"
#include "utils/KyLDCommUtil.h"

namespace {

constexpr int32_t kWidth = 480;
constexpr int32_t kHeight = 640;

// A portrait camera frame with a smooth face-like gradient, so JPEG sizes are realistic.
KySampleBuffer cameraFrame() {
  std::vector<uint8_t> bgra(static_cast<size_t>(kWidth) * kHeight * 4);
  for (int32_t y = 0; y < kHeight; ++y) {
    for (int32_t x = 0; x < kWidth; ++x) {
      uint8_t* p = &bgra[(static_cast<size_t>(y) * kWidth + x) * 4];
      p[0] = static_cast<uint8_t>(60 + x / 8);
      p[1] = static_cast<uint8_t>(90 + y / 8);
      p[2] = static_cast<uint8_t>(150 + ((x ^ y) & 31));
      p[3] = 255;
    }
  }
  return KySampleBuffer::copyOf(bgra.data(), kWidth, kHeight);
}

using Clock = ThreadClock;

// Each iteration copies the frame with memcpy and converts it, timing both, so the ratio
// compares the two in the same run.
void BM_FrameToRgb(benchmark::State& state) {
  const KySampleBuffer frame = cameraFrame();
  const KyImage image = KyLDCommUtil::imageFromSampleBuffer(frame);
  const size_t frameBytes = frame.pixels->size();
  std::vector<uint8_t> copy(frameBytes, 1);
  Clock::duration copyTime{}, convertTime{};
  for (auto _ : state) {
    Clock::time_point start = Clock::now();
    std::memcpy(copy.data(), frame.data(), frameBytes);
    benchmark::ClobberMemory();
    Clock::time_point copied = Clock::now();
    uint8_t* rgb = ImageUtil::rgbArrayWithUIImage(image);
    benchmark::DoNotOptimize(rgb);
    mFree(rgb);
    Clock::time_point converted = Clock::now();
    copyTime += copied - start;
    convertTime += converted - copied;
  }
  using Micros = std::chrono::duration<double, std::micro>;
  const double iterations = static_cast<double>(state.iterations());
  state.counters["memcpy_us"] = Micros(copyTime).count() / iterations;
  state.counters["rgb_us"] = Micros(convertTime).count() / iterations;
  state.counters["x_memcpy"] = Micros(convertTime).count() / Micros(copyTime).count();
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(frameBytes));
}
BENCHMARK(BM_FrameToRgb)->Unit(benchmark::kMicrosecond);

void BM_FrameMemcpyBaseline(benchmark::State& state) {
  const KySampleBuffer frame = cameraFrame();
  std::vector<uint8_t> copy(frame.pixels->size(), 1);
  for (auto _ : state) {
    std::memcpy(copy.data(), frame.data(), copy.size());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(copy.size()));
}
BENCHMARK(BM_FrameMemcpyBaseline)->Unit(benchmark::kMicrosecond);

void BM_JpegOfFrame(benchmark::State& state) {
  const KySampleBuffer frame = cameraFrame();
  uint8_t* rgb = ImageUtil::rgbArrayWithUIImage(KyLDCommUtil::imageFromSampleBuffer(frame));
  uint64_t length = 0;
  for (auto _ : state) {
    uint8_t* jpeg = nullptr;
    length = ImageUtil::rgb2jpg(rgb, kWidth, kHeight, jpeg);
    if (length == ~uint64_t{0}) {
      state.SkipWithError("rgb2jpg failed");
      break;
    }
    mFree(jpeg);
  }
  mFree(rgb);
  state.counters["jpeg_bytes"] = static_cast<double>(length);
}
BENCHMARK(BM_JpegOfFrame)->Unit(benchmark::kMillisecond);

}  // namespace
