// kyld detect: replays landmark traces through the liveness detectors.
//
// Reads one JSON object per line of standard input and prints one JSON line per frame:
//   in:  {"landmarks": [[x, y], ... 68 pairs], "imgSize": [w, h], "faceRect": [x, y, w, h],
//         "colorSaveIndex": n, "rgb": "path of a packed RGB frame", "reset": true,
//         "colors": "0423"}
//   out: {"process": n, "msg": "...", "showFaceOutline": false[, "colors": ["#000000", ...]]}
// Every key is optional. "reset" resets the detectors before the frame, "colors" sets the
// colourful check's colour sequence, "colorSaveIndex" the sequence position on screen. A
// line without "landmarks" only applies those and prints nothing. imgSize defaults to
// 480 x 480 and faceRect to the landmarks' bounding box. The detectors keep their state
// from line to line, as they do in the frame pipeline.
#include <cjson/cJSON.h>

#include <algorithm>
#include <any>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "livingdetect/LDTColorfulDetection.h"
#include "livingdetect/LDTComm.h"
#include "utils/KyLDCommUtil.h"

namespace {

struct DetectOptions {
  int32_t livingType = 0;
  bool needImage = false;
};

std::optional<DetectOptions> parseOptions(KyldArgs args) {
  DetectOptions options;
  bool haveType = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (arg == "--need-image") {
      options.needImage = true;
    } else if (arg == "--living-type" && i + 1 < args.size()) {
      char* end = nullptr;
      options.livingType = static_cast<int32_t>(std::strtol(args[++i], &end, 10));
      haveType = end != args[i] && *end == '\0';
    } else {
      return std::nullopt;
    }
  }
  return haveType ? std::optional(options) : std::nullopt;
}

// Reads an array of `count` numbers; false when the item is not one.
bool readNumbers(const cJSON* item, double* out, int count) {
  if (!cJSON_IsArray(item) || cJSON_GetArraySize(item) != count) return false;
  for (int i = 0; i < count; ++i) {
    const cJSON* number = cJSON_GetArrayItem(item, i);
    if (!cJSON_IsNumber(number)) return false;
    out[i] = number->valuedouble;
  }
  return true;
}

// Any number of [x, y] pairs; the detectors themselves answer a list of the wrong length.
std::optional<LandmarkList> readLandmarks(const cJSON* item) {
  if (!cJSON_IsArray(item)) return std::nullopt;
  LandmarkList landmarks;
  const cJSON* pair = nullptr;
  cJSON_ArrayForEach(pair, item) {
    double xy[2];
    if (!readNumbers(pair, xy, 2)) return std::nullopt;
    landmarks.push_back({xy[0], xy[1]});
  }
  return landmarks;
}

LDTRect boundingBox(const LandmarkList& landmarks) {
  if (landmarks.empty()) return {};
  double minX = landmarks[0].x, maxX = minX, minY = landmarks[0].y, maxY = minY;
  for (const KyPoint& point : landmarks) {
    minX = std::min(minX, point.x);
    maxX = std::max(maxX, point.x);
    minY = std::min(minY, point.y);
    maxY = std::max(maxY, point.y);
  }
  return {minX, minY, maxX - minX, maxY - minY};
}

// One input line made ready for the dispatcher.
struct Frame {
  LandmarkListRef landmarks;
  LDTSize imgSize{480, 480};
  LDTRect faceRect;
  std::vector<uint8_t> rgb;
};

std::optional<std::string> readRGB(const cJSON* item, LDTSize imgSize, std::vector<uint8_t>& rgb) {
  if (!cJSON_IsString(item)) return "\"rgb\" is not a path";
  std::ifstream file(item->valuestring, std::ios::binary);
  if (!file) return std::string("cannot read ") + item->valuestring;
  rgb.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  const double needed = static_cast<double>(static_cast<int64_t>(imgSize.width)) *
                        static_cast<double>(static_cast<int64_t>(imgSize.height)) * 3;
  if (static_cast<double>(rgb.size()) < needed) return std::string(item->valuestring) + " is smaller than imgSize";
  return std::nullopt;
}

