#include <kylivingdetection/KyApplicationInfo.h>

#include <sys/utsname.h>

#include <cerrno>
#include <fstream>
#include <mutex>
#include <optional>

namespace {

std::mutex infoMutex;
std::optional<KyApplicationInfo> hostInfo;

// VERSION_ID of /etc/os-release without its quotes; empty when absent.
std::string osReleaseVersion() {
  std::ifstream file("/etc/os-release");
  std::string line;
  while (std::getline(file, line)) {
    if (line.rfind("VERSION_ID=", 0) != 0) continue;
    std::string value = line.substr(11);
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
      value = value.substr(1, value.size() - 2);
    }
    return value;
  }
  return "";
}

KyApplicationInfo linuxDefaults() {
  KyApplicationInfo info;
  info.appName = program_invocation_short_name;
  utsname names{};
  bool haveNames = ::uname(&names) == 0;
  info.osVersion = osReleaseVersion();
  if (info.osVersion.empty() && haveNames) info.osVersion = names.release;
  if (haveNames) info.model = names.sysname;
  return info;
}

}  // namespace

void KyLivingSetApplicationInfo(const KyApplicationInfo& info) {
  std::lock_guard<std::mutex> lock(infoMutex);
  hostInfo = info;
}

KyApplicationInfo KyLivingGetApplicationInfo() {
  {
    std::lock_guard<std::mutex> lock(infoMutex);
    if (hostInfo) return *hostInfo;
  }
  static const KyApplicationInfo defaults = linuxDefaults();  // facts that do not change while running
  return defaults;
}
