#include "platform/camera/KyCaptureDevice.h"

#include "platform/camera/KyLibavFrameSource.h"
#include "utils/KyLDCommUtil.h"

#include <fcntl.h>
#include <linux/videodev2.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <mutex>

namespace {

struct DeviceListState {
  std::mutex mutex;
  std::optional<std::vector<KyCaptureDevice>> hostDevices;
};

DeviceListState& deviceListState() {
  static DeviceListState state;
  return state;
}

// An open device node, closed on scope exit.
class DeviceHandle {
 public:
  explicit DeviceHandle(const std::string& path) : fd_(::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC)) {}
  ~DeviceHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  DeviceHandle(const DeviceHandle&) = delete;
  DeviceHandle& operator=(const DeviceHandle&) = delete;
  bool isOpen() const { return fd_ >= 0; }
  int fd() const { return fd_; }

 private:
  int fd_;
};

int ioctlRetrying(int fd, unsigned long request, void* argument) {
  int result;
  do {
    result = ::ioctl(fd, request, argument);
  } while (result < 0 && errno == EINTR);
  return result;
}

// True for a node that can be opened and captures video, or that exists but refuses us (so that
// asking for permission answers "denied" rather than "no camera").
bool isCaptureNode(const std::string& path) {
  DeviceHandle device(path);
  if (!device.isOpen()) return errno == EACCES || errno == EPERM;
  v4l2_capability capability{};
  if (ioctlRetrying(device.fd(), VIDIOC_QUERYCAP, &capability) < 0) return false;
  const uint32_t caps =
      (capability.capabilities & V4L2_CAP_DEVICE_CAPS) ? capability.device_caps : capability.capabilities;
  return (caps & V4L2_CAP_VIDEO_CAPTURE) != 0;
}

bool menuOffers(int fd, uint32_t control, int64_t value) {
  v4l2_querymenu item{};
  item.id = control;
  item.index = static_cast<uint32_t>(value);
  return ioctlRetrying(fd, VIDIOC_QUERYMENU, &item) == 0;
}

bool hasControl(int fd, uint32_t control) {
  v4l2_queryctrl query{};
  query.id = control;
  return ioctlRetrying(fd, VIDIOC_QUERYCTRL, &query) == 0 && !(query.flags & V4L2_CTRL_FLAG_DISABLED);
}

void setControl(int fd, uint32_t control, int32_t value) {
  v4l2_control setting{};
  setting.id = control;
  setting.value = value;
  ioctlRetrying(fd, VIDIOC_S_CTRL, &setting);  // refused settings are skipped
}

void setContinuousAutoExposure(int fd) {
  if (!hasControl(fd, V4L2_CID_EXPOSURE_AUTO)) return;
  // USB cameras usually offer aperture priority (automatic exposure time) rather than full auto.
  for (int64_t mode : {int64_t{V4L2_EXPOSURE_AUTO}, int64_t{V4L2_EXPOSURE_APERTURE_PRIORITY}}) {
    if (menuOffers(fd, V4L2_CID_EXPOSURE_AUTO, mode)) {
      setControl(fd, V4L2_CID_EXPOSURE_AUTO, static_cast<int32_t>(mode));
      return;
    }
  }
}

void lockFocus(int fd) {
  if (hasControl(fd, V4L2_CID_FOCUS_AUTO)) setControl(fd, V4L2_CID_FOCUS_AUTO, 0);
}

}  // namespace

KyCaptureDevice KyCaptureDevice::camera(std::string devicePath, KyCaptureDevicePosition position) {
  return {Kind::Camera, std::move(devicePath), position, nullptr};
}

KyCaptureDevice KyCaptureDevice::videoFile(std::string filePath, KyCaptureDevicePosition position) {
  return {Kind::VideoFile, std::move(filePath), position, nullptr};
}

KyCaptureDevice KyCaptureDevice::scripted(std::shared_ptr<KyFrameSource> source, KyCaptureDevicePosition position) {
  return {Kind::Scripted, "", position, std::move(source)};
}

