// Colourful detector (living type 6). While the screen flashes a short sequence of solid
// colours, it samples the face and two background corners in every usable frame under
// the sequence position on screen; afterwards it condenses the samples into one
// representative frame per position, the colour history that travels to the cloud.
//
// Per frame: a readiness window over the last three frames (frontal, centred, close
// enough, still), then the phases: a 0.5 s warning (processor time), handing out the
// colour list (-98), sampling (progress 20..99, with one ambient-light check at
// position 3, -96 when it fails) and completion (100). A window failure after the first
// usable frame answers -95.
//
// A colour text must be 1 to 10 digits 0..8. Any other text leaves no colour sequence,
// and without one the check never hands out a list and never completes.
//
// Threads: everything runs on the frame thread except `setColorSaveIndex`, which the
// colour sampler calls from its own thread (the position is atomic), and
// `initColorSetting`, which runs before the first frame of the check.
#pragma once

#include <atomic>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>

#include "livingdetect/LDTLandmarks.h"
#include "livingdetect/LDTResult.h"
#include "utils/ImageUtil.h"

// One frame of the readiness window.
struct detectResult_t {
  LandmarkListRef landmarks;
  double faceWidth = 0;
  double faceHeight = 0;
  double imageWidth = 0;
  double imageHeight = 0;
};

class LDTColorfulDetection {
 public:
  static constexpr int kMaxPositions = 10;
  static constexpr int kFramesPerPosition = 20;
  static constexpr int kSkinCells = 16;
  static constexpr int kColorTableSize = 9;
  // Black, grey, white, magenta, red, yellow, green, cyan, blue.
  static const RGBColor g_rgbDetectColor[kColorTableSize];

  static LDTColorfulDetection* shareInstance();

  // Sets the colour sequence, one table index per digit ("0423": black, red, white,
  // magenta) and allocates zeroed history buffers. A text that is not 1 to 10 digits 0..8
  // is rejected with an error line and leaves no sequence.
  void initColorSetting(const char* digits);
  // Releases the sequence and every history buffer, and forgets the frames filed in them.
  void recycleColorSetting();
  // Back to waiting for a usable face. The sequence, the buffers, the finished history
  // and the readiness window stay.
  void reset();

  int32_t colorSaveIndex() const { return _colorSaveIndex.load(); }
  void setColorSaveIndex(int32_t index) { _colorSaveIndex.store(index); }
  int32_t colorCount() const { return _colorCount; }

  LDTResult colorfulDetect(const LandmarkListRef& facelandmarks, LDTSize imgSize, const uint8_t* imageRGBData,
                           bool needImage, LDTRect faceRect);
  // Judges the readiness window, setting the process and prompt of `result`; true when
  // the frame may be used.
  bool preDetect(const std::deque<detectResult_t>& window, LDTResult& result);
  // Files the face's 4 x 4 skin cells and the two top background corners of the packed
  // RGB frame under the position on screen.
  void saveColorData(const LandmarkList& facelandmarks, LDTSize imgSize, const uint8_t* imageRGBData);
  // Files one frame's samples under `position`; frames beyond the 20th of a position
  // and positions outside the sequence buffers are ignored.
  void fileColorSample(int32_t position, const LabColor (&skin)[kSkinCells], LabColor background1,
                       LabColor background2);

  // True when the screen's light visibly brightens the face: at most `threshold` of the
  // 16 skin cells are less than 1.0 L brighter at position 2 than at position 0.
  bool enviromentCheck(int32_t threshold);
  // Chooses the representative frame of every position and fills the colour history.
  void dullHistoryColorData();
  // The colour history as compact JSON, released by the caller with mFree; null when
  // memory runs out.
  char* getDetectHistory();

 private:
  // Every history buffer, allocated zeroed for ten positions.
  struct ColorHistory {
    RGBColor g_historySkinRGB[kMaxPositions][kSkinCells];
    RGBColor g_historyScreenRGB[kMaxPositions];
    RGBColor g_historyBackgroundRGB1[kMaxPositions];
    RGBColor g_historyBackgroundRGB2[kMaxPositions];
    LabColor g_historySkinLAB[kMaxPositions][kSkinCells];
    LabColor g_historyScreenLAB[kMaxPositions];
    LabColor g_historyBackgroundLAB1[kMaxPositions];
    LabColor g_historyBackgroundLAB2[kMaxPositions];
    LabColor g_historySkinLabCache[kMaxPositions][kFramesPerPosition][kSkinCells];
    LabColor g_historyBackgroundLAB1Cache[kMaxPositions][kFramesPerPosition];
    LabColor g_historyBackgroundLAB2Cache[kMaxPositions][kFramesPerPosition];
  };

  LDTColorfulDetection();

  void rememberFrame(const LandmarkListRef& facelandmarks, LDTSize imgSize, LDTRect faceRect);
  // The phases once the window has passed; fills `result`.
  void runPhases(const LandmarkList& facelandmarks, LDTSize imgSize, const uint8_t* imageRGBData, LDTResult& result);
  // Answers the frame by the sequence position on screen; true when it is to be filed.
  bool answerPosition(int32_t position, LDTResult& result);
  int32_t filedFrames(int32_t position) const;
  enum class MeanPrecision { Float, Double };
  // The filed frame of `position` whose mean skin value on `channel` (0 L, 1 a, 2 b) is
  // the largest or the smallest; the earliest wins a tie, frame 0 when none is better.
  int32_t selectFrame(int32_t position, int channel, bool largest, MeanPrecision precision) const;
  void condensePosition(int32_t position);
  RGBColor shownColor(int32_t position) const;

  std::unique_ptr<int32_t[]> _colorOrder;
  int32_t _colorCount = 0;
  bool _isSetColor = false;
  std::unique_ptr<ColorHistory> history_;
  std::map<int32_t, int32_t> colorIndexNumberDic;
  bool _isComplete = false;
  bool _isEnviromentDetect = false;
  bool isColorfulDetecting = false;
  double colorfulDetectStartTime = 0;
  std::deque<detectResult_t> faceDetectResultVec;
  int32_t isShowFaceImage = 0;
  std::atomic<int32_t> _colorSaveIndex{-1};
};
