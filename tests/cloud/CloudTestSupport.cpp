#include "CloudTestSupport.h"

#include <cjson/cJSON.h>
#include <png.h>
#include <pwd.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <mutex>
#include <random>

#include "ColourJudge.h"
#include "utils/CodecUtil.h"
#include "utils/ImageUtil.h"

namespace fs = std::filesystem;

ScratchDir::ScratchDir() {
  std::string pattern = (fs::temp_directory_path() / "kyld-cloud-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchDir::~ScratchDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

std::string devKeysDir() { return KYLD_SOURCE_DIR "/keys/dev"; }
std::string devCertFile() { return KYLD_CLOUD_DEV_CERT; }
std::string devKeyFile() { return KYLD_CLOUD_DEV_KEY; }

// ---- PostgreSQL ----------------------------------------------------------------------------

namespace {

struct PostgresState {
  std::mutex mutex;
  bool tried = false;
  std::optional<std::string> url;
  fs::path dir, bin;
  std::string asUser;  // "runuser -u postgres -- " when running as root
};

PostgresState& postgres() {
  static PostgresState state;
  return state;
}

std::optional<fs::path> postgresBinDir() {
  std::optional<fs::path> best;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator("/usr/lib/postgresql", ec)) {
    fs::path bin = entry.path() / "bin";
    if (fs::exists(bin / "initdb") && fs::exists(bin / "pg_ctl") && (!best || bin > *best)) best = bin;
  }
  return best;
}

bool run(const std::string& command) { return std::system((command + " >/dev/null 2>&1").c_str()) == 0; }

std::optional<std::string> startPostgres(PostgresState& s) {
  auto bin = postgresBinDir();
  if (!bin) return std::nullopt;
  char pattern[] = "/tmp/kyld-pg-XXXXXX";
  if (!mkdtemp(pattern)) return std::nullopt;
  s.dir = pattern;
  s.bin = *bin;
  if (geteuid() == 0) {  // the server refuses to run as root
    const passwd* user = getpwnam("postgres");
    if (!user || chown(pattern, user->pw_uid, user->pw_gid) != 0) return std::nullopt;
    s.asUser = "runuser -u postgres -- ";
  }
  std::string data = (s.dir / "data").string();
  int port = 20000 + static_cast<int>(getpid() % 20000);
  if (!run(s.asUser + (s.bin / "initdb").string() + " -D " + data + " -A trust -U postgres --no-sync -E UTF8")) {
    return std::nullopt;
  }
  std::string options = "-k " + s.dir.string() + " -c listen_addresses='' -p " + std::to_string(port) +
                        " -c fsync=off -c synchronous_commit=off";
  if (!run(s.asUser + (s.bin / "pg_ctl").string() + " -D " + data + " -o \"" + options + "\" -l " +
           (s.dir / "log").string() + " -w start")) {
    return std::nullopt;
  }
  std::atexit(ThrowawayPostgres::shutdown);
  return "postgresql:///postgres?host=" + s.dir.string() + "&port=" + std::to_string(port) + "&user=postgres";
}

}  // namespace

std::optional<std::string> ThrowawayPostgres::url() {
  PostgresState& s = postgres();
  std::lock_guard lock(s.mutex);
  if (!s.tried) {
    s.tried = true;
    s.url = startPostgres(s);
  }
  return s.url;
}

void ThrowawayPostgres::shutdown() {
  PostgresState& s = postgres();
  std::lock_guard lock(s.mutex);
  if (s.dir.empty()) return;
  run(s.asUser + (s.bin / "pg_ctl").string() + " -D " + (s.dir / "data").string() + " -m immediate stop");
  std::error_code ignored;
  fs::remove_all(s.dir, ignored);
  s.dir.clear();
}

// ---- Evidence images ------------------------------------------------------------------------

namespace {

const char* const kPortraitPng = "/usr/lib/python3/dist-packages/skimage/data/astronaut.png";

struct Rgb {
  int width = 0, height = 0;
  std::vector<uint8_t> bytes;
};

std::optional<Rgb> readPng(const char* path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path)) return std::nullopt;
  image.format = PNG_FORMAT_RGB;
  Rgb rgb{static_cast<int>(image.width), static_cast<int>(image.height), std::vector<uint8_t>(PNG_IMAGE_SIZE(image))};
  if (!png_image_finish_read(&image, nullptr, rgb.bytes.data(), 0, nullptr)) return std::nullopt;
  return rgb;
}

// Copies `src` scaled by `scale` into rows [top, top + rows) of `dst`, nearest neighbour,
// starting at source pixel (offsetX, offsetY) of the scaled image.
void paste(const Rgb& src, Rgb& dst, double scale, int offsetX, int offsetY, int top, int rows) {
  for (int y = top; y < top + rows && y < dst.height; ++y) {
    for (int x = 0; x < dst.width; ++x) {
      int sx = std::min(src.width - 1, static_cast<int>((x + offsetX) / scale));
      int sy = std::min(src.height - 1, static_cast<int>((y - top + offsetY) / scale));
      for (int c = 0; c < 3; ++c) dst.bytes[(y * dst.width + x) * 3 + c] = src.bytes[(sy * src.width + sx) * 3 + c];
    }
  }
}

std::vector<uint8_t> encode(const Rgb& rgb) {
  uint8_t* jpeg = nullptr;
  uint64_t length = ImageUtil::rgb2jpg(rgb.bytes.data(), rgb.width, rgb.height, jpeg);
  if (jpeg == nullptr || length == UINT64_MAX) throw std::runtime_error("JPEG encoding failed");
  std::vector<uint8_t> bytes(jpeg, jpeg + length);
  mFree(jpeg);
  return bytes;
}

