#include "platform/virtualsubject/KyVirtualSubjectSource.h"

#include <algorithm>

namespace {

std::chrono::microseconds periodOf(double fps) {
  return std::chrono::microseconds(static_cast<int64_t>(1e6 / std::clamp(fps, 1.0, 120.0)));
}

int64_t epochMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

}  // namespace

KyVirtualSubjectSource::KyVirtualSubjectSource(std::string portraitPath, KyCaptureOptions options, double fps)
    : portraitPath_(portraitPath.empty() ? KyPortrait::kDefaultPath : std::move(portraitPath)),
      options_(options),
      framePeriod_(periodOf(fps)) {}

KyVirtualSubjectSource::KyVirtualSubjectSource(std::shared_ptr<const KyPortraitWarper> warper, double fps)
    : framePeriod_(periodOf(fps)), warper_(std::move(warper)) {}

void KyVirtualSubjectSource::setPoseProvider(PoseProvider provider) {
  std::lock_guard lock(mutex_);
  provider_ = std::move(provider);
}

void KyVirtualSubjectSource::setPose(const KySubjectPose& pose) {
  std::lock_guard lock(mutex_);
  pose_ = pose;
}

KySubjectPose KyVirtualSubjectSource::pose() const {
  std::lock_guard lock(mutex_);
  return pose_;
}

void KyVirtualSubjectSource::setPaced(bool paced) {
  std::lock_guard lock(mutex_);
  paced_ = paced;
}

bool KyVirtualSubjectSource::open(std::string& error) {
  if (warper_) return true;
  std::optional<KyPortrait> portrait = KyPortrait::load(portraitPath_, options_.width, options_.height, error);
  if (!portrait) return false;
  warper_ = std::make_shared<const KyPortraitWarper>(std::move(*portrait));
  return true;
}

KyFrameRead KyVirtualSubjectSource::read() {
  std::unique_lock lock(mutex_);
  if (!warper_) return KyFrameRead::ofStatus(KyFrameRead::Status::Failed, "virtual subject not opened");
  const Clock::time_point now = Clock::now();
  if (!start_) {
    start_ = now;
    nextDue_ = now;
  }
  if (paced_) wake_.wait_until(lock, nextDue_, [this] { return interrupted_; });
  if (interrupted_) return KyFrameRead::ofStatus(KyFrameRead::Status::Stopped);
  // A late reader does not get a burst of frames to catch up.
  nextDue_ = std::max(nextDue_ + framePeriod_, Clock::now());
  const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - *start_).count();
  const PoseProvider provider = provider_;
  const uint64_t seed = frameIndex_++;
  std::shared_ptr<const KyPortraitWarper> warper = warper_;
  KySubjectPose pose = pose_;
  lock.unlock();
  // The provider runs unlocked: it may well call setPose or pose().
  if (provider) {
    pose = provider(elapsedMs);
    setPose(pose);
  }
  return KyFrameRead::ofFrame(warper->render(pose, seed, epochMs()));
}

void KyVirtualSubjectSource::interrupt() {
  {
    std::lock_guard lock(mutex_);
    interrupted_ = true;
  }
  wake_.notify_all();
}

std::string KyVirtualSubjectSource::describe() const {
  return portraitPath_.empty() ? "virtual subject" : "virtual subject " + portraitPath_;
}
