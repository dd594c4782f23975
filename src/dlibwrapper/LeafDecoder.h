// Decoding of the model's leaf stream: a validated prefix code with a lookup table that
// resolves up to kTableBits bits per step, and the plain bit-by-bit tree walk that
// defines which values the stream holds.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "dlibwrapper/HuffmanCode.h"

namespace kyvorinfo::morlin {

struct CodeEntry {
  int32_t symbol = 0;
  CodeBits bits;
};

// A complete prefix code over the stored code-table entries: every bit sequence leads to
// exactly one symbol, so decoding always ends at a leaf and never leaves the tree.
class PrefixCode {
 public:
  static constexpr unsigned kTableBits = 12;

  // None, with the reason in `error`, unless the entries form a complete prefix code whose
  // decoded values (symbol times step) are finite.
  static std::optional<PrefixCode> build(const std::vector<CodeEntry>& entries, float step, std::string& error);

 private:
  friend class TableLeafDecoder;
  struct Node {
    int32_t child[2] = {-1, -1};
    float value = 0;
    bool isLeaf() const { return child[0] < 0; }
  };
  // A table slot names either a whole code (length > 0) or the inner node reached after
  // kTableBits bits, from which longer codes continue bit by bit.
  struct Slot {
    float value = 0;
    uint32_t length = 0;
    uint32_t node = 0;
  };

  // Several short codes resolved by one kTableBits-bit look-up: `count` values (0 when the
  // first code is longer than the table) taking `bits` bits in all.
  static constexpr unsigned kValuesPerSlot = 4;
  struct MultiSlot {
    float values[kValuesPerSlot] = {};
    uint8_t count = 0;
    uint8_t bits = 0;
  };

  PrefixCode() = default;
  bool addCode(const CodeEntry& entry, float step, std::string& error);
  bool checkComplete(std::string& error) const;
  void fillTable();

  std::vector<Node> nodes_;
  std::vector<Slot> table_;
  std::vector<MultiSlot> multiTable_;
};

// Table-driven decoder over a stream; it keeps its bit position across calls.
class TableLeafDecoder {
 public:
  TableLeafDecoder(const PrefixCode& code, std::span<const uint8_t> stream) : code_(code), stream_(stream) {}
  // Fills `out` with the next values; false once the codes run past the stream's end.
  bool decode(std::span<float> out);
  uint64_t bitsUsed() const { return position_; }

 private:
  uint64_t window(uint64_t bitPosition) const;
  bool bit(uint64_t bitPosition) const;
  float decodeOne();

  const PrefixCode& code_;
  std::span<const uint8_t> stream_;
  uint64_t position_ = 0;
};

// The reference decoder: one bit per step down the code tree from its root.
class BitSerialLeafDecoder {
 public:
  BitSerialLeafDecoder(const HuffmanTree& root, float step, std::span<const uint8_t> stream)
      : root_(root), step_(step), stream_(stream) {}
  bool decode(std::span<float> out);
  uint64_t bitsUsed() const { return position_; }

 private:
  const HuffmanTree& root_;
  float step_;
  std::span<const uint8_t> stream_;
  uint64_t position_ = 0;
};

}  // namespace kyvorinfo::morlin
