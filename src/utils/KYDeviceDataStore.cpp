#include "utils/KYDeviceDataStore.h"

#include "utils/KeyChainManager.h"

namespace {
constexpr const char* kDeviceIdItem = "KEY_KYVOR_DEVICE_ID";
}

void KYDeviceDataStore::saveDeviceId(const std::string& deviceId) {
  KeyChainManager::keyChainSaveData(deviceId, kDeviceIdItem);
}

std::optional<std::string> KYDeviceDataStore::getDeviceId() { return KeyChainManager::keyChainReadData(kDeviceIdItem); }

void KYDeviceDataStore::clearDeviceId() { KeyChainManager::keyChainDelete(kDeviceIdItem); }