Rgb frame(int width = 480, int height = 640) {
  return {width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3, 128)};
}

}  // namespace

std::optional<std::vector<uint8_t>> portraitJpeg() {
  auto photo = readPng(kPortraitPng);
  if (!photo) return std::nullopt;
  Rgb out = frame();
  double scale = 640.0 / photo->height;
  paste(*photo, out, scale, static_cast<int>((photo->width * scale - 480) / 2), 0, 0, 640);
  return encode(out);
}

std::optional<std::vector<uint8_t>> twoPortraitsJpeg() {
  auto photo = readPng(kPortraitPng);
  if (!photo) return std::nullopt;
  Rgb out = frame();
  double scale = 480.0 / photo->width;
  paste(*photo, out, scale, 0, 0, 0, 320);
  paste(*photo, out, scale, 0, 0, 320, 320);
  return encode(out);
}

std::vector<uint8_t> blankJpeg(int width, int height) { return encode(frame(width, height)); }

// ---- Colour histories -----------------------------------------------------------------------

namespace {

struct Lab3 {
  double L, a, b;
};

cJSON* triple(double x, double y, double z) {
  double values[3] = {x, y, z};
  return cJSON_CreateDoubleArray(values, 3);
}

cJSON* rgbOf(const Lab3& lab) {
  RGBColor rgb;
  ImageUtil::Lab2RGB(rgb, LabColor{static_cast<float>(lab.L), static_cast<float>(lab.a), static_cast<float>(lab.b)});
  return triple(rgb.r, rgb.g, rgb.b);
}

// The unit (a, b) direction of a screen colour, zero for the grey colours.
std::pair<double, double> directionOf(int digit) {
  ScreenColour c = screenColourOf(digit);
  LabColor lab;
  ImageUtil::RGB2Lab(lab, RGBColor{c.r, c.g, c.b});
  double length = std::hypot(lab.a, lab.b);
  if (digit < 3 || length < 1e-6) return {0, 0};
  return {lab.a / length, lab.b / length};
}

}  // namespace

std::string colourHistory(const std::string& colours, Reaction reaction) {
  const double shift = 5.0;
  cJSON* arrays[8];
  for (auto& a : arrays) a = cJSON_CreateArray();
  for (char ch : colours) {
    int digit = ch - '0';
    auto [da, db] = directionOf(digit);
    double skinShift = reaction == Reaction::None ? 0 : shift;
    double backgroundShift = reaction == Reaction::WholeScene ? shift : 0;
    double L = digit == 0 ? 40 : digit == 2 ? 70 : 55;
    Lab3 skin{reaction == Reaction::None ? 55 : L, 14 + skinShift * da, 18 + skinShift * db};
    Lab3 bg1{digit == 2 ? 18.0 : 17.0, -0.1 + backgroundShift * da, -2.3 + backgroundShift * db};
    Lab3 bg2{77, 0.2 + backgroundShift * da, 11 + backgroundShift * db};
    ScreenColour screen = screenColourOf(digit);
    LabColor screenLab;
    ImageUtil::RGB2Lab(screenLab, RGBColor{screen.r, screen.g, screen.b});
    cJSON* skinRgb = cJSON_CreateArray();
    cJSON* skinLab = cJSON_CreateArray();
    for (int k = 0; k < 16; ++k) {
      cJSON_AddItemToArray(skinRgb, rgbOf(skin));
      cJSON_AddItemToArray(skinLab, triple(skin.L, skin.a, skin.b));
    }
    cJSON_AddItemToArray(arrays[0], skinRgb);
    cJSON_AddItemToArray(arrays[1], triple(screen.r, screen.g, screen.b));
    cJSON_AddItemToArray(arrays[2], rgbOf(bg1));
    cJSON_AddItemToArray(arrays[3], rgbOf(bg2));
    cJSON_AddItemToArray(arrays[4], skinLab);
    cJSON_AddItemToArray(arrays[5], triple(screenLab.L, screenLab.a, screenLab.b));
    cJSON_AddItemToArray(arrays[6], triple(bg1.L, bg1.a, bg1.b));
    cJSON_AddItemToArray(arrays[7], triple(bg2.L, bg2.a, bg2.b));
  }
  const char* keys[8] = {"historySkinRGB",        "historyScreenRGB",     "historyBackgroundRGB1",
                         "historyBackgroundRGB2", "historySkinLAB",       "historyScreenLAB",
                         "historyBackgroundLAB1", "historyBackgroundLAB2"};
  cJSON* object = cJSON_CreateObject();
  for (int i = 0; i < 8; ++i) cJSON_AddItemToObject(object, keys[i], arrays[i]);
  char* text = cJSON_PrintUnformatted(object);
  std::string json = text;
  cJSON_free(text);
  cJSON_Delete(object);
  return json;
}

// ---- Service harness ------------------------------------------------------------------------

ServiceHarness::ServiceHarness(const std::string& dbUrl, CloudSettings settings)
    : store(std::make_unique<CloudStore>(openSqlConnection(dbUrl))) {
  service = std::make_unique<CloudService>(
      CloudKeys::load(devKeysDir()), *store, settings, [this] { return now; },
      [this](const std::string& line) {
        std::lock_guard lock(logMutex);
        logLines.push_back(line);
      });
}

std::string memberOf(const std::string& json, const std::string& name) {
  cJSON* object = cJSON_Parse(json.c_str());
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name.c_str());
  std::string value = cJSON_IsString(item) ? item->valuestring : "";
  cJSON_Delete(object);
  return value;
}

std::string codeOf(const std::string& json) { return memberOf(json, "code"); }
