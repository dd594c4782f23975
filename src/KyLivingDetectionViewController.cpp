#include "KyLivingDetectionViewController.h"

#include <kylivingdetection/KyLivingConfig.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "KyDetectionScreen.h"
#include "livingdetect/LDTComm.h"
#include "platform/camera/KyCaptureSession.h"
#include "platform/dispatch/KyConcurrentQueue.h"
#include "platform/movie/KyMovieWriter.h"
#include "platform/ui/KyMainLoop.h"
#include "utils/CodecUtil.h"
#include "utils/ImageUtil.h"
#include "utils/KyLDCommUtil.h"
#include "utils/LDTLog.h"

namespace {

constexpr int64_t kMillisecondsPerAction = 30000;

void sleepMilliseconds(double milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(milliseconds));
}

void postToUI(std::function<void()> task) { KyMainLoop::shared().post(std::move(task)); }

}  // namespace

std::shared_ptr<KyLivingDetectionViewController> KyLivingDetectionViewController::initAndSetFatherView(
    const std::shared_ptr<KyViewController>& fatherViewController) {
  std::shared_ptr<KyLivingDetectionViewController> controller(new KyLivingDetectionViewController());
  controller->fatherViewController = fatherViewController;
  return controller;
}

std::shared_ptr<KyLivingDetectionViewController> KyLivingDetectionViewController::self() {
  return std::static_pointer_cast<KyLivingDetectionViewController>(shared_from_this());
}

int64_t KyLivingDetectionViewController::now() const {
  return _clock ? _clock() : KyLDCommUtil::getCurrentTimeToMilliSecond();
}

// ---- Screen load ----------------------------------------------------------------------

void KyLivingDetectionViewController::loadView() {
  _screen = KyDetectionScreen::build(*this, windowSwitchType());
  setView(_screen->rootView());
  _frame = _screen->cameraFrame();
}

void KyLivingDetectionViewController::viewDidLoad() {
  _screenLightValue = _screen->brightness();
  _lastDetectTime = 0;
  _addWaitTime1 = 0;
  _addWaitTime2 = 0;
  view()->setTag(1);
  if (auto navigation = KyViewController::navigationController()) {
    navigation->setDelegate(std::static_pointer_cast<KyNavigationControllerDelegate>(self()));
  }
  _startTime = now();
  _finished = false;
  _isExsitColorDetect = false;
  _isPauseDetect = false;
  _bestImgVec.clear();
  parseLivingType();
  if (g_livingTypeListIndex < 0) {
    // Nothing to detect: an action list of 0 or with a gap. The entry API refuses such a
    // token before a screen exists; a screen made directly ends at once.
    _finished = true;
    endWithResult(KyLivingDetectResult::initWithCode(KLD_UNSUPPORT, "不支持的检测类型", ""));
    return;
  }
  _screen->showActions(g_listTypeList, g_livingTypeListIndex);
  setUpSession();
  startRunning();
}

// Slot i holds digit i of the four-digit action list; the first non-zero slot starts. A
// zero after the first action, or a list of 0, leaves the index at -1.
void KyLivingDetectionViewController::parseLivingType() {
  int32_t value = _livingType;
  int32_t divisor = 1000;
  for (int32_t& slot : g_listTypeList) {
    slot = value / divisor;
    value %= divisor;
    divisor /= 10;
  }
  g_livingTypeListIndex = -1;
  g_livingCount = 0;
  for (int32_t i = 0; i < 4; ++i) {
    if (g_listTypeList[i] != 0) {
      g_livingTypeListIndex = i;
      break;
    }
  }
  if (g_livingTypeListIndex < 0) return;
  for (int32_t i = g_livingTypeListIndex; i < 4; ++i) {
    if (g_listTypeList[i] < 1 || g_listTypeList[i] > 6) {
      g_livingTypeListIndex = -1;
      return;
    }
  }
  g_livingCount = 4 - g_livingTypeListIndex;
  _currentType = g_listTypeList[g_livingTypeListIndex];
}

// ---- Per-frame pipeline ---------------------------------------------------------------

void KyLivingDetectionViewController::captureOutputMetadata(std::vector<KyFaceRect> faces) {
  auto list = std::make_shared<const std::vector<KyFaceRect>>(std::move(faces));
  std::lock_guard<std::mutex> lock(_metadataMutex);
  _currentMetadata = std::move(list);
}

std::vector<KyFaceRect> KyLivingDetectionViewController::currentMetadata() const {
  std::lock_guard<std::mutex> lock(_metadataMutex);
  return _currentMetadata ? *_currentMetadata : std::vector<KyFaceRect>{};
}

