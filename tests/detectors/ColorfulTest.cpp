#include <gtest/gtest.h>

#include <any>
#include <cmath>
#include <ctime>
#include <string>
#include <vector>

#include "FaceFixture.h"
#include "livingdetect/LDTColorfulDetection.h"
#include "testsupport/LogCapture.h"
#include "utils/CodecUtil.h"

using namespace face;

namespace {

constexpr LDTRect kFaceRect{90, 90, 300, 300};
constexpr const char* kHoldStill = "检测过程中请保持不动";
constexpr const char* kAboutToFlash = "屏幕即将闪烁，请保持姿势不变";

std::vector<uint8_t> uniformFrame(uint8_t r, uint8_t g, uint8_t b) {
  std::vector<uint8_t> rgb(480 * 480 * 3);
  for (size_t i = 0; i < rgb.size(); i += 3) {
    rgb[i] = r;
    rgb[i + 1] = g;
    rgb[i + 2] = b;
  }
  return rgb;
}

// Spends processor time (the warning phase is measured in it, not in wall-clock time).
void burnProcessorTime(double seconds) {
  const std::clock_t start = std::clock();
  volatile double sink = 0;
  while (static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC < seconds) sink = sink + 1;
}

LDTColorfulDetection* colorful() { return LDTColorfulDetection::shareInstance(); }

LDTResult colorFrame(const LandmarkList& landmarks = frontal(), const std::vector<uint8_t>* rgb = nullptr,
                     LDTRect faceRect = kFaceRect) {
  return LDTComm::processLivingDetect(6, share(landmarks), kFrame, false, rgb ? rgb->data() : nullptr, faceRect);
}

std::string history() {
  char* text = LDTComm::getColorDetectHistory();
  std::string copy = text ? text : "";
  mFree(text);
  return copy;
}

std::string historyWithNoPositions() {
  return R"({"historySkinRGB":[],"historyScreenRGB":[],"historyBackgroundRGB1":[],"historyBackgroundRGB2":[],)"
         R"("historySkinLAB":[],"historyScreenLAB":[],"historyBackgroundLAB1":[],"historyBackgroundLAB2":[]})";
}

void fileUniform(int32_t position, LabColor cell, LabColor background = {}) {
  LabColor skin[LDTColorfulDetection::kSkinCells];
  for (LabColor& c : skin) c = cell;
  colorful()->fileColorSample(position, skin, background, background);
}

// The window of the last three frames survives a reset: start from three good frames.
void freshWindow() {
  for (int frame = 0; frame < 3; ++frame) colorFrame();
  LDTComm::reset();
}

class Colorful : public ::testing::Test {
 protected:
  void SetUp() override {
    freshWindow();
    colorful()->initColorSetting("04235");  // black, red, white, magenta, yellow
  }
  void TearDown() override { LDTComm::recycleColorSetting(); }

  // Passes the window, waits out the warning and takes the colour list.
  void startFlashing() {
    ASSERT_EQ(answerOf(colorFrame()), (Answer{1, kAboutToFlash}));
    ASSERT_EQ(answerOf(colorFrame()), (Answer{1, kAboutToFlash}));
    burnProcessorTime(0.55);
    const LDTResult list = colorFrame();
    ASSERT_EQ(answerOf(list), (Answer{-98, ""}));
    ASSERT_NE(list.data(), nullptr);
    EXPECT_EQ(std::any_cast<std::vector<std::string>>(*list.data()),
              (std::vector<std::string>{"#000000", "#FF0000", "#FFFFFF", "#FF00FF", "#FFFF00"}));
  }
};

}  // namespace

