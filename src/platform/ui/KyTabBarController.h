// A tab container: several screens, one shown at a time above a bar of their titles.
#pragma once

#include <memory>
#include <vector>

#include "platform/ui/KyViewController.h"

class KyTabBarController : public KyViewController {
 public:
  void setViewControllers(std::vector<std::shared_ptr<KyViewController>> controllers);
  const std::vector<std::shared_ptr<KyViewController>>& viewControllers() const { return tabs_; }
  size_t selectedIndex() const { return selected_; }
  // Out-of-range indices are ignored.
  void setSelectedIndex(size_t index);
  std::shared_ptr<KyViewController> selectedViewController() const;

  static constexpr double kTabBarHeight = 49;

 protected:
  void loadView() override;

 private:
  void showSelected();
  void rebuildBar();

  std::vector<std::shared_ptr<KyViewController>> tabs_;
  size_t selected_ = 0;
  std::shared_ptr<KyView> bar_;
};
