// Reading the compressed model. The whole file is checked before anything reaches the
// predictor, so a damaged or hostile file yields an error message and never a predictor
// that indexes outside its own vectors.
#include <cmath>
#include <initializer_list>
#include <limits>
#include <optional>
#include <set>

#include "dlibwrapper/LeafDecoder.h"
#include "dlibwrapper/ShapePredictorAccess.h"
#include "dlibwrapper/ShapePredictorModel.h"

namespace kyvorinfo::morlin {
namespace {

constexpr const char* kSectionNames[kSectionCount] = {"header", "initial shape", "anchors", "deltas",
                                                      "splits", "code table", "leaf stream"};
constexpr uint64_t kMaxTreeDepth = 30;
constexpr uint64_t kMaxParts = 128;  // anchors are stored as signed bytes
constexpr uint64_t kMaxPoolSize = 65536;  // split indices are stored as 16 bits

std::optional<uint64_t> product(std::initializer_list<uint64_t> factors) {
  uint64_t result = 1;
  for (uint64_t factor : factors) {
    if (__builtin_mul_overflow(result, factor, &result)) return std::nullopt;
  }
  return result;
}

bool allFinite(const float* values, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (!std::isfinite(values[i])) return false;
  }
  return true;
}

// The predictor's parts as they are decoded, moved into the predictor only when all is well.
struct DecodedModel {
  ShapeVector initialShape;
  Forests forests;
  AnchorIndices anchors;
  Deltas deltas;
};

class ModelReader {
 public:
  ModelReader(ModelCursor& in, std::string& error, LeafDecoding decoding)
      : in_(in), error_(error), decoding_(decoding) {}

  bool read() {
    return readHeader() && readInitialShape() && readAnchors() && readDeltas() && readSplits() &&
           readCodeTable() && readLeafStream();
  }
  DecodedModel& model() { return model_; }
  const ModelLayout& layout() const { return layout_; }

 private:
  bool fail(std::string message) {
    error_ = std::move(message);
    return false;
  }

  // Reads a section's length field and checks that its body is there.
  bool openSection(size_t index, uint64_t& length) {
    const std::string name = "section " + std::to_string(index + 1) + " (" + kSectionNames[index] + ")";
    layout_.sectionOffset[index] = in_.position;
    if (in_.remaining() < sizeof(uint64_t)) return fail("model truncated before " + name);
    read_single_value(in_, length);
    layout_.sectionLength[index] = length;
    if (length > in_.remaining()) {
      return fail("model truncated in " + name + ": " + std::to_string(length) + " bytes announced, " +
                  std::to_string(in_.remaining()) + " left");
    }
    return true;
  }

  bool openSection(size_t index, std::optional<uint64_t> expected) {
    uint64_t length = 0;
    if (!openSection(index, length)) return false;
    if (!expected || length != *expected) {
      return fail("section " + std::to_string(index + 1) + " (" + kSectionNames[index] + "): length " +
                  std::to_string(length) + " does not match the header");
    }
    return true;
  }

  bool readHeader() {
    ModelHeader& h = layout_.header;
    if (!openSection(0, h.bodyLength)) return false;
    if (h.bodyLength != kHeaderBodyLength) {
      return fail("section 1 (header): length " + std::to_string(h.bodyLength) + ", expected 60");
    }
    for (uint64_t* field : {&h.userValue, &h.cascades, &h.treesPerCascade, &h.treeDepth, &h.featurePoolSize,
                            &h.parts, &h.levels}) {
      read_single_value(in_, *field);
    }
    read_single_value(in_, h.threshold);
    return checkHeader();
  }

  bool checkHeader() {
    const ModelHeader& h = layout_.header;
    if (h.cascades == 0 || h.treesPerCascade == 0) return fail("header: no cascades or no trees");
    if (h.treeDepth > kMaxTreeDepth) return fail("header: tree depth " + std::to_string(h.treeDepth) + " too large");
    if (h.featurePoolSize == 0 || h.featurePoolSize > kMaxPoolSize) {
      return fail("header: feature-pool size " + std::to_string(h.featurePoolSize) + " out of range");
    }
    if (h.parts == 0 || h.parts > kMaxParts) return fail("header: part count " + std::to_string(h.parts) + " out of range");
    leavesPerTree_ = uint64_t{1} << h.treeDepth;
    // Every leaf value takes at least one bit of the file, which bounds what is allocated.
    const std::optional<uint64_t> values = product({h.cascades, h.treesPerCascade, leavesPerTree_, 2 * h.parts});
    if (!values || *values / 8 > in_.remaining()) return fail("header: more leaf values than the model can hold");
    return true;
  }

