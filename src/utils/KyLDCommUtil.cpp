#include "utils/KyLDCommUtil.h"

#include <cjson/cJSON.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "utils/CodecUtil.h"

namespace {

// 180 / 3.1415: the degrees-per-radian factor the angle checks were tuned with.
constexpr double kDegreesPerRadian = 57.29746936176985;

bool isBase64Alphabet(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '/';
}

// Keeps the alphabet and the pads; answers false when the pads are not one or two
// characters at the very end of a text whose length is a multiple of 4.
bool keepBase64Characters(const std::string& text, std::string& kept) {
  size_t pads = 0;
  for (char c : text) {
    if (c == '=') {
      ++pads;
      kept.push_back(c);
    } else if (isBase64Alphabet(c)) {
      if (pads != 0) return false;
      kept.push_back(c);
    }
  }
  return pads <= 2 && kept.size() % 4 == 0;
}

}  // namespace

void KyJsonDeleter::operator()(cJSON* json) const { cJSON_Delete(json); }

int64_t KyLDCommUtil::getCurrentTimeToMilliSecond() {
  auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  double seconds = std::chrono::duration<double>(sinceEpoch).count();
  return static_cast<int64_t>(seconds * 1000);
}

std::string KyLDCommUtil::getTimeStampStr() {
  auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
  return timeStampStr(std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count());
}

std::string KyLDCommUtil::timeStampStr(int64_t millisecondsSince1970) {
  // Floor division so that times before 1970 still get milliseconds 000..999.
  int64_t seconds = millisecondsSince1970 / 1000;
  int64_t millis = millisecondsSince1970 % 1000;
  if (millis < 0) {
    millis += 1000;
    seconds -= 1;
  }
  std::time_t wall = static_cast<std::time_t>(seconds);
  std::tm local{};
  if (localtime_r(&wall, &local) == nullptr) return {};
  char text[64];
  std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d%03d", local.tm_year + 1900, local.tm_mon + 1,
                local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(millis));
  return text;
}

double KyLDCommUtil::calc2PointDistance(KyPoint p1, KyPoint p2) {
  double dx = p2.x - p1.x;
  double dy = p2.y - p1.y;
  return std::fabs(std::sqrt(dx * dx + dy * dy));
}

int32_t KyLDCommUtil::calc2PointAngle(KyPoint p1, KyPoint p2) {
  double degrees = std::atan((p2.y - p1.y) / (p2.x - p1.x)) * kDegreesPerRadian;
  // Equal points give 0 / 0; the angle of a point with itself is taken as 0.
  if (std::isnan(degrees)) return 0;
  return static_cast<int32_t>(degrees) % 360;
}

std::optional<std::string> KyLDCommUtil::dict2Json(const cJSON* map) {
  if (map == nullptr || !cJSON_IsObject(map) || map->child == nullptr) return std::nullopt;
  char* printed = cJSON_PrintUnformatted(map);
  if (printed == nullptr) return std::nullopt;
  std::string text(printed);
  cJSON_free(printed);
  return text;
}

std::optional<KyJsonPtr> KyLDCommUtil::json2Dict(const std::string& text) {
  // An embedded NUL would end cJSON's input early and hide whatever follows it.
  if (text.empty() || text.find('\0') != std::string::npos) return std::nullopt;
  KyJsonPtr parsed(cJSON_ParseWithLengthOpts(text.c_str(), text.size() + 1, nullptr, true));
  if (!parsed || !(cJSON_IsObject(parsed.get()) || cJSON_IsArray(parsed.get()))) return std::nullopt;
  return parsed;
}

std::string KyLDCommUtil::Base64Encode(const std::vector<uint8_t>& bytes) {
  char* text = base64Encode(bytes.data(), bytes.size());
  if (text == nullptr) return {};
  std::string result(text);
  mFree(text);
  return result;
}

std::optional<std::vector<uint8_t>> KyLDCommUtil::Base64Decode(const std::string& text) {
  std::string kept;
  kept.reserve(text.size());
  if (!keepBase64Characters(text, kept)) return std::nullopt;
  if (kept.empty()) return std::vector<uint8_t>{};
  uint8_t* bytes = nullptr;
  uint32_t length = base64Decode(kept.c_str(), &bytes);
  std::vector<uint8_t> result(bytes, bytes + length);
  mFree(bytes);
  if (length == 0) return std::nullopt;
  return result;
}

KyImage KyLDCommUtil::imageFromSampleBuffer(const KySampleBuffer& frame) {
  KyImage image;
  image.pixels = frame.pixels;
  image.format = KyPixelFormat::BGRA;
  image.width = frame.width;
  image.height = frame.height;
  image.bytesPerRow = frame.bytesPerRow;
  return image;
}

KyImage KyLDCommUtil::imageFromPixelBuffer(const KySampleBuffer& frame) { return imageFromSampleBuffer(frame); }

bool KyLDCommUtil::faceMiddleInScreen(const std::vector<KyPoint>& landmarks, double w, double /*h*/) {
  constexpr size_t kNoseTip = 30;
  if (landmarks.size() <= kNoseTip) return false;
  const KyPoint& nose = landmarks[kNoseTip];
  // Both bands derive from the width, as the check was first written.
  return nose.x >= w / 4 && nose.x <= 3 * w / 4 && nose.y >= w / 8 && nose.y <= 7 * w / 8;
}
