// The continue overlay over the camera preview: a translucent disc saying
// "更换环境后点我继续" (change the environment, then tap me). Starts hidden.
#pragma once

#include <memory>

#include "platform/ui/KyLabel.h"

class KyCameraMaskView : public KyView {
 public:
  static std::shared_ptr<KyCameraMaskView> initWithFrame(KyRect rect);
  explicit KyCameraMaskView(KyRect rect);

  const std::shared_ptr<KyLabel>& label() const { return label_; }

 private:
  std::shared_ptr<KyLabel> label_;
};
