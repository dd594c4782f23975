#include "dlibwrapper/HuffmanCode.h"

#include <algorithm>
#include <deque>

namespace kyvorinfo::morlin {

std::unique_ptr<HuffmanTree> build_tree(const std::vector<std::pair<int32_t, uint64_t>>& counts) {
  std::vector<std::unique_ptr<HuffmanTree>> queue;
  for (const auto& [symbol, count] : counts) {
    queue.push_back(std::make_unique<HuffmanTree>(symbol, count));
    std::push_heap(queue.begin(), queue.end(), Compare{});
  }
  auto popLeast = [&queue] {
    std::pop_heap(queue.begin(), queue.end(), Compare{});
    std::unique_ptr<HuffmanTree> node = std::move(queue.back());
    queue.pop_back();
    return node;
  };
  while (queue.size() >= 2) {
    std::unique_ptr<HuffmanTree> a = popLeast();
    std::unique_ptr<HuffmanTree> b = popLeast();
    auto parent = std::make_unique<HuffmanTree>(0, a->frequency + b->frequency);
    parent->left = std::move(a);
    parent->right = std::move(b);
    queue.push_back(std::move(parent));
    std::push_heap(queue.begin(), queue.end(), Compare{});
  }
  return queue.empty() ? nullptr : std::move(queue.front());
}

CodeTable build_lookup_table(const HuffmanTree& root) {
  CodeTable table;
  std::deque<std::pair<const HuffmanTree*, CodeBits>> pending{{&root, {}}};
  while (!pending.empty()) {
    auto [node, code] = std::move(pending.front());
    pending.pop_front();
    if (node->left) {
      CodeBits leftCode = code;
      leftCode.push_back(false);
      pending.emplace_back(node->left.get(), std::move(leftCode));
      if (node->right) {
        code.push_back(true);
        pending.emplace_back(node->right.get(), std::move(code));
      }
    } else {
      table[node->value] = std::move(code);
    }
  }
  return table;
}

std::unique_ptr<HuffmanTree> build_tree_from_lookup_table(const CodeTable& table) {
  auto root = std::make_unique<HuffmanTree>(0, 0);
  for (const auto& [symbol, bits] : table) {
    HuffmanTree* node = root.get();
    for (bool bit : bits) {
      std::unique_ptr<HuffmanTree>& next = bit ? node->right : node->left;
      if (!next) next = std::make_unique<HuffmanTree>(0, 0);
      node = next.get();
    }
    node->value = symbol;
  }
  return root;
}

void destroy_tree(std::unique_ptr<HuffmanTree>& root) {
  // Detach children before each node dies so that deep trees never recurse.
  std::vector<std::unique_ptr<HuffmanTree>> pending;
  if (root) pending.push_back(std::move(root));
  while (!pending.empty()) {
    std::unique_ptr<HuffmanTree> node = std::move(pending.back());
    pending.pop_back();
    if (node->left) pending.push_back(std::move(node->left));
    if (node->right) pending.push_back(std::move(node->right));
  }
}

std::vector<uint8_t> bits_to_chars(const CodeBits& bits) {
  std::vector<uint8_t> bytes((bits.size() + 7) / 8, 0);
  for (size_t i = 0; i < bits.size(); ++i) {
    if (bits[i]) bytes[i / 8] |= static_cast<uint8_t>(0x80u >> (i % 8));
  }
  return bytes;
}

CodeBits chars_to_bits(const std::vector<uint8_t>& bytes, size_t bitCount) {
  bitCount = std::min(bitCount, bytes.size() * 8);
  CodeBits bits(bitCount);
  for (size_t i = 0; i < bitCount; ++i) bits[i] = (bytes[i / 8] >> (7 - i % 8)) & 1u;
  return bits;
}

}  // namespace kyvorinfo::morlin
