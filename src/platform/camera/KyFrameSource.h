// A source of BGRA frames for the capture session: a camera device, a video file or a script.
#pragma once

#include "platform/camera/KyCaptureTypes.h"

#include <string>

class KyFrameSource {
 public:
  virtual ~KyFrameSource() = default;

  // Prepares the source; on failure answers false and sets error to a readable reason.
  virtual bool open(std::string& error) = 0;
  // Blocks until the next frame is due, the source ends, fails or is interrupted.
  virtual KyFrameRead read() = 0;
  // Makes a blocked or later read answer Stopped; may be called from any thread.
  virtual void interrupt() = 0;
  // Short description for messages, e.g. "video file clip.mp4".
  virtual std::string describe() const = 0;
};
