// How a detection session ends: the passed session's verification message and its delivery,
// the timeout, the exit button and the screen leaving the navigation stack.
#include <kylivingdetection/KyLivingConfig.h>

#include <ctime>
#include <exception>

#include <cjson/cJSON.h>

#include "KyDetectionScreen.h"
#include <kylivingdetection/KyLivingDetectionManager.h>
#include "KyLivingDetectionViewController.h"
#include "livingdetect/LDTComm.h"
#include "platform/camera/KyCaptureSession.h"
#include "platform/dispatch/KyConcurrentQueue.h"
#include "platform/movie/KyMovieWriter.h"
#include "platform/ui/KyMainLoop.h"
#include "utils/CodecUtil.h"
#include "utils/KyLivingHttpClient.h"
#include "utils/LDTLog.h"
#include "utils/VerifyMsgBuilder.h"

namespace {

constexpr int64_t kLeaveTimeoutMs = 30000;

std::optional<std::string> jsonString(const cJSON* object, const char* key) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, key);
  if (cJSON_IsString(item) && item->valuestring != nullptr) return std::string(item->valuestring);
  return std::nullopt;
}

}  // namespace

KyLivingDetectionViewController::~KyLivingDetectionViewController() {
  if (!isViewLoaded()) return;
  stopRunning();
  stopRecord({});
  if (_screen) _screen->stopWaitingImageRotate();
}

void KyLivingDetectionViewController::setResult(KyLivingDetectResult result) {
  std::lock_guard<std::mutex> lock(_resultMutex);
  ldtResult = std::move(result);
}

std::optional<KyLivingDetectResult> KyLivingDetectionViewController::result() const {
  std::lock_guard<std::mutex> lock(_resultMutex);
  return ldtResult;
}

// Hands the result to the host's callback, once per session, on the UI thread.
void KyLivingDetectionViewController::deliver(const KyLivingDetectResult& result) {
  if (_callbackMade.exchange(true)) return;
  if (_callback) _callback(result);
}

// ---- Passed session -------------------------------------------------------------------

void KyLivingDetectionViewController::completePassedSession(const KySampleBuffer& frame) {
  if (KyLivingConfig::shareInstance()->GetIsSaveImgEveryType()) storeBestImage(frame);
  setTitle("请稍后");
  std::weak_ptr<KyDetectionScreen> screen = _screen;
  KyMainLoop::shared().post([screen] {
    if (auto shown = screen.lock()) shown->startWaitingImgView();
  });

  const int64_t currentTime = static_cast<int64_t>(std::time(nullptr));
  std::optional<std::string> data;
  if (_isExsitColorDetect) {
    char* history = LDTComm::getColorDetectHistory();
    LDTComm::recycleColorSetting();
    data = sealVerifyMsg(_bestImgVec, history != nullptr ? history : "empty", currentTime);
    mFree(history);
  } else {
    data = sealVerifyMsg(_bestImgVec, "empty", currentTime);
  }

  if (!data) {
    // Without a shared key the message cannot be sealed; the host still gets an answer.
    endWithResult(KyLivingDetectResult::initWithCode(KLD_EXCEPTION, "VerifyMsg加密失败", ""));
    return;
  }
  KyLivingDetectResult passed = KyLivingDetectResult::initWithCode(KLD_SUCCESS, "终端检测完成", *data);
  passed.setToken(_token);
  setResult(passed);
  auto controller = self();
  KyConcurrentQueue::shared().async(
      [controller, passed = std::move(passed)]() mutable { controller->deliverPassedSession(std::move(passed)); });
}

