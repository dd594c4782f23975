#include "livingdetect/LDTColorfulDetection.h"

#include <algorithm>
#include <any>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "livingdetect/LDTComm.h"
#include "utils/CodecUtil.h"
#include "utils/LDTLog.h"

const RGBColor LDTColorfulDetection::g_rgbDetectColor[kColorTableSize] = {
    {0, 0, 0},     {118, 118, 118}, {255, 255, 255}, {255, 0, 255}, {255, 0, 0},
    {255, 255, 0}, {0, 255, 0},     {0, 255, 255},   {0, 0, 255},
};

namespace {

constexpr size_t kWindowSize = 3;
constexpr int32_t kNoPosition = -1;
constexpr double kWarningSeconds = 0.5;
constexpr int32_t kBackgroundSide = 15;
constexpr const char* kHoldStill = "检测过程中请保持不动";
constexpr const char* kAboutToFlash = "屏幕即将闪烁，请保持姿势不变";

// Processor time of the whole process in seconds (not wall-clock time).
double processorSeconds() { return static_cast<double>(std::clock()) / CLOCKS_PER_SEC; }

bool isColorText(const char* digits) {
  if (digits == nullptr) return false;
  const size_t length = std::strlen(digits);
  if (length == 0 || length > static_cast<size_t>(LDTColorfulDetection::kMaxPositions)) return false;
  return std::all_of(digits, digits + length, [](char c) { return c >= '0' && c <= '8'; });
}

float channelOf(const LabColor& color, int channel) {
  return channel == 0 ? color.L : channel == 1 ? color.a : color.b;
}

// The mean colour of a rectangle as Lab; a rectangle without pixels gives black.
LabColor rectLab(const RGBImage& image, int32_t x, int32_t y, int32_t width, int32_t height) {
  RGBColor mean;
  ImageUtil::getRectAverageRGBFromImage(mean, image, x, y, width, height);
  LabColor lab;
  ImageUtil::RGB2Lab(lab, mean);
  return lab;
}

}  // namespace

LDTColorfulDetection* LDTColorfulDetection::shareInstance() {
  static LDTColorfulDetection instance;
  return &instance;
}

LDTColorfulDetection::LDTColorfulDetection() {
  reset();
  _colorSaveIndex.store(kNoPosition);
}

void LDTColorfulDetection::initColorSetting(const char* digits) {
  recycleColorSetting();
  if (!isColorText(digits)) {
    LDT_LOGE("colour text \"%s\" is not 1 to 10 digits 0-8", digits == nullptr ? "(null)" : digits);
    return;
  }
  const int32_t count = static_cast<int32_t>(std::strlen(digits));
  _colorOrder = std::make_unique<int32_t[]>(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) _colorOrder[static_cast<size_t>(i)] = digits[i] - '0';
  _colorCount = count;
  history_ = std::make_unique<ColorHistory>();
}

void LDTColorfulDetection::recycleColorSetting() {
  _colorOrder.reset();
  history_.reset();
  _colorCount = 0;
  colorIndexNumberDic.clear();  // the counts describe the buffers just released
}

void LDTColorfulDetection::reset() {
  _isSetColor = false;
  _isComplete = false;
  _isEnviromentDetect = false;
  isColorfulDetecting = false;
  _colorSaveIndex.store(kNoPosition);
  colorfulDetectStartTime = 0;
  colorIndexNumberDic.clear();
}

LDTResult LDTColorfulDetection::colorfulDetect(const LandmarkListRef& facelandmarks, LDTSize imgSize,
                                               const uint8_t* imageRGBData, bool, LDTRect faceRect) {
  LDTResult result;
  if (!hasAllLandmarks(facelandmarks)) {
    result.setProcess(0, "人脸数据输入异常");
    return result;
  }
  isShowFaceImage = 0;
  rememberFrame(facelandmarks, imgSize, faceRect);
  if (preDetect(faceDetectResultVec, result)) {
    isColorfulDetecting = true;
    runPhases(*facelandmarks, imgSize, imageRGBData, result);
  }
  result.setShowFaceOutline(static_cast<uint8_t>(isShowFaceImage));
  return result;
}

void LDTColorfulDetection::rememberFrame(const LandmarkListRef& facelandmarks, LDTSize imgSize, LDTRect faceRect) {
  if (faceDetectResultVec.size() >= kWindowSize) faceDetectResultVec.pop_front();
  faceDetectResultVec.push_back({facelandmarks, faceRect.width, faceRect.height, imgSize.width, imgSize.height});
}

