#include "dlibwrapper/LeafDecoder.h"

#include <cmath>
#include <cstring>

namespace kyvorinfo::morlin {

std::optional<PrefixCode> PrefixCode::build(const std::vector<CodeEntry>& entries, float step, std::string& error) {
  PrefixCode code;
  code.nodes_.emplace_back();
  for (const CodeEntry& entry : entries) {
    if (!code.addCode(entry, step, error)) return std::nullopt;
  }
  if (!code.checkComplete(error)) return std::nullopt;
  code.fillTable();
  return code;
}

bool PrefixCode::addCode(const CodeEntry& entry, float step, std::string& error) {
  if (entry.bits.empty()) {
    error = "code table: symbol " + std::to_string(entry.symbol) + " has an empty code";
    return false;
  }
  const float value = static_cast<float>(entry.symbol) * step;
  if (!std::isfinite(value)) {
    error = "code table: symbol " + std::to_string(entry.symbol) + " times the step is not a finite value";
    return false;
  }
  // Leaves are marked by a child index of -2 so that they differ from fresh inner nodes.
  size_t node = 0;
  for (bool bit : entry.bits) {
    if (nodes_[node].child[0] == -2) break;
    const int side = bit ? 1 : 0;
    if (nodes_[node].child[side] < 0) {
      nodes_[node].child[side] = static_cast<int32_t>(nodes_.size());
      nodes_.emplace_back();  // may move the nodes: no reference into nodes_ is held here
    }
    node = static_cast<size_t>(nodes_[node].child[side]);
  }
  Node& end = nodes_[node];
  if (end.child[0] == -2 || end.child[0] >= 0 || end.child[1] >= 0) {
    error = "code table is not a prefix code: the code of symbol " + std::to_string(entry.symbol) +
            " shares a path with another code";
    return false;
  }
  end.child[0] = end.child[1] = -2;
  end.value = value;
  return true;
}

bool PrefixCode::checkComplete(std::string& error) const {
  for (const Node& node : nodes_) {
    const bool leaf = node.child[0] == -2;
    if (!leaf && (node.child[0] < 0 || node.child[1] < 0)) {
      error = "code table is not a complete prefix code: some bit sequences decode to no symbol";
      return false;
    }
  }
  return true;
}

void PrefixCode::fillTable() {
  table_.resize(size_t{1} << kTableBits);
  for (uint32_t prefix = 0; prefix < table_.size(); ++prefix) {
    uint32_t node = 0;
    uint32_t depth = 0;
    while (nodes_[node].child[0] != -2 && depth < kTableBits) {
      const uint32_t bit = (prefix >> (kTableBits - 1 - depth)) & 1u;
      node = static_cast<uint32_t>(nodes_[node].child[bit]);
      ++depth;
    }
    const bool leaf = nodes_[node].child[0] == -2;
    table_[prefix] = leaf ? Slot{nodes_[node].value, depth, 0} : Slot{0, 0, node};
  }
  // Chains of whole codes within each prefix, from the single-code slots.
  multiTable_.resize(table_.size());
  for (uint32_t prefix = 0; prefix < multiTable_.size(); ++prefix) {
    MultiSlot& multi = multiTable_[prefix];
    uint32_t used = 0;
    while (multi.count < kValuesPerSlot) {
      const uint32_t rest = (prefix << used) & ((1u << kTableBits) - 1);  // remaining bits, zero-filled
      const Slot& slot = table_[rest];
      if (slot.length == 0 || used + slot.length > kTableBits) break;
      multi.values[multi.count++] = slot.value;
      used += slot.length;
    }
    multi.bits = static_cast<uint8_t>(used);
  }
}

// 64 stream bits starting at bitPosition, most significant first; bits past the end read 0.
uint64_t TableLeafDecoder::window(uint64_t bitPosition) const {
  const uint64_t byte = bitPosition / 8;
  uint64_t bytes = 0;
  if (byte + 8 <= stream_.size()) {
    std::memcpy(&bytes, stream_.data() + byte, 8);
    bytes = __builtin_bswap64(bytes);
  } else {
    for (uint64_t i = 0; i < 8; ++i) {
      bytes <<= 8;
      if (byte + i < stream_.size()) bytes |= stream_[byte + i];
    }
  }
  return bytes << (bitPosition % 8);
}

bool TableLeafDecoder::bit(uint64_t bitPosition) const {
  const uint64_t byte = bitPosition / 8;
  return byte < stream_.size() && ((stream_[byte] >> (7 - bitPosition % 8)) & 1u);
}

float TableLeafDecoder::decodeOne() {
  const PrefixCode::Slot& slot = code_.table_[window(position_) >> (64 - PrefixCode::kTableBits)];
  if (slot.length > 0) {
    position_ += slot.length;
    return slot.value;
  }
  // Rare long code: finish it one bit at a time. The code is complete, so this ends.
  position_ += PrefixCode::kTableBits;
  uint32_t node = slot.node;
  while (code_.nodes_[node].child[0] != -2) {
    node = static_cast<uint32_t>(code_.nodes_[node].child[bit(position_) ? 1 : 0]);
    ++position_;
  }
  return code_.nodes_[node].value;
}

bool TableLeafDecoder::decode(std::span<float> out) {
  float* next = out.data();
  float* const end = next + out.size();
  // Whole slots while they fit; a slot always writes kValuesPerSlot values, of which
  // `count` are kept.
  while (end - next >= static_cast<std::ptrdiff_t>(PrefixCode::kValuesPerSlot)) {
    const PrefixCode::MultiSlot& multi = code_.multiTable_[window(position_) >> (64 - PrefixCode::kTableBits)];
    if (multi.count == 0) {
      *next++ = decodeOne();
      continue;
    }
    std::memcpy(next, multi.values, sizeof multi.values);
    next += multi.count;
    position_ += multi.bits;
  }
  while (next != end) *next++ = decodeOne();
  return position_ <= uint64_t{stream_.size()} * 8;
}

bool BitSerialLeafDecoder::decode(std::span<float> out) {
  const uint64_t bitCount = uint64_t{stream_.size()} * 8;
  for (float& value : out) {
    const HuffmanTree* node = &root_;
    while (node->left || node->right) {
      if (position_ >= bitCount) return false;
      const bool bit = (stream_[position_ / 8] >> (7 - position_ % 8)) & 1u;
      node = bit ? node->right.get() : node->left.get();
      ++position_;
      if (!node) return false;
    }
    value = static_cast<float>(node->value) * step_;
  }
  return true;
}

}  // namespace kyvorinfo::morlin
