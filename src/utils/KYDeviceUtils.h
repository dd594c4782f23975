// Facts about the device and the host application, and the persistent device identifier.
// Every operation may be called from any thread and queries afresh; none fails: a missing
// fact is an empty text or the raw platform value.
#pragma once

#include <string>

class KYDeviceUtils {
 public:
  // Marketing name of the machine identifier reported by uname, or the identifier itself.
  static std::string getDeviceName();
  // The model table on its own: "iPhone9,1" gives "iPhone 7"; unknown identifiers come back
  // unchanged.
  static std::string deviceNameForMachine(const std::string& machine);
  // From the application-info record (KyApplicationInfo.h).
  static std::string getOsVersion();
  static std::string getModel();
  static std::string getAPPName();
  static std::string getBundleID();
  // True when the integrity probe finds the process's restrictions removed: it runs with
  // root privileges, a debugger or tracer is attached, or libraries are preloaded into it.
  static bool isBreakFlag();
  // The persistent device identifier: 31 letters and digits, created and stored on first use.
  static std::string getDeviceId();
};
