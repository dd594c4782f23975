#include "platform/ui/KyNavigationController.h"

#include "platform/ui/KyMainLoop.h"
#include "platform/ui/KyScreen.h"

namespace {

KyMainLoop::Clock::duration transitionTime() {
  return std::chrono::duration_cast<KyMainLoop::Clock::duration>(std::chrono::duration<double>(kKyTransitionDuration));
}

}  // namespace

std::shared_ptr<KyNavigationController> KyNavigationController::initWithRootViewController(
    std::shared_ptr<KyViewController> root) {
  auto nav = std::make_shared<KyNavigationController>();
  nav->view();
  if (root) nav->pushViewController(root, false);
  return nav;
}

double KyNavigationController::barsBottom() const {
  return KyScreen::mainScreen().statusBarHeight() + navigationBarHeight();
}

void KyNavigationController::loadView() {
  const KyRect screen = KyScreen::mainScreen().bounds();
  auto root = std::make_shared<KyView>(screen);
  root->setBackgroundColor({1, 1, 1, 1});
  bar_ = std::make_shared<KyView>(KyRect{0, 0, screen.width, barsBottom()});
  bar_->setBackgroundColor({0.97f, 0.97f, 0.97f, 1});
  const double top = KyScreen::mainScreen().statusBarHeight();
  barTitle_ = std::make_shared<KyLabel>(KyRect{60, top, screen.width - 120, navigationBarHeight()});
  barTitle_->setFont(KyFont::boldSystemFontOfSize(17));
  barTitle_->setTextAlignment(KyTextAlignment::Center);
  backButton_ = std::make_shared<KyLabel>(KyRect{8, top, 60, navigationBarHeight()});
  backButton_->setText("<");
  backButton_->setFont(KyFont::boldSystemFontOfSize(22));
  backButton_->setTextColor({0, 0.48f, 1, 1});
  backButton_->addTapHandler([weak = std::weak_ptr<KyNavigationController>(
                                  std::static_pointer_cast<KyNavigationController>(shared_from_this()))] {
    if (auto nav = weak.lock()) nav->popViewControllerAnimated(true);
  });
  bar_->addSubview(barTitle_);
  bar_->addSubview(backButton_);
  root->addSubview(bar_);
  setView(root);
}

std::shared_ptr<KyViewController> KyNavigationController::topViewController() const {
  return stack_.empty() ? nullptr : stack_.back();
}

void KyNavigationController::pushViewController(const std::shared_ptr<KyViewController>& controller, bool animated) {
  if (!controller || controller->parent_.lock()) return;
  std::shared_ptr<KyViewController> leaving = topViewController();
  controller->parent_ = weak_from_this();
  stack_.push_back(controller);
  showTop(leaving, animated && leaving != nullptr, true);
}

std::shared_ptr<KyViewController> KyNavigationController::popViewControllerAnimated(bool animated) {
  if (stack_.size() < 2) return nullptr;
  std::shared_ptr<KyViewController> leaving = stack_.back();
  stack_.pop_back();
  leaving->parent_.reset();
  showTop(leaving, animated, false);
  return leaving;
}

// Puts the top screen's view under the bar and moves the leaving one out, sliding
// horizontally when animated; the delegate hears of it when the move is over.
void KyNavigationController::showTop(const std::shared_ptr<KyViewController>& leaving, bool animated, bool forward) {
  const std::shared_ptr<KyView>& container = view();
  const std::shared_ptr<KyViewController> top = topViewController();
  const std::shared_ptr<KyView>& shown = top->view();
  const KyRect screen = container->bounds();
  const double y = top->extendedLayoutIncludesOpaqueBars() ? 0 : barsBottom();
  shown->setFrame({0, y, screen.width, screen.height - y});
  container->addSubview(shown);
  container->bringSubviewToFront(bar_);
  updateBar();
  std::shared_ptr<KyView> leavingView = leaving ? leaving->view() : nullptr;
  if (!animated) {
    if (leavingView) leavingView->removeFromSuperview();
    KyMainLoop::shared().post([self = std::static_pointer_cast<KyNavigationController>(shared_from_this())] {
      self->notifyShown(false);
    });
    return;
  }
  const KyAnimationOptions slide{kKyTransitionDuration, 0, KyTimingCurve::EaseInOut};
  if (forward) {
    shown->setTransform(KyTransform::translation(screen.width, 0));
    shown->animateTransform(KyTransform::identity(), slide);
  } else if (leavingView) {
    container->bringSubviewToFront(leavingView);
    container->bringSubviewToFront(bar_);
    leavingView->animateTransform(KyTransform::translation(screen.width, 0), slide);
  }
  KyMainLoop::shared().addTimer(transitionTime(), false,
                                [self = std::static_pointer_cast<KyNavigationController>(shared_from_this()),
                                 leavingView, top] {
                                  if (leavingView && self->topViewController() != nullptr &&
                                      leavingView != self->topViewController()->view()) {
                                    leavingView->removeFromSuperview();
                                    leavingView->setTransform(KyTransform::identity());
                                  }
                                  self->notifyShown(true);
                                });
}

void KyNavigationController::updateBar() {
  const std::shared_ptr<KyViewController> top = topViewController();
  barTitle_->setText(top ? top->title() : "");
  backButton_->setHidden(stack_.size() < 2);
}

void KyNavigationController::notifyShown(bool animated) {
  std::shared_ptr<KyViewController> top = topViewController();
  if (!top) return;
  if (std::shared_ptr<KyNavigationControllerDelegate> d = delegate()) d->navigationController(*this, top, animated);
}