void KyLivingDetectionViewController::captureOutput(const KySampleBuffer& frame) {
  recordFrame(frame);
  const int32_t type = g_livingTypeListIndex >= 0 ? g_listTypeList[g_livingTypeListIndex] : 0;
  const int64_t current = now();
  const int64_t delta = _lastDetectTime != 0 ? current - _lastDetectTime : 0;
  _lastDetectTime = current;

  LDTResult result;
  if (_isPauseDetect || _finished || g_livingTypeListIndex < 0) {
    showFrameResult(result);
    return;
  }
  if (frame.empty()) {
    LDT_LOGW("sample buffer is not ready. Skipping sample");
    showFrameResult(result);
    return;
  }
  if (checkTimeout()) {
    showFrameResult(result);
    return;
  }
  calculatorCaptureFPS();
  _realTimeResolutionWidth = frame.width;
  _realTimeResolutionHeight = frame.height;

  std::vector<KyFaceRect> faces = currentMetadata();
  if (faces.empty()) {
    result.setProcessAndShowFaceOutLine(result.process(), "未检测到人脸", 1);
    LDTComm::reset();
    _currentProcess = 5;
    _stopColorDetect = true;
  } else if (faces.size() > 1) {
    result.setMsg("请其他人退出检测区域");
    LDTComm::reset();
    _currentProcess = 10;
    _stopColorDetect = true;
  } else {
    judgeFrame(frame, faces.front(), type, delta, result);
  }
  showFrameResult(result);
  if (result.process() >= 100 && !_finished) stepAction(frame, result);
}

bool KyLivingDetectionViewController::checkTimeout() {
  const int64_t elapsed = now() - _startTime;
  if (elapsed <= g_livingCount * kMillisecondsPerAction) return false;
  _currentProcess = 0;
  bool expected = false;
  if (_finished.compare_exchange_strong(expected, true)) {
    char message[64];
    std::snprintf(message, sizeof message, "执行超时:%d s", g_livingCount * 30);
    endWithResult(KyLivingDetectResult::initWithCode(KLD_TIMEOUT, message, ""));
  }
  return true;
}

void KyLivingDetectionViewController::judgeFrame(const KySampleBuffer& frame, const KyFaceRect& faceRect, int32_t type,
                                                 int64_t delta, LDTResult& result) {
  const LDTSize imgSize{static_cast<double>(frame.width), static_cast<double>(frame.width)};
  const LDTRect rect{faceRect.x, faceRect.y, faceRect.width, faceRect.height};
  for (;;) {
    std::vector<LandmarkListRef> lists = _landmarkDetector ? _landmarkDetector(frame, {faceRect})
                                                           : std::vector<LandmarkListRef>{};
    LandmarkListRef landmarks = lists.empty() ? nullptr : lists.front();
    uint8_t* rgb = nullptr;
    if (type == 6) {
      rgb = ImageUtil::rgbArrayWithUIImage(KyLDCommUtil::imageFromSampleBuffer(frame));
      _isExsitColorDetect = true;
    }
    const bool needImage = _bestImgVec.empty();
    result = LDTComm::processLivingDetect(type, landmarks, imgSize, needImage, rgb, rect);
    const int32_t p = result.process();
    if (p > 0) {
      _currentProcess = p;
    } else if (p == -100) {
      storeBestImage(frame);
    } else if (p == -99) {
      mFree(rgb);
      continue;
    } else if (p == -98) {
      _addWaitTime1 = 0;
      _addWaitTime2 = 0;
      LDTComm::setColorSaveIndex(-1);
      startColorFlash(result);
    } else if (p == -97) {
      _addWaitTime1 += static_cast<double>(delta);
      _addWaitTime2 += static_cast<double>(delta);
    } else if (p == -96) {
      postStopColorDetectAndReset();
      if (!KyLivingConfig::shareInstance()->GetUseStrictMode()) {
        _isExsitColorDetect = false;
        if (type != 0) {
          g_listTypeList[g_livingTypeListIndex] = type == 2 ? 3 : 2;
          _currentType = g_listTypeList[g_livingTypeListIndex];
        }
      }
    } else if (p == -95) {
      postStopColorDetectAndReset();
    }
    mFree(rgb);
    return;
  }
}

// A whole frame as JPEG at the end of the best images. A failed encoding stores nothing.
void KyLivingDetectionViewController::storeBestImage(const KySampleBuffer& frame) {
  KyImage image = KyLDCommUtil::imageFromSampleBuffer(frame);
  uint8_t* rgb = ImageUtil::rgbArrayWithUIImage(image);
  if (rgb == nullptr) return;
  uint8_t* jpeg = nullptr;
  const uint64_t length = ImageUtil::rgb2jpg(rgb, image.width, image.height, jpeg);
  mFree(rgb);
  if (length == UINT64_MAX || jpeg == nullptr) {
    LDT_LOGE("best image not stored: JPEG encoding failed");
    mFree(jpeg);
    return;
  }
  _bestImgVec.emplace_back(jpeg, jpeg + length);
  mFree(jpeg);
}

void KyLivingDetectionViewController::showFrameResult(const LDTResult& result) {
  if (!_finished) {
    setTitle(result.msg());
    if (_screen) _screen->showFaceOutline(result.showFaceOutline() != 0);
  }
  if (_screen) _screen->updateProcess(static_cast<float>(_currentProcess.load()));
}

