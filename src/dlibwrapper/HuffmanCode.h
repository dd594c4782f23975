// Huffman coding of the quantised leaf values: building a code from symbol counts,
// turning a code tree into a symbol -> bits table and back, and packing bit lists.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace kyvorinfo::morlin {

// One node of a code tree. Bit 0 leads to `left`, bit 1 to `right`; a leaf has neither.
struct HuffmanTree {
  int32_t value = 0;  // the symbol of a leaf; 0 in inner nodes
  uint64_t frequency = 0;
  std::unique_ptr<HuffmanTree> left;
  std::unique_ptr<HuffmanTree> right;

  HuffmanTree(int32_t symbol, uint64_t count) : value(symbol), frequency(count) {}
  bool isLeaf() const { return !left && !right; }
};

// Priority-queue order that hands out the least frequent node first.
struct Compare {
  bool operator()(const std::unique_ptr<HuffmanTree>& a, const std::unique_ptr<HuffmanTree>& b) const {
    return a->frequency > b->frequency;
  }
};

using CodeBits = std::vector<bool>;
using CodeTable = std::map<int32_t, CodeBits>;

// Huffman tree of (symbol, count) pairs; empty for an empty list.
std::unique_ptr<HuffmanTree> build_tree(const std::vector<std::pair<int32_t, uint64_t>>& counts);
// Code of every leaf, found breadth-first from the root.
CodeTable build_lookup_table(const HuffmanTree& root);
// Tree that walks each symbol's bits from the root, creating missing nodes on the way.
std::unique_ptr<HuffmanTree> build_tree_from_lookup_table(const CodeTable& table);
// Frees a whole tree without recursing once per level.
void destroy_tree(std::unique_ptr<HuffmanTree>& root);

// Most significant bit first; the low bits of the last byte stay zero.
std::vector<uint8_t> bits_to_chars(const CodeBits& bits);
CodeBits chars_to_bits(const std::vector<uint8_t>& bytes, size_t bitCount);

}  // namespace kyvorinfo::morlin