// Applies the line's controls and reads its frame; an error text for a malformed line.
std::optional<std::string> readLine(const cJSON* line, std::optional<Frame>& frame) {
  if (!cJSON_IsObject(line)) return "not a JSON object";
  if (cJSON_IsTrue(cJSON_GetObjectItemCaseSensitive(line, "reset"))) LDTComm::reset();
  const cJSON* colors = cJSON_GetObjectItemCaseSensitive(line, "colors");
  if (cJSON_IsString(colors)) LDTColorfulDetection::shareInstance()->initColorSetting(colors->valuestring);
  const cJSON* index = cJSON_GetObjectItemCaseSensitive(line, "colorSaveIndex");
  if (cJSON_IsNumber(index)) LDTComm::setColorSaveIndex(index->valueint);

  const cJSON* landmarksItem = cJSON_GetObjectItemCaseSensitive(line, "landmarks");
  if (landmarksItem == nullptr) return std::nullopt;
  std::optional<LandmarkList> landmarks = readLandmarks(landmarksItem);
  if (!landmarks) return "\"landmarks\" is not a list of [x, y] pairs";
  Frame read;
  read.faceRect = boundingBox(*landmarks);
  read.landmarks = std::make_shared<const LandmarkList>(std::move(*landmarks));
  if (const cJSON* size = cJSON_GetObjectItemCaseSensitive(line, "imgSize")) {
    double wh[2];
    if (!readNumbers(size, wh, 2) || wh[0] < 0 || wh[1] < 0) return "\"imgSize\" is not [w, h]";
    read.imgSize = {wh[0], wh[1]};
  }
  if (const cJSON* rect = cJSON_GetObjectItemCaseSensitive(line, "faceRect")) {
    double xywh[4];
    if (!readNumbers(rect, xywh, 4)) return "\"faceRect\" is not [x, y, w, h]";
    read.faceRect = {xywh[0], xywh[1], xywh[2], xywh[3]};
  }
  if (const cJSON* rgb = cJSON_GetObjectItemCaseSensitive(line, "rgb")) {
    if (std::optional<std::string> error = readRGB(rgb, read.imgSize, read.rgb)) return error;
  }
  frame = std::move(read);
  return std::nullopt;
}

void printResult(const LDTResult& result) {
  cJSON* out = cJSON_CreateObject();
  cJSON_AddNumberToObject(out, "process", result.process());
  cJSON_AddStringToObject(out, "msg", result.msg().c_str());
  cJSON_AddBoolToObject(out, "showFaceOutline", result.showFaceOutline() != 0);
  if (result.data()) {
    if (const auto* colors = std::any_cast<std::vector<std::string>>(result.data().get())) {
      cJSON* list = cJSON_AddArrayToObject(out, "colors");
      for (const std::string& color : *colors) cJSON_AddItemToArray(list, cJSON_CreateString(color.c_str()));
    }
  }
  char* text = cJSON_PrintUnformatted(out);
  std::printf("%s\n", text);
  std::fflush(stdout);
  cJSON_free(text);
  cJSON_Delete(out);
}

}  // namespace

int kyldDetect(KyldArgs args) {
  const std::optional<DetectOptions> options = parseOptions(args);
  if (!options) {
    std::fputs("usage: kyld detect --living-type N [--need-image] < frames.jsonl\n", stderr);
    return 2;
  }
  int status = 0;
  std::string text;
  for (long lineNumber = 1; std::getline(std::cin, text); ++lineNumber) {
    if (text.find_first_not_of(" \t\r") == std::string::npos) continue;
    cJSON* line = cJSON_Parse(text.c_str());
    std::optional<Frame> frame;
    const std::optional<std::string> error = line ? readLine(line, frame) : std::optional<std::string>("not JSON");
    cJSON_Delete(line);
    if (error) {
      std::fprintf(stderr, "kyld detect: line %ld: %s\n", lineNumber, error->c_str());
      status = 1;
      continue;
    }
    if (!frame) continue;
    printResult(LDTComm::processLivingDetect(options->livingType, frame->landmarks, frame->imgSize,
                                             options->needImage, frame->rgb.empty() ? nullptr : frame->rgb.data(),
                                             frame->faceRect));
  }
  return status;
}