  bool readInitialShape() {
    const uint64_t parts = layout_.header.parts;
    if (!openSection(1, product({8, parts}))) return false;
    std::vector<float> values;
    read_float_vec(in_, values, 2 * parts);
    if (!allFinite(values.data(), values.size())) return fail("section 2 (initial shape): value not finite");
    model_.initialShape.set_size(static_cast<long>(values.size()));
    std::copy(values.begin(), values.end(), model_.initialShape.begin());
    return true;
  }

  bool readAnchors() {
    const ModelHeader& h = layout_.header;
    if (!openSection(2, product({h.cascades, h.featurePoolSize}))) return false;
    std::vector<uint8_t> bytes;
    read_char_vec(in_, bytes, h.cascades * h.featurePoolSize);
    model_.anchors.assign(h.cascades, {});
    for (uint64_t c = 0; c < h.cascades; ++c) {
      auto& anchors = model_.anchors[c];
      anchors.reserve(h.featurePoolSize);
      for (uint64_t j = 0; j < h.featurePoolSize; ++j) {
        const int anchor = static_cast<int8_t>(bytes[c * h.featurePoolSize + j]);
        if (anchor < 0 || static_cast<uint64_t>(anchor) >= h.parts) {
          return fail("section 3 (anchors): anchor " + std::to_string(anchor) + " names no part");
        }
        anchors.push_back(static_cast<unsigned long>(anchor));
      }
    }
    return true;
  }

  bool readDeltas() {
    const ModelHeader& h = layout_.header;
    if (!openSection(3, product({8, h.cascades, h.featurePoolSize}))) return false;
    std::vector<float> values;
    read_float_vec(in_, values, 2 * h.cascades * h.featurePoolSize);
    if (!allFinite(values.data(), values.size())) return fail("section 4 (deltas): value not finite");
    model_.deltas.assign(h.cascades, {});
    for (uint64_t c = 0; c < h.cascades; ++c) {
      auto& deltas = model_.deltas[c];
      deltas.resize(h.featurePoolSize);
      for (uint64_t j = 0; j < h.featurePoolSize; ++j) {
        const size_t at = 2 * (c * h.featurePoolSize + j);
        deltas[j] = dlib::vector<float, 2>(values[at], values[at + 1]);
      }
    }
    return true;
  }

  bool readSplits() {
    const ModelHeader& h = layout_.header;
    const uint64_t splitsPerTree = leavesPerTree_ - 1;
    if (!openSection(4, product({8, h.cascades, h.treesPerCascade, splitsPerTree}))) return false;
    model_.forests.assign(h.cascades, std::vector<RegressionTree>(h.treesPerCascade));
    for (auto& cascade : model_.forests) {
      for (RegressionTree& tree : cascade) {
        tree.splits.resize(splitsPerTree);
        for (dlib::impl::split_feature& split : tree.splits) {
          uint16_t idx1 = 0, idx2 = 0;
          read_single_value(in_, idx1);
          read_single_value(in_, idx2);
          read_single_value(in_, split.thresh);
          if (idx1 >= h.featurePoolSize || idx2 >= h.featurePoolSize) {
            return fail("section 5 (splits): pool index beyond the feature pool");
          }
          split.idx1 = idx1;
          split.idx2 = idx2;
        }
      }
    }
    return true;
  }

  bool readCodeTable() {
    uint64_t length = 0;
    if (!openSection(5, length)) return false;
    if (length < 12) return fail("section 6 (code table): length " + std::to_string(length) + " too short");
    const size_t end = in_.position + length;
    read_single_value(in_, layout_.step);
    read_single_value(in_, layout_.codeEntries);
    if (!std::isfinite(layout_.step)) return fail("section 6 (code table): quantisation step not finite");
    if (layout_.codeEntries > (length - 12) / 6) {
      return fail("section 6 (code table): " + std::to_string(layout_.codeEntries) + " entries cannot fit");
    }
    std::vector<CodeEntry> entries(layout_.codeEntries);
    std::set<int32_t> symbols;
    for (CodeEntry& entry : entries) {
      if (!readCodeEntry(entry, end)) return false;
      if (!symbols.insert(entry.symbol).second) {
        return fail("section 6 (code table): symbol " + std::to_string(entry.symbol) + " appears twice");
      }
    }
    if (in_.position != end) return fail("section 6 (code table): entries do not fill the section");
    code_ = PrefixCode::build(entries, layout_.step, error_);
    if (!code_) return false;
    if (decoding_ == LeafDecoding::BitSerial) {
      CodeTable table;
      for (CodeEntry& entry : entries) table[entry.symbol] = std::move(entry.bits);
      codeTree_ = build_tree_from_lookup_table(table);
    }
    return true;
  }