void KyLivingDetectionViewController::stepAction(const KySampleBuffer& frame, const LDTResult&) {
  if (g_livingTypeListIndex == 3) {
    _finished = true;
    completePassedSession(frame);
    return;
  }
  if (_screen) _screen->nextLivingType();
  LDTComm::reset();
  g_livingTypeListIndex += 1;
  _currentType = g_listTypeList[g_livingTypeListIndex];
  _currentProcess = 20;
  if (_screen) _screen->updateProcess(20);
  if (KyLivingConfig::shareInstance()->GetIsSaveImgEveryType()) storeBestImage(frame);
}

// Frames counted per whole second of the host clock; the frame closing a second starts the
// next count at 0.
void KyLivingDetectionViewController::calculatorCaptureFPS() {
  static double lastTime = 0;
  static int32_t count = 0;
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
  if (seconds - lastTime >= 1.0) {
    _captureVideoFPS = count;
    lastTime = seconds;
    count = 0;
  } else {
    ++count;
  }
}

void KyLivingDetectionViewController::setTitle(const std::string& text) {
  if (text.empty()) return;
  {
    std::lock_guard<std::mutex> lock(_promptMutex);
    _prompt = text;
  }
  std::weak_ptr<KyDetectionScreen> screen = _screen;
  postToUI([screen, text] {
    if (auto shown = screen.lock()) shown->setTitle(text);
  });
}

std::string KyLivingDetectionViewController::currentPrompt() const {
  std::lock_guard<std::mutex> lock(_promptMutex);
  return _prompt;
}

int32_t KyLivingDetectionViewController::currentLivingType() const { return _finished ? 0 : _currentType.load(); }

KyColor KyLivingDetectionViewController::screenColor() const {
  return _screen ? _screen->backgroundColor() : KyColor::clear();
}

void KyLivingDetectionViewController::onContinueDetectClick() {
  auto controller = self();
  postToUI([controller] {
    if (controller->_screen) controller->_screen->hideContinueOverlay();
    controller->_isPauseDetect = false;
  });
}

// ---- Colour flash ---------------------------------------------------------------------

void KyLivingDetectionViewController::postStopColorDetectAndReset() {
  auto controller = self();
  postToUI([controller] {
    controller->_stopColorDetect = true;
    LDTComm::reset();
  });
}

void KyLivingDetectionViewController::drainWait(std::atomic<double>& accumulator) {
  for (double wait = accumulator.exchange(0); wait != 0; wait = accumulator.exchange(0)) sleepMilliseconds(wait);
}

void KyLivingDetectionViewController::startColorFlash(const LDTResult& result) {
  std::vector<std::string> colors;
  if (result.data() && result.data()->has_value()) {
    if (const auto* list = std::any_cast<std::vector<std::string>>(result.data().get())) colors = *list;
  }
  auto controller = self();
  KyConcurrentQueue::shared().async(
      [controller, colors = std::move(colors)]() mutable { controller->runColorFlashDriver(std::move(colors)); });
}

void KyLivingDetectionViewController::runColorFlashDriver(std::vector<std::string> colors) {
  _stopColorDetect = false;
  std::weak_ptr<KyDetectionScreen> screen = _screen;
  postToUI([screen] {
    if (auto shown = screen.lock()) shown->setBrightness(1.0);
  });
  sleepMilliseconds(500);
  const int64_t t0 = KyLDCommUtil::getCurrentTimeToMilliSecond();
  auto controller = self();
  KyConcurrentQueue::shared().async([controller, t0] { controller->runColorSampler(t0); });
  for (const std::string& text : colors) {
    const KyColor color = ImageUtil::colorWithColorString(text);
    if (_stopColorDetect) break;
    postToUI([screen, color] {
      if (auto shown = screen.lock()) shown->setBackgroundColor(color);
    });
    sleepMilliseconds(300);
    drainWait(_addWaitTime2);
  }
  const double savedBrightness = _screenLightValue;
  postToUI([screen, savedBrightness] {
    if (auto shown = screen.lock()) shown->restoreAfterColorFlash(savedBrightness);
  });
}

void KyLivingDetectionViewController::runColorSampler(int64_t t0) {
  sleepMilliseconds(static_cast<double>(60 - (KyLDCommUtil::getCurrentTimeToMilliSecond() - t0)));
  std::weak_ptr<KyDetectionScreen> screen = _screen;
  for (int32_t i = 0; i < 10; ++i) {
    if (_stopColorDetect) return;
    if (i == 3) {
      postToUI([screen] {
        if (auto shown = screen.lock()) shown->setTitleColor(ImageUtil::colorWithColorString("ffffff"));
      });
    }
    LDTComm::setColorSaveIndex(i);
    sleepMilliseconds(300);
    drainWait(_addWaitTime1);
  }
}
