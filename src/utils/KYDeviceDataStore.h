// The device identifier's storage under its fixed item identifier "KEY_KYVOR_DEVICE_ID".
#pragma once

#include <optional>
#include <string>

class KYDeviceDataStore {
 public:
  // Stores the identifier, replacing any earlier one; the outcome is not reported.
  static void saveDeviceId(const std::string& deviceId);
  static std::optional<std::string> getDeviceId();
  // Deletes the identifier so that the next KYDeviceUtils::getDeviceId creates a new one.
  static void clearDeviceId();
};
