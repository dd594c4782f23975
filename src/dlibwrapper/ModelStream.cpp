#include "dlibwrapper/ModelStream.h"

#include <cstring>

namespace kyvorinfo::morlin {
namespace {

template <typename T>
void writeRaw(std::ostream& out, T value) {
  out.write(reinterpret_cast<const char*>(&value), sizeof value);
}

template <typename T>
void readRaw(ModelCursor& in, T& value) {
  if (in.remaining() < sizeof value) return;
  std::memcpy(&value, in.here(), sizeof value);
  in.position += sizeof value;
}

}  // namespace

void write_single_value(std::ostream& out, uint64_t value) { writeRaw(out, value); }
void write_single_value(std::ostream& out, float value) { writeRaw(out, value); }
void write_single_value(std::ostream& out, uint8_t value) { writeRaw(out, value); }
void write_single_value(std::ostream& out, uint16_t value) { writeRaw(out, value); }
void write_single_value(std::ostream& out, int32_t value) { writeRaw(out, value); }

void write_char_vec(std::ostream& out, const std::vector<uint8_t>& bytes) {
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void read_single_value(ModelCursor& in, uint64_t& value) { readRaw(in, value); }
void read_single_value(ModelCursor& in, float& value) { readRaw(in, value); }
void read_single_value(ModelCursor& in, uint8_t& value) { readRaw(in, value); }
void read_single_value(ModelCursor& in, uint16_t& value) { readRaw(in, value); }
void read_single_value(ModelCursor& in, int32_t& value) { readRaw(in, value); }

void read_char_vec(ModelCursor& in, std::vector<uint8_t>& bytes, size_t count) {
  bytes.assign(count, 0);
  if (in.remaining() < count) return;
  if (count > 0) std::memcpy(bytes.data(), in.here(), count);
  in.position += count;
}

void read_float_vec(ModelCursor& in, std::vector<float>& floats, size_t count) {
  floats.assign(count, 0.0f);
  if (count > in.remaining() / sizeof(float)) return;
  if (count > 0) std::memcpy(floats.data(), in.here(), count * sizeof(float));
  in.position += count * sizeof(float);
}

}  // namespace kyvorinfo::morlin
