// Camera and movie costs per 480 x 640 frame, each against copying one such frame (memcpy) in
// the same run. Times are CPU time of the whole process (the encoder works on its own threads).
// Counter "x_memcpy": how many frame copies one operation costs in CPU time.
//
//   CameraDecodeConvert: read + decode an H.264 640 x 480 clip, crop, scale to 480 x 640 BGRA, mirror
//   CameraConvert:       crop, scale and mirror one decoded 640 x 480 picture
//   MovieAppend:         one frame into the H.264 movie writer (square 480 x 480)
#include "platform/camera/KyFrameConverter.h"
#include "platform/camera/KyLibavFrameSource.h"
#include "platform/movie/KyMovieWriter.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr size_t kFrameBytes = 480 * 640 * 4;

double processCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// CPU seconds one copy of a 480 x 640 BGRA frame takes here and now (best of several batches).
double memcpySecondsPerFrame() {
  std::vector<uint8_t> from(kFrameBytes, 7);
  std::vector<uint8_t> to(kFrameBytes);
  double best = 1e9;
  for (int batch = 0; batch < 5; ++batch) {
    const double start = processCpuSeconds();
    for (int i = 0; i < 50; ++i) {
      std::memcpy(to.data(), from.data(), kFrameBytes);
      benchmark::DoNotOptimize(to.data());
      benchmark::ClobberMemory();
    }
    best = std::min(best, (processCpuSeconds() - start) / 50);
  }
  return best;
}

// Measures the CPU time of the benchmark loop and sets x_memcpy when it goes out of scope.
class MemcpyRatio {
 public:
  explicit MemcpyRatio(benchmark::State& state) : state_(state), baseline_(memcpySecondsPerFrame()) {}
  void start() { started_ = processCpuSeconds(); }
  void stop() {
    const double perOperation = (processCpuSeconds() - started_) / static_cast<double>(state_.iterations());
    state_.counters["x_memcpy"] = perOperation / baseline_;
    state_.counters["memcpy_us"] = baseline_ * 1e6;
  }

 private:
  benchmark::State& state_;
  double baseline_;
  double started_ = 0;
};

// A scratch directory for the clip and the movie, removed when the program ends.
struct BenchDirectory {
  std::string path = std::filesystem::temp_directory_path().string() + "/kyld-camera-bench-" +
                     std::to_string(getpid());
  BenchDirectory() { std::filesystem::create_directories(path); }
  ~BenchDirectory() {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
};

const std::string& benchDirectory() {
  static const BenchDirectory directory;
  return directory.path;
}

// A 640 x 480 H.264 clip of moving test pictures, made once with ffmpeg.
const std::string& clipPath() {
  static const std::string path = [] {
    const std::string file = benchDirectory() + "/clip.mp4";
    const std::string command = "ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc2=size=640x480:rate=30 "
                                "-frames:v 120 -c:v libx264 -preset veryfast -pix_fmt yuv420p '" + file + "'";
    if (std::system(command.c_str()) != 0) return std::string();
    return file;
  }();
  return path;
}

void BM_MemcpyFrame(benchmark::State& state) {
  std::vector<uint8_t> from(kFrameBytes, 7);
  std::vector<uint8_t> to(kFrameBytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), kFrameBytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kFrameBytes));
}
BENCHMARK(BM_MemcpyFrame)->MeasureProcessCPUTime();

void BM_CameraDecodeConvert(benchmark::State& state) {
  if (clipPath().empty()) {
    state.SkipWithError("ffmpeg could not make the clip");
    return;
  }
  MemcpyRatio ratio(state);
  auto source = KyLibavFrameSource::videoFile(clipPath(), {480, 640, true, false});
  std::string error;
  if (!source->open(error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  ratio.start();
  for (auto _ : state) {
    KyFrameRead read = source->read();
    if (read.status != KyFrameRead::Status::Frame) {
      state.PauseTiming();
      source->open(error);  // start the clip again
      state.ResumeTiming();
      read = source->read();
    }
    benchmark::DoNotOptimize(read.frame.data());
  }
  ratio.stop();
}
BENCHMARK(BM_CameraDecodeConvert)->MeasureProcessCPUTime();

void BM_CameraConvert(benchmark::State& state) {
  MemcpyRatio ratio(state);
  KyAVFramePtr picture(av_frame_alloc());
  picture->format = AV_PIX_FMT_YUV420P;
  picture->width = 640;
  picture->height = 480;
  av_frame_get_buffer(picture.get(), 0);
  for (int plane = 0; plane < 3; ++plane) {
    const int rows = plane == 0 ? 480 : 240;
    std::memset(picture->data[plane], 90 + plane * 40, static_cast<size_t>(picture->linesize[plane]) * rows);
  }
  KyFrameConverter converter(KyCaptureOptions{480, 640, true, false});
  KyAVFramePtr view(av_frame_alloc());
  ratio.start();
  for (auto _ : state) {
    av_frame_ref(view.get(), picture.get());  // cropping changes the view, not the picture
    KySampleBuffer frame = converter.convert(view.get(), 0);
    benchmark::DoNotOptimize(frame.data());
    av_frame_unref(view.get());
  }
  ratio.stop();
}
BENCHMARK(BM_CameraConvert)->MeasureProcessCPUTime();

void BM_MovieAppend(benchmark::State& state) {
  MemcpyRatio ratio(state);
  // Camera-like frames: a moving gradient, so the encoder has real work.
  std::vector<KySampleBuffer> frames;
  for (int f = 0; f < 30; ++f) {
    std::vector<uint8_t> pixels(kFrameBytes);
    for (size_t i = 0; i < pixels.size(); i += 4) {
      const size_t pixel = i / 4;
      pixels[i] = static_cast<uint8_t>(pixel % 480 + f * 3);
      pixels[i + 1] = static_cast<uint8_t>(pixel / 480 + f * 2);
      pixels[i + 2] = static_cast<uint8_t>((pixel * 7) % 251);
      pixels[i + 3] = 255;
    }
    frames.push_back(KySampleBuffer::copyOf(pixels.data(), 480, 640));
  }
  const std::string path = benchDirectory() + "/append.mov";
  KyMovieWriter writer(path);
  if (!writer.setUpVideoInput(KyMovieVideoSettings::forFrame(480, 640))) {
    state.SkipWithError(writer.error().c_str());
    return;
  }
  int64_t timestamp = 0;
  size_t next = 0;
  ratio.start();
  for (auto _ : state) {
    KySampleBuffer frame = frames[next];
    frame.timestampMs = timestamp += 33;
    next = (next + 1) % frames.size();
    benchmark::DoNotOptimize(writer.appendVideoSampleBuffer(frame));
  }
  ratio.stop();
  writer.finishWriting(nullptr);
}
BENCHMARK(BM_MovieAppend)->MeasureProcessCPUTime()->Iterations(300);

}  // namespace
