// One whole detection session run through the public API, as the kyld tool does it: the
// initialisation round trip with a cloud, the session on a window of its own (headless or
// in a desktop window), progress in the terminal, and the outcome with the cloud's verdict.
#pragma once

#include <kylivingdetection/KyLivingDetectResult.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/camera/KyCaptureDevice.h"

class KyLivingDetectionViewController;

struct SessionRunOptions {
  int32_t livingType = 6235;
  KyCaptureDevice device;
  bool window = false;
  std::string cloudUrl;  // empty: a reference cloud on loopback
  bool record = false;
  std::string outDir;    // session video, screenshots and the local cloud's files
  bool progress = true;  // a status line on standard error
  size_t maxScreenshots = 6;
  // Runs on the UI thread a few times a second while the screen is up (a virtual subject
  // follows the screen through it).
  std::function<void(KyLivingDetectionViewController&)> onTick;
};

struct SessionRunOutcome {
  std::optional<KyLivingDetectResult> result;
  std::string verdict;  // the cloud's JSON answer for an uploaded session, else ""
  std::string error;    // why the run ended without a result
  std::vector<std::string> screenshots;
  std::string videoPath;
  int exitStatus() const { return result && error.empty() ? 0 : 1; }
};

SessionRunOutcome runSession(const SessionRunOptions& options);

// The outcome as one JSON line: code, msg, data (shortened), verdict, error and paths.
std::string outcomeJson(const SessionRunOutcome& outcome);
