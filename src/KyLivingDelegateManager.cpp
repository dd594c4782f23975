#include <kylivingdetection/KyLivingDelegateManager.h>

#include <mutex>

// The list is never changed in place: adding publishes a new list, so a call running over
// the old one is never disturbed by a concurrent add.
struct KyLivingDelegateManager::State {
  using List = std::vector<std::shared_ptr<KyLivingEndListener>>;
  mutable std::mutex mutex;
  std::shared_ptr<const List> delegateArray = std::make_shared<const List>();
};

KyLivingDelegateManager::KyLivingDelegateManager() : state_(std::make_shared<State>()) {}

KyLivingDelegateManager* KyLivingDelegateManager::Instance() {
  static KyLivingDelegateManager* const instance = new KyLivingDelegateManager();
  return instance;
}

void KyLivingDelegateManager::addDelegate(std::shared_ptr<KyLivingEndListener> listener) {
  if (!listener) return;
  std::lock_guard<std::mutex> lock(state_->mutex);
  auto grown = std::make_shared<State::List>(*state_->delegateArray);
  grown->push_back(std::move(listener));
  state_->delegateArray = std::move(grown);
}

void KyLivingDelegateManager::callLivingEnd() {
  for (const std::shared_ptr<KyLivingEndListener>& listener : *delegateArray()) listener->livingEnd();
}

std::shared_ptr<const std::vector<std::shared_ptr<KyLivingEndListener>>> KyLivingDelegateManager::delegateArray()
    const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->delegateArray;
}
