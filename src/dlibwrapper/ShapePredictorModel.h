// The compressed landmark-model format: a dlib shape_predictor stored as seven
// length-prefixed little-endian sections (header, initial shape, anchors, deltas,
// splits, code table, leaf stream), its leaf values quantised and Huffman-coded.
#pragma once

#include <dlib/image_processing/shape_predictor.h>

#include <array>
#include <cstdint>
#include <string>

#include "dlibwrapper/ModelStream.h"

namespace kyvorinfo::morlin {

constexpr uint64_t kHeaderBodyLength = 60;
constexpr size_t kSectionCount = 7;

struct ModelHeader {
  uint64_t bodyLength = 0;
  uint64_t userValue = 0;
  uint64_t cascades = 0;         // K
  uint64_t treesPerCascade = 0;  // T
  uint64_t treeDepth = 0;        // D
  uint64_t featurePoolSize = 0;  // F
  uint64_t parts = 0;            // N
  uint64_t levels = 0;           // Q
  float threshold = 0;
};

// What a model holds and where: filled while a model is read.
struct ModelLayout {
  ModelHeader header;
  std::array<uint64_t, kSectionCount> sectionOffset{};  // offset of each section's length field
  std::array<uint64_t, kSectionCount> sectionLength{};  // body length of each section
  uint64_t end = 0;                                     // offset just past the last section
  float step = 0;
  uint64_t codeEntries = 0;
  int32_t minSymbol = 0;
  int32_t maxSymbol = 0;
  unsigned minCodeLength = 0;
  unsigned maxCodeLength = 0;
  uint64_t leafValues = 0;      // codes held by the leaf stream
  uint64_t leafStreamBits = 0;  // bits those codes take
};

enum class LeafDecoding { Table, BitSerial };

// Writes `predictor` at `path`, replacing any old file. Leaf values below `threshold` in
// magnitude are set to 0 in the predictor itself. False, with the reason, when the leaf
// values cannot be quantised or the file cannot be written.
bool save_shape_predictor_model(dlib::shape_predictor& predictor, const std::string& path, float threshold,
                                uint64_t levels, uint64_t userValue, std::string* error = nullptr);

// Reads a model at the cursor into `predictor`, moving the decoded data in. The model is
// checked whole first: header against section lengths, indices in range, a complete prefix
// code, a leaf stream holding exactly every code, nothing after the last section. On any
// fault the predictor is left untouched and `error` says what is wrong.
bool load_shape_predictor_model(dlib::shape_predictor& predictor, ModelCursor& in, std::string& error,
                                LeafDecoding decoding = LeafDecoding::Table, ModelLayout* layout = nullptr);

}  // namespace kyvorinfo::morlin
