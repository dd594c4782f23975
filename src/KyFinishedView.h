// The finish view: draws nothing; playAnimation waits and then runs the given callback on
// the calling thread.
#pragma once

#include <functional>
#include <memory>

#include "platform/ui/KyView.h"

class KyFinishedView : public KyView {
 public:
  static std::shared_ptr<KyFinishedView> initWithFrame(KyRect rect) { return std::make_shared<KyFinishedView>(rect); }
  explicit KyFinishedView(KyRect rect) : KyView(rect) {}

  // Sleeps `duration` seconds (none when 0 or less), then calls callback before returning.
  void playAnimation(float duration, const std::function<void()>& callback);
};
