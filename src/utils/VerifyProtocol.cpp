#include "utils/VerifyProtocol.h"

#include <cjson/cJSON.h>
#include <kylivingdetection/KyLivingConfig.h>
#include <kylivingdetection/KyLivingVersion.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "livingdetect/LDTColorfulDetection.h"
#include "utils/AesCipher.h"
#include "utils/CodecUtil.h"
#include "utils/CryptKeyType.h"
#include "utils/EccKeyAgreement.h"
#include "utils/KYDeviceUtils.h"
#include "utils/LDTLog.h"
#include "utils/MbedtlsContext.h"
#include "utils/TimeUtil.h"

namespace {

// Buffers of the codec helpers, released with mFree.
struct MFreeDeleter {
  void operator()(void* buffer) const { mFree(buffer); }
};
template <typename T>
using MBuffer = std::unique_ptr<T, MFreeDeleter>;

struct CJsonDeleter {
  void operator()(cJSON* json) const { cJSON_Delete(json); }
  void operator()(char* text) const { cJSON_free(text); }
};

constexpr size_t kMaxTokenFields = 16;
// The colourful detector keeps history for at most this many flash colours.
constexpr size_t kMaxColorDigits = 10;

KyLivingDetectResult failure(int32_t code, const char* msg, std::string data = "") {
  return KyLivingDetectResult::initWithCode(code, msg, std::move(data));
}

// The clear initialisation message up to and including "eccPubKeyType".
std::unique_ptr<cJSON, CJsonDeleter> initMessageFacts(int32_t livingType) {
  KyLivingConfig* config = KyLivingConfig::shareInstance();
  std::unique_ptr<cJSON, CJsonDeleter> json(cJSON_CreateObject());
  cJSON_AddStringToObject(json.get(), "sdkVersion", KY_LIVING_SDK_VERSION);
  cJSON_AddStringToObject(json.get(), "osVersion", KYDeviceUtils::getOsVersion().c_str());
  cJSON_AddStringToObject(json.get(), "deviceModel", KYDeviceUtils::getDeviceName().c_str());
  cJSON_AddStringToObject(json.get(), "appName", KYDeviceUtils::getAPPName().c_str());
  cJSON_AddStringToObject(json.get(), "platform", "IOS");
  cJSON_AddStringToObject(json.get(), "bundleId", KYDeviceUtils::getBundleID().c_str());
  cJSON_AddBoolToObject(json.get(), "isRoot", KYDeviceUtils::isBreakFlag());
  cJSON_AddStringToObject(json.get(), "deviceId", KYDeviceUtils::getDeviceId().c_str());
  cJSON_AddNumberToObject(json.get(), "livingType", livingType);
  cJSON_AddNumberToObject(json.get(), "useStrictMode", config->GetUseStrictMode() ? 1 : 0);
  cJSON_AddStringToObject(json.get(), "eccPubKeyType", cryptKeyTypeName(config->GetKyCryptKeyType()));
  return json;
}

// The steps of verifyInit after the facts are gathered; `d` and `Q` are released by the caller.
KyLivingDetectResult buildInitMessage(cJSON* json, int32_t livingType, mbedtls_mpi* d, mbedtls_ecp_point* Q) {
  if (genEccKeyPair(d, Q) != 0) return failure(KLD_EXCEPTION, "ECC密钥生成错误");
  if (std::optional<int32_t> digit = KyVerifyProtocol::unsupportedAction(livingType)) {
    char msg[64];
    std::snprintf(msg, sizeof msg, "不支持的检测类型 %d", *digit);
    return failure(KLD_UNSUPPORT, msg);
  }
  uint8_t* privateBytes = nullptr;
  int privateLength = getEccPrivKey(d, &privateBytes);
  mFree(privateBytes);  // exported only to prove the key is usable
  if (privateLength <= 0) return failure(KLD_EXCEPTION, "获取ECC私钥异常");

  uint8_t* publicBytes = nullptr;
  if (getEccPubKey(Q, &publicBytes) != kEccPubKeyLength) return failure(KLD_EXCEPTION, "获取ECC公钥异常");
  MBuffer<char> publicHex(hexEncode(publicBytes, kEccPubKeyLength));
  mFree(publicBytes);
  if (publicHex == nullptr) return failure(KLD_EXCEPTION, "获取ECC公钥异常");
  cJSON_AddStringToObject(json, "otPK", publicHex.get());

  std::unique_ptr<char, CJsonDeleter> printed(cJSON_PrintUnformatted(json));
  if (printed == nullptr) return failure(KLD_EXCEPTION, "JSON数据序列化失败");
  char* enciphered = nullptr;
  if (aesEncryption(printed.get(), kAesKeyFixed, &enciphered) != 0) return failure(KLD_EXCEPTION, "JAES加密失败");
  MBuffer<char> message(enciphered);

  int rootIndex = rootIndexForCryptKeyType(KyLivingConfig::shareInstance()->GetKyCryptKeyType());
  if (updateShareKey(d, rootIndex) != 0) return failure(KLD_EXCEPTION, "更新密钥失败");
  return KyLivingDetectResult::initWithCode(KLD_SUCCESS, "初始化成功", message.get());
}

void logVerifyEntry(int line, const char* format, const char* text) {
  LDTLogWrite(KyLivingLogLevel::Debug, "verifyEntry", line, format, text);
}

// Hands the digits after "&" in the token's colour field to the colourful detector; a field
// without exactly one "&" leaves the detector's setting as it was.
void applyColorSetting(char* colorField) {
  // A field has at most as many parts as it has characters.
  std::vector<char*> parts(std::strlen(colorField) + 1);
  int count = 0;
  if (strSplit(colorField, "&", parts.data(), &count) != 0 || count != 2) return;
  const char* digits = parts[1];
  size_t length = std::strlen(digits);
  if (length > kMaxColorDigits || std::strspn(digits, "0123456789") != length) {
    LDTLogWrite(KyLivingLogLevel::Warning, "verifyEntry", __LINE__, "colour setting ignored: %s", digits);
    return;
  }
  // The one place where a token reaches the colourful detector.
  LDTColorfulDetection::shareInstance()->initColorSetting(digits);
}

std::string md5Hex(const std::string& text) {
  MBuffer<uint8_t> digest(md5sum(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
  if (digest == nullptr) return "";
  MBuffer<char> hex(hexEncode(digest.get(), 16));
  return hex ? std::string(hex.get()) : "";
}

}  // namespace

std::optional<int32_t> KyVerifyProtocol::unsupportedAction(int32_t livingType) {
  const int32_t digits[] = {livingType / 1000, livingType % 1000 / 100, livingType % 100 / 10, livingType % 10};
  bool actionSeen = false;
  for (int32_t digit : digits) {
    if (digit == 0) {
      if (actionSeen) return 0;
      continue;
    }
    if (digit < 1 || digit > 6) return digit;
    actionSeen = true;
  }
  return std::nullopt;
}

KyLivingDetectResult KyVerifyProtocol::verifyInit(int32_t livingType) {
  TimeUtil timer;
  std::unique_ptr<cJSON, CJsonDeleter> json = initMessageFacts(livingType);
  MbedtlsMpi d;
  MbedtlsEcpPoint Q;
  KyLivingDetectResult result = json ? buildInitMessage(json.get(), livingType, d.get(), Q.get())
                                     : failure(KLD_EXCEPTION, "JSON数据序列化失败");
  timer.timeErapsed("认证初始化耗时");
  return result;
}

KyTokenCheck KyVerifyProtocol::checkToken(const char* token) {
  return checkToken(token, static_cast<int64_t>(std::time(nullptr)));
}

KyTokenCheck KyVerifyProtocol::checkToken(const char* token, int64_t nowSeconds) {
  if (token == nullptr) return {failure(KLD_PARAME_ERROR, "token is nil")};
  uint8_t* plain = nullptr;
  int plainLength = aesDecryption(token, kAesKeyShared, &plain);
  MBuffer<char> clear(reinterpret_cast<char*>(plain));
  if (plainLength <= 0) return {failure(KLD_PARAME_ERROR, "TOKEN解密失败", token)};

  // strSplit has no bound of its own: give it room for every possible field, read 16.
  std::vector<char*> fields(static_cast<size_t>(plainLength) + 1);
  int count = 0;
  if (strSplit(clear.get(), "_", fields.data(), &count) != 0 || count < 4) {
    return {failure(KLD_PARAME_ERROR, "TOKEN数据格式不正确")};
  }
  count = std::min<int>(count, kMaxTokenFields);
  logVerifyEntry(__LINE__, "DEICEID : %s", fields[1]);
  if (count >= 5) applyColorSetting(fields[4]);

  int64_t livingType = std::strtoll(fields[0], nullptr, 10);
  if (md5Hex(KYDeviceUtils::getDeviceId()) != fields[1]) {
    logVerifyEntry(__LINE__, "%s", ">>>>>>deviceid验证失败");
    return {failure(KLD_PARAME_ERROR, "deviceid验证失败", token)};
  }
  int64_t expiry = std::strtoll(fields[2], nullptr, 10);
  if (nowSeconds > expiry) {
    logVerifyEntry(__LINE__, "%s", ">>>>>token过期");
    return {failure(KLD_PARAME_ERROR, "token过期", token)};
  }
  return {std::nullopt, livingType};
}
