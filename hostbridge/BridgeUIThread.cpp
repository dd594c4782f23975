#include "BridgeUIThread.h"

#include "HostAppViewUtil.h"
#include "platform/ui/KyMainLoop.h"
#include "platform/ui/KyViewController.h"
#include "platform/ui/KyWindow.h"

BridgeUIThread& BridgeUIThread::shared() {
  static BridgeUIThread* thread = new BridgeUIThread();
  return *thread;
}

void BridgeUIThread::post(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    startLocked();
  }
  KyMainLoop::shared().post(std::move(task));
}

void BridgeUIThread::startLocked() {
  if (thread_.joinable()) return;
  thread_ = std::thread([] { KyMainLoop::shared().run(); });
}

void BridgeUIThread::stop() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!thread_.joinable()) return;
  // Quitting from inside the loop: a quit before the loop entered would be undone by its start.
  KyMainLoop::shared().post([this] {
    window_.reset();
    KyMainLoop::shared().quit();
  });
  thread_.join();
}

std::shared_ptr<KyViewController> BridgeUIThread::shownScreen() {
  if (std::shared_ptr<KyViewController> shown = HostAppViewUtil::getViewController()) return shown;
  window_ = KyWindow::create();
  window_->setRootViewController(std::make_shared<KyViewController>());
  window_->makeKeyAndVisible();
  return HostAppViewUtil::getViewController();
}
