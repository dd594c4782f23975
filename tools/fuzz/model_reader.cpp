// Fuzzes the compressed landmark-model reader: any bytes must give either a loaded
// predictor or an error, never a crash, a hang or an out-of-bounds read. Seeds are small
// models written by the writer (tools/fuzz/seeds/model_reader/: `kyld-model convert` of
// three tiny dlib predictors, 1-2 cascades of 1-3 trees of depth 1-3, 2-4 parts).
#include <cstddef>
#include <cstdint>
#include <string>

#include "dlibwrapper/ShapePredictorModel.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace kyvorinfo::morlin;
  for (LeafDecoding decoding : {LeafDecoding::Table, LeafDecoding::BitSerial}) {
    size_t position = 0;
    ModelCursor in{{data, size}, position};
    dlib::shape_predictor predictor;
    std::string error;
    const bool loaded = load_shape_predictor_model(predictor, in, error, decoding);
    if (loaded != error.empty() || (loaded && position != size)) __builtin_trap();
  }
  return 0;
}
