// The detection screen: runs one liveness session. It owns the camera session, judges every
// camera frame on the frame queue ("videoDataQueue"), drives the colour flash, steps through
// the action list and ends the session with one result for the host's callback.
//
// Threads. Frames and everything they touch run on the frame queue; face rectangles arrive on
// the metadata queue; view changes, closing and the host's callback run on the UI thread; the
// colour-flash driver, the colour sampler and the delivery of a passed session run on the
// shared concurrent queue. Values shared between them are atomics or locked; the detector
// resets that the UI thread asks for wait for a frame under way (LDTComm's frame lock).
#pragma once

#include <kylivingdetection/KyLivingDetectResult.h>
#include <kylivingdetection/KySampleBuffer.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "livingdetect/LDTLandmarks.h"
#include "livingdetect/LDTResult.h"
#include "platform/camera/KyCaptureDevice.h"
#include "platform/camera/KyCaptureTypes.h"
#include "platform/ui/KyGeometry.h"
#include "platform/ui/KyNavigationController.h"
#include "platform/ui/KyViewController.h"

class KyCaptureSession;
class KyDetectionScreen;
class KyMovieWriter;

using KyLivingDetectCallback = std::function<void(const KyLivingDetectResult&)>;

class KyLivingDetectionViewController : public KyViewController, public KyNavigationControllerDelegate {
 public:
  // The landmark lists of the faces in a frame, one per rectangle.
  using LandmarkDetector =
      std::function<std::vector<LandmarkListRef>(const KySampleBuffer& frame, const std::vector<KyFaceRect>& rects)>;
  using Clock = std::function<int64_t()>;

  static std::shared_ptr<KyLivingDetectionViewController> initAndSetFatherView(
      const std::shared_ptr<KyViewController>& fatherViewController);
  ~KyLivingDetectionViewController() override;

  // Frame queue: one camera frame through the pipeline.
  void captureOutput(const KySampleBuffer& frame);
  // Metadata queue: the faces of the latest frame (possibly none).
  void captureOutputMetadata(std::vector<KyFaceRect> faces);

  // UI thread, later: shows a prompt; empty or unchanged text changes nothing.
  void setTitle(const std::string& text);
  void onContinueDetectClick();
  void onExitClick();

  // KyNavigationControllerDelegate.
  void navigationController(KyNavigationController& navigationController,
                            const std::shared_ptr<KyViewController>& shown, bool animated) override;

  // Camera and recording.
  void setUpSession();
  void startRunning();
  void stopRunning();
  void startRecord();
  void stopRecord(std::function<void()> completion);

  int32_t livingType() const { return _livingType; }
  void setLivingType(int32_t livingType) { _livingType = livingType; }
  void setCallback(KyLivingDetectCallback callback) { _callback = std::move(callback); }
  const std::string& token() const { return _token; }
  void setToken(std::string token) { _token = std::move(token); }
  int64_t windowSwitchType() const { return _windowSwitchType; }
  void setWindowSwitchType(int64_t type) { _windowSwitchType = type; }
  int32_t currentProcess() const { return _currentProcess; }
  int32_t captureVideoFPS() const { return _captureVideoFPS; }
  int32_t realTimeResolutionWidth() const { return _realTimeResolutionWidth; }
  int32_t realTimeResolutionHeight() const { return _realTimeResolutionHeight; }
  std::vector<KyFaceRect> currentMetadata() const;

  // The session's public state, for hosts and tools that follow it: the current action
  // (0 before the list is parsed or after it ends), the latest prompt, whether it ended.
  int32_t currentLivingType() const;
  std::string currentPrompt() const;
  bool isFinished() const { return _finished; }
  int32_t livingCount() const { return g_livingCount; }
  // The colour the screen shows behind the preview (the colour flash changes it).
  KyColor screenColor() const;

