// Facts about the host application that the library reports to the verification cloud.
// The host may set them once at start-up; until then Linux defaults apply.
#pragma once

#include <string>

struct KyApplicationInfo {
  std::string appName;    // default: the name of the running executable
  std::string bundleId;   // default: empty (Linux has no bundle identifier)
  std::string osVersion;  // default: VERSION_ID of /etc/os-release, else the kernel release
  std::string model;      // default: the operating system's name from uname ("Linux")
};

// Replaces the record; later reads see the new values. Thread-safe.
void KyLivingSetApplicationInfo(const KyApplicationInfo& info);
// The record in force: the host's, or the defaults.
KyApplicationInfo KyLivingGetApplicationInfo();
