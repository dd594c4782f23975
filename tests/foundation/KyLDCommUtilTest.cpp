#include <gtest/gtest.h>

#include <cjson/cJSON.h>

#include <cstdlib>
#include <ctime>

#include "utils/KyLDCommUtil.h"

namespace {

// Sets the process time zone for one test and restores it afterwards.
class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) saved_ = old, hadZone_ = true;
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (hadZone_) {
      setenv("TZ", saved_.c_str(), 1);
    } else {
      unsetenv("TZ");
    }
    tzset();
  }

 private:
  std::string saved_;
  bool hadZone_ = false;
};

int64_t localMillis(int year, int month, int day, int hour, int minute, int second, int millis) {
  std::tm local{};
  local.tm_year = year - 1900;
  local.tm_mon = month - 1;
  local.tm_mday = day;
  local.tm_hour = hour;
  local.tm_min = minute;
  local.tm_sec = second;
  local.tm_isdst = -1;
  return static_cast<int64_t>(std::mktime(&local)) * 1000 + millis;
}

}  // namespace

TEST(CommTime, MillisecondsFollowTheWallClock) {
  int64_t before = static_cast<int64_t>(std::time(nullptr)) * 1000;
  int64_t now = KyLDCommUtil::getCurrentTimeToMilliSecond();
  int64_t after = (static_cast<int64_t>(std::time(nullptr)) + 1) * 1000;
  EXPECT_GE(now, before);
  EXPECT_LT(now, after);
}

TEST(CommTime, StampIsLocalTimeWithMilliseconds) {
  ScopedTimeZone zone("Asia/Shanghai");
  EXPECT_EQ(KyLDCommUtil::timeStampStr(localMillis(2024, 3, 5, 7, 8, 9, 12)), "20240305070809012");
  EXPECT_EQ(KyLDCommUtil::timeStampStr(0), "19700101080000000");
  EXPECT_EQ(KyLDCommUtil::timeStampStr(-1), "19700101075959999");
  std::string stamp = KyLDCommUtil::getTimeStampStr();
  EXPECT_EQ(stamp.size(), 17u);
  EXPECT_EQ(stamp.find_first_not_of("0123456789"), std::string::npos);
}

TEST(CommGeometry, DistanceAndTruncatedAngle) {
  EXPECT_DOUBLE_EQ(KyLDCommUtil::calc2PointDistance({0, 0}, {3, 4}), 5.0);
  EXPECT_DOUBLE_EQ(KyLDCommUtil::calc2PointDistance({3, 4}, {0, 0}), 5.0);
  struct Case {
    KyPoint p1, p2;
    int32_t degrees;
  };
  const Case cases[] = {
      {{0, 0}, {1, 1}, 45},   {{0, 0}, {0, 5}, 90},   {{0, 0}, {0, -5}, -90}, {{2, 2}, {2, 2}, 0},
      {{0, 0}, {-1, 1}, -45}, {{0, 0}, {10, 1}, 5},   {{0, 0}, {10, -1}, -5}, {{0, 0}, {1, 0}, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KyLDCommUtil::calc2PointAngle(c.p1, c.p2), c.degrees) << c.p2.x << "," << c.p2.y;
  }
}

TEST(CommJson, CompactTextOfNonEmptyObjectsOnly) {
  EXPECT_FALSE(KyLDCommUtil::dict2Json(nullptr));
  KyJsonPtr empty(cJSON_CreateObject());
  EXPECT_FALSE(KyLDCommUtil::dict2Json(empty.get()));

  KyJsonPtr map(cJSON_CreateObject());
  cJSON_AddStringToObject(map.get(), "msg", "人脸");
  cJSON_AddNumberToObject(map.get(), "code", 4);
  EXPECT_EQ(KyLDCommUtil::dict2Json(map.get()), std::optional<std::string>(R"({"msg":"人脸","code":4})"));
}

TEST(CommJson, ParsesContainersAndRejectsTheRest) {
  auto parsed = KyLDCommUtil::json2Dict(R"( {"a": [1, 2], "b": "x"} )");
  ASSERT_TRUE(parsed);
  EXPECT_EQ(cJSON_GetArraySize(cJSON_GetObjectItem(parsed->get(), "a")), 2);
  EXPECT_TRUE(KyLDCommUtil::json2Dict("[1]"));
  for (const std::string& bad : std::vector<std::string>{"", "{", "{} x", "42", std::string("{}\0{}", 5)}) {
    EXPECT_FALSE(KyLDCommUtil::json2Dict(bad)) << bad;
  }
}

TEST(CommBase64, WrappersSkipStrangersAndRefuseMalformedText) {
  EXPECT_EQ(KyLDCommUtil::Base64Encode({'a', 'b'}), "YWI=");
  EXPECT_EQ(KyLDCommUtil::Base64Encode({}), "");
  using Bytes = std::vector<uint8_t>;
  EXPECT_EQ(KyLDCommUtil::Base64Decode("YW\nJj\r\n"), Bytes({'a', 'b', 'c'}));
  EXPECT_EQ(KyLDCommUtil::Base64Decode("Y W I ="), Bytes({'a', 'b'}));
  EXPECT_EQ(KyLDCommUtil::Base64Decode(""), Bytes());
  for (const char* bad : {"YWJ", "YQ==YWJj", "Y===", "===="}) EXPECT_FALSE(KyLDCommUtil::Base64Decode(bad)) << bad;
}

TEST(CommFrames, ImageSharesTheFramePixelsAndRows) {
  std::vector<uint8_t> rows(2 * 24, 7);
  KySampleBuffer frame = KySampleBuffer::copyOf(rows.data(), 5, 2, 24, 99);
  KyImage image = KyLDCommUtil::imageFromSampleBuffer(frame);
  EXPECT_EQ(image.data(), frame.data());
  EXPECT_EQ(image.format, KyPixelFormat::BGRA);
  EXPECT_EQ(image.width, 5);
  EXPECT_EQ(image.height, 2);
  EXPECT_EQ(image.bytesPerRow, 24);
  EXPECT_TRUE(KyLDCommUtil::imageFromSampleBuffer(KySampleBuffer{}).empty());
}

TEST(CommFrames, NoseBandsDeriveFromTheWidth) {
  std::vector<KyPoint> landmarks(68, KyPoint{240, 320});
  EXPECT_TRUE(KyLDCommUtil::faceMiddleInScreen(landmarks, 480, 640));
  landmarks[30] = {240, 430};  // inside the height's band but below 7 w / 8
  EXPECT_FALSE(KyLDCommUtil::faceMiddleInScreen(landmarks, 480, 640));
  EXPECT_FALSE(KyLDCommUtil::faceMiddleInScreen(std::vector<KyPoint>(10), 480, 640));
}
