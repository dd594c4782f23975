// The compressed model's writer and reader: round trip, quantisation, code packing, the
// table-driven decoder against the bit-serial walk, and the read helpers' end rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "ModelFixtures.h"
#include "dlibwrapper/HuffmanCode.h"
#include "dlibwrapper/ShapePredictorAccess.h"

using namespace kyvorinfo::morlin;
using namespace landmarktest;

namespace {

std::vector<float> leafValuesOf(dlib::shape_predictor& predictor) {
  std::vector<float> values;
  for (const auto& cascade : forestsOf(predictor)) {
    for (const RegressionTree& tree : cascade) {
      for (const auto& leaf : tree.leaf_values) values.insert(values.end(), leaf.begin(), leaf.end());
    }
  }
  return values;
}

class RoundTrip : public ::testing::Test {
 protected:
  void SetUp() override {
    original = tinyPredictor();
    beforeWriting = leafValuesOf(original);
    bytes = writeModel(original);
    ASSERT_FALSE(bytes.empty());
    result = loadModel(bytes, decoded);
    ASSERT_TRUE(result.loaded) << result.error;
  }
  dlib::shape_predictor original, decoded;
  std::vector<float> beforeWriting;
  std::vector<uint8_t> bytes;
  LoadResult result;
};

TEST_F(RoundTrip, GeometryComesBackUnchanged) {
  EXPECT_EQ(initialShapeOf(decoded), initialShapeOf(original));
  EXPECT_EQ(anchorIndicesOf(decoded), anchorIndicesOf(original));
  EXPECT_EQ(deltasOf(decoded), deltasOf(original));
  const Forests& a = forestsOf(original);
  const Forests& b = forestsOf(decoded);
  ASSERT_EQ(a.size(), b.size());
  for (size_t c = 0; c < a.size(); ++c) {
    ASSERT_EQ(a[c].size(), b[c].size());
    for (size_t t = 0; t < a[c].size(); ++t) {
      ASSERT_EQ(a[c][t].splits.size(), b[c][t].splits.size());
      for (size_t s = 0; s < a[c][t].splits.size(); ++s) {
        EXPECT_EQ(a[c][t].splits[s].idx1, b[c][t].splits[s].idx1);
        EXPECT_EQ(a[c][t].splits[s].idx2, b[c][t].splits[s].idx2);
        EXPECT_EQ(a[c][t].splits[s].thresh, b[c][t].splits[s].thresh);
      }
    }
  }
}

TEST_F(RoundTrip, HeaderAndSectionsDescribeThePredictor) {
  const ModelHeader& h = result.layout.header;
  EXPECT_EQ(h.bodyLength, 60u);
  EXPECT_EQ(h.userValue, 7u);
  EXPECT_EQ(h.cascades, 3u);
  EXPECT_EQ(h.treesPerCascade, 5u);
  EXPECT_EQ(h.treeDepth, 3u);
  EXPECT_EQ(h.featurePoolSize, 20u);
  EXPECT_EQ(h.parts, 68u);
  EXPECT_EQ(h.levels, kLevels);
  EXPECT_EQ(h.threshold, kThreshold);
  EXPECT_EQ(result.layout.step, kStep);
  EXPECT_EQ(result.layout.end, bytes.size());
  for (size_t i = 0; i + 1 < kSectionCount; ++i) {
    EXPECT_EQ(result.layout.sectionOffset[i + 1], result.layout.sectionOffset[i] + 8 + result.layout.sectionLength[i]);
  }
  // Long codes are what make the table decoder fall back to the tree walk.
  EXPECT_GT(result.layout.maxCodeLength, 12u);
}

TEST_F(RoundTrip, LeafValuesAreTheQuantisedValues) {
  const std::vector<float> written = leafValuesOf(original);
  const std::vector<float> read = leafValuesOf(decoded);
  ASSERT_EQ(read.size(), beforeWriting.size());
  for (size_t i = 0; i < read.size(); ++i) {
    const float kept = std::fabs(beforeWriting[i]) < kThreshold ? 0.0f : beforeWriting[i];
    ASSERT_EQ(written[i], kept) << "the writer zeroes small values in place, value " << i;
    ASSERT_EQ(read[i], std::round(kept / kStep) * kStep) << "value " << i;
  }
}

TEST_F(RoundTrip, EdgeValuesQuantiseAsSpecified) {
  struct Case {
    size_t index;
    float expected;
  };
  const Case cases[] = {
      {0, 1.0f}, {1, -1.0f},                     // range ends
      {2, 3 * kStep}, {3, -3 * kStep},           // 2.5 and -2.5 steps round away from zero
      {4, 0.0f}, {5, 0.0f},                      // below the threshold: exactly 0
  };
  const std::vector<float> read = leafValuesOf(decoded);
  for (const Case& c : cases) EXPECT_EQ(read[c.index], c.expected) << "value " << c.index;
  EXPECT_FALSE(std::signbit(read[5])) << "a zeroed value reads back as +0";
}

TEST_F(RoundTrip, TableDecodingEqualsTheBitSerialWalk) {
  dlib::shape_predictor serial;
  const LoadResult walked = loadModel(bytes, serial, LeafDecoding::BitSerial);
  ASSERT_TRUE(walked.loaded) << walked.error;
  EXPECT_EQ(leafValuesOf(serial), leafValuesOf(decoded));
  EXPECT_EQ(walked.layout.leafStreamBits, result.layout.leafStreamBits);
}

TEST(HuffmanCode, CodesFollowTheCounts) {
  const std::vector<std::pair<int32_t, uint64_t>> counts = {{-1, 1}, {0, 8}, {1, 2}, {2, 1}, {5, 4}};
  std::unique_ptr<HuffmanTree> tree = build_tree(counts);
  const CodeTable table = build_lookup_table(*tree);
  destroy_tree(tree);
  EXPECT_EQ(tree, nullptr);
  const std::map<int32_t, size_t> expectedLengths = {{-1, 4}, {0, 1}, {1, 3}, {2, 4}, {5, 2}};
  ASSERT_EQ(table.size(), expectedLengths.size());
  for (const auto& [symbol, length] : expectedLengths) EXPECT_EQ(table.at(symbol).size(), length) << symbol;

  // The tree rebuilt from the table leads every code back to its symbol.
  std::unique_ptr<HuffmanTree> rebuilt = build_tree_from_lookup_table(table);
  for (const auto& [symbol, bits] : table) {
    const HuffmanTree* node = rebuilt.get();
    for (bool bit : bits) node = bit ? node->right.get() : node->left.get();
    ASSERT_NE(node, nullptr);
    EXPECT_TRUE(node->isLeaf());
    EXPECT_EQ(node->value, symbol);
  }
}

TEST(HuffmanCode, BitsPackMostSignificantFirst) {
  struct Case {
    CodeBits bits;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {{true}, {0x80}},
      {{false}, {0x00}},
      {{true, false, true, true, false, false, true, false}, {0xB2}},  // exactly one byte
      {{true, true, true, true, true, true, true, true, false, true}, {0xFF, 0x40}},
      {{}, {}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(bits_to_chars(c.bits), c.bytes);
    EXPECT_EQ(chars_to_bits(c.bytes, c.bits.size()), c.bits);
  }
}

TEST(ModelStream, ReadsPastTheEndLeaveScalarsAndZeroFillLists) {
  const std::vector<uint8_t> bytes = {1, 2, 3, 4, 5};
  size_t position = 0;
  ModelCursor in{bytes, position};

  uint64_t wide = 99;
  read_single_value(in, wide);
  EXPECT_EQ(wide, 99u);
  EXPECT_EQ(position, 0u);

  uint16_t narrow = 0;
  read_single_value(in, narrow);
  EXPECT_EQ(narrow, 0x0201);
  EXPECT_EQ(position, 2u);

  std::vector<uint8_t> list = {7};
  read_char_vec(in, list, 4);
  EXPECT_EQ(list, std::vector<uint8_t>(4, 0));
  EXPECT_EQ(position, 2u);

  std::vector<float> floats;
  read_float_vec(in, floats, 1);
  EXPECT_EQ(floats, std::vector<float>{0.0f});
  EXPECT_EQ(position, 2u);

  read_char_vec(in, list, 3);
  EXPECT_EQ(list, (std::vector<uint8_t>{3, 4, 5}));
  EXPECT_EQ(position, 5u);
}

TEST(ModelWriter, ASingleQuantisedValueStillGivesAReadableModel) {
  // Every value lies below the threshold: the range has a spread, but all become symbol 0.
  dlib::shape_predictor predictor = tinyPredictor();
  float next = -kThreshold / 2;
  for (auto& cascade : forestsOf(predictor)) {
    for (RegressionTree& tree : cascade) {
      for (auto& leaf : tree.leaf_values) {
        for (float& value : leaf) value = next = -next;
      }
    }
  }
  std::vector<uint8_t> bytes = writeModel(predictor);
  dlib::shape_predictor decoded;
  const LoadResult result = loadModel(bytes, decoded);
  ASSERT_TRUE(result.loaded) << result.error;
  EXPECT_EQ(result.layout.codeEntries, 2u);
  for (float value : leafValuesOf(decoded)) ASSERT_EQ(value, 0.0f);
}

TEST(ModelWriter, ReportsWhatItCannotWrite) {
  dlib::shape_predictor empty;
  std::string error;
  EXPECT_FALSE(save_shape_predictor_model(empty, "/nonexistent/dir/model.bin", kThreshold, kLevels, 0, &error));
  EXPECT_FALSE(error.empty());

  dlib::shape_predictor predictor = tinyPredictor();
  error.clear();
  EXPECT_FALSE(save_shape_predictor_model(predictor, "/nonexistent/dir/model.bin", kThreshold, kLevels, 0, &error));
  EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
}

}  // namespace
