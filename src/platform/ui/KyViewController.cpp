#include "platform/ui/KyViewController.h"

#include "platform/ui/KyMainLoop.h"
#include "platform/ui/KyNavigationController.h"
#include "platform/ui/KyScreen.h"
#include "platform/ui/KyTabBarController.h"
#include "platform/ui/KyWindow.h"

namespace {

// Runs when the transition is over: after its animation, or on the next loop turn.
void afterTransition(bool animated, std::function<void()> done) {
  if (!done) return;
  if (animated) {
    KyMainLoop::shared().addTimer(
        std::chrono::duration_cast<KyMainLoop::Clock::duration>(std::chrono::duration<double>(kKyTransitionDuration)),
        false, std::move(done));
  } else {
    KyMainLoop::shared().post(std::move(done));
  }
}

}  // namespace

const std::shared_ptr<KyView>& KyViewController::view() {
  if (!view_) {
    loadView();
    if (!view_) view_ = std::make_shared<KyView>(KyScreen::mainScreen().bounds());
    viewDidLoad();
  }
  return view_;
}

void KyViewController::loadView() {
  view_ = std::make_shared<KyView>(KyScreen::mainScreen().bounds());
  view_->setBackgroundColor({1, 1, 1, 1});
}

std::shared_ptr<KyNavigationController> KyViewController::navigationController() const {
  for (auto parent = parent_.lock(); parent; parent = parent->parent_.lock()) {
    if (auto nav = std::dynamic_pointer_cast<KyNavigationController>(parent)) return nav;
  }
  return nullptr;
}

std::shared_ptr<KyTabBarController> KyViewController::tabBarController() const {
  for (auto parent = parent_.lock(); parent; parent = parent->parent_.lock()) {
    if (auto tabs = std::dynamic_pointer_cast<KyTabBarController>(parent)) return tabs;
  }
  return nullptr;
}

std::shared_ptr<KyWindow> KyViewController::window() const {
  if (auto w = window_.lock()) return w;
  if (auto parent = parent_.lock()) return parent->window();
  if (auto presenter = presenting_.lock()) return presenter->window();
  return nullptr;
}

void KyViewController::presentViewController(const std::shared_ptr<KyViewController>& controller, bool animated,
                                             std::function<void()> completion) {
  std::shared_ptr<KyWindow> win = window();
  if (!controller || presented_ || !win) return;
  presented_ = controller;
  controller->presenting_ = weak_from_this();
  const std::shared_ptr<KyView>& shown = controller->view();
  shown->setFrame(KyScreen::mainScreen().bounds());
  win->addSubview(shown);
  if (animated) {
    shown->setTransform(KyTransform::translation(0, shown->frame().height));
    shown->animateTransform(KyTransform::identity(), {kKyTransitionDuration, 0, KyTimingCurve::EaseInOut});
  }
  afterTransition(animated, std::move(completion));
}

void KyViewController::dismissViewControllerAnimated(bool animated, std::function<void()> completion) {
  std::shared_ptr<KyViewController> presenter = presented_ ? shared_from_this() : presenting_.lock();
  if (!presenter || !presenter->presented_) return;
  std::shared_ptr<KyViewController> leaving = std::move(presenter->presented_);
  leaving->presenting_.reset();
  const std::shared_ptr<KyView> view = leaving->view();
  auto finish = [view, leaving, completion = std::move(completion)] {
    view->removeFromSuperview();
    view->setTransform(KyTransform::identity());
    if (completion) completion();
  };
  if (animated) {
    view->animateTransform(KyTransform::translation(0, view->frame().height),
                           {kKyTransitionDuration, 0, KyTimingCurve::EaseInOut});
  }
  afterTransition(animated, std::move(finish));
}