void LDTColorfulDetection::runPhases(const LandmarkList& facelandmarks, LDTSize imgSize, const uint8_t* imageRGBData,
                                     LDTResult& result) {
  if (_colorCount == 0) return;  // no colour sequence: the check cannot go on
  const double now = processorSeconds();
  if (colorfulDetectStartTime == 0) {
    colorfulDetectStartTime = now + kWarningSeconds;
    result.setProcess(1, kAboutToFlash);
    return;
  }
  if (colorfulDetectStartTime > now) {
    result.setProcess(1, kAboutToFlash);
    return;
  }
  if (!_isSetColor) {
    auto colors = std::make_shared<std::any>(std::vector<std::string>());
    auto& texts = std::any_cast<std::vector<std::string>&>(*colors);
    for (int32_t i = 0; i < _colorCount; ++i) texts.push_back(ImageUtil::rgb2HexStr(shownColor(i)));
    result.setProcess(-98, "");
    result.setData(std::move(colors));
    _isSetColor = true;
    return;
  }
  if (answerPosition(_colorSaveIndex.load(), result)) saveColorData(facelandmarks, imgSize, imageRGBData);
}

bool LDTColorfulDetection::answerPosition(int32_t position, LDTResult& result) {
  if (position < 0) {
    // Any negative position means nothing is on screen yet.
    result.setProcess(-1, kHoldStill);
    return false;
  }
  if (position == 3 && !_isEnviromentDetect) {
    _isEnviromentDetect = true;
    if (!enviromentCheck(10)) result.setProcess(-96, "环境光过亮");
    return false;  // this frame keeps the window's answer and is not filed
  }
  if (position < _colorCount) {
    const double share = static_cast<double>(position) / _colorCount;
    result.setProcess(truncToInt32(20 + share * 80), kHoldStill);
    return true;
  }
  if (!_isComplete) {
    _isComplete = true;
    dullHistoryColorData();
  }
  result.setProcess(100, "检测完成");
  return false;
}

bool LDTColorfulDetection::preDetect(const std::deque<detectResult_t>& window, LDTResult& result) {
  if (window.empty()) return false;
  int32_t minArea = 100000;
  int32_t maxArea = 0;
  int notCentred = 0;
  int notFacing = 0;
  for (const detectResult_t& record : window) {
    const int32_t area = truncToInt32(record.faceWidth * record.faceHeight);
    minArea = std::min(minArea, area);
    maxArea = std::max(maxArea, area);
    if (!LDTComm::centerDetect(*record.landmarks, truncToInt32(record.imageWidth), truncToInt32(record.imageHeight))) {
      ++notCentred;
    } else if (!LDTComm::isFaceScreen(*record.landmarks)) {
      ++notFacing;
    }
  }
  const detectResult_t& last = window.back();
  if (isColorfulDetecting) {
    result.setProcess(-95, "重置炫彩活体");
  } else {
    result.setProcess(1, kHoldStill);
  }
  const int32_t process = result.process();
  if (notFacing >= 2 || !LDTComm::isFaceScreen(*last.landmarks)) {
    result.setProcess(process, "正视屏幕");
    isShowFaceImage = 1;
    return false;
  }
  if (notCentred >= 2 ||
      !LDTComm::centerDetect(*last.landmarks, truncToInt32(last.imageWidth), truncToInt32(last.imageHeight))) {
    result.setProcess(process, "移动到屏幕中心");
    isShowFaceImage = 1;
    return false;
  }
  const double side = last.imageWidth > last.imageHeight ? last.imageHeight : last.imageWidth;
  const double fifth = side * side / 5;
  const double minimumArea = isColorfulDetecting ? fifth : fifth * 1.5;
  if (!(last.faceWidth * last.faceHeight > minimumArea)) {
    result.setProcess(process, "请靠近屏幕");
    isShowFaceImage = 1;
    return false;
  }
  if (isColorfulDetecting && static_cast<double>(maxArea) - minArea > fifth) {
    result.setProcess(process, kHoldStill);
    return false;
  }
  result.setProcess(1, kHoldStill);
  return true;
}

