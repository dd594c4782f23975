// A frame source showing a virtual subject: a portrait warped, frame by frame, into the pose
// that its pose provider (a timeline, a performer following the screen) or setPose gives.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

#include "platform/camera/KyFrameSource.h"
#include "platform/virtualsubject/KyPortraitWarper.h"

class KyVirtualSubjectSource : public KyFrameSource {
 public:
  // The pose for a frame, from the milliseconds since the first frame.
  using PoseProvider = std::function<KySubjectPose(int64_t elapsedMs)>;

  // portraitPath empty: the default portrait. The portrait is loaded and fitted by open().
  explicit KyVirtualSubjectSource(std::string portraitPath = {}, KyCaptureOptions options = {}, double fps = 20);
  // A source over a portrait already placed (tests, tools that render many sessions).
  explicit KyVirtualSubjectSource(std::shared_ptr<const KyPortraitWarper> warper, double fps = 20);

  // Replaces the pose provider; without one, frames show the pose last set.
  void setPoseProvider(PoseProvider provider);
  void setPose(const KySubjectPose& pose);
  KySubjectPose pose() const;
  // Off: read() answers at once instead of keeping the frame rate.
  void setPaced(bool paced);

  bool open(std::string& error) override;
  KyFrameRead read() override;
  void interrupt() override;
  std::string describe() const override;

 private:
  using Clock = std::chrono::steady_clock;

  std::string portraitPath_;
  KyCaptureOptions options_;
  std::chrono::microseconds framePeriod_;
  std::shared_ptr<const KyPortraitWarper> warper_;

  mutable std::mutex mutex_;
  std::condition_variable wake_;
  PoseProvider provider_;
  KySubjectPose pose_;
  bool paced_ = true;
  bool interrupted_ = false;
  std::optional<Clock::time_point> start_;
  Clock::time_point nextDue_;
  uint64_t frameIndex_ = 0;
};
