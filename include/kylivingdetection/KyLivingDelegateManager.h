// Listeners that can be told that living detection has ended. The library adds its
// progress rings; the host calls callLivingEnd when it wants them told.
#pragma once

#include <memory>
#include <vector>

class KyLivingEndListener {
 public:
  virtual ~KyLivingEndListener() = default;
  virtual void livingEnd() = 0;
};

class KyLivingDelegateManager {
 public:
  // The single shared manager, created on first call; starts with no listeners.
  static KyLivingDelegateManager* Instance();

  // Appends the listener and keeps it alive; listeners are never removed.
  void addDelegate(std::shared_ptr<KyLivingEndListener> listener);
  // Calls livingEnd on every listener in the order they were added, on the calling thread.
  void callLivingEnd();
  // The listeners in order of addition.
  std::shared_ptr<const std::vector<std::shared_ptr<KyLivingEndListener>>> delegateArray() const;

 private:
  KyLivingDelegateManager();
  struct State;
  std::shared_ptr<State> state_;
};
