// The cameras (and stand-ins for a camera) that a capture session can be built on.
//
// By default the list holds the V4L2 capture devices of this machine, all facing the user (Front).
// A host or tool may replace the list, e.g. with a video file or a scripted source in front position.
#pragma once

#include "platform/camera/KyFrameSource.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

struct KyCaptureDevice {
  enum class Kind { Camera, VideoFile, Scripted };

  Kind kind = Kind::Camera;
  std::string path;  // device node or video file
  KyCaptureDevicePosition position = KyCaptureDevicePosition::Front;
  std::shared_ptr<KyFrameSource> scriptedSource;  // Kind::Scripted only

  static KyCaptureDevice camera(std::string devicePath,
                                KyCaptureDevicePosition position = KyCaptureDevicePosition::Front);
  static KyCaptureDevice videoFile(std::string filePath,
                                   KyCaptureDevicePosition position = KyCaptureDevicePosition::Front);
  static KyCaptureDevice scripted(std::shared_ptr<KyFrameSource> source,
                                  KyCaptureDevicePosition position = KyCaptureDevicePosition::Front);
  // "camera" (the first V4L2 capture device), "camera:DEVICE" or "video:FILE"; none (with a reason) otherwise.
  static std::optional<KyCaptureDevice> fromSourceText(const std::string& text, std::string& error);

  // A new source reading this device (the scripted source itself for Kind::Scripted).
  std::shared_ptr<KyFrameSource> makeSource(const KyCaptureOptions& options = {}) const;
  std::string describe() const;
};

class KyCaptureDevices {
 public:
  // The host's list when one is set, else the V4L2 capture devices found now.
  static std::vector<KyCaptureDevice> list();
  // The last listed device at that position; none when there is none.
  static std::optional<KyCaptureDevice> atPosition(KyCaptureDevicePosition position);
  static void setDevices(std::vector<KyCaptureDevice> devices);
  // Back to the devices of this machine.
  static void useSystemDevices();
  // The V4L2 nodes under /dev that capture video, in name order.
  static std::vector<KyCaptureDevice> systemCameras();
  // Best effort for a camera: continuous automatic exposure, then locked focus; each step is skipped
  // silently when the device does not offer it or cannot be opened.
  static void configureForCapture(const KyCaptureDevice& device);
};
