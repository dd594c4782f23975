// The compressed landmark model compiled into the library, and the process-wide read
// position through which it is loaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "dlibwrapper/ShapePredictorModel.h"

namespace kyvorinfo::morlin {

// Defined by the build-generated assembler file that includes the converted model.
extern "C" const uint8_t dlib68pointmodel[];
extern "C" const uint64_t dlib68pointmodelLen;

// Starts at 0 and only moves forward, so the embedded model is loaded once per process.
extern size_t dlib68pointmodelIndex;

// The embedded bytes as a whole, for readers with a position of their own.
std::span<const uint8_t> embeddedModelBytes();

// The read helpers over the embedded model at dlib68pointmodelIndex.
void read_single_value(uint64_t& value);
void read_single_value(float& value);
void read_single_value(uint8_t& value);
void read_single_value(uint16_t& value);
void read_single_value(int32_t& value);
void read_char_vec(std::vector<uint8_t>& bytes, size_t count);
void read_float_vec(std::vector<float>& floats, size_t count);

// Fills `predictor` from the embedded model at the read position; false, with the reason
// in `error`, when the model is damaged (the predictor is then left untouched).
bool load_shape_predictor_model(dlib::shape_predictor& predictor, std::string* error = nullptr);

}  // namespace kyvorinfo::morlin