TEST_F(Colorful, WholeSequenceFromWarningToCompletion) {
  startFlashing();
  EXPECT_EQ(answerOf(colorFrame()), (Answer{-1, kHoldStill}));
  const std::vector<uint8_t> dark = uniformFrame(40, 40, 40);
  const std::vector<uint8_t> lit = uniformFrame(200, 180, 170);
  const struct {
    int32_t position;
    const std::vector<uint8_t>* frame;
    Answer expected;
  } steps[] = {
      {0, &dark, {20, kHoldStill}}, {1, &lit, {36, kHoldStill}}, {2, &lit, {52, kHoldStill}},
      {3, &lit, {1, kHoldStill}},  // the ambient-light check passes; not filed
      {3, &lit, {68, kHoldStill}},  {4, &lit, {84, kHoldStill}},
  };
  for (const auto& step : steps) {
    LDTComm::setColorSaveIndex(step.position);
    EXPECT_EQ(answerOf(colorFrame(frontal(), step.frame)), step.expected) << "position " << step.position;
  }
  LDTComm::setColorSaveIndex(5);
  EXPECT_EQ(answerOf(colorFrame(frontal(), &lit)), (Answer{100, "检测完成"}));
  EXPECT_TRUE(LDTComm::faceLandmarkQueue().empty());
  EXPECT_EQ(colorful()->colorSaveIndex(), -1);

  const std::string text = history();
  EXPECT_NE(text.find(R"("historyScreenRGB":[[0,0,0],[255,0,0],[255,255,255],[255,0,255],[255,255,0]])"),
            std::string::npos)
      << text;
  // The dark frame filed at position 0 is its representative: 40, 40, 40 there and back.
  RGBColor darkSkin;
  LabColor darkLab;
  ImageUtil::RGB2Lab(darkLab, {40, 40, 40});
  ImageUtil::Lab2RGB(darkSkin, darkLab);
  const std::string darkTriple =
      "[" + std::to_string(darkSkin.r) + "," + std::to_string(darkSkin.g) + "," + std::to_string(darkSkin.b) + "]";
  EXPECT_EQ(text.find("{\"historySkinRGB\":[[" + darkTriple + "," + darkTriple), 0u) << text;
}

TEST_F(Colorful, AmbientLightTooBrightAtPosition3) {
  startFlashing();
  const std::vector<uint8_t> same = uniformFrame(120, 120, 120);
  for (int32_t position : {0, 1, 2}) {
    LDTComm::setColorSaveIndex(position);
    colorFrame(frontal(), &same);
  }
  LDTComm::setColorSaveIndex(3);
  EXPECT_EQ(answerOf(colorFrame(frontal(), &same)), (Answer{-96, "环境光过亮"}));
  EXPECT_EQ(answerOf(colorFrame(frontal(), &same)), (Answer{68, kHoldStill}));  // checked once per reset
}

