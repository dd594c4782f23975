// The detection screen's views, laid out for a pushed or presented screen, and the changes
// the session makes to them. Operations marked "any thread" hand their drawing to the UI
// thread themselves; the others belong on the UI thread.
#pragma once

#include <kylivingdetection/KyColor.h>
#include <kylivingdetection/KySampleBuffer.h>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "KyDetectionScreenLayout.h"
#include "platform/ui/KyLabel.h"
#include "platform/ui/KyNavigationController.h"

class KyCameraMaskView;
class KyCameraPreviewLayer;
class KyFinishedView;
class KyLoopProgressView;
class LivingTypeCollection;
class UIMaskView;

class KyDetectionScreen {
 public:
  struct Handlers {
    std::function<void()> onExit;      // the exit button was tapped
    std::function<void()> onContinue;  // the continue overlay was tapped
  };

  // The screen of a detection controller; taps go to its onExitClick and onContinueDetectClick.
  template <typename Controller>
  static std::shared_ptr<KyDetectionScreen> build(Controller& controller, int64_t windowSwitchType);
  // The screen at the main screen's size; navigationBarHeight counts for pushed screens.
  static std::shared_ptr<KyDetectionScreen> build(int64_t windowSwitchType, double navigationBarHeight,
                                                  Handlers handlers);

  const std::shared_ptr<KyView>& rootView() const { return root_; }
  KyRect cameraFrame() const { return frames_.cameraArea; }
  const KyDetectionScreenFrames& frames() const { return frames_; }

  // The action list for the parsed actions (slot `index` onwards); shown only for two or
  // more actions, once.
  void showActions(const std::array<int32_t, 4>& actions, int32_t index);
  // The same from the packed action digits (6235).
  void showActions(int32_t livingType);

  void setTitle(const std::string& text);  // empty or unchanged text changes nothing
  void setTitleColor(KyColor color);
  void setBackgroundColor(KyColor color);
  KyColor backgroundColor() const;  // any thread
  double brightness() const;
  void setBrightness(double brightness);
  // Title colour, brightness and background back to the view style and the saved value.
  void restoreAfterColorFlash(double savedBrightness);
  void showContinueOverlay();
  void hideContinueOverlay();

  // Any thread.
  void showCameraFrame(const KySampleBuffer& frame);
  void showFaceOutline(bool show);
  void updateProcess(float value);
  void nextLivingType();
  void startWaitingImgView();
  void stopWaitingImageRotate();
  // Sleeps, then runs the callback on the calling thread.
  void playAnimation(float duration, const std::function<void()>& callback);

  const std::shared_ptr<KyView>& exitButton() const { return exitButton_; }
  const std::shared_ptr<KyLabel>& titleLabel() const { return titleLabel_; }
  const std::shared_ptr<KyLoopProgressView>& progressView() const { return progressView_; }
  const std::shared_ptr<KyFinishedView>& finishView() const { return finishView_; }
  const std::shared_ptr<LivingTypeCollection>& livingTypeCollectionView() const { return livingTypeCollectionView_; }
  const std::shared_ptr<KyCameraPreviewLayer>& previewLayer() const { return previewLayer_; }
  const std::shared_ptr<KyCameraMaskView>& cameraMaskView() const { return cameraMaskView_; }
  const std::shared_ptr<UIMaskView>& maskView() const { return maskView_; }

 private:
  void addExitButton(KyRect frame, std::function<void()> onExit);
  void addTitle(KyRect frame);

  KyDetectionScreenFrames frames_;
  std::shared_ptr<KyView> root_;
  std::shared_ptr<KyView> exitButton_;
  std::shared_ptr<KyLabel> titleLabel_;
  std::shared_ptr<KyLoopProgressView> progressView_;
  std::shared_ptr<KyFinishedView> finishView_;
  std::shared_ptr<LivingTypeCollection> livingTypeCollectionView_;
  std::shared_ptr<KyCameraPreviewLayer> previewLayer_;
  std::shared_ptr<KyCameraMaskView> cameraMaskView_;
  std::shared_ptr<UIMaskView> maskView_;
  mutable std::mutex colorMutex_;
  KyColor backgroundColor_;
};

template <typename Controller>
std::shared_ptr<KyDetectionScreen> KyDetectionScreen::build(Controller& controller, int64_t windowSwitchType) {
  std::shared_ptr<KyNavigationController> navigation = controller.KyViewController::navigationController();
  std::weak_ptr<KyViewController> weak = controller.weak_from_this();
  auto detection = [weak] { return std::static_pointer_cast<Controller>(weak.lock()); };
  Handlers handlers{[detection] {
                      if (auto c = detection()) c->onExitClick();
                    },
                    [detection] {
                      if (auto c = detection()) c->onContinueDetectClick();
                    }};
  return build(windowSwitchType, navigation ? navigation->navigationBarHeight() : 0, std::move(handlers));
}
