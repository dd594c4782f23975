// Byte-level reading and writing of the compressed landmark model: scalars and lists
// exactly as they lie in memory on a little-endian machine.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <ostream>
#include <span>
#include <vector>

static_assert(std::endian::native == std::endian::little, "the model format is little-endian");

namespace kyvorinfo::morlin {

void write_single_value(std::ostream& out, uint64_t value);
void write_single_value(std::ostream& out, float value);
void write_single_value(std::ostream& out, uint8_t value);
void write_single_value(std::ostream& out, uint16_t value);
void write_single_value(std::ostream& out, int32_t value);
void write_char_vec(std::ostream& out, const std::vector<uint8_t>& bytes);

// A forward-only read position over model bytes. The position lives outside the cursor so
// that the embedded model's process-wide position can be driven through one.
struct ModelCursor {
  std::span<const uint8_t> bytes;
  size_t& position;

  size_t remaining() const { return position < bytes.size() ? bytes.size() - position : 0; }
  const uint8_t* here() const { return bytes.data() + position; }
};

// A scalar read with too few bytes left leaves the value and the position unchanged.
void read_single_value(ModelCursor& in, uint64_t& value);
void read_single_value(ModelCursor& in, float& value);
void read_single_value(ModelCursor& in, uint8_t& value);
void read_single_value(ModelCursor& in, uint16_t& value);
void read_single_value(ModelCursor& in, int32_t& value);
// A list read with too few bytes left yields `count` zeros and leaves the position unchanged.
void read_char_vec(ModelCursor& in, std::vector<uint8_t>& bytes, size_t count);
void read_float_vec(ModelCursor& in, std::vector<float>& floats, size_t count);

}  // namespace kyvorinfo::morlin
