// A screen: owns a view made on first use (the load step), and can present another screen
// over itself, full screen, or be shown inside a navigation or tab container.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/ui/KyView.h"

class KyNavigationController;
class KyTabBarController;
class KyWindow;

enum class KyModalPresentationStyle { FullScreen };

class KyViewController : public std::enable_shared_from_this<KyViewController> {
 public:
  KyViewController() = default;
  virtual ~KyViewController() = default;
  KyViewController(const KyViewController&) = delete;
  KyViewController& operator=(const KyViewController&) = delete;

  // The screen's view, loaded (loadView, then viewDidLoad) on the first call.
  const std::shared_ptr<KyView>& view();
  bool isViewLoaded() const { return view_ != nullptr; }

  const std::string& title() const { return title_; }
  void setTitle(std::string title) { title_ = std::move(title); }
  KyModalPresentationStyle modalPresentationStyle() const { return presentationStyle_; }
  void setModalPresentationStyle(KyModalPresentationStyle style) { presentationStyle_ = style; }
  bool extendedLayoutIncludesOpaqueBars() const { return extendedLayout_; }
  void setExtendedLayoutIncludesOpaqueBars(bool extends) { extendedLayout_ = extends; }

  std::shared_ptr<KyNavigationController> navigationController() const;
  std::shared_ptr<KyTabBarController> tabBarController() const;
  std::shared_ptr<KyViewController> presentedViewController() const { return presented_; }
  std::shared_ptr<KyViewController> presentingViewController() const { return presenting_.lock(); }
  // The window showing this screen (through its containers and presenters), if any.
  std::shared_ptr<KyWindow> window() const;

  // Shows `controller` over the window, sliding up when animated; completion runs on the
  // UI thread once it is shown.
  void presentViewController(const std::shared_ptr<KyViewController>& controller, bool animated,
                             std::function<void()> completion = {});
  // Dismisses the screen this one presents or, when it presents none, this screen itself.
  void dismissViewControllerAnimated(bool animated, std::function<void()> completion = {});

 protected:
  // Makes the view: by default a plain view the size of the main screen.
  virtual void loadView();
  virtual void viewDidLoad() {}
  void setView(std::shared_ptr<KyView> view) { view_ = std::move(view); }

 private:
  friend class KyNavigationController;
  friend class KyTabBarController;
  friend class KyWindow;

  std::shared_ptr<KyView> view_;
  std::string title_;
  KyModalPresentationStyle presentationStyle_ = KyModalPresentationStyle::FullScreen;
  bool extendedLayout_ = false;
  std::weak_ptr<KyViewController> parent_;  // navigation or tab container
  std::weak_ptr<KyWindow> window_;          // set on a window's root screen
  std::shared_ptr<KyViewController> presented_;
  std::weak_ptr<KyViewController> presenting_;
};

// How long container and presentation transitions take, in seconds.
inline constexpr double kKyTransitionDuration = 0.3;
