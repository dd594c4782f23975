#include "SessionIssuer.h"

#include <cjson/cJSON.h>

#include <cctype>
#include <memory>

#include "CloudCodec.h"

namespace {

using JsonPtr = std::unique_ptr<cJSON, decltype(&cJSON_Delete)>;

constexpr size_t kMaxTextMember = 256;

struct InitFacts {
  int typeIndex = 0;
  std::string deviceId;
  int64_t livingType = 0;
  std::vector<uint8_t> devicePoint;
};

bool isShortString(const cJSON* item) {
  return cJSON_IsString(item) && std::string(item->valuestring).size() <= kMaxTextMember;
}

bool allOf(const std::string& text, int (*predicate)(int)) {
  for (unsigned char c : text) {
    if (!predicate(c)) return false;
  }
  return true;
}

int isLowerHex(int c) { return std::isdigit(c) || (c >= 'a' && c <= 'f'); }

std::optional<std::vector<uint8_t>> hexBytes(const std::string& hex) {
  if (hex.size() % 2 != 0 || !allOf(hex, isLowerHex)) return std::nullopt;
  std::vector<uint8_t> bytes;
  for (size_t i = 0; i < hex.size(); i += 2) bytes.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
  return bytes;
}

// Splits "@IOS,2,8,0,DEFAULT@<base64>" into the type index and the ciphertext.
std::optional<std::pair<int, std::vector<uint8_t>>> readFrame(const std::string& message) {
  if (message.size() < 2 || message[0] != '@') return std::nullopt;
  size_t at = message.find('@', 1);
  size_t comma = message.rfind(',', at);
  if (at == std::string::npos || comma == std::string::npos || comma == 0) return std::nullopt;
  auto type = CloudKeys::typeIndex(message.substr(comma + 1, at - comma - 1));
  auto cipher = strictBase64Decode(message.substr(at + 1));
  if (!type || !cipher) return std::nullopt;
  return std::make_pair(*type, std::move(*cipher));
}

// Checks every member of the facts and their types; nothing when one is missing or wrong.
std::optional<InitFacts> readFacts(const cJSON* json, int typeIndex) {
  for (const char* name : {"sdkVersion", "osVersion", "deviceModel", "appName", "platform", "bundleId"}) {
    if (!isShortString(cJSON_GetObjectItemCaseSensitive(json, name))) return std::nullopt;
  }
  const cJSON* isRoot = cJSON_GetObjectItemCaseSensitive(json, "isRoot");
  const cJSON* deviceId = cJSON_GetObjectItemCaseSensitive(json, "deviceId");
  const cJSON* livingType = cJSON_GetObjectItemCaseSensitive(json, "livingType");
  const cJSON* strict = cJSON_GetObjectItemCaseSensitive(json, "useStrictMode");
  const cJSON* keyType = cJSON_GetObjectItemCaseSensitive(json, "eccPubKeyType");
  const cJSON* otPK = cJSON_GetObjectItemCaseSensitive(json, "otPK");
  if (!cJSON_IsBool(isRoot) || !isShortString(deviceId) || !cJSON_IsNumber(livingType) || !cJSON_IsNumber(strict) ||
      !cJSON_IsString(keyType) || !cJSON_IsString(otPK)) {
    return std::nullopt;
  }
  std::string device = deviceId->valuestring;
  bool deviceOk = !device.empty() && device.size() <= 64 && allOf(device, std::isalnum);
  bool strictOk = strict->valuedouble == 0 || strict->valuedouble == 1;
  bool typeOk = std::string(keyType->valuestring) == CloudKeys::typeName(typeIndex);
  bool livingOk = livingType->valuedouble >= 0 && livingType->valuedouble < 1e9 &&
                  livingType->valuedouble == static_cast<double>(static_cast<int64_t>(livingType->valuedouble));
  auto point = hexBytes(otPK->valuestring);
  if (!deviceOk || !strictOk || !typeOk || !livingOk || !point || point->size() != 65) return std::nullopt;
  return InitFacts{typeIndex, device, static_cast<int64_t>(livingType->valuedouble), std::move(*point)};
}

}  // namespace

bool SessionIssuer::validActions(int64_t actions) {
  if (actions <= 0 || actions > 9999) return false;
  for (; actions > 0; actions /= 10) {
    int64_t digit = actions % 10;
    if (digit < 1 || digit > 6) return false;
  }
  return true;
}

std::string SessionIssuer::randomColourSequence() {
  std::string colours = "012";
  size_t chromatic = 3 + randomBelow(3);
  while (colours.size() < 3 + chromatic) {
    char next = static_cast<char>('3' + randomBelow(6));
    if (next != colours.back()) colours += next;
  }
  return colours;
}

InitReading SessionIssuer::issue(const std::string& initMessage, int64_t now) const {
  InitReading reading;
  auto frame = readFrame(initMessage);
  if (!frame) return reading;
  auto clear = decipher(keys_.fixedKey(frame->first), keys_.fixedIv(), frame->second);
  if (!clear) return reading;
  JsonPtr json(cJSON_ParseWithLength(reinterpret_cast<const char*>(clear->data()), clear->size()), cJSON_Delete);
  auto facts = json ? readFacts(json.get(), frame->first) : std::nullopt;
  if (!facts) return reading;
  reading.deviceId = facts->deviceId;
  auto shareKey = keys_.deriveShareKey(facts->typeIndex, facts->devicePoint);
  if (!shareKey) return reading;

  CloudSession session;
  session.sessionId = randomAlphanumeric(24);
  session.shareKey = *shareKey;
  session.deviceDigest = md5Hex(facts->deviceId);
  session.actions = validActions(facts->livingType) ? facts->livingType : policy_.defaultActions;
  session.colours = randomColourSequence();
  session.createdAt = now;
  session.expiresAt = now + policy_.tokenLifetime;
  session.state = "issued";
  std::string clearToken = std::to_string(session.actions) + "_" + session.deviceDigest + "_" +
                           std::to_string(session.expiresAt) + "_" + session.sessionId + "_" +
                           std::to_string(session.colours.size()) + "&" + session.colours;
  session.token = base64Text(encipher(session.shareKey, keys_.fixedIv(), clearToken));
  reading.session = std::move(session);
  return reading;
}
