// Damaged models: each gives a clear error, leaves the predictor untouched, and never
// crashes or hangs (these run under the sanitizers too).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <limits>

#include "ModelFixtures.h"

using namespace kyvorinfo::morlin;
using namespace landmarktest;

namespace {

using Bytes = std::vector<uint8_t>;

template <typename T>
void poke(Bytes& bytes, size_t offset, T value) {
  std::memcpy(bytes.data() + offset, &value, sizeof value);
}
template <typename T>
T peek(const Bytes& bytes, size_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

class DamagedModel : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dlib::shape_predictor predictor = tinyPredictor();
    good = new Bytes(writeModel(predictor));
    dlib::shape_predictor decoded;
    layout = new ModelLayout(loadModel(*good, decoded).layout);
  }
  static void TearDownTestSuite() {
    delete good;
    delete layout;
  }
  static size_t offset(size_t section) { return layout->sectionOffset[section]; }
  static size_t body(size_t section) { return offset(section) + 8; }

  // Offset of code-table entry i and its code length.
  static std::pair<size_t, unsigned> codeEntry(size_t i) {
    size_t at = body(5) + 12;
    for (;; --i) {
      const unsigned length = (*good)[at + 4];
      if (i == 0) return {at, length};
      at += 5 + (length + 7) / 8;
    }
  }

  void expectRejected(const Bytes& bytes, const std::string& fragment, const std::string& name) {
    dlib::shape_predictor predictor;
    const LoadResult result = loadModel(bytes, predictor);
    EXPECT_FALSE(result.loaded) << name;
    EXPECT_NE(result.error.find(fragment), std::string::npos) << name << ": " << result.error;
    EXPECT_EQ(predictor.num_parts(), 0u) << name << ": the predictor was touched";
  }

  static Bytes* good;
  static ModelLayout* layout;
};
Bytes* DamagedModel::good = nullptr;
ModelLayout* DamagedModel::layout = nullptr;

TEST_F(DamagedModel, TheUndamagedModelLoads) {
  dlib::shape_predictor predictor;
  const LoadResult result = loadModel(*good, predictor);
  ASSERT_TRUE(result.loaded) << result.error;
  EXPECT_EQ(predictor.num_parts(), 68u);
}

TEST_F(DamagedModel, TruncationAtEverySectionBoundaryAndMidSection) {
  for (size_t section = 0; section < kSectionCount; ++section) {
    const size_t cuts[] = {offset(section), offset(section) + 3, body(section) + layout->sectionLength[section] / 2,
                           body(section) + layout->sectionLength[section] - 1};
    for (size_t cut : cuts) {
      const Bytes truncated(good->begin(), good->begin() + static_cast<long>(cut));
      expectRejected(truncated, "", "cut at " + std::to_string(cut) + " in section " + std::to_string(section + 1));
    }
  }
  expectRejected({}, "truncated before section 1", "empty");
}

TEST_F(DamagedModel, FaultsInsideSections) {
  struct Case {
    std::string name;
    std::function<void(Bytes&)> damage;
    std::string error;
  };
  const auto [firstEntry, firstLength] = codeEntry(0);
  const std::vector<Case> cases = {
      {"header length", [](Bytes& b) { poke<uint64_t>(b, 0, 61); }, "expected 60"},
      {"part count", [](Bytes& b) { poke<uint64_t>(b, 48, 67); }, "section 2 (initial shape): length 544 does not match"},
      {"part count 0", [](Bytes& b) { poke<uint64_t>(b, 48, 0); }, "part count 0"},
      {"huge tree count",
       [](Bytes& b) { poke<uint64_t>(b, 24, std::numeric_limits<uint64_t>::max() / 3); }, "more leaf values"},
      {"tree depth", [](Bytes& b) { poke<uint64_t>(b, 32, 64); }, "tree depth"},
      {"anchor beyond the parts", [](Bytes& b) { b[body(2) + 5] = 68; }, "anchor 68 names no part"},
      {"negative anchor", [](Bytes& b) { b[body(2)] = 0x80; }, "anchor -128 names no part"},
      {"initial shape not finite",
       [](Bytes& b) { poke<float>(b, body(1), std::numeric_limits<float>::infinity()); }, "not finite"},
      {"delta not finite",
       [](Bytes& b) { poke<float>(b, body(3) + 4, std::numeric_limits<float>::quiet_NaN()); }, "not finite"},
      {"split index beyond the pool", [](Bytes& b) { poke<uint16_t>(b, body(4) + 8 * 3 + 2, 20); }, "pool index"},
      {"step not finite",
       [](Bytes& b) { poke<float>(b, body(5), std::numeric_limits<float>::quiet_NaN()); }, "step not finite"},
      {"too many entries", [](Bytes& b) { poke<uint64_t>(b, body(5) + 4, 1u << 20); }, "cannot fit"},
      {"code of length 0", [&](Bytes& b) { b[firstEntry + 4] = 0; }, "length 0"},
      {"symbol twice",
       [&](Bytes& b) { poke<int32_t>(b, codeEntry(1).first, peek<int32_t>(b, firstEntry)); }, "appears twice"},
      {"leaf stream one byte short",
       [](Bytes& b) {
         b.pop_back();
         poke<uint64_t>(b, offset(6), layout->sectionLength[6] - 1);
       },
       "ends before its last code"},
      {"leaf stream one byte long",
       [](Bytes& b) {
         b.push_back(0);
         poke<uint64_t>(b, offset(6), layout->sectionLength[6] + 1);
       },
       "left over"},
      {"bytes after the last section", [](Bytes& b) { b.push_back(0); }, "follow the last section"},
  };
  for (const Case& c : cases) {
    Bytes damaged = *good;
    c.damage(damaged);
    expectRejected(damaged, c.error, c.name);
  }
}

TEST_F(DamagedModel, CodeTablesThatAreNoCompletePrefixCode) {
  // Two entries of the same length given the same code: one code is a prefix of the other.
  size_t a = 0, b = 0;
  for (size_t i = 1; i < layout->codeEntries && !b; ++i) {
    for (size_t j = 0; j < i; ++j) {
      if (codeEntry(i).second == codeEntry(j).second) {
        a = j, b = i;
        break;
      }
    }
  }
  ASSERT_NE(b, 0u);
  Bytes shared = *good;
  const unsigned length = codeEntry(a).second;
  std::memcpy(shared.data() + codeEntry(b).first + 5, shared.data() + codeEntry(a).first + 5, (length + 7) / 8);
  expectRejected(shared, "not a prefix code", "duplicate code");

  // One code made a bit longer: its sibling path now leads to no symbol.
  size_t entry = 0;
  while (codeEntry(entry).second % 8 == 0) ++entry;
  Bytes longer = *good;
  longer[codeEntry(entry).first + 4] += 1;
  expectRejected(longer, "not a complete prefix code", "incomplete code");
}

}  // namespace
