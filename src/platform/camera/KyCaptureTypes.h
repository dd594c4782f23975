// Values shared by the camera layer: device positions, authorisation, face rectangles and frame reads.
#pragma once

#include <kylivingdetection/KySampleBuffer.h>

#include <cstdint>
#include <string>

// Where a camera faces; the numbers are the platform's enumeration values.
enum class KyCaptureDevicePosition : int { Unspecified = 0, Back = 1, Front = 2 };

// Camera authorisation; the numbers are the platform's status values. This platform answers
// Authorized or Denied (or Restricted when there is no device at all), never NotDetermined.
enum class KyCameraAuthorizationStatus : int { NotDetermined = 0, Restricted = 1, Denied = 2, Authorized = 3 };

// A face found in a frame, in that frame's pixels (origin top-left).
struct KyFaceRect {
  double x = 0;
  double y = 0;
  double width = 0;
  double height = 0;
};

// Shape of the frames a capture source delivers.
struct KyCaptureOptions {
  int32_t width = 480;   // portrait: the source's picture is cropped to width:height and scaled
  int32_t height = 640;
  bool mirrored = true;  // left and right swapped, like a mirror image
  bool paced = true;     // video files: deliver at the file's own frame rate (off: as fast as decoded)
};

// What a source's read answers.
struct KyFrameRead {
  enum class Status { Frame, End, Stopped, Failed };
  Status status = Status::Failed;
  KySampleBuffer frame;  // set with Status::Frame
  std::string error;     // set with Status::Failed

  static KyFrameRead ofFrame(KySampleBuffer frame) { return {Status::Frame, std::move(frame), {}}; }
  static KyFrameRead ofStatus(Status status, std::string error = {}) { return {status, {}, std::move(error)}; }
};
