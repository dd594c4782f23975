// The judgement's parts: the colour history, the evidence images, the session time, and the
// failure slowdown.
#include <gtest/gtest.h>

#include "CloudTestSupport.h"
#include "ColourJudge.h"
#include "FailureLimiter.h"
#include "ImageCheck.h"
#include "Judgement.h"

namespace {

bool mentions(const std::vector<std::string>& reasons, const std::string& fragment) {
  for (const auto& r : reasons) {
    if (r.find(fragment) != std::string::npos) return true;
  }
  return false;
}

TEST(ColourJudge, JudgesHowTheSkinReactsToTheScreen) {
  const std::string colours = "012485";
  struct Case {
    const char* name;
    std::string history;
    std::string sessionColours;
    const char* reasonFragment;  // null: no reason expected
  } cases[] = {
      {"live face", colourHistory(colours, Reaction::Live), colours, nullptr},
      {"live face, other sequence", colourHistory("0123678", Reaction::Live), "0123678", nullptr},
      {"whole scene tinted", colourHistory(colours, Reaction::WholeScene), colours, "follows the screen colour at 0 of 3"},
      {"nothing moves", colourHistory(colours, Reaction::None), colours, "does not brighten"},
      {"one entry missing", colourHistory("01248", Reaction::Live), colours, "no 6 entries"},
      {"other colours shown", colourHistory("012486", Reaction::Live), colours, "another colour"},
      {"no reference position", colourHistory("2485", Reaction::Live), "2485", "no black or grey"},
      {"not JSON", "{\"historySkinRGB\":[", colours, "not a JSON object"},
      {"JSON but an array", "[]", colours, "not a JSON object"},
      {"session without colours", colourHistory(colours, Reaction::Live), "", "no valid colour sequence"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto reasons = judgeColourHistory(c.history, c.sessionColours);
    if (c.reasonFragment == nullptr) {
      EXPECT_TRUE(reasons.empty()) << reasons.front();
    } else {
      EXPECT_TRUE(mentions(reasons, c.reasonFragment)) << (reasons.empty() ? "no reason" : reasons.front());
    }
  }
}

TEST(ColourJudge, RefusesValuesOutsideAnyColourSpace) {
  std::string history = colourHistory("0124", Reaction::Live);
  auto at = history.find("\"historySkinLAB\":[[[");
  ASSERT_NE(at, std::string::npos);
  history.insert(at + 20, "1e300,");  // a four-number cell
  EXPECT_TRUE(mentions(judgeColourHistory(history, "0124"), "malformed"));
}

class EvidenceImages : public ::testing::Test {
 protected:
  void SetUp() override {
    portrait = portraitJpeg();
    if (!portrait) GTEST_SKIP() << "the portrait photograph is not installed";
  }
  std::optional<std::vector<uint8_t>> portrait;
};

TEST_F(EvidenceImages, AcceptsOneWholeFrameWithOneFaceOnly) {
  auto truncated = std::vector<uint8_t>(portrait->begin(), portrait->begin() + portrait->size() / 2);
  truncated.insert(truncated.end(), {0xFF, 0xD9});  // ends like a JPEG, data missing
  auto trailing = *portrait;
  trailing.insert(trailing.end(), {0x00, 0x01});
  auto twoFaces = twoPortraitsJpeg();
  ASSERT_TRUE(twoFaces);
  struct Case {
    const char* name;
    std::vector<uint8_t> jpeg;
    const char* reasonFragment;
  } cases[] = {
      {"portrait", *portrait, nullptr},
      {"truncated portrait", truncated, "not a complete JPEG"},
      {"bytes after the end marker", trailing, "not a complete JPEG"},
      {"no bytes", {}, "not a complete JPEG"},
      {"PNG-like bytes", {0x89, 'P', 'N', 'G', 0xFF, 0xD9}, "not a complete JPEG"},
      {"small frame", blankJpeg(240, 320), "is 240x320, expected 480x640"},
      {"no face", blankJpeg(), "shows 0 faces"},
      {"two faces", *twoFaces, "shows 2 faces"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto reasons = checkEvidenceImage(c.jpeg, 480, 640, "image 1");
    if (c.reasonFragment == nullptr) {
      EXPECT_TRUE(reasons.empty()) << reasons.front();
    } else {
      EXPECT_TRUE(mentions(reasons, c.reasonFragment)) << (reasons.empty() ? "no reason" : reasons.front());
    }
  }
}

TEST_F(EvidenceImages, VerdictCombinesTimeHistoryAndImages) {
  CloudSession session;
  session.actions = 26;
  session.colours = "012485";
  session.createdAt = 1000;
  session.expiresAt = 1300;
  VerifyEvidence live{{*portrait}, 1100, colourHistory("012485", Reaction::Live), 1};
  JudgementPolicy policy;

  Verdict pass = judgeEvidence(session, live, policy);
  EXPECT_TRUE(pass.passed);
  EXPECT_EQ(pass.reasons, std::vector<std::string>{"all checks passed"});

  struct Case {
    const char* name;
    int64_t actions;
    VerifyEvidence evidence;
    const char* reasonFragment;
  } cases[] = {
      {"time before the session", 26, {{*portrait}, 1000 - 61, live.history, 1}, "outside the session"},
      {"time after the session", 26, {{*portrait}, 1300 + 61, live.history, 1}, "outside the session"},
      {"no image", 26, {{}, 1100, live.history, 1}, "no image"},
      {"colourful session, empty history", 26, {{*portrait}, 1100, "empty", 1}, "history is empty"},
      {"colourful session, no history", 26, {{*portrait}, 1100, std::nullopt, 1}, "no colour history"},
      {"plain session with a history", 2, {{*portrait}, 1100, live.history, 1}, "history present"},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    session.actions = c.actions;
    Verdict verdict = judgeEvidence(session, c.evidence, policy);
    EXPECT_FALSE(verdict.passed);
    EXPECT_TRUE(mentions(verdict.reasons, c.reasonFragment)) << verdict.reasons.front();
  }
  session.actions = 2;
  EXPECT_TRUE(judgeEvidence(session, {{*portrait}, 1100, "empty", 1}, policy).passed);
}

TEST(FailureLimiter, PausesAfterFiveFailuresInThreeMinutes) {
  FailureLimiter limiter({5, 180, 120});
  for (int i = 0; i < 4; ++i) limiter.recordFailure("device:a", 1000 + i * 30);
  EXPECT_TRUE(limiter.allowed("device:a", 1120));
  limiter.recordFailure("device:a", 1150);  // the fifth within 150 s
  EXPECT_FALSE(limiter.allowed("device:a", 1150));
  EXPECT_FALSE(limiter.allowed("device:a", 1269));
  EXPECT_TRUE(limiter.allowed("device:a", 1270));
  EXPECT_TRUE(limiter.allowed("device:b", 1150)) << "another device is not slowed down";

  FailureLimiter spread({5, 180, 120});
  for (int i = 0; i < 10; ++i) spread.recordFailure("device:c", 1000 + i * 50);  // 4 per window at most
  EXPECT_TRUE(spread.allowed("device:c", 1500));
}

}  // namespace

#include "FormBody.h"

namespace {

TEST(FormBody, KeepsBase64ValuesWhole) {
  using Fields = std::map<std::string, std::string>;
  struct Case {
    const char* body;
    Fields fields;
  } cases[] = {
      {"token=ab/c+d==&verifyMsg=flatbuffer@x%2By==", {{"token", "ab/c+d=="}, {"verifyMsg", "flatbuffer@x+y=="}}},
      {"req=%2B%2b%zz%4", {{"req", "++%zz%4"}}},
      {"a=1&a=2&&=x&b", {{"a", "1"}, {"b", ""}}},
      {"", {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body);
    EXPECT_EQ(parseFormBody(c.body), c.fields);
  }
}

}  // namespace
