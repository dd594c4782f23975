// Writing the compressed model: geometry as raw values, leaf values quantised to
// integer steps and Huffman-coded into one bit stream.
#include <cmath>
#include <fstream>
#include <limits>
#include <map>

#include "dlibwrapper/HuffmanCode.h"
#include "dlibwrapper/ShapePredictorAccess.h"
#include "dlibwrapper/ShapePredictorModel.h"

namespace kyvorinfo::morlin {
namespace {

// Calls `visit` with every leaf value in stream order: cascade, tree, leaf, component.
template <typename Visit>
void forEachLeafValue(Forests& forests, Visit&& visit) {
  for (auto& cascade : forests) {
    for (RegressionTree& tree : cascade) {
      for (ShapeVector& leaf : tree.leaf_values) {
        for (long i = 0; i < leaf.size(); ++i) visit(leaf(i));
      }
    }
  }
}

// Symbol of a value: value / step in float, rounded to nearest with halves away from zero.
bool quantise(float value, float step, int32_t& symbol) {
  const float steps = std::round(value / step);
  if (!(std::fabs(steps) <= static_cast<float>(std::numeric_limits<int32_t>::max() / 2))) return false;
  symbol = static_cast<int32_t>(steps);
  return true;
}

// Packs bits most significant first into whole bytes.
class BitPacker {
 public:
  void append(const CodeBits& bits) {
    for (bool bit : bits) {
      if (count_ % 8 == 0) bytes_.push_back(0);
      if (bit) bytes_.back() |= static_cast<uint8_t>(0x80u >> (count_ % 8));
      ++count_;
    }
  }
  const std::vector<uint8_t>& bytes() const { return bytes_; }

 private:
  std::vector<uint8_t> bytes_;
  uint64_t count_ = 0;
};

void writeGeometry(std::ostream& out, dlib::shape_predictor& predictor) {
  const ShapeVector& shape = initialShapeOf(predictor);
  write_single_value(out, uint64_t{4} * static_cast<uint64_t>(shape.size()));
  for (long i = 0; i < shape.size(); ++i) write_single_value(out, shape(i));

  const AnchorIndices& anchors = anchorIndicesOf(predictor);
  uint64_t anchorCount = 0;
  for (const auto& cascade : anchors) anchorCount += cascade.size();
  write_single_value(out, anchorCount);
  for (const auto& cascade : anchors) {
    for (unsigned long anchor : cascade) write_single_value(out, static_cast<uint8_t>(anchor));
  }

  const Deltas& deltas = deltasOf(predictor);
  write_single_value(out, anchorCount * 8);
  for (const auto& cascade : deltas) {
    for (const auto& delta : cascade) {
      write_single_value(out, delta.x());
      write_single_value(out, delta.y());
    }
  }

  uint64_t splitCount = 0;
  for (const auto& cascade : forestsOf(predictor)) {
    for (const RegressionTree& tree : cascade) splitCount += tree.splits.size();
  }
  write_single_value(out, splitCount * 8);
  for (const auto& cascade : forestsOf(predictor)) {
    for (const RegressionTree& tree : cascade) {
      for (const auto& split : tree.splits) {
        write_single_value(out, static_cast<uint16_t>(split.idx1));
        write_single_value(out, static_cast<uint16_t>(split.idx2));
        write_single_value(out, split.thresh);
      }
    }
  }
}

void writeHeader(std::ostream& out, dlib::shape_predictor& predictor, float threshold, uint64_t levels,
                 uint64_t userValue) {
  Forests& forests = forestsOf(predictor);
  const uint64_t leaves = forests[0][0].leaf_values.size();
  const auto depth = static_cast<uint64_t>(std::log(static_cast<double>(leaves)) / std::log(2.0));
  for (uint64_t value : {kHeaderBodyLength, userValue, uint64_t{forests.size()}, uint64_t{forests[0].size()}, depth,
                         uint64_t{anchorIndicesOf(predictor)[0].size()},
                         static_cast<uint64_t>(initialShapeOf(predictor).size() / 2), levels}) {
    write_single_value(out, value);
  }
  write_single_value(out, threshold);
}

}  // namespace

bool save_shape_predictor_model(dlib::shape_predictor& predictor, const std::string& path, float threshold,
                                uint64_t levels, uint64_t userValue, std::string* error) {
  auto fail = [error](const std::string& message) {
    if (error) *error = message;
    return false;
  };
  Forests& forests = forestsOf(predictor);
  if (forests.empty() || forests[0].empty() || anchorIndicesOf(predictor).empty() || levels == 0) {
    return fail("the predictor has no trees, no feature pool or the level count is 0");
  }

  // Range over all values, zeroing the small ones afterwards: the range includes them.
  float min = 100000.0f, max = -100000.0f;
  forEachLeafValue(forests, [&](float& value) {
    if (value > max) max = value;
    if (value < min) min = value;
    if (std::fabs(value) < threshold) value = 0;
  });
  const float step = (max - min) / static_cast<float>(levels);
  if (!(step > 0) || !std::isfinite(step)) return fail("the leaf values span no range to quantise");

  std::map<int32_t, uint64_t> counts;
  bool quantised = true;
  forEachLeafValue(forests, [&](float& value) {
    int32_t symbol = 0;
    quantised = quantised && quantise(value, step, symbol);
    ++counts[symbol];
  });
  if (!quantised) return fail("a leaf value lies too many steps from zero");
  // A single symbol would give a tree without inner nodes; an unused partner gives it a 1-bit code.
  if (counts.size() == 1) counts[counts.begin()->first + 1] = 0;

  std::unique_ptr<HuffmanTree> tree = build_tree({counts.begin(), counts.end()});
  const CodeTable table = build_lookup_table(*tree);
  destroy_tree(tree);
  for (const auto& [symbol, bits] : table) {
    if (bits.size() > 255) return fail("a Huffman code is longer than the format's 255 bits");
  }

  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  writeHeader(out, predictor, threshold, levels, userValue);
  writeGeometry(out, predictor);

  uint64_t tableLength = 12;
  for (const auto& [symbol, bits] : table) tableLength += 5 + (bits.size() + 7) / 8;
  write_single_value(out, tableLength);
  write_single_value(out, step);
  write_single_value(out, uint64_t{table.size()});
  for (const auto& [symbol, bits] : table) {
    write_single_value(out, symbol);
    write_single_value(out, static_cast<uint8_t>(bits.size()));
    write_char_vec(out, bits_to_chars(bits));
  }

  BitPacker stream;
  forEachLeafValue(forests, [&](float& value) {
    int32_t symbol = 0;
    quantise(value, step, symbol);
    stream.append(table.at(symbol));
  });
  write_single_value(out, uint64_t{stream.bytes().size()});
  write_char_vec(out, stream.bytes());
  out.close();
  if (!out) return fail("cannot write " + path);
  return true;
}

}  // namespace kyvorinfo::morlin
