// The UI layer under the screens: the UI loop and queues, animations, containers,
// presentation and windows.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ScreenTestSupport.h"
#include "platform/dispatch/KyConcurrentQueue.h"
#include "platform/ui/KyNavigationController.h"
#include "platform/ui/KyTabBarController.h"
#include "platform/ui/KyWindow.h"
#include "utils/KyLDCommUtil.h"

namespace {

TEST(MainLoop, RunsPostsFromAnyThreadInOrderOnTheUIThread) {
  drainUI();
  std::vector<int> order;
  std::atomic<int> offThread{0};
  std::thread poster([&] {
    for (int i = 0; i < 5; ++i) {
      KyMainLoop::shared().post([&, i] {
        if (!KyMainLoop::shared().isUIThread()) ++offThread;
        order.push_back(i);
      });
    }
  });
  poster.join();
  drainUI();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(offThread, 0);
}

TEST(MainLoop, RepeatingTimerFiresUntilInvalidated) {
  int ticks = 0;
  std::shared_ptr<KyTimer> timer;
  timer = KyMainLoop::shared().addTimer(std::chrono::milliseconds(1), true, [&] {
    if (++ticks == 3) timer->invalidate();
  });
  ASSERT_TRUE(runUIUntil([&] { return !timer->isValid(); }));
  KyMainLoop::shared().runUntil([] { return false; }, std::chrono::milliseconds(20));
  EXPECT_EQ(ticks, 3);
}

TEST(ConcurrentQueue, RunsTasksOnBackgroundWorkers) {
  std::atomic<int> done{0};
  std::atomic<bool> onCaller{false};
  const auto caller = std::this_thread::get_id();
  for (int i = 0; i < 8; ++i) {
    KyConcurrentQueue::shared().async([&] {
      if (std::this_thread::get_id() == caller) onCaller = true;
      ++done;
    });
  }
  ASSERT_TRUE(runUIUntil([&] { return done == 8; }));
  EXPECT_FALSE(onCaller);
}

TEST(Animation, ShowsTheValueBetweenOldAndNewWhileRunningAndTheNewOneAfter) {
  auto layer = std::make_shared<KyLayer>();
  layer->animateOpacity(0, {1.0, 0, KyTimingCurve::Linear});
  EXPECT_EQ(layer->opacity(), 0);  // the model value changes at once
  const auto start = std::chrono::steady_clock::now();
  const double midway = layer->presentationOpacity(start + std::chrono::milliseconds(500));
  EXPECT_GT(midway, 0.4);
  EXPECT_LT(midway, 0.6);
  EXPECT_EQ(layer->presentationOpacity(start + std::chrono::seconds(2)), 0);
  EXPECT_EQ(layer->presentationOpacity(std::nullopt), 0);
  bool replacedFinished = true, secondFinished = false;
  layer->animateOpacity(1, {1.0, 0, KyTimingCurve::Linear}, [&](bool f) { replacedFinished = f; });
  layer->animateOpacity(0.5, {1.0, 0, KyTimingCurve::Linear}, [&](bool f) { secondFinished = f; });
  EXPECT_FALSE(replacedFinished);
  EXPECT_EQ(layer->animationCount(), 1u);
  layer->finishAnimations();
  EXPECT_TRUE(secondFinished);
}

class Recorder : public KyNavigationControllerDelegate {
 public:
  std::vector<std::shared_ptr<KyViewController>> shown;
  void navigationController(KyNavigationController&, const std::shared_ptr<KyViewController>& vc, bool) override {
    shown.push_back(vc);
  }
};

TEST(NavigationContainer, TellsTheDelegateWhenEachScreenHasBeenShown) {
  auto root = std::make_shared<KyViewController>();
  auto detail = std::make_shared<KyViewController>();
  auto nav = KyNavigationController::initWithRootViewController(root);
  auto recorder = std::make_shared<Recorder>();
  nav->setDelegate(recorder);
  drainUI();
  recorder->shown.clear();

  nav->pushViewController(detail, true);
  EXPECT_EQ(detail->navigationController(), nav);
  EXPECT_TRUE(recorder->shown.empty());  // only once the slide has ended
  ASSERT_TRUE(runUIUntil([&] { return !recorder->shown.empty(); }));
  EXPECT_EQ(recorder->shown.back(), detail);
  EXPECT_EQ(root->view()->superview(), nullptr);

  EXPECT_EQ(nav->popViewControllerAnimated(true), detail);
  ASSERT_TRUE(runUIUntil([&] { return recorder->shown.size() == 2; }));
  EXPECT_EQ(recorder->shown.back(), root);
  EXPECT_EQ(detail->navigationController(), nullptr);
  EXPECT_EQ(detail->view()->superview(), nullptr);
  EXPECT_EQ(nav->popViewControllerAnimated(false), nullptr);  // the root stays
  EXPECT_EQ(nav->viewControllers().size(), 1u);
}

TEST(Presentation, PresentsOverTheWindowAndDismissesWithCompletions) {
  auto window = KyWindow::create();
  auto root = std::make_shared<KyViewController>();
  window->setRootViewController(root);
  auto shown = std::make_shared<KyViewController>();
  bool presented = false, dismissed = false;
  root->presentViewController(shown, true, [&] { presented = true; });
  EXPECT_EQ(shown->view()->superview(), window);
  ASSERT_TRUE(runUIUntil([&] { return presented; }));
  EXPECT_EQ(root->presentedViewController(), shown);
  EXPECT_EQ(shown->presentingViewController(), root);
  EXPECT_EQ(shown->window(), window);

  shown->dismissViewControllerAnimated(false, [&] { dismissed = true; });
  drainUI();
  EXPECT_TRUE(dismissed);
  EXPECT_EQ(root->presentedViewController(), nullptr);
  EXPECT_EQ(shown->view()->superview(), nullptr);
}

TEST(TabContainer, ShowsTheSelectedScreenOnly) {
  auto tabs = std::make_shared<KyTabBarController>();
  auto first = std::make_shared<KyViewController>();
  auto second = std::make_shared<KyViewController>();
  tabs->setViewControllers({first, second});
  EXPECT_EQ(tabs->selectedViewController(), first);
  tabs->setSelectedIndex(1);
  tabs->setSelectedIndex(7);
  EXPECT_EQ(tabs->selectedViewController(), second);
  EXPECT_EQ(second->view()->superview(), tabs->view());
  EXPECT_EQ(first->view()->superview(), nullptr);
  EXPECT_EQ(second->tabBarController(), tabs);
}

TEST(KeyWindow, IsTheKeyOneElseTheFirst) {
  auto first = KyWindow::create();
  auto second = KyWindow::create();
  EXPECT_EQ(KyLDCommUtil::getKeyWindow(), first);
  second->makeKeyAndVisible();
  EXPECT_EQ(KyLDCommUtil::getKeyWindow(), second);
  first->makeKeyAndVisible();
  EXPECT_FALSE(second->isKeyWindow());
  EXPECT_EQ(KyLDCommUtil::getKeyWindow(), first);
}

}  // namespace
