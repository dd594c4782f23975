#include "ColourJudge.h"

#include <cjson/cJSON.h>

#include <array>
#include <cmath>
#include <memory>
#include <optional>

#include "utils/ImageUtil.h"

namespace {

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

// The flash colours by digit: black, grey, white, magenta, red, yellow, green, cyan, blue.
constexpr ScreenColour kScreenColours[9] = {{0, 0, 0},     {118, 118, 118}, {255, 255, 255},
                                            {255, 0, 255}, {255, 0, 0},     {255, 255, 0},
                                            {0, 255, 0},   {0, 255, 255},   {0, 0, 255}};

constexpr const char* kKeys[8] = {"historySkinRGB",        "historyScreenRGB",     "historyBackgroundRGB1",
                                  "historyBackgroundRGB2", "historySkinLAB",       "historyScreenLAB",
                                  "historyBackgroundLAB1", "historyBackgroundLAB2"};

struct Lab {
  double L = 0, a = 0, b = 0;
};

// What one sequence position contributes: mean skin, mean of the two background corners.
struct Position {
  int digit = 0;
  Lab skin, background;
};

std::optional<std::array<double, 3>> triple(const cJSON* item) {
  if (!cJSON_IsArray(item) || cJSON_GetArraySize(item) != 3) return std::nullopt;
  std::array<double, 3> values{};
  for (int i = 0; i < 3; ++i) {
    const cJSON* v = cJSON_GetArrayItem(item, i);
    if (!cJSON_IsNumber(v) || !std::isfinite(v->valuedouble) || std::fabs(v->valuedouble) > 1000) return std::nullopt;
    values[i] = v->valuedouble;
  }
  return values;
}

Lab labOf(const std::array<double, 3>& t) { return {t[0], t[1], t[2]}; }

std::optional<Lab> meanSkin(const cJSON* cells) {
  if (!cJSON_IsArray(cells) || cJSON_GetArraySize(cells) != 16) return std::nullopt;
  Lab sum;
  for (int k = 0; k < 16; ++k) {
    auto t = triple(cJSON_GetArrayItem(cells, k));
    if (!t) return std::nullopt;
    sum = {sum.L + (*t)[0], sum.a + (*t)[1], sum.b + (*t)[2]};
  }
  return Lab{sum.L / 16, sum.a / 16, sum.b / 16};
}

bool screenMatches(const cJSON* rgb, int digit) {
  auto t = triple(rgb);
  ScreenColour c = kScreenColours[digit];
  return t && (*t)[0] == c.r && (*t)[1] == c.g && (*t)[2] == c.b;
}

// Reads every position; a reason in `failure` when the text does not fit the sequence.
std::vector<Position> readPositions(const cJSON* json, const std::string& colours, std::string& failure) {
  const size_t n = colours.size();
  for (const char* key : kKeys) {
    const cJSON* array = cJSON_GetObjectItemCaseSensitive(json, key);
    if (!cJSON_IsArray(array) || static_cast<size_t>(cJSON_GetArraySize(array)) != n) {
      failure = "colour history has no " + std::to_string(n) + " entries of " + key;
      return {};
    }
  }
  std::vector<Position> positions;
  for (size_t p = 0; p < n; ++p) {
    int index = static_cast<int>(p);
    int digit = colours[p] - '0';
    auto skin = meanSkin(cJSON_GetArrayItem(cJSON_GetObjectItemCaseSensitive(json, "historySkinLAB"), index));
    auto bg1 = triple(cJSON_GetArrayItem(cJSON_GetObjectItemCaseSensitive(json, "historyBackgroundLAB1"), index));
    auto bg2 = triple(cJSON_GetArrayItem(cJSON_GetObjectItemCaseSensitive(json, "historyBackgroundLAB2"), index));
    const cJSON* screen = cJSON_GetArrayItem(cJSON_GetObjectItemCaseSensitive(json, "historyScreenRGB"), index);
    if (!skin || !bg1 || !bg2) {
      failure = "colour history entry " + std::to_string(p + 1) + " is malformed";
      return {};
    }
    if (!screenMatches(screen, digit)) {
      failure = "colour history entry " + std::to_string(p + 1) + " shows another colour than the session's";
      return {};
    }
    Lab b1 = labOf(*bg1), b2 = labOf(*bg2);
    positions.push_back({digit, *skin, {(b1.L + b2.L) / 2, (b1.a + b2.a) / 2, (b1.b + b2.b) / 2}});
  }
  return positions;
}

// Mean skin and background over the black and grey positions.
std::optional<Position> reference(const std::vector<Position>& positions) {
  Position sum;
  int count = 0;
  for (const auto& p : positions) {
    if (p.digit > 1) continue;
    sum.skin = {sum.skin.L + p.skin.L, sum.skin.a + p.skin.a, sum.skin.b + p.skin.b};
    sum.background = {sum.background.L + p.background.L, sum.background.a + p.background.a,
                      sum.background.b + p.background.b};
    ++count;
  }
  if (count == 0) return std::nullopt;
  sum.skin = {sum.skin.L / count, sum.skin.a / count, sum.skin.b / count};
  sum.background = {sum.background.L / count, sum.background.a / count, sum.background.b / count};
  return sum;
}

// The skin follows a chromatic colour when it moves along the colour's (a, b) direction by
// at least minShift, and by at least minShift more than the background does.
bool follows(const Position& p, const Position& ref, const ColourRule& rule) {
  ScreenColour c = kScreenColours[p.digit];
  LabColor lab;
  ImageUtil::RGB2Lab(lab, RGBColor{c.r, c.g, c.b});
  double length = std::hypot(lab.a, lab.b);
  if (length < 1e-6) return false;
  double da = lab.a / length, db = lab.b / length;
  double skinShift = (p.skin.a - ref.skin.a) * da + (p.skin.b - ref.skin.b) * db;
  double backgroundShift = (p.background.a - ref.background.a) * da + (p.background.b - ref.background.b) * db;
  return skinShift >= rule.minShift && skinShift - backgroundShift >= rule.minShift;
}

std::vector<std::string> judgePositions(const std::vector<Position>& positions, const ColourRule& rule) {
  std::vector<std::string> reasons;
  auto ref = reference(positions);
  if (!ref) return {"colour sequence has no black or grey reference position"};
  const Position* black = nullptr;
  const Position* white = nullptr;
  for (const auto& p : positions) {
    if (p.digit == 0 && !black) black = &p;
    if (p.digit == 2 && !white) white = &p;
  }
  if (black && white && white->skin.L - black->skin.L < rule.minBrighten) {
    reasons.push_back("skin does not brighten when the screen turns from black to white");
  }
  int chromatic = 0, following = 0;
  for (const auto& p : positions) {
    if (p.digit < 3) continue;
    ++chromatic;
    following += follows(p, *ref, rule) ? 1 : 0;
  }
  if (chromatic > 0 && following < rule.minFollowingShare * chromatic) {
    reasons.push_back("skin colour follows the screen colour at " + std::to_string(following) + " of " +
                      std::to_string(chromatic) + " colours");
  }
  return reasons;
}

}  // namespace

ScreenColour screenColourOf(int digit) { return kScreenColours[digit < 0 || digit > 8 ? 0 : digit]; }

std::vector<std::string> judgeColourHistory(const std::string& historyJson, const std::string& colours,
                                            const ColourRule& rule) {
  if (colours.empty() || colours.find_first_not_of("012345678") != std::string::npos) {
    return {"session has no valid colour sequence"};
  }
  JsonPtr json(cJSON_ParseWithLength(historyJson.data(), historyJson.size()), cJSON_Delete);
  if (!cJSON_IsObject(json.get())) return {"colour history is not a JSON object"};
  std::string failure;
  auto positions = readPositions(json.get(), colours, failure);
  if (!failure.empty()) return {failure};
  return judgePositions(positions, rule);
}
