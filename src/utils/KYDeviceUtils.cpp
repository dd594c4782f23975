#include "utils/KYDeviceUtils.h"

#include <kylivingdetection/KyApplicationInfo.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <random>
#include <string_view>
#include <utility>

#include "utils/KYDeviceDataStore.h"

namespace {

// Machine identifiers and the names reported for them; the first equal identifier wins.
constexpr std::pair<std::string_view, std::string_view> kModelTable[] = {
    {"iPhone3,1", "iPhone 4"},
    {"iPhone3,2", "iPhone 4"},
    {"iPhone3,3", "iPhone 4"},
    {"iPhone4,1", "iPhone 4S"},
    {"iPhone5,1", "iPhone 5"},
    {"iPhone5,2", "iPhone 5 (GSM+CDMA)"},
    {"iPhone5,3", "iPhone 5c (GSM)"},
    {"iPhone5,4", "iPhone 5c (GSM+CDMA)"},
    {"iPhone6,1", "iPhone 5s (GSM)"},
    {"iPhone6,2", "iPhone 5s (GSM+CDMA)"},
    {"iPhone7,1", "iPhone 6 Plus"},
    {"iPhone7,2", "iPhone 6"},
    {"iPhone8,1", "iPhone 6s"},
    {"iPhone8,2", "iPhone 6s Plus"},
    {"iPhone8,4", "iPhone SE"},
    {"iPhone9,1", "iPhone 7"},
    {"iPhone9,2", "iPhone 7plus"},
    {"iPhone9,3", "美版、台版iPhone 7"},
    {"iPhone9,4", "美版、台版iPhone 7 Plus"},
    {"iPhone10,1", "iPhone_8"},
    {"iPhone10,4", "iPhone_8"},
    {"iPhone10,2", "iPhone_8_Plus"},
    {"iPhone10,5", "iPhone_8_Plus"},
    {"iPhone10,3", "iPhone_X"},
    {"iPhone10,6", "iPhone_X"},
    {"iPod1,1", "iPod Touch 1G"},
    {"iPod2,1", "iPod Touch 2G"},
    {"iPod3,1", "iPod Touch 3G"},
    {"iPod4,1", "iPod Touch 4G"},
    {"iPod5,1", "iPod Touch (5 Gen)"},
    {"iPad1,1", "iPad"},
    {"iPad1,2", "iPad 3G"},
    {"iPad2,1", "iPad 2 (WiFi)"},
    {"iPad2,2", "iPad 2"},
    {"iPad2,4", "iPad 2"},
    {"iPad2,3", "iPad 2 (CDMA)"},
    {"iPad2,5", "iPad Mini (WiFi)"},
    {"iPad2,6", "iPad Mini"},
    {"iPad2,7", "iPad Mini (GSM+CDMA)"},
    {"iPad3,1", "iPad 3 (WiFi)"},
    {"iPad3,2", "iPad 3 (GSM+CDMA)"},
    {"iPad3,3", "iPad 3"},
    {"iPad3,4", "iPad 4 (WiFi)"},
    {"iPad3,5", "iPad 4"},
    {"iPad3,6", "iPad 4 (GSM+CDMA)"},
    {"iPad4,1", "iPad Air (WiFi)"},
    {"iPad4,2", "iPad Air (Cellular)"},
    {"iPad4,4", "iPad Mini 2 (WiFi)"},
    {"iPad4,5", "iPad Mini 2 (Cellular)"},
    {"iPad4,6", "iPad Mini 2"},
    {"iPad4,7", "iPad Mini 3"},
    {"iPad4,8", "iPad Mini 3"},
    {"iPad4,9", "iPad Mini 3"},
    {"iPad5,1", "iPad Mini 4 (WiFi)"},
    {"iPad5,2", "iPad Mini 4 (LTE)"},
    {"iPad5,3", "iPad Air 2"},
    {"iPad5,4", "iPad Air 2"},
    {"iPad6,3", "iPad Pro 9.7"},
    {"iPad6,4", "iPad Pro 9.7"},
    {"iPad6,7", "iPad Pro 12.9"},
    {"iPad6,8", "iPad Pro 12.9"},
    {"AppleTV2,1", "Apple TV 2"},
    {"AppleTV3,1", "Apple TV 3"},
    {"AppleTV3,2", "Apple TV 3"},
    {"AppleTV5,3", "Apple TV 4"},
    {"i386", "Simulator"},
    {"x86_64", "Simulator"},
};

// A stored identifier is usable when it is non-empty letters and digits; anything else
// (an emptied or damaged item) is treated as no identifier.
bool usableDeviceId(const std::string& id) {
  return !id.empty() && std::all_of(id.begin(), id.end(), [](char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
  });
}

// The TracerPid of /proc/self/status: non-zero while a debugger or tracer is attached.
bool tracerAttached() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("TracerPid:", 0) == 0) return std::strtol(line.c_str() + 10, nullptr, 10) != 0;
  }
  return false;
}

// Libraries forced into every process, through the environment or the system-wide list.
bool librariesPreloaded() {
  const char* preload = std::getenv("LD_PRELOAD");
  if (preload != nullptr && preload[0] != '\0') return true;
  std::ifstream systemList("/etc/ld.so.preload");
  std::string entry;
  return static_cast<bool>(systemList >> entry);
}

// 31 characters, each an uppercase letter, a lowercase letter or a digit (the class drawn
// first, then the character). Drawn from the system's entropy source rather than a clock-
// seeded generator: devices first started in the same second must not share an identity,
// and the identifier that binds tokens to a device must not be guessable from the time.
std::string newDeviceId() {
  std::random_device entropy;
  std::uniform_int_distribution<int> classes(0, 2), letters(0, 25), digits(0, 9);
  std::string id(31, '0');
  for (char& c : id) {
    switch (classes(entropy)) {
      case 0: c = static_cast<char>('A' + letters(entropy)); break;
      case 1: c = static_cast<char>('a' + letters(entropy)); break;
      default: c = static_cast<char>('0' + digits(entropy)); break;
    }
  }
  return id;
}

}  // namespace

std::string KYDeviceUtils::deviceNameForMachine(const std::string& machine) {
  for (const auto& [identifier, name] : kModelTable) {
    if (identifier == machine) return std::string(name);
  }
  return machine;
}

std::string KYDeviceUtils::getDeviceName() {
  utsname names{};
  if (::uname(&names) != 0) return "";
  return deviceNameForMachine(names.machine);
}

std::string KYDeviceUtils::getOsVersion() { return KyLivingGetApplicationInfo().osVersion; }

std::string KYDeviceUtils::getModel() { return KyLivingGetApplicationInfo().model; }

std::string KYDeviceUtils::getAPPName() { return KyLivingGetApplicationInfo().appName; }

std::string KYDeviceUtils::getBundleID() { return KyLivingGetApplicationInfo().bundleId; }

bool KYDeviceUtils::isBreakFlag() { return ::geteuid() == 0 || tracerAttached() || librariesPreloaded(); }

std::string KYDeviceUtils::getDeviceId() {
  // Serialised so that two first calls in one process cannot each store a different identifier.
  static std::mutex creation;
  std::lock_guard<std::mutex> lock(creation);
  std::optional<std::string> stored = KYDeviceDataStore::getDeviceId();
  if (stored && usableDeviceId(*stored)) return *stored;
  std::string id = newDeviceId();
  KYDeviceDataStore::saveDeviceId(id);
  return id;
}