std::optional<KyCaptureDevice> KyCaptureDevice::fromSourceText(const std::string& text, std::string& error) {
  if (text == "camera") {
    std::vector<KyCaptureDevice> cameras = KyCaptureDevices::systemCameras();
    if (cameras.empty()) {
      error = "no camera found (no V4L2 capture device under /dev)";
      return std::nullopt;
    }
    return cameras.front();
  }
  if (text.starts_with("camera:") && text.size() > 7) return camera(text.substr(7));
  if (text.starts_with("video:") && text.size() > 6) return videoFile(text.substr(6));
  error = "unknown source \"" + text + "\" (expected camera, camera:DEVICE or video:FILE)";
  return std::nullopt;
}

std::shared_ptr<KyFrameSource> KyCaptureDevice::makeSource(const KyCaptureOptions& options) const {
  switch (kind) {
    case Kind::Camera:
      return KyLibavFrameSource::cameraDevice(path, options);
    case Kind::VideoFile:
      return KyLibavFrameSource::videoFile(path, options);
    case Kind::Scripted:
      return scriptedSource;
  }
  return nullptr;
}

std::string KyCaptureDevice::describe() const {
  switch (kind) {
    case Kind::Camera:
      return "camera " + path;
    case Kind::VideoFile:
      return "video file " + path;
    case Kind::Scripted:
      return "scripted source";
  }
  return {};
}

std::vector<KyCaptureDevice> KyCaptureDevices::list() {
  {
    DeviceListState& state = deviceListState();
    std::lock_guard lock(state.mutex);
    if (state.hostDevices) return *state.hostDevices;
  }
  return systemCameras();
}

void KyCaptureDevices::setDevices(std::vector<KyCaptureDevice> devices) {
  DeviceListState& state = deviceListState();
  std::lock_guard lock(state.mutex);
  state.hostDevices = std::move(devices);
}

void KyCaptureDevices::useSystemDevices() {
  DeviceListState& state = deviceListState();
  std::lock_guard lock(state.mutex);
  state.hostDevices.reset();
}

std::vector<KyCaptureDevice> KyCaptureDevices::systemCameras() {
  std::vector<std::string> nodes;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/dev", error)) {
    const std::string name = entry.path().filename().string();
    if (name.starts_with("video") && name.size() > 5) nodes.push_back(entry.path().string());
  }
  // Natural order: video2 before video10.
  std::sort(nodes.begin(), nodes.end(), [](const std::string& a, const std::string& b) {
    return a.size() != b.size() ? a.size() < b.size() : a < b;
  });
  std::vector<KyCaptureDevice> cameras;
  for (const std::string& node : nodes) {
    if (isCaptureNode(node)) cameras.push_back(KyCaptureDevice::camera(node));
  }
  return cameras;
}

void KyCaptureDevices::configureForCapture(const KyCaptureDevice& device) {
  if (device.kind != KyCaptureDevice::Kind::Camera) return;
  DeviceHandle handle(device.path);
  if (!handle.isOpen()) return;
  setContinuousAutoExposure(handle.fd());
  lockFocus(handle.fd());
}

std::optional<KyCaptureDevice> KyCaptureDevices::atPosition(KyCaptureDevicePosition position) {
  std::optional<KyCaptureDevice> candidate;
  for (KyCaptureDevice& device : list()) {
    if (device.position == position) candidate = std::move(device);
  }
  return candidate;
}

std::shared_ptr<KyCaptureDevice> KyLDCommUtil::getCaptureDevicePosition(KyCaptureDevicePosition position) {
  std::optional<KyCaptureDevice> candidate = KyCaptureDevices::atPosition(position);
  if (!candidate) return nullptr;
  KyCaptureDevices::configureForCapture(*candidate);
  return std::make_shared<KyCaptureDevice>(std::move(*candidate));
}
