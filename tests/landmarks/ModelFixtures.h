// Models and images shared by the landmark tests.
#pragma once

#include <dlib/array2d.h>
#include <dlib/image_processing/shape_predictor.h>
#include <kylivingdetection/KyImage.h>
#include <kylivingdetection/KySampleBuffer.h>

#include <cstdint>
#include <string>
#include <vector>

#include "dlibwrapper/ShapePredictorModel.h"

namespace landmarktest {

// Leaf values of the small predictor span exactly [-1, 1], so at 512 levels the step is
// 1/256 and chosen values land exactly on half steps.
constexpr float kStep = 1.0f / 256.0f;
constexpr uint64_t kLevels = 512;
constexpr float kThreshold = 0.0001f;

// A small predictor (3 cascades of 5 depth-3 trees, 20 pool pixels, 68 parts) whose leaf
// values follow a steep distribution, so that rare symbols get codes longer than the
// decoder's table, plus values below the threshold and exactly on half steps.
dlib::shape_predictor tinyPredictor();

// Writes `predictor` with the writer and answers the file's bytes.
std::vector<uint8_t> writeModel(dlib::shape_predictor& predictor);

struct LoadResult {
  bool loaded = false;
  std::string error;
  kyvorinfo::morlin::ModelLayout layout;
};
LoadResult loadModel(const std::vector<uint8_t>& bytes, dlib::shape_predictor& predictor,
                     kyvorinfo::morlin::LeafDecoding decoding = kyvorinfo::morlin::LeafDecoding::Table);
LoadResult loadModel(std::span<const uint8_t> bytes, dlib::shape_predictor& predictor,
                     kyvorinfo::morlin::LeafDecoding decoding = kyvorinfo::morlin::LeafDecoding::Table);

// dlib's own 68-point model, deserialised once per test program (slow under the sanitizers).
const dlib::shape_predictor& originalPredictor();

constexpr long kFrameWidth = 480;
constexpr long kFrameHeight = 640;

// The test portrait as an RGB still image, and as a 480 x 640 BGRA camera frame showing
// its face enlarged to a selfie's size (rows of bytesPerRow, 0: packed).
const KyImage& portraitImage();
KySampleBuffer portraitFrame(int32_t bytesPerRow = 0);

}  // namespace landmarktest
