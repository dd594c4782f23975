// The overlay over the camera preview that shows the face-outline guide and, once the
// detection has finished, a darkened disc with a turning spinner. Its operations may be
// called from any thread; the flags are set at once and the view changes run on the UI thread.
#pragma once

#include <atomic>
#include <memory>

#include "platform/ui/KyImageView.h"
#include "platform/ui/KyShapeLayer.h"

class UIMaskView : public KyView {
 public:
  // Outline visible, spinner and dark disc hidden.
  static std::shared_ptr<UIMaskView> initWithFrame(KyRect rect);
  explicit UIMaskView(KyRect rect);

  void showPeopleOutlineView();
  void hidePeopleOutlineView();
  // Replaces the outline by the dark disc and the turning spinner (once).
  void startWaitingImgView();
  // One rotation step; it starts the next when it ends while the spinner is shown.
  void rotateWaitingImage();
  // Lets the running step end and starts no more.
  void stopWaitingImageRotate();

  const std::shared_ptr<KyImageView>& peopleOutlineImgView() const { return peopleOutlineImgView_; }
  const std::shared_ptr<KyImageView>& waitingImageView() const { return waitingImageView_; }
  const std::shared_ptr<KyShapeLayer>& bgLayer() const { return bgLayer_; }
  bool isPeopleOutlineViewShow() const { return isPeopleOutlineViewShow_; }
  bool isWaitingImageViewShow() const { return isWaitingImageViewShow_; }

  // Duration of the outline fades and of one spinner step, in seconds.
  static constexpr double kFadeDuration = 0.5;
  static constexpr double kRotationStepDuration = 0.5;

 private:
  void fadeOutline(double alpha);

  std::shared_ptr<KyImageView> peopleOutlineImgView_;
  std::shared_ptr<KyImageView> waitingImageView_;
  std::shared_ptr<KyShapeLayer> bgLayer_;
  std::atomic<bool> isPeopleOutlineViewShow_{true};
  std::atomic<bool> isWaitingImageViewShow_{false};
};
