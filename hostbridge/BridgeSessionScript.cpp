// Test-only: a whole session through startLivingDetect without a camera or a subject. The camera is
// a script that never delivers, the token is sealed here with the key verifyInit agreed, and the
// shown detection screen is fed frames and scripted landmark lists that pass a mouth-open action.
#include <kylivingdetection/KyLivingDetectionManager.h>

#include <ctime>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "BridgeUIThread.h"
#include "HostAppViewUtil.h"
#include "KyLivingDetectionModule.h"
#include "KyLivingDetectionViewController.h"
#include "detectors/FaceFixture.h"
#include "platform/camera/KyCameraAuthorization.h"
#include "platform/camera/KyCaptureDevice.h"
#include "platform/camera/KyScriptedFrameSource.h"
#include "utils/AesCipher.h"
#include "utils/CodecUtil.h"
#include "utils/KYDeviceUtils.h"

namespace {

std::string md5Hex(const std::string& text) {
  uint8_t* digest = md5sum(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  char* hex = digest != nullptr ? hexEncode(digest, 16) : nullptr;
  std::string answer = hex != nullptr ? hex : "";
  mFree(hex);
  mFree(digest);
  return answer;
}

// scriptCamera(): a front camera that never delivers, with permission granted.
Napi::Value scriptCamera(const Napi::CallbackInfo& info) {
  KyCaptureDevices::setDevices({KyCaptureDevice::scripted(std::make_shared<KyScriptedFrameSource>())});
  KyCameraAuthorization::setStatusOverride(KyCameraAuthorizationStatus::Authorized);
  return info.Env().Undefined();
}

// sealToken(livingType): a token for this device, valid for a minute.
Napi::Value sealToken(const Napi::CallbackInfo& info) {
  const std::string clear = std::to_string(info[0].ToNumber().Int32Value()) + "_" +
                            md5Hex(KYDeviceUtils::getDeviceId()) + "_" + std::to_string(std::time(nullptr) + 60) + "_x";
  char* sealed = nullptr;
  const int status = aesEncryption2(reinterpret_cast<const uint8_t*>(clear.data()), clear.size(), kAesKeyShared, &sealed);
  std::string token = status == 0 && sealed != nullptr ? sealed : "";
  mFree(sealed);
  return Napi::String::New(info.Env(), token);
}

std::deque<LandmarkList> mouthOpenScript() {
  std::deque<LandmarkList> script(14, face::frontal());
  script.push_back(face::withMouth(face::frontal(), 30, 10.8, 10.8));
  script.push_back(face::withMouth(face::frontal(), 30, 10.8, 10.8));
  return script;
}

// Feeds the shown detection screen until it finishes; false while no detection screen is shown.
bool feedShownScreen() {
  auto screen = std::dynamic_pointer_cast<KyLivingDetectionViewController>(HostAppViewUtil::getViewController());
  if (!screen) return false;
  auto script = std::make_shared<std::deque<LandmarkList>>(mouthOpenScript());
  auto last = std::make_shared<LandmarkList>(script->front());
  screen->setClock([] { return int64_t{1'000'000}; });
  screen->setLandmarkDetector([script, last](const KySampleBuffer&, const std::vector<KyFaceRect>& rects) {
    if (!script->empty()) {
      *last = script->front();
      script->pop_front();
    }
    return std::vector<LandmarkListRef>(rects.size(), face::share(*last));
  });
  std::vector<uint8_t> grey(480 * 640 * 4, 128);
  const KySampleBuffer frame = KySampleBuffer::copyOf(grey.data(), 480, 640);
  for (int i = 0; i < 100 && !script->empty() && !screen->isFinished(); ++i) {
    screen->captureOutputMetadata({KyFaceRect{120, 160, 240, 240}});
    screen->captureOutput(frame);
  }
  return true;
}

// feedShownSession(): true once a detection screen was shown and fed.
Napi::Value feedShownSession(const Napi::CallbackInfo& info) {
  return Napi::Boolean::New(info.Env(), BridgeUIThread::shared().call<bool>(feedShownScreen));
}

}  // namespace

void addBridgeSessionScript(Napi::Env env, Napi::Object testing) {
  testing.Set("scriptCamera", Napi::Function::New(env, scriptCamera, "scriptCamera"));
  testing.Set("sealToken", Napi::Function::New(env, sealToken, "sealToken"));
  testing.Set("feedShownSession", Napi::Function::New(env, feedShownSession, "feedShownSession"));
}
