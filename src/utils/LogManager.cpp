#include "utils/LogManager.h"

#include <kylivingdetection/KyLivingVersion.h>

#include <atomic>
#include <cjson/cJSON.h>
#include <mutex>
#include <optional>

#include "KyProtocolKeys.h"
#include "utils/KYDeviceUtils.h"
#include "utils/KyLDCommUtil.h"
#include "utils/KyLivingAESUtil.h"
#include "utils/KyLivingHttpClient.h"

namespace {

std::atomic<bool> isUpLog{false};

// certifyId is replaced whole under the lock, so a record never sees half of it.
std::mutex certifyIdMutex;
std::optional<std::string> certifyId;

std::optional<std::string> currentCertifyId() {
  std::lock_guard<std::mutex> lock(certifyIdMutex);
  return certifyId;
}

std::vector<uint8_t> bytesOf(const char* text) { return std::vector<uint8_t>(text, text + 16); }

}  // namespace

void LogManager::startUpLog() { isUpLog = true; }

void LogManager::setCertifyId(const std::string& id) {
  std::lock_guard<std::mutex> lock(certifyIdMutex);
  certifyId = id;
}

std::string LogManager::buildLogRecord(const std::string& id, const std::string& text) {
  KyJsonPtr record(cJSON_CreateObject());
  cJSON_AddStringToObject(record.get(), "service", "KyLivingDetection");
  cJSON_AddStringToObject(record.get(), "version", KY_LIVING_SDK_VERSION);
  cJSON_AddStringToObject(record.get(), "platform", "IOS");
  cJSON_AddStringToObject(record.get(), "deviceModel", KYDeviceUtils::getDeviceName().c_str());
  cJSON_AddStringToObject(record.get(), "id", id.c_str());
  cJSON_AddStringToObject(record.get(), "logs", text.c_str());
  cJSON_AddStringToObject(record.get(), "appName", KYDeviceUtils::getAPPName().c_str());
  cJSON_AddStringToObject(record.get(), "currentTime", KyLDCommUtil::getTimeStampStr().c_str());
  return KyLDCommUtil::dict2Json(record.get()).value_or("");
}

void LogManager::upLog(const std::string& text) {
  if (!isUpLog) return;
  std::optional<std::string> id = currentCertifyId();
  if (!id) return;
  std::string record = buildLogRecord(*id, text);
  std::optional<std::vector<uint8_t>> sealed = KyLivingAESUtil::aesCbc128Crypt(
      KyLivingAESUtil::kEncrypt, std::vector<uint8_t>(record.begin(), record.end()), bytesOf(LOG_IV),
      bytesOf(LOG_KEY));
  if (!sealed) return;
  KyLivingHttpClient::requestAsync(KyLDCommUtil::Base64Encode(*sealed));
}
