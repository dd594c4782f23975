// A detection screen on a window of its own, fed with scripted frames and landmark lists on
// the test's thread (which also plays the UI thread), with a clock the test moves.
#pragma once

#include <gtest/gtest.h>
#include <kylivingdetection/KyLivingConfig.h>
#include <kylivingdetection/KyLivingDetectResult.h>

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "KyLivingDetectionViewController.h"
#include "detectors/FaceFixture.h"
#include "platform/camera/KyScriptedFrameSource.h"
#include "platform/ui/KyMainLoop.h"
#include "platform/ui/KyNavigationController.h"
#include "platform/ui/KyWindow.h"

class SessionFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Shows a detection screen for the action list: 1 pushed, 2 presented.
  void open(int32_t livingType, int64_t windowSwitchType);

  // One frame with one face (or `faces` faces); each landmark request pops the next scripted
  // list (the last one repeats).
  void frame(size_t faces = 1);
  void script(const LandmarkList& landmarks, int times = 1);
  // Feeds frames until the script runs out.
  void runScript();
  // Runs the UI thread until the callback came or the limit passed.
  bool waitForResult(double seconds = 10);
  void drainUI();

  int64_t clock = 1'000'000;
  int landmarkCalls = 0;
  std::shared_ptr<KyWindow> window;
  std::shared_ptr<KyNavigationController> navigation;
  std::shared_ptr<KyViewController> father;
  std::shared_ptr<KyLivingDetectionViewController> controller;
  std::mutex resultsMutex;
  std::vector<KyLivingDetectResult> results;
  std::vector<bool> resultsOnUIThread;

 private:
  std::deque<LandmarkList> script_;
  std::optional<LandmarkList> last_;
  KySampleBuffer frame_;
};

// Deciphers a passed session's "flatbuffer@..." data into the message's bytes.
std::vector<uint8_t> openVerifyMsg(const std::string& data);
