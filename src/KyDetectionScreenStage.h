// The detection screen as a session starts, without camera or session: pushed onto a
// navigation container (window switch type 1) or presented over a plain screen (other
// types), in a window of its own. Used to draw the screen headless and to show it in a
// desktop window. UI thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "KyDetectionScreen.h"
#include "platform/ui/KyWindow.h"

class KyDetectionScreenStage {
 public:
  // Shows the screen and runs the UI work that showing it posted.
  static std::shared_ptr<KyDetectionScreenStage> make(int64_t windowSwitchType, int32_t livingType,
                                                      KyDetectionScreen::Handlers handlers = {});

  const std::shared_ptr<KyWindow>& window() const { return window_; }
  const std::shared_ptr<KyDetectionScreen>& screen() const { return screen_; }
  const std::shared_ptr<KyViewController>& controller() const { return controller_; }
  // The window drawn with every value final, as a PNG file.
  bool writePNG(const std::string& path) const;

 private:
  std::shared_ptr<KyWindow> window_;
  std::shared_ptr<KyViewController> controller_;
  std::shared_ptr<KyDetectionScreen> screen_;
};
