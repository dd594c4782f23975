#include <kylivingdetection/KyLivingDetectionManager.h>
#include <kylivingdetection/KyLivingVersion.h>

#include <fstream>
#include <iterator>

#include "KyLivingDetectionViewController.h"
#include "platform/camera/KyCameraAuthorization.h"
#include "platform/movie/KyMovieFiles.h"
#include "platform/ui/KyMainLoop.h"
#include "platform/ui/KyNavigationController.h"
#include "utils/VerifyProtocol.h"

namespace {

KyLivingDetectResult permissionRefused() {
  return KyLivingDetectResult::initWithCode(KLD_PERMISSION, "没有开启摄像头权限", "");
}

void showDetectionScreen(const std::shared_ptr<KyViewController>& father,
                         const std::shared_ptr<KyLivingDetectionViewController>& controller, int64_t type) {
  if (type == 1) {
    std::shared_ptr<KyNavigationController> navigation = std::dynamic_pointer_cast<KyNavigationController>(father);
    if (!navigation && father) navigation = father->navigationController();
    if (navigation) navigation->pushViewController(controller, true);
  } else if (type == 2 && father) {
    father->presentViewController(controller, true);
  }
}

}  // namespace

KyLivingConfig* KyLivingDetectionManager::LivingConfigInstance() { return KyLivingConfig::shareInstance(); }

KyLivingViewStyle* KyLivingDetectionManager::LivingViewStyleInstance() { return KyLivingViewStyle::shareInstance(); }

KyLivingDetectResult KyLivingDetectionManager::verifyInit(int32_t livingType) {
  return KyVerifyProtocol::verifyInit(livingType);
}

void KyLivingDetectionManager::startDetect(const std::string& token,
                                           const std::shared_ptr<KyViewController>& viewController,
                                           KyLivingDetectCallback callback) {
  startDetect2(token, viewController, std::move(callback), 1);
}

void KyLivingDetectionManager::startDetect2(const std::string& token,
                                            const std::shared_ptr<KyViewController>& viewController,
                                            KyLivingDetectCallback callback, int64_t windowSwitchType) {
  switch (KyCameraAuthorization::authorizationStatus()) {
    case KyCameraAuthorizationStatus::Authorized:
      verifyEntry(token, viewController, std::move(callback), windowSwitchType);
      return;
    case KyCameraAuthorizationStatus::NotDetermined:
      KyCameraAuthorization::requestAccess([=](bool granted) {
        KyMainLoop::shared().post([=] {
          if (granted) {
            verifyEntry(token, viewController, callback, windowSwitchType);
          } else if (callback) {
            callback(permissionRefused());
          }
        });
      });
      return;
    case KyCameraAuthorizationStatus::Restricted:
    case KyCameraAuthorizationStatus::Denied:
      if (callback) callback(permissionRefused());
      return;
  }
}

// A refused token or an action list the detectors cannot run reaches the callback at once, on
// the calling thread; otherwise the screen is made and shown on the UI thread.
void KyLivingDetectionManager::verifyEntry(const std::string& token,
                                           const std::shared_ptr<KyViewController>& viewController,
                                           KyLivingDetectCallback callback, int64_t windowSwitchType) {
  KyTokenCheck check = KyVerifyProtocol::checkToken(token.c_str());
  if (!check.passed()) {
    if (callback) callback(*check.failure);
    return;
  }
  const int32_t livingType = static_cast<int32_t>(check.livingType);
  if (livingType <= 0 || livingType > 9999 || KyVerifyProtocol::unsupportedAction(livingType)) {
    KyLivingDetectResult refused =
        KyLivingDetectResult::initWithCode(KLD_UNSUPPORT, "不支持的检测类型 " + std::to_string(livingType), "");
    if (callback) callback(refused);
    return;
  }
  const int64_t type = windowSwitchType >= 2 ? 2 : windowSwitchType;
  KyMainLoop::shared().post([=] {
    auto controller = KyLivingDetectionViewController::initAndSetFatherView(viewController);
    controller->setModalPresentationStyle(KyModalPresentationStyle::FullScreen);
    controller->setExtendedLayoutIncludesOpaqueBars(true);
    controller->setLivingType(livingType);
    controller->setCallback(callback);
    controller->setToken(token);
    controller->setWindowSwitchType(type);
    showDetectionScreen(viewController, controller, type);
  });
}

std::string KyLivingDetectionManager::getSdkVersion() { return KY_LIVING_SDK_VERSION; }

std::string KyLivingDetectionManager::GetLdtVideoFilePath(const std::string& token) {
  return KyMovieFiles::videoFilePath(token);
}

std::optional<std::vector<uint8_t>> KyLivingDetectionManager::GetLdtVideo(const std::string& token) {
  std::ifstream file(GetLdtVideoFilePath(token), std::ios::binary);
  if (!file) return std::nullopt;
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::string KyLivingDetectionManager::GetLdtVideoRootDirectory() { return KyMovieFiles::documentsDirectory(); }
