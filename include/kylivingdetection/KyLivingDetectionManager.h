// The library's entry point for a host: shared configuration and view style, the
// initialisation message, starting a detection session from a token, the version and the
// session videos.
#pragma once

#include <kylivingdetection/KyLivingConfig.h>
#include <kylivingdetection/KyLivingDetectResult.h>
#include <kylivingdetection/KyLivingViewStyle.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class KyViewController;

using KyLivingDetectCallback = std::function<void(const KyLivingDetectResult&)>;

class KyLivingDetectionManager {
 public:
  static KyLivingConfig* LivingConfigInstance();
  static KyLivingViewStyle* LivingViewStyleInstance();

  // The enciphered initialisation message for the action list (up to four digits 1-6), as
  // the data of a code-0 result, or the failure result.
  static KyLivingDetectResult verifyInit(int32_t livingType);

  // startDetect2 with window switch type 1 (pushed onto the screen's navigation stack).
  static void startDetect(const std::string& token, const std::shared_ptr<KyViewController>& viewController,
                          KyLivingDetectCallback callback);
  // Checks camera permission, then the token, then shows the detection screen from the host's
  // screen: 1 pushed, 2 or more presented full screen, below 1 created but not shown. The
  // callback runs once with the session's outcome, on the UI thread, or at once with a
  // permission or token refusal.
  static void startDetect2(const std::string& token, const std::shared_ptr<KyViewController>& viewController,
                           KyLivingDetectCallback callback, int64_t windowSwitchType);
  static void verifyEntry(const std::string& token, const std::shared_ptr<KyViewController>& viewController,
                          KyLivingDetectCallback callback, int64_t windowSwitchType);

  static std::string getSdkVersion();

  // The session video of a token: "<documents>/KyVideo" + the token's first 10 characters
  // (the whole token when shorter) + ".mov".
  static std::string GetLdtVideoFilePath(const std::string& token);
  static std::optional<std::vector<uint8_t>> GetLdtVideo(const std::string& token);
  static std::string GetLdtVideoRootDirectory();
};
