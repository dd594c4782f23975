// Finds the screen the application shows now, from which the detection screen is presented.
// Call on the UI thread: it walks live screen containers.
#pragma once

#include <memory>

class KyViewController;

class HostAppViewUtil {
 public:
  // The screen now shown, starting from the root screen of the key window; null without one.
  static std::shared_ptr<KyViewController> getViewController();
  // Follows presented screens, selected tabs and visible navigation screens down to the shown one.
  static std::shared_ptr<KyViewController> findCurrentShowingViewControllerFrom(
      std::shared_ptr<KyViewController> controller);
};
