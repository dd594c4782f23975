#include "platform/ui/KyTabBarController.h"

#include "platform/ui/KyLabel.h"

void KyTabBarController::loadView() {
  KyViewController::loadView();
  const KyRect b = view()->bounds();
  bar_ = std::make_shared<KyView>(KyRect{0, b.height - kTabBarHeight, b.width, kTabBarHeight});
  bar_->setBackgroundColor({0.97f, 0.97f, 0.97f, 1});
  view()->addSubview(bar_);
}

void KyTabBarController::setViewControllers(std::vector<std::shared_ptr<KyViewController>> controllers) {
  for (const auto& old : tabs_) {
    old->parent_.reset();
    if (old->isViewLoaded()) old->view()->removeFromSuperview();
  }
  tabs_ = std::move(controllers);
  for (const auto& tab : tabs_) tab->parent_ = weak_from_this();
  selected_ = 0;
  rebuildBar();
  showSelected();
}

void KyTabBarController::setSelectedIndex(size_t index) {
  if (index >= tabs_.size() || index == selected_) return;
  if (auto old = selectedViewController(); old && old->isViewLoaded()) old->view()->removeFromSuperview();
  selected_ = index;
  showSelected();
}

std::shared_ptr<KyViewController> KyTabBarController::selectedViewController() const {
  return selected_ < tabs_.size() ? tabs_[selected_] : nullptr;
}

void KyTabBarController::showSelected() {
  std::shared_ptr<KyViewController> tab = selectedViewController();
  if (!tab) return;
  const KyRect b = view()->bounds();
  tab->view()->setFrame({0, 0, b.width, b.height - kTabBarHeight});
  view()->addSubview(tab->view());
  view()->bringSubviewToFront(bar_);
}

void KyTabBarController::rebuildBar() {
  view();
  while (!bar_->subviews().empty()) bar_->subviews().back()->removeFromSuperview();
  if (tabs_.empty()) return;
  const double width = bar_->frame().width / static_cast<double>(tabs_.size());
  for (size_t i = 0; i < tabs_.size(); ++i) {
    auto item = std::make_shared<KyLabel>(KyRect{width * static_cast<double>(i), 0, width, kTabBarHeight});
    item->setText(tabs_[i]->title());
    item->setTextAlignment(KyTextAlignment::Center);
    item->setFont(KyFont::systemFontOfSize(12));
    item->addTapHandler([weak = weak_from_this(), i] {
      if (auto self = std::static_pointer_cast<KyTabBarController>(weak.lock())) self->setSelectedIndex(i);
    });
    bar_->addSubview(item);
  }
}