  bool readCodeEntry(CodeEntry& entry, size_t sectionEnd) {
    uint8_t bitCount = 0;
    if (sectionEnd - in_.position < 5) return fail("section 6 (code table): entry cut short");
    read_single_value(in_, entry.symbol);
    read_single_value(in_, bitCount);
    const size_t byteCount = (bitCount + 7u) / 8u;
    if (bitCount == 0) return fail("section 6 (code table): code of length 0");
    if (sectionEnd - in_.position < byteCount) return fail("section 6 (code table): entry cut short");
    std::vector<uint8_t> bytes;
    read_char_vec(in_, bytes, byteCount);
    entry.bits = chars_to_bits(bytes, bitCount);
    noteEntry(entry.symbol, bitCount);
    return true;
  }

  void noteEntry(int32_t symbol, unsigned bitCount) {
    const bool first = symbolsSeen_++ == 0;
    layout_.minSymbol = first ? symbol : std::min(layout_.minSymbol, symbol);
    layout_.maxSymbol = first ? symbol : std::max(layout_.maxSymbol, symbol);
    layout_.minCodeLength = first ? bitCount : std::min(layout_.minCodeLength, bitCount);
    layout_.maxCodeLength = first ? bitCount : std::max(layout_.maxCodeLength, bitCount);
  }

  bool readLeafStream() {
    const ModelHeader& h = layout_.header;
    uint64_t length = 0;
    if (!openSection(6, length)) return false;
    if (length != in_.remaining()) {
      return fail("section 7 (leaf stream): " + std::to_string(in_.remaining() - length) +
                  " bytes follow the last section");
    }
    const std::optional<uint64_t> values = product({h.cascades, h.treesPerCascade, leavesPerTree_, 2 * h.parts});
    // Every code takes at least one bit, which also bounds what decoding allocates.
    if (!values || *values / 8 > length) return fail("section 7 (leaf stream): too short to hold every leaf value");
    layout_.leafValues = *values;
    const std::span<const uint8_t> stream(in_.here(), length);
    const bool decoded = decoding_ == LeafDecoding::Table
                             ? decodeLeaves(TableLeafDecoder(*code_, stream))
                             : decodeLeaves(BitSerialLeafDecoder(*codeTree_, layout_.step, stream));
    if (!decoded) return fail("section 7 (leaf stream): the stream ends before its last code");
    if ((layout_.leafStreamBits + 7) / 8 != length) {
      return fail("section 7 (leaf stream): bytes left over after the last code");
    }
    in_.position += length;
    layout_.end = in_.position;
    return true;
  }

  template <typename Decoder>
  bool decodeLeaves(Decoder&& decoder) {
    const long components = static_cast<long>(2 * layout_.header.parts);
    for (auto& cascade : model_.forests) {
      for (RegressionTree& tree : cascade) {
        tree.leaf_values.resize(leavesPerTree_);
        for (ShapeVector& leaf : tree.leaf_values) {
          leaf.set_size(components);
          if (!decoder.decode(std::span<float>(&leaf(0), leaf.size()))) return false;
        }
      }
    }
    layout_.leafStreamBits = decoder.bitsUsed();
    return true;
  }

  ModelCursor& in_;
  std::string& error_;
  LeafDecoding decoding_;
  ModelLayout layout_;
  DecodedModel model_;
  uint64_t leavesPerTree_ = 0;
  uint64_t symbolsSeen_ = 0;
  std::optional<PrefixCode> code_;
  std::unique_ptr<HuffmanTree> codeTree_;
};

}  // namespace

bool load_shape_predictor_model(dlib::shape_predictor& predictor, ModelCursor& in, std::string& error,
                                LeafDecoding decoding, ModelLayout* layout) {
  ModelReader reader(in, error, decoding);
  const bool ok = reader.read();
  if (layout) *layout = reader.layout();
  if (!ok) return false;
  DecodedModel& model = reader.model();
  initialShapeOf(predictor) = std::move(model.initialShape);
  forestsOf(predictor) = std::move(model.forests);
  anchorIndicesOf(predictor) = std::move(model.anchors);
  deltasOf(predictor) = std::move(model.deltas);
  return true;
}

}  // namespace kyvorinfo::morlin