  // Replaces the landmark wrapper and the session clock; for tests and tools that script frames.
  void setLandmarkDetector(LandmarkDetector detector) { _landmarkDetector = std::move(detector); }
  void setClock(Clock clock) { _clock = std::move(clock); }
  // Replaces the camera the session opens (default: the front camera of the device list).
  void setCaptureDevice(KyCaptureDevice device) { _captureDevice = std::move(device); }
  // Runs when the camera source ends or fails by itself (a video file ran out).
  void setCaptureEndHandler(std::function<void(const std::string& message)> handler);
  KyCaptureSession* session() const { return _session.get(); }

 protected:
  void loadView() override;
  void viewDidLoad() override;

 private:
  KyLivingDetectionViewController() = default;

  // Frame pipeline steps.
  void recordFrame(const KySampleBuffer& frame);
  bool checkTimeout();
  void judgeFrame(const KySampleBuffer& frame, const KyFaceRect& faceRect, int32_t type, int64_t delta,
                  LDTResult& result);
  void storeBestImage(const KySampleBuffer& frame);
  void showFrameResult(const LDTResult& result);
  void stepAction(const KySampleBuffer& frame, const LDTResult& result);
  void parseLivingType();
  void calculatorCaptureFPS();
  int64_t now() const;

  // Colour flash.
  void startColorFlash(const LDTResult& result);
  void runColorFlashDriver(std::vector<std::string> colors);
  void runColorSampler(int64_t t0);
  void postStopColorDetectAndReset();
  static void drainWait(std::atomic<double>& accumulator);

  // Endings.
  void completePassedSession(const KySampleBuffer& frame);
  void deliverPassedSession(KyLivingDetectResult result);
  void closeScreen(const KyLivingDetectResult& result, bool restoreBrightness);
  void deliver(const KyLivingDetectResult& result);
  void endWithResult(KyLivingDetectResult result);
  void setResult(KyLivingDetectResult result);
  std::optional<KyLivingDetectResult> result() const;
  std::shared_ptr<KyLivingDetectionViewController> self();

  std::vector<std::vector<uint8_t>> _bestImgVec;  // frame queue
  KyRect _frame;
  std::shared_ptr<KyDetectionScreen> _screen;  // the views of the screen (UI thread)
  std::atomic<int64_t> _startTime{0};
  std::atomic<bool> _finished{false};
  std::weak_ptr<KyViewController> fatherViewController;
  mutable std::mutex _resultMutex;
  std::optional<KyLivingDetectResult> ldtResult;
  double _screenLightValue = 0.5;
  int32_t g_livingTypeListIndex = -1;  // frame queue
  std::array<int32_t, 4> g_listTypeList{};  // frame queue
  int32_t g_livingCount = 0;
  std::atomic<bool> _stopColorDetect{false};
  std::atomic<bool> _isExsitColorDetect{false};
  int64_t _lastDetectTime = 0;  // frame queue
  std::atomic<double> _addWaitTime1{0};
  std::atomic<double> _addWaitTime2{0};
  std::atomic<bool> _isPauseDetect{false};
  std::unique_ptr<KyMovieWriter> _mediaWriter;
  mutable std::mutex _writerMutex;
  std::string _fileOutPutUrl;
  std::atomic<int32_t> _livingType{0};
  std::atomic<int32_t> _currentProcess{0};
  std::atomic<int32_t> _captureVideoFPS{0};
  std::atomic<int32_t> _realTimeResolutionWidth{0};
  std::atomic<int32_t> _realTimeResolutionHeight{0};
  std::atomic<int32_t> _currentType{0};
  KyLivingDetectCallback _callback;
  std::atomic<bool> _callbackMade{false};
  std::string _token;
  int64_t _windowSwitchType = 1;
  std::unique_ptr<KyCaptureSession> _session;
  std::optional<KyCaptureDevice> _captureDevice;
  std::function<void(const std::string&)> _captureEndHandler;
  mutable std::mutex _metadataMutex;
  std::shared_ptr<const std::vector<KyFaceRect>> _currentMetadata;
  mutable std::mutex _promptMutex;
  std::string _prompt;
  LandmarkDetector _landmarkDetector;
  Clock _clock;
};
