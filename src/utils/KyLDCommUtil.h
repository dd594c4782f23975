// Small shared utilities: time, point geometry, JSON and Base64 wrappers, frame to image.
#pragma once

#include <kylivingdetection/KyImage.h>
#include <kylivingdetection/KySampleBuffer.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct cJSON;
struct KyCaptureDevice;
enum class KyCaptureDevicePosition : int;
struct KyRect;
class KyShapeLayer;
class KyWindow;

struct KyPoint {
  double x = 0;
  double y = 0;
};

// Owns a parsed or built JSON tree.
struct KyJsonDeleter {
  void operator()(cJSON* json) const;
};
using KyJsonPtr = std::unique_ptr<cJSON, KyJsonDeleter>;

class KyLDCommUtil {
 public:
  // Wall-clock milliseconds since 1970, truncated.
  static int64_t getCurrentTimeToMilliSecond();
  // Local time as "yyyyMMddHHmmssSSS".
  static std::string getTimeStampStr();
  // Same, for a given wall-clock time in milliseconds since 1970.
  static std::string timeStampStr(int64_t millisecondsSince1970);

  static double calc2PointDistance(KyPoint p1, KyPoint p2);
  // Angle of the line p1-p2 in degrees, in -90..90 (180 / 3.1415 per radian, truncated).
  static int32_t calc2PointAngle(KyPoint p1, KyPoint p2);

  // Compact JSON text of an object; none for a null or empty object.
  static std::optional<std::string> dict2Json(const cJSON* map);
  // The parsed JSON value; none for empty text or a parse error.
  static std::optional<KyJsonPtr> json2Dict(const std::string& text);

  static std::string Base64Encode(const std::vector<uint8_t>& bytes);
  // Characters outside the Base64 alphabet are skipped; none when what is left is malformed.
  static std::optional<std::vector<uint8_t>> Base64Decode(const std::string& text);

  // The frame as an image (BGRA, same size and rows); shares the frame's pixels.
  static KyImage imageFromSampleBuffer(const KySampleBuffer& frame);
  static KyImage imageFromPixelBuffer(const KySampleBuffer& frame);

  // The camera at that position (the last listed one when several are), set up for continuous
  // automatic exposure and locked focus where it allows; none when no camera is there.
  static std::shared_ptr<KyCaptureDevice> getCaptureDevicePosition(KyCaptureDevicePosition position);

  // True when landmark 30 (nose tip) lies within x w/4..3w/4 and y w/8..7w/8.
  static bool faceMiddleInScreen(const std::vector<KyPoint>& landmarks, double w, double h);

  // UI thread. A mask layer showing only the disc of radius min(w, h) / 2 - 8 at the centre
  // of the rectangle's size (its origin is not used).
  static std::shared_ptr<KyShapeLayer> maskStyle(const KyRect& rect);
  // UI thread. The key window, else the first window, else none.
  static std::shared_ptr<KyWindow> getKeyWindow();
};
