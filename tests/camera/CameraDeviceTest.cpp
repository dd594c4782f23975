// Camera choice by position, source texts and the permission mapping to the device.
#include "CameraTestSupport.h"
#include "platform/camera/KyCameraAuthorization.h"
#include "platform/camera/KyScriptedFrameSource.h"
#include "utils/KyLDCommUtil.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace {

using Status = KyCameraAuthorizationStatus;

// Restores the machine's own devices and the device-based permission after each test.
class CameraDeviceTest : public ::testing::Test {
 protected:
  void TearDown() override {
    KyCaptureDevices::useSystemDevices();
    KyCameraAuthorization::setStatusOverride(std::nullopt);
  }
  ScratchDirectory dir;
};

TEST_F(CameraDeviceTest, TheLastDeviceAtThePositionIsChosen) {
  KyCaptureDevices::setDevices({KyCaptureDevice::camera(dir.file("video0")),
                                KyCaptureDevice::videoFile(dir.file("back.mp4"), KyCaptureDevicePosition::Back),
                                KyCaptureDevice::camera(dir.file("video2"))});
  struct Case {
    KyCaptureDevicePosition position;
    std::optional<std::string> path;
  };
  const Case cases[] = {
      {KyCaptureDevicePosition::Front, dir.file("video2")},
      {KyCaptureDevicePosition::Back, dir.file("back.mp4")},
      {KyCaptureDevicePosition::Unspecified, std::nullopt},
  };
  for (const Case& c : cases) {
    std::shared_ptr<KyCaptureDevice> device = KyLDCommUtil::getCaptureDevicePosition(c.position);
    ASSERT_EQ(device != nullptr, c.path.has_value()) << static_cast<int>(c.position);
    if (device) {
      EXPECT_EQ(device->path, *c.path);
    }
  }
}

TEST_F(CameraDeviceTest, SourceTextsNameACameraOrAVideoFile) {
  struct Case {
    std::string text;
    std::optional<KyCaptureDevice::Kind> kind;
    std::string path;
  };
  const Case cases[] = {
      {"camera:/dev/video3", KyCaptureDevice::Kind::Camera, "/dev/video3"},
      {"video:/tmp/clip.mp4", KyCaptureDevice::Kind::VideoFile, "/tmp/clip.mp4"},
      {"video:", std::nullopt, ""},
      {"microphone", std::nullopt, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string error;
    std::optional<KyCaptureDevice> device = KyCaptureDevice::fromSourceText(c.text, error);
    ASSERT_EQ(device.has_value(), c.kind.has_value()) << error;
    if (device) {
      EXPECT_EQ(device->kind, *c.kind);
      EXPECT_EQ(device->path, c.path);
      EXPECT_EQ(device->position, KyCaptureDevicePosition::Front);
    } else {
      EXPECT_NE(error.find(c.text), std::string::npos) << error;
    }
  }
}

TEST_F(CameraDeviceTest, OpenErrorsMapToDeniedOrRestricted) {
  const std::pair<int, Status> cases[] = {
      {EACCES, Status::Denied},     {EPERM, Status::Denied},      {EROFS, Status::Denied},
      {ENOENT, Status::Restricted}, {ENODEV, Status::Restricted}, {ENXIO, Status::Restricted},
  };
  for (const auto& [error, status] : cases) EXPECT_EQ(KyCameraAuthorization::statusForOpenError(error), status) << error;
}

// The status of a path as seen by an unprivileged user (root opens everything).
Status statusAsNobody(const std::string& path) {
  if (::geteuid() != 0) return KyCameraAuthorization::statusForPath(path);
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(100);
    ::_exit(static_cast<int>(KyCameraAuthorization::statusForPath(path)));
  }
  int wstatus = 0;
  ::waitpid(child, &wstatus, 0);
  EXPECT_TRUE(WIFEXITED(wstatus));
  EXPECT_NE(WEXITSTATUS(wstatus), 100) << "cannot drop privileges";
  return static_cast<Status>(WEXITSTATUS(wstatus));
}

TEST_F(CameraDeviceTest, PermissionFollowsWhetherTheDeviceOpens) {
  const std::string readable = dir.file("readable");
  const std::string refused = dir.file("refused");
  runCommand("touch '" + readable + "' '" + refused + "' && chmod 644 '" + readable + "' && chmod 000 '" + refused +
             "' && chmod 755 '" + dir.path() + "'");
  EXPECT_EQ(KyCameraAuthorization::statusForPath(readable), Status::Authorized);
  EXPECT_EQ(KyCameraAuthorization::statusForPath(dir.file("absent")), Status::Restricted);
  EXPECT_EQ(statusAsNobody(refused), Status::Denied);
  EXPECT_EQ(KyCameraAuthorization::statusForPath("/dev/null"), Status::Authorized);  // a device node, read-write
}

TEST_F(CameraDeviceTest, TheFrontDeviceDecidesUnlessTheHostFixesTheAnswer) {
  struct Case {
    const char* what;
    std::vector<KyCaptureDevice> devices;
    Status expected;
  };
  const Case cases[] = {
      {"no camera", {}, Status::Restricted},
      {"missing node", {KyCaptureDevice::camera(dir.file("video9"))}, Status::Restricted},
      {"scripted", {KyCaptureDevice::scripted(std::make_shared<KyScriptedFrameSource>())}, Status::Authorized},
      {"back only", {KyCaptureDevice::camera("/dev/null", KyCaptureDevicePosition::Back)}, Status::Restricted},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    KyCaptureDevices::setDevices(c.devices);
    EXPECT_EQ(KyCameraAuthorization::authorizationStatus(), c.expected);
    bool granted = !(c.expected == Status::Authorized);
    KyCameraAuthorization::requestAccess([&](bool answer) { granted = answer; });
    EXPECT_EQ(granted, c.expected == Status::Authorized);
  }
  KyCaptureDevices::setDevices({});
  for (Status fixed : {Status::Authorized, Status::Denied, Status::NotDetermined}) {
    KyCameraAuthorization::setStatusOverride(fixed);
    EXPECT_EQ(KyCameraAuthorization::authorizationStatus(), fixed);
  }
}

}  // namespace
