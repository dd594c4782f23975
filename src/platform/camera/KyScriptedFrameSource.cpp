#include "platform/camera/KyScriptedFrameSource.h"

void KyScriptedFrameSource::push(KySampleBuffer frame) {
  {
    std::lock_guard lock(mutex_);
    frames_.push_back(std::move(frame));
  }
  changed_.notify_all();
}

void KyScriptedFrameSource::finish() {
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
  }
  changed_.notify_all();
}

void KyScriptedFrameSource::fail(std::string reason) {
  {
    std::lock_guard lock(mutex_);
    failure_ = reason.empty() ? "scripted failure" : std::move(reason);
  }
  changed_.notify_all();
}

size_t KyScriptedFrameSource::pending() const {
  std::lock_guard lock(mutex_);
  return frames_.size();
}

bool KyScriptedFrameSource::open(std::string&) {
  std::lock_guard lock(mutex_);
  interrupted_ = false;
  return true;
}

KyFrameRead KyScriptedFrameSource::read() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return interrupted_ || !frames_.empty() || finished_ || !failure_.empty(); });
  if (interrupted_) return KyFrameRead::ofStatus(KyFrameRead::Status::Stopped);
  if (!frames_.empty()) {
    KySampleBuffer frame = std::move(frames_.front());
    frames_.pop_front();
    return KyFrameRead::ofFrame(std::move(frame));
  }
  if (!failure_.empty()) return KyFrameRead::ofStatus(KyFrameRead::Status::Failed, failure_);
  return KyFrameRead::ofStatus(KyFrameRead::Status::End);
}

void KyScriptedFrameSource::interrupt() {
  {
    std::lock_guard lock(mutex_);
    interrupted_ = true;
  }
  changed_.notify_all();
}
