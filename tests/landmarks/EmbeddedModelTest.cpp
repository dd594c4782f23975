// The model the build converts and embeds: its shape, its layout, and its decoding.
#include <gtest/gtest.h>

#include <cstring>

#include "ModelFixtures.h"
#include "dlibwrapper/EmbeddedModel.h"
#include "dlibwrapper/KyDlibWrapper.h"
#include "dlibwrapper/ShapePredictorAccess.h"

using namespace kyvorinfo::morlin;
using namespace landmarktest;

namespace {

TEST(EmbeddedModel, ParsesWithEverySectionEndingWhereTheNextBegins) {
  dlib::shape_predictor predictor;
  const LoadResult result = loadModel(embeddedModelBytes(), predictor);
  ASSERT_TRUE(result.loaded) << result.error;
  const ModelLayout& layout = result.layout;
  const ModelHeader& h = layout.header;
  EXPECT_EQ(h.cascades, 15u);
  EXPECT_EQ(h.treesPerCascade, 500u);
  EXPECT_EQ(h.treeDepth, 4u);
  EXPECT_EQ(h.featurePoolSize, 500u);
  EXPECT_EQ(h.parts, 68u);
  EXPECT_EQ(h.levels, 512u);
  EXPECT_EQ(h.threshold, 0.0001f);
  const uint64_t expectedLengths[] = {60, 544, 7500, 60000, 900000};
  for (size_t i = 0; i < std::size(expectedLengths); ++i) EXPECT_EQ(layout.sectionLength[i], expectedLengths[i]);
  EXPECT_EQ(layout.sectionOffset[0], 0u);
  for (size_t i = 0; i + 1 < kSectionCount; ++i) {
    EXPECT_EQ(layout.sectionOffset[i + 1], layout.sectionOffset[i] + 8 + layout.sectionLength[i]);
  }
  EXPECT_EQ(layout.end, dlib68pointmodelLen);
  EXPECT_EQ(layout.leafValues, 15u * 500u * 16u * 136u);
  EXPECT_EQ(predictor.num_parts(), 68u);
  EXPECT_EQ(predictor.num_features(), 15u * 500u * 16u);
}

TEST(EmbeddedModel, TableDecodingEqualsTheBitSerialWalk) {
  dlib::shape_predictor table, serial;
  ASSERT_TRUE(loadModel(embeddedModelBytes(), table, LeafDecoding::Table).loaded);
  ASSERT_TRUE(loadModel(embeddedModelBytes(), serial, LeafDecoding::BitSerial).loaded);
  const Forests& a = forestsOf(table);
  const Forests& b = forestsOf(serial);
  ASSERT_EQ(a.size(), b.size());
  size_t compared = 0;
  for (size_t c = 0; c < a.size(); ++c) {
    for (size_t t = 0; t < a[c].size(); ++t) {
      for (size_t l = 0; l < a[c][t].leaf_values.size(); ++l) {
        const auto& x = a[c][t].leaf_values[l];
        const auto& y = b[c][t].leaf_values[l];
        ASSERT_EQ(x.size(), y.size());
        ASSERT_EQ(std::memcmp(&x(0), &y(0), sizeof(float) * static_cast<size_t>(x.size())), 0)
            << "cascade " << c << " tree " << t << " leaf " << l;
        compared += static_cast<size_t>(x.size());
      }
    }
  }
  EXPECT_EQ(compared, 16320000u);
}

TEST(EmbeddedModel, TheSharedInstanceReadsItOnceThroughTheProcessPosition) {
  const KyDlibWrapper& wrapper = KyDlibWrapper::shareInstance();
  ASSERT_TRUE(wrapper.hasModel());
  EXPECT_EQ(dlib68pointmodelIndex, dlib68pointmodelLen);
  // At the end of the array reads change nothing.
  uint64_t value = 42;
  read_single_value(value);
  EXPECT_EQ(value, 42u);
  std::vector<float> floats;
  read_float_vec(floats, 3);
  EXPECT_EQ(floats, std::vector<float>(3, 0.0f));
  EXPECT_EQ(dlib68pointmodelIndex, dlib68pointmodelLen);
}

}  // namespace