void KyLivingDetectionViewController::deliverPassedSession(KyLivingDetectResult result) {
  KyLivingConfig* config = KyLivingConfig::shareInstance();
  if (config->GetIsAutoUploadVerifyMsg()) {
    try {
      std::optional<KyJsonPtr> response = KyLivingHttpClient::postVerifyMsg(result.token().value_or(""), result.data());
      if (response && jsonString(response->get(), "code") == "0000") {
        if (auto recID = jsonString(response->get(), "recID")) result.setData(*recID);
      }
    } catch (const std::exception& error) {
      LDT_LOGE("上传VerifyMsg 失败 %s", error.what());
    }
  }

  auto controller = self();
  auto finish = [controller](KyLivingDetectResult finished) {
    controller->setResult(finished);
    auto close = [controller, finished] {
      KyMainLoop::shared().post([controller, finished] { controller->closeScreen(finished, false); });
    };
    if (controller->_screen) {
      controller->_screen->playAnimation(0, close);
    } else {
      close();
    }
  };
  if (config->GetIsRecordLdtVideo()) {
    stopRecord([finish, result]() mutable {
      std::optional<std::vector<uint8_t>> video = KyLivingDetectionManager::GetLdtVideo(result.token().value_or(""));
      if (video) result.setVideo(std::move(video));
      finish(std::move(result));
    });
  } else {
    finish(std::move(result));
  }
}

// ---- Closing --------------------------------------------------------------------------

// UI thread. A pushed screen is popped and the navigation notification makes the callback; a
// presented one is dismissed and the callback follows the dismissal.
void KyLivingDetectionViewController::closeScreen(const KyLivingDetectResult& result, bool restoreBrightness) {
  auto controller = self();
  auto afterDismiss = [controller, result, restoreBrightness] {
    controller->deliver(result);
    if (restoreBrightness && controller->_screen) controller->_screen->setBrightness(controller->_screenLightValue);
  };
  if (_windowSwitchType == 1) {
    std::shared_ptr<KyNavigationController> navigation = KyViewController::navigationController();
    if (navigation && navigation->topViewController() == shared_from_this()) {
      navigation->popViewControllerAnimated(true);
      return;
    }
    // Not (or no longer) on a navigation stack: nothing will notify, so answer here.
    afterDismiss();
    return;
  }
  if (presentingViewController()) {
    dismissViewControllerAnimated(true, afterDismiss);
  } else {
    afterDismiss();
  }
}

// A result made on the frame queue (timeout, refused message) or at load: the finish view's
// animation runs, then the screen closes on the UI thread.
void KyLivingDetectionViewController::endWithResult(KyLivingDetectResult result) {
  setResult(result);
  auto controller = self();
  auto close = [controller, result] {
    KyMainLoop::shared().post([controller, result] { controller->closeScreen(result, true); });
  };
  if (_screen) {
    _screen->playAnimation(0, close);
  } else {
    close();
  }
}

void KyLivingDetectionViewController::onExitClick() {
  auto controller = self();
  auto exitResult = [controller] {
    controller->deliver(KyLivingDetectResult::initWithCode(KLD_CANCEL, "用户主动退出", ""));
    if (controller->_screen) controller->_screen->setBrightness(controller->_screenLightValue);
  };
  if (presentingViewController()) {
    dismissViewControllerAnimated(true, exitResult);
  } else {
    exitResult();
  }
}

void KyLivingDetectionViewController::navigationController(KyNavigationController&,
                                                           const std::shared_ptr<KyViewController>& shown, bool) {
  if (shown && shown->isViewLoaded() && shown->view()->tag() == view()->tag()) return;
  if (_finished) {
    if (std::optional<KyLivingDetectResult> finished = result()) deliver(*finished);
    return;
  }
  const int64_t elapsed = now() - _startTime;
  KyLivingDetectResult left = elapsed > kLeaveTimeoutMs
                                  ? KyLivingDetectResult::initWithCode(KLD_TIMEOUT, "执行超时", "")
                                  : KyLivingDetectResult::initWithCode(KLD_CANCEL, "用户主动退出", "");
  setResult(left);
  deliver(left);
  if (_screen) _screen->setBrightness(_screenLightValue);
}
