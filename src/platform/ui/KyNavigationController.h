// A navigation container: a stack of screens with a bar on top. Pushing slides a screen
// in, popping slides it out; when a screen has been shown the delegate is told.
#pragma once

#include <memory>
#include <vector>

#include "platform/ui/KyLabel.h"
#include "platform/ui/KyViewController.h"

class KyNavigationController;

class KyNavigationControllerDelegate {
 public:
  virtual ~KyNavigationControllerDelegate() = default;
  // A screen has been shown (after its transition ended), on the UI thread.
  virtual void navigationController(KyNavigationController& navigationController,
                                    const std::shared_ptr<KyViewController>& shown, bool animated) = 0;
};

class KyNavigationController : public KyViewController {
 public:
  static std::shared_ptr<KyNavigationController> initWithRootViewController(std::shared_ptr<KyViewController> root);

  const std::vector<std::shared_ptr<KyViewController>>& viewControllers() const { return stack_; }
  std::shared_ptr<KyViewController> topViewController() const;
  void pushViewController(const std::shared_ptr<KyViewController>& controller, bool animated);
  // Removes the top screen (never the root); answers it, or none.
  std::shared_ptr<KyViewController> popViewControllerAnimated(bool animated);

  // Held weakly: the delegate keeps itself alive.
  void setDelegate(std::weak_ptr<KyNavigationControllerDelegate> delegate) { delegate_ = std::move(delegate); }
  std::shared_ptr<KyNavigationControllerDelegate> delegate() const { return delegate_.lock(); }

  double navigationBarHeight() const { return 44; }
  // Status bar plus navigation bar: where content starts unless it extends under the bars.
  double barsBottom() const;

 protected:
  void loadView() override;

 private:
  void showTop(const std::shared_ptr<KyViewController>& leaving, bool animated, bool forward);
  void updateBar();
  void notifyShown(bool animated);

  std::vector<std::shared_ptr<KyViewController>> stack_;
  std::weak_ptr<KyNavigationControllerDelegate> delegate_;
  std::shared_ptr<KyView> bar_;
  std::shared_ptr<KyLabel> barTitle_;
  std::shared_ptr<KyLabel> backButton_;
};
