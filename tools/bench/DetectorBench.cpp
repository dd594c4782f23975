#include "BenchTiming.h"
// Liveness detector figures: LDTComm::processLivingDetect per frame for the readiness
// checks and every living type, in thread CPU time, next to the per-frame work the
// pipeline does anyway (sharing a fresh 68-point landmark list) measured in the same run:
// detect_us and list_us per frame, x_list their ratio. The colourful frame samples a
// 480 x 480 RGB frame (saveColorData) on every iteration.
#include <benchmark/benchmark.h>

#include <chrono>
#include <ctime>
#include <memory>
#include <vector>

#include "livingdetect/LDTColorfulDetection.h"
#include "livingdetect/LDTComm.h"

namespace {

constexpr LDTSize kFrame{480, 480};
constexpr LDTRect kFaceRect{90, 90, 300, 300};

// A level, centred, still face in a 480 x 480 frame with open eyes and a closed mouth.
LandmarkList frontalFace() {
  return {{140, 200}, {142, 225}, {146, 238}, {152, 275}, {160, 298}, {172, 318}, {188, 334}, {212, 344},
          {240, 348}, {268, 344}, {292, 334}, {308, 318}, {320, 298}, {328, 275}, {334, 238}, {338, 225},
          {340, 200}, {160, 170}, {172, 164}, {186, 162}, {204, 162}, {214, 166}, {266, 166}, {276, 162},
          {294, 162}, {308, 164}, {320, 170}, {240, 190}, {240, 206}, {240, 222}, {240, 238}, {222, 252},
          {231, 255}, {240, 257}, {249, 255}, {258, 252}, {175, 200}, {185, 195.5}, {195, 195.5}, {205, 200},
          {195, 204.5}, {185, 204.5}, {275, 200}, {285, 195.5}, {295, 195.5}, {305, 200}, {295, 204.5},
          {285, 204.5}, {210, 290}, {220, 284}, {230, 281}, {240, 282}, {250, 281}, {260, 284}, {270, 290},
          {260, 298}, {250, 301}, {240, 302}, {230, 301}, {220, 298}, {220, 290}, {230, 288}, {240, 288},
          {250, 288}, {260, 290}, {250, 292}, {240, 292}, {230, 292}};
}


LDTResult detect(int32_t livingType, const LandmarkList& face, bool needImage, const uint8_t* rgb = nullptr) {
  return LDTComm::processLivingDetect(livingType, std::make_shared<const LandmarkList>(face), kFrame, needImage, rgb,
                                      kFaceRect);
}

// Thread CPU time of sharing a fresh copy of the list, per copy.
double shareListMicros(const LandmarkList& face) {
  constexpr int kCopies = 20000;
  const ThreadClock::time_point start = ThreadClock::now();
  for (int copy = 0; copy < kCopies; ++copy) {
    auto shared = std::make_shared<const LandmarkList>(face);
    benchmark::DoNotOptimize(shared);
  }
  return std::chrono::duration<double, std::micro>(ThreadClock::now() - start).count() / kCopies;
}

// Brings the colourful check to sampling position 0: the warning lasts 0.5 s of
// processor time, spent here before the timing starts.
void startColourSampling() {
  LDTColorfulDetection::shareInstance()->initColorSetting("0423");
  detect(6, frontalFace(), false);
  const std::clock_t start = std::clock();
  volatile double sink = 0;
  while (static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC < 0.55) sink = sink + 1;
  detect(6, frontalFace(), false);  // the colour list
  LDTComm::setColorSaveIndex(0);
}

// Frames that leave each detector in the state it spends most frames in, without passing.
LandmarkList prepare(int32_t livingType, bool needImage) {
  LDTComm::reset();
  LandmarkList face = frontalFace();
  if (needImage) {  // five still frames make the face ready
    for (int frame = 0; frame < 5; ++frame) detect(2, face, true);
    return face;
  }
  switch (livingType) {
    case 1: {  // a target to move away from, then a face halfway there
      LandmarkList start = face;
      start[36] = {165, 200};
      start[45] = {315, 200};
      detect(1, start, false);
      face[36] = {171, 200};
      face[45] = {309, 200};
      break;
    }
    case 4: {  // the nod baseline
      for (int frame = 0; frame < 5; ++frame) detect(4, face, false);
      break;
    }
    case 6: startColourSampling(); break;
    default:  // blink, head shake and mouth open judge from the next frames on
      for (int frame = 0; frame < 16; ++frame) detect(livingType, face, false);
  }
  return face;
}

void BM_ProcessLivingDetect(benchmark::State& state) {
  const bool needImage = state.range(0) == 0;
  const int32_t livingType = needImage ? 2 : static_cast<int32_t>(state.range(0));
  const LandmarkList face = prepare(livingType, needImage);
  const std::vector<uint8_t> rgb(480 * 480 * 3, 128);
  const int32_t expected = detect(livingType, face, needImage, rgb.data()).process();
  using Micros = std::chrono::duration<double, std::micro>;
  const double listMicros = shareListMicros(face);
  const ThreadClock::time_point start = ThreadClock::now();
  for (auto _ : state) {
    LDTResult result = LDTComm::processLivingDetect(livingType, std::make_shared<const LandmarkList>(face), kFrame,
                                                    needImage, rgb.data(), kFaceRect);
    benchmark::DoNotOptimize(result);
    if (result.process() != expected) {
      state.SkipWithError("the detector left its steady state");
      break;
    }
  }
  const double detectMicros = Micros(ThreadClock::now() - start).count() / static_cast<double>(state.iterations());
  state.counters["process"] = expected;
  state.counters["list_us"] = listMicros;
  state.counters["detect_us"] = detectMicros;
  state.counters["x_list"] = detectMicros / listMicros;
  LDTComm::reset();
}
// 0 is the readiness checks (needImage); 1..6 the living types.
BENCHMARK(BM_ProcessLivingDetect)->DenseRange(0, 6)->Unit(benchmark::kMicrosecond);

}  // namespace
