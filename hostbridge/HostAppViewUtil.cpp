#include "HostAppViewUtil.h"

#include "platform/ui/KyNavigationController.h"
#include "platform/ui/KyTabBarController.h"
#include "platform/ui/KyViewController.h"
#include "platform/ui/KyWindow.h"

std::shared_ptr<KyViewController> HostAppViewUtil::getViewController() {
  for (const std::shared_ptr<KyWindow>& window : KyWindow::windows()) {
    if (window->isKeyWindow()) return findCurrentShowingViewControllerFrom(window->rootViewController());
  }
  return nullptr;
}

std::shared_ptr<KyViewController> HostAppViewUtil::findCurrentShowingViewControllerFrom(
    std::shared_ptr<KyViewController> controller) {
  while (controller) {
    std::shared_ptr<KyViewController> next;
    if (controller->presentedViewController()) {
      next = controller->presentedViewController();
    } else if (auto tabs = std::dynamic_pointer_cast<KyTabBarController>(controller)) {
      next = tabs->selectedViewController();
    } else if (auto navigation = std::dynamic_pointer_cast<KyNavigationController>(controller)) {
      next = navigation->topViewController();
    }
    // An empty container is itself the shown screen.
    if (!next) return controller;
    controller = std::move(next);
  }
  return controller;
}