void LDTColorfulDetection::saveColorData(const LandmarkList& facelandmarks, LDTSize imgSize,
                                         const uint8_t* imageRGBData) {
  if (imageRGBData == nullptr || !hasAllLandmarks(&facelandmarks)) return;
  const RGBImage image{imageRGBData, truncToInt32(imgSize.width), truncToInt32(imgSize.height), 3};
  int32_t minX = 100000, minY = 100000, maxX = 0, maxY = 0;
  for (const KyPoint& point : facelandmarks) {
    minX = std::min(minX, truncToInt32(point.x));
    minY = std::min(minY, truncToInt32(point.y));
    maxX = std::max(maxX, truncToInt32(point.x));
    maxY = std::max(maxY, truncToInt32(point.y));
  }
  const int32_t stepX = (maxX - minX) / 4;
  const int32_t stepY = (maxY - minY) / 4;
  LabColor skin[kSkinCells];
  for (int32_t column = 0; column < 4; ++column) {
    for (int32_t row = 0; row < 4; ++row) {
      skin[column * 4 + row] = rectLab(image, minX + column * stepX, minY + row * stepY, stepX, stepY);
    }
  }
  const LabColor topLeft = rectLab(image, 0, 0, kBackgroundSide, kBackgroundSide);
  const LabColor topRight = rectLab(image, image.width - kBackgroundSide, 0, kBackgroundSide, kBackgroundSide);
  fileColorSample(_colorSaveIndex.load(), skin, topLeft, topRight);
}

void LDTColorfulDetection::fileColorSample(int32_t position, const LabColor (&skin)[kSkinCells],
                                           LabColor background1, LabColor background2) {
  if (!history_ || position < 0 || position >= kMaxPositions) return;
  const int32_t frame = filedFrames(position);
  if (frame >= kFramesPerPosition) return;
  std::copy(std::begin(skin), std::end(skin), history_->g_historySkinLabCache[position][frame]);
  history_->g_historyBackgroundLAB1Cache[position][frame] = background1;
  history_->g_historyBackgroundLAB2Cache[position][frame] = background2;
  colorIndexNumberDic[position] = frame + 1;
}

int32_t LDTColorfulDetection::filedFrames(int32_t position) const {
  const auto found = colorIndexNumberDic.find(position);
  return found == colorIndexNumberDic.end() ? 0 : found->second;
}

RGBColor LDTColorfulDetection::shownColor(int32_t position) const {
  return g_rgbDetectColor[_colorOrder[static_cast<size_t>(position)]];
}

int32_t LDTColorfulDetection::selectFrame(int32_t position, int channel, bool largest, MeanPrecision precision) const {
  const int32_t frames = std::min(filedFrames(position), static_cast<int32_t>(kFramesPerPosition));
  double best = largest ? 0 : 10000;
  int32_t chosen = 0;
  for (int32_t frame = 0; frame < frames; ++frame) {
    double mean = 0;
    if (precision == MeanPrecision::Float) {
      float sum = 0;
      for (const LabColor& cell : history_->g_historySkinLabCache[position][frame]) sum += channelOf(cell, channel);
      mean = sum / kSkinCells;
    } else {
      for (const LabColor& cell : history_->g_historySkinLabCache[position][frame]) mean += channelOf(cell, channel);
      mean /= kSkinCells;
    }
    if (largest ? mean > best : mean < best) {
      best = mean;
      chosen = frame;
    }
  }
  return chosen;
}

bool LDTColorfulDetection::enviromentCheck(int32_t threshold) {
  if (!history_) return true;  // no sequence, nothing to judge
  const int32_t dark = selectFrame(0, 0, false, MeanPrecision::Double);
  const int32_t bright = selectFrame(2, 0, true, MeanPrecision::Double);
  int32_t unlit = 0;
  for (int cell = 0; cell < kSkinCells; ++cell) {
    const double gain = static_cast<double>(history_->g_historySkinLabCache[2][bright][cell].L) -
                        history_->g_historySkinLabCache[0][dark][cell].L;
    if (!(gain >= 1.0)) ++unlit;  // an undefined gain counts as unlit
  }
  return unlit <= threshold;
}