TEST_F(Colorful, WindowFailuresBeforeAndAfterTheFirstUsableFrame) {
  struct Case {
    const char* name;
    LandmarkList landmarks;
    LDTRect faceRect;
    Answer expected;
  };
  const Case cases[] = {
      {"eye line tilted", withEyeLineAngle(frontal(), 45), kFaceRect, {1, "正视屏幕", true}},
      {"off centre", moved(frontal(), 130, 0), kFaceRect, {1, "移动到屏幕中心", true}},
      {"too far", frontal(), {0, 0, 200, 200}, {1, "请靠近屏幕", true}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    freshWindow();
    EXPECT_EQ(answerOf(colorFrame(c.landmarks, nullptr, c.faceRect)), c.expected);
    EXPECT_EQ(answerOf(colorFrame()), (Answer{1, kAboutToFlash})) << "one older bad frame is tolerated";
    Answer abandon = c.expected;
    abandon.process = -95;
    EXPECT_EQ(answerOf(colorFrame(c.landmarks, nullptr, c.faceRect)), abandon);
    LDTComm::reset();
  }
  // Two bad frames among the three fail even when the newest is good.
  const LandmarkList tilted = withEyeLineAngle(frontal(), 45);
  colorFrame(tilted);
  colorFrame(tilted);
  EXPECT_EQ(answerOf(colorFrame()), (Answer{1, "正视屏幕", true}));
}

TEST_F(Colorful, MovementIsJudgedAgainstAMinimumStartingAt100000) {
  // A steady face of 150000 square pixels: spread 50000 exceeds 480 x 480 / 5 once started.
  const LDTRect large{0, 0, 500, 300};
  EXPECT_EQ(answerOf(colorFrame(frontal(), nullptr, large)), (Answer{1, kAboutToFlash}));
  EXPECT_EQ(answerOf(colorFrame(frontal(), nullptr, large)), (Answer{-95, kHoldStill}));
}

TEST(ColorfulSetting, BadColourTextsLeaveNoSequence) {
  const char* const bad[] = {"", "9", "12a", "01234567890", "-1", " 12", nullptr};
  for (const char* text : bad) {
    SCOPED_TRACE(text ? text : "(null)");
    freshWindow();
    colorful()->initColorSetting("012");
    LogCapture log;
    colorful()->initColorSetting(text);
    EXPECT_TRUE(log.contains("is not 1 to 10 digits 0-8"));
    EXPECT_EQ(colorful()->colorCount(), 0);
    EXPECT_EQ(history(), historyWithNoPositions());
    // Without a sequence the check holds at its first step and never completes.
    LDTComm::setColorSaveIndex(20);
    for (int frame = 0; frame < 3; ++frame) EXPECT_EQ(answerOf(colorFrame()), (Answer{1, kHoldStill}));
  }
  const struct {
    const char* text;
    int32_t count;
  } good[] = {{"0", 1}, {"8", 1}, {"0123456788", 10}};
  for (const auto& g : good) {
    colorful()->initColorSetting(g.text);
    EXPECT_EQ(colorful()->colorCount(), g.count) << g.text;
  }
  LDTComm::recycleColorSetting();
  EXPECT_EQ(colorful()->colorCount(), 0);
}

TEST(ColorHistory, OnePositionRedTextByteForByte) {
  colorful()->initColorSetting("4");
  // The backgrounds are the Lab values of RGB 40, 42, 45 and 200, 190, 170.
  LabColor background1, background2;
  ImageUtil::RGB2Lab(background1, {40, 42, 45});
  ImageUtil::RGB2Lab(background2, {200, 190, 170});
  LabColor skin[LDTColorfulDetection::kSkinCells];
  for (LabColor& cell : skin) cell = {61.7f, 14.2f, 17.8f};
  colorful()->fileColorSample(0, skin, background1, background2);
  colorful()->dullHistoryColorData();
  std::string cellsRGB, cellsLAB;
  for (int cell = 0; cell < 16; ++cell) {
    cellsRGB += cell ? ",[184,139,118]" : "[184,139,118]";
    cellsLAB += cell ? ",[62,14,18]" : "[62,14,18]";
  }
  const std::string expected = R"({"historySkinRGB":[[)" + cellsRGB +
                               R"(]],"historyScreenRGB":[[255,0,0]],"historyBackgroundRGB1":[[40,42,45]],)"
                               R"("historyBackgroundRGB2":[[200,190,170]],"historySkinLAB":[[)" +
                               cellsLAB +
                               R"(]],"historyScreenLAB":[[53,80,67]],"historyBackgroundLAB1":[[17,-0.13,-2.3]],)"
                               R"("historyBackgroundLAB2":[[77,0.15,11]]})";
  EXPECT_EQ(history(), expected);
  LDTComm::recycleColorSetting();
}

TEST(ColorHistory, LabNumbersHaveTwoSignificantDigits) {
  colorful()->initColorSetting("0");
  fileUniform(0, {99.96f, 9.96f, -0.0f});
  colorful()->dullHistoryColorData();
  EXPECT_NE(history().find(R"("historySkinLAB":[[[1e+02,10,-0],)"), std::string::npos) << history();
  LDTComm::recycleColorSetting();
}

TEST(ColorHistory, RepresentativeFramePerPosition) {
  colorful()->initColorSetting("01232");  // position 4 shows white: smallest b
  for (float L : {40.f, 35.f, 38.f}) fileUniform(0, {L, L == 35.f ? 2.f : 1.f, 0});
  for (float L : {60.f, 62.f, 62.f}) fileUniform(2, {L, 0, 0}, {static_cast<float>(L == 62.f ? 7 : 0), 0, 0});
  const float whiteB[] = {3, -2, 1};
  for (float b : whiteB) fileUniform(4, {50, b == -2 ? 8.f : 9.f, b});
  colorful()->dullHistoryColorData();
  const std::string text = history();
  EXPECT_NE(text.find("[[[35,2,0],[35,2,0]"), std::string::npos) << text;
  EXPECT_NE(text.find("[[62,0,0],[62,0,0]"), std::string::npos) << text;
  EXPECT_NE(text.find("[[50,8,-2],[50,8,-2]"), std::string::npos) << text;
  EXPECT_EQ(text.find("[38,"), std::string::npos) << text;
  // The earlier of the two 62 frames: its background sample is the one kept.
  EXPECT_NE(text.find(R"("historyBackgroundLAB1":[[0,0,0],[0,0,0],[7,0,0],)"), std::string::npos) << text;
  LDTComm::recycleColorSetting();
}

TEST(ColorHistory, FramesBeyondTheTwentiethAreIgnored) {
  colorful()->initColorSetting("0");
  for (int frame = 0; frame < 20; ++frame) fileUniform(0, {10, 1, 0});
  for (int frame = 0; frame < 5; ++frame) fileUniform(0, {5, 2, 0});
  colorful()->dullHistoryColorData();
  const std::string text = history();
  EXPECT_NE(text.find("[[[10,1,0]"), std::string::npos) << text;
  EXPECT_EQ(text.find("[5,2,0]"), std::string::npos) << text;
  LDTComm::recycleColorSetting();
}

TEST(ColorHistory, RectanglesWithoutPixelsFileBlack) {
  LDTComm::reset();
  colorful()->initColorSetting("0");
  const std::vector<uint8_t> bright = uniformFrame(250, 250, 250);
  const LandmarkList point(kLandmarkCount, KyPoint{240, 240});  // a face box of no size
  colorful()->setColorSaveIndex(0);
  colorful()->saveColorData(point, kFrame, bright.data());
  colorful()->dullHistoryColorData();
  const std::string text = history();
  EXPECT_EQ(text.find(R"({"historySkinRGB":[[[0,0,0],[0,0,0])"), 0u) << text;
  EXPECT_EQ(text.find(R"("historyBackgroundRGB1":[[0,0,0]])"), std::string::npos) << text;
  LDTComm::recycleColorSetting();
}

TEST(ColorHistory, AmbientLightNeedsSixCellsOneLBrighter) {
  struct Case {
    const char* name;
    float litGain;  // gain of the cells counted as lit
    int unlitCells;
    float unlitGain;
    bool passes;
  };
  const Case cases[] = {
      {"all exactly 1.0 brighter", 1.0f, 0, 0, true},
      {"all 0.99 brighter", 0.99f, 0, 0, false},
      {"11 cells unlit", 5, 11, 0.5f, false},
      {"10 cells unlit", 5, 10, 0.5f, true},
      {"undefined gains count as unlit", 5, 11, NAN, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    colorful()->initColorSetting("000");
    LabColor dark[16], lit[16];
    for (int cell = 0; cell < 16; ++cell) {
      dark[cell] = {50, 0, 0};
      lit[cell] = {50 + (cell < c.unlitCells ? c.unlitGain : c.litGain), 0, 0};
    }
    colorful()->fileColorSample(0, dark, {}, {});
    colorful()->fileColorSample(2, lit, {}, {});
    EXPECT_EQ(colorful()->enviromentCheck(10), c.passes);
  }
  LDTComm::recycleColorSetting();
}
