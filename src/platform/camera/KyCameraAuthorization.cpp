#include "platform/camera/KyCameraAuthorization.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace {

// -1 when no answer is fixed, else a status value.
std::atomic<int>& statusOverride() {
  static std::atomic<int> value{-1};
  return value;
}

}  // namespace

KyCameraAuthorizationStatus KyCameraAuthorization::statusForOpenError(int error) {
  switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
      return KyCameraAuthorizationStatus::Denied;
    default:
      return KyCameraAuthorizationStatus::Restricted;
  }
}

KyCameraAuthorizationStatus KyCameraAuthorization::statusForPath(const std::string& path) {
  struct stat info {};
  const bool isDeviceNode = ::stat(path.c_str(), &info) == 0 && S_ISCHR(info.st_mode);
  const int flags = (isDeviceNode ? O_RDWR | O_NONBLOCK : O_RDONLY) | O_CLOEXEC;
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) return statusForOpenError(errno);
  ::close(fd);
  return KyCameraAuthorizationStatus::Authorized;
}

KyCameraAuthorizationStatus KyCameraAuthorization::statusForDevice(const KyCaptureDevice& device) {
  if (device.kind == KyCaptureDevice::Kind::Scripted) return KyCameraAuthorizationStatus::Authorized;
  return statusForPath(device.path);
}

KyCameraAuthorizationStatus KyCameraAuthorization::authorizationStatus() {
  const int fixed = statusOverride().load();
  if (fixed >= 0) return static_cast<KyCameraAuthorizationStatus>(fixed);
  std::optional<KyCaptureDevice> camera = KyCaptureDevices::atPosition(KyCaptureDevicePosition::Front);
  return camera ? statusForDevice(*camera) : KyCameraAuthorizationStatus::Restricted;
}

void KyCameraAuthorization::requestAccess(const std::function<void(bool granted)>& completion) {
  const bool granted = authorizationStatus() == KyCameraAuthorizationStatus::Authorized;
  if (completion) completion(granted);
}

void KyCameraAuthorization::setStatusOverride(std::optional<KyCameraAuthorizationStatus> status) {
  statusOverride() = status ? static_cast<int>(*status) : -1;
}
