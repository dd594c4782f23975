#include "dlibwrapper/EmbeddedModel.h"

namespace kyvorinfo::morlin {

size_t dlib68pointmodelIndex = 0;

std::span<const uint8_t> embeddedModelBytes() {
  return {dlib68pointmodel, static_cast<size_t>(dlib68pointmodelLen)};
}

namespace {
ModelCursor embeddedCursor() { return {embeddedModelBytes(), dlib68pointmodelIndex}; }
}  // namespace

void read_single_value(uint64_t& value) {
  ModelCursor in = embeddedCursor();
  read_single_value(in, value);
}
void read_single_value(float& value) {
  ModelCursor in = embeddedCursor();
  read_single_value(in, value);
}
void read_single_value(uint8_t& value) {
  ModelCursor in = embeddedCursor();
  read_single_value(in, value);
}
void read_single_value(uint16_t& value) {
  ModelCursor in = embeddedCursor();
  read_single_value(in, value);
}
void read_single_value(int32_t& value) {
  ModelCursor in = embeddedCursor();
  read_single_value(in, value);
}
void read_char_vec(std::vector<uint8_t>& bytes, size_t count) {
  ModelCursor in = embeddedCursor();
  read_char_vec(in, bytes, count);
}
void read_float_vec(std::vector<float>& floats, size_t count) {
  ModelCursor in = embeddedCursor();
  read_float_vec(in, floats, count);
}

bool load_shape_predictor_model(dlib::shape_predictor& predictor, std::string* error) {
  ModelCursor in = embeddedCursor();
  std::string reason;
  const bool loaded = load_shape_predictor_model(predictor, in, reason);
  if (!loaded && error) *error = reason;
  return loaded;
}

}  // namespace kyvorinfo::morlin
