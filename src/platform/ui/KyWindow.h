// A window: the top of a view tree, showing its root screen and, above it, the screens
// presented over it. The application keeps a list of its windows; one may be the key window.
#pragma once

#include <memory>
#include <vector>

#include "platform/ui/KyView.h"
#include "platform/ui/KyViewController.h"

class KyWindow : public KyView {
 public:
  // A window the size of the main screen, added to the application's window list.
  static std::shared_ptr<KyWindow> create();
  explicit KyWindow(KyRect frame);
  ~KyWindow() override;

  const std::shared_ptr<KyViewController>& rootViewController() const { return root_; }
  void setRootViewController(std::shared_ptr<KyViewController> controller);
  // Makes this the key window (the previous key window loses the state) and shows it.
  void makeKeyAndVisible();
  bool isKeyWindow() const { return key_; }

  // The application's windows, oldest first.
  static std::vector<std::shared_ptr<KyWindow>> windows();

 private:
  std::shared_ptr<KyViewController> root_;
  bool key_ = false;
};
