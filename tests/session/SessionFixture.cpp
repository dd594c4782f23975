#include "session/SessionFixture.h"

#include <thread>

#include "platform/camera/KyCameraAuthorization.h"
#include "platform/camera/KyCaptureDevice.h"
#include "utils/AesCipher.h"
#include "utils/CodecUtil.h"

void SessionFixture::SetUp() {
  KyLivingConfig* config = KyLivingConfig::shareInstance();
  config->init();
  config->SetIsAutoUploadVerifyMsg(false);
  // The screen's camera is a script that never delivers: the test calls the pipeline itself.
  KyCaptureDevices::setDevices({KyCaptureDevice::scripted(std::make_shared<KyScriptedFrameSource>())});
  std::vector<uint8_t> grey(480 * 640 * 4, 128);
  frame_ = KySampleBuffer::copyOf(grey.data(), 480, 640);
  LDTComm::reset();
}

void SessionFixture::TearDown() {
  if (controller) controller->stopRunning();
  drainUI();
  controller.reset();
  KyCaptureDevices::useSystemDevices();
}

void SessionFixture::open(int32_t livingType, int64_t windowSwitchType) {
  window = KyWindow::create();
  father = std::make_shared<KyViewController>();
  controller = KyLivingDetectionViewController::initAndSetFatherView(father);
  controller->setLivingType(livingType);
  controller->setToken("tokenABCDEFGHIJKLMNOP");
  controller->setWindowSwitchType(windowSwitchType);
  controller->setClock([this] { return clock; });
  controller->setLandmarkDetector([this](const KySampleBuffer&, const std::vector<KyFaceRect>& rects) {
    ++landmarkCalls;
    if (!script_.empty()) {
      last_ = script_.front();
      script_.pop_front();
    }
    std::vector<LandmarkListRef> lists;
    for (size_t i = 0; i < rects.size(); ++i) lists.push_back(last_ ? face::share(*last_) : nullptr);
    return lists;
  });
  controller->setCallback([this](const KyLivingDetectResult& result) {
    std::lock_guard<std::mutex> lock(resultsMutex);
    results.push_back(result);
    resultsOnUIThread.push_back(KyMainLoop::shared().isUIThread());
  });
  if (windowSwitchType == 1) {
    navigation = KyNavigationController::initWithRootViewController(father);
    window->setRootViewController(navigation);
    window->makeKeyAndVisible();
    navigation->pushViewController(controller, false);
  } else {
    window->setRootViewController(father);
    window->makeKeyAndVisible();
    father->presentViewController(controller, false);
  }
  drainUI();
}

void SessionFixture::frame(size_t faces) {
  std::vector<KyFaceRect> rects(faces, KyFaceRect{120, 160, 240, 240});
  controller->captureOutputMetadata(rects);
  frame_.timestampMs += 66;  // about 15 frames a second, for the recording
  controller->captureOutput(frame_);
}

void SessionFixture::script(const LandmarkList& landmarks, int times) {
  for (int i = 0; i < times; ++i) script_.push_back(landmarks);
}

void SessionFixture::runScript() {
  while (!script_.empty() && !controller->isFinished()) frame();
}

void SessionFixture::drainUI() {
  KyMainLoop::shared().runUntil([] { return false; }, std::chrono::milliseconds(20));
}

bool SessionFixture::waitForResult(double seconds) {
  return KyMainLoop::shared().runUntil(
      [this] {
        std::lock_guard<std::mutex> lock(resultsMutex);
        return !results.empty();
      },
      std::chrono::milliseconds(static_cast<int64_t>(seconds * 1000)));
}

std::vector<uint8_t> openVerifyMsg(const std::string& data) {
  const std::string prefix = "flatbuffer@";
  if (data.compare(0, prefix.size(), prefix) != 0) return {};
  uint8_t* plain = nullptr;
  const int length = aesDecryption(data.c_str() + prefix.size(), kAesKeyShared, &plain);
  if (length <= 0) return {};
  std::vector<uint8_t> bytes(plain, plain + length);
  mFree(plain);
  return bytes;
}
