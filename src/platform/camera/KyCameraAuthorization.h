// Camera permission on this platform: whether the camera device can be opened by this process.
//
//   opens                      -> Authorized
//   access refused (EACCES...) -> Denied
//   no camera / no such device -> Restricted (nothing the user could grant)
// NotDetermined is never answered; a request for access therefore answers at once. A host (or a
// test) may fix the answer instead.
#pragma once

#include "platform/camera/KyCaptureDevice.h"

#include <functional>
#include <optional>
#include <string>

class KyCameraAuthorization {
 public:
  // The status for the front camera (the one a session opens), or the host's fixed answer.
  static KyCameraAuthorizationStatus authorizationStatus();
  // Calls back (on the calling thread, before returning) with whether the camera may be used.
  static void requestAccess(const std::function<void(bool granted)>& completion);
  // A fixed answer for authorizationStatus and requestAccess; none returns to asking the device.
  static void setStatusOverride(std::optional<KyCameraAuthorizationStatus> status);

  static KyCameraAuthorizationStatus statusForDevice(const KyCaptureDevice& device);
  // Opens the path as a camera would be opened (read-write for device nodes, read-only otherwise).
  static KyCameraAuthorizationStatus statusForPath(const std::string& path);
  // The status an open() failure with this errno value stands for.
  static KyCameraAuthorizationStatus statusForOpenError(int error);
};
