#include "platform/ui/KyWindow.h"

#include <algorithm>
#include <mutex>

#include "platform/ui/KyScreen.h"

namespace {

// The application's window list; windows leave it when they are destroyed.
struct WindowList {
  std::mutex mutex;
  std::vector<std::weak_ptr<KyWindow>> windows;
};

WindowList& windowList() {
  static WindowList list;
  return list;
}

}  // namespace

std::shared_ptr<KyWindow> KyWindow::create() {
  auto window = std::make_shared<KyWindow>(KyScreen::mainScreen().bounds());
  WindowList& list = windowList();
  std::lock_guard lock(list.mutex);
  list.windows.push_back(window);
  return window;
}

KyWindow::KyWindow(KyRect frame) : KyView(frame) { setBackgroundColor({0, 0, 0, 1}); }

KyWindow::~KyWindow() {
  WindowList& list = windowList();
  std::lock_guard lock(list.mutex);
  auto& w = list.windows;
  w.erase(std::remove_if(w.begin(), w.end(), [](const auto& weak) { return weak.expired(); }), w.end());
}

void KyWindow::setRootViewController(std::shared_ptr<KyViewController> controller) {
  if (root_) {
    root_->view()->removeFromSuperview();
    root_->window_.reset();
  }
  root_ = std::move(controller);
  if (!root_) return;
  root_->window_ = std::static_pointer_cast<KyWindow>(shared_from_this());
  const std::shared_ptr<KyView>& view = root_->view();
  view->setFrame(bounds());
  addSubview(view);
}

void KyWindow::makeKeyAndVisible() {
  for (const auto& other : windows()) other->key_ = false;
  key_ = true;
  setHidden(false);
}

std::vector<std::shared_ptr<KyWindow>> KyWindow::windows() {
  WindowList& list = windowList();
  std::lock_guard lock(list.mutex);
  std::vector<std::shared_ptr<KyWindow>> out;
  for (const auto& weak : list.windows) {
    if (auto w = weak.lock()) out.push_back(w);
  }
  return out;
}