void LDTColorfulDetection::condensePosition(int32_t position) {
  int channel = 0;
  bool largest = position != 0;
  if (position >= 3) {
    LabColor shown;
    ImageUtil::RGB2Lab(shown, shownColor(position));
    channel = std::fabs(shown.a) > std::fabs(shown.b) ? 1 : 2;
    largest = channelOf(shown, channel) > 0;
  }
  const int32_t frame = selectFrame(position, channel, largest, MeanPrecision::Float);
  ColorHistory& h = *history_;
  for (int cell = 0; cell < kSkinCells; ++cell) {
    h.g_historySkinLAB[position][cell] = h.g_historySkinLabCache[position][frame][cell];
    ImageUtil::Lab2RGB(h.g_historySkinRGB[position][cell], h.g_historySkinLAB[position][cell]);
  }
  h.g_historyBackgroundLAB1[position] = h.g_historyBackgroundLAB1Cache[position][frame];
  ImageUtil::Lab2RGB(h.g_historyBackgroundRGB1[position], h.g_historyBackgroundLAB1[position]);
  h.g_historyBackgroundLAB2[position] = h.g_historyBackgroundLAB2Cache[position][frame];
  ImageUtil::Lab2RGB(h.g_historyBackgroundRGB2[position], h.g_historyBackgroundLAB2[position]);
  h.g_historyScreenRGB[position] = shownColor(position);
  ImageUtil::RGB2Lab(h.g_historyScreenLAB[position], h.g_historyScreenRGB[position]);
}

void LDTColorfulDetection::dullHistoryColorData() {
  if (!history_) return;
  for (int32_t position = 0; position < _colorCount; ++position) condensePosition(position);
}

namespace {

void appendRGB(std::string& text, const RGBColor& color) {
  text += '[' + std::to_string(color.r) + ',' + std::to_string(color.g) + ',' + std::to_string(color.b) + ']';
}

// Two significant digits in general notation: 61.7 gives 62, 100 gives 1e+02.
void appendLab(std::string& text, const LabColor& color) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "[%.2g,%.2g,%.2g]", static_cast<double>(color.L), static_cast<double>(color.a),
                static_cast<double>(color.b));
  text += buffer;
}

// "key":[element,element,...] with one element per position, each written by `element`.
template <typename Element>
void appendKey(std::string& text, const char* key, int32_t positions, Element element) {
  text += '"';
  text += key;
  text += "\":[";
  for (int32_t position = 0; position < positions; ++position) {
    if (position > 0) text += ',';
    element(position);
  }
  text += ']';
}

template <typename Color, typename Append>
void appendCells(std::string& text, const Color (&cells)[LDTColorfulDetection::kSkinCells], Append append) {
  text += '[';
  for (int cell = 0; cell < LDTColorfulDetection::kSkinCells; ++cell) {
    if (cell > 0) text += ',';
    append(text, cells[cell]);
  }
  text += ']';
}

}  // namespace

char* LDTColorfulDetection::getDetectHistory() {
  const int32_t positions = history_ ? _colorCount : 0;
  const ColorHistory* h = history_.get();
  std::string text = "{";
  appendKey(text, "historySkinRGB", positions, [&](int32_t p) { appendCells(text, h->g_historySkinRGB[p], appendRGB); });
  text += ',';
  appendKey(text, "historyScreenRGB", positions, [&](int32_t p) { appendRGB(text, h->g_historyScreenRGB[p]); });
  text += ',';
  appendKey(text, "historyBackgroundRGB1", positions, [&](int32_t p) { appendRGB(text, h->g_historyBackgroundRGB1[p]); });
  text += ',';
  appendKey(text, "historyBackgroundRGB2", positions, [&](int32_t p) { appendRGB(text, h->g_historyBackgroundRGB2[p]); });
  text += ',';
  appendKey(text, "historySkinLAB", positions, [&](int32_t p) { appendCells(text, h->g_historySkinLAB[p], appendLab); });
  text += ',';
  appendKey(text, "historyScreenLAB", positions, [&](int32_t p) { appendLab(text, h->g_historyScreenLAB[p]); });
  text += ',';
  appendKey(text, "historyBackgroundLAB1", positions, [&](int32_t p) { appendLab(text, h->g_historyBackgroundLAB1[p]); });
  text += ',';
  appendKey(text, "historyBackgroundLAB2", positions, [&](int32_t p) { appendLab(text, h->g_historyBackgroundLAB2[p]); });
  text += '}';

  char* copy = static_cast<char*>(mMalloc(text.size() + 1, 0));
  if (copy == nullptr) {
    LDT_LOGE("no memory for the colour history");
    return nullptr;
  }
  std::memcpy(copy, text.data(), text.size());
  return copy;
}
