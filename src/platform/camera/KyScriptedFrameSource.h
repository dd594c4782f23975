// A frame source fed by its owner (tests, tools): frames pushed are read back in order, unchanged.
#pragma once

#include "platform/camera/KyFrameSource.h"

#include <condition_variable>
#include <deque>
#include <mutex>

class KyScriptedFrameSource : public KyFrameSource {
 public:
  // Queues a frame for the reader.
  void push(KySampleBuffer frame);
  // After the queued frames, reads answer End.
  void finish();
  // After the queued frames, reads answer Failed with this reason.
  void fail(std::string reason);
  // Frames pushed but not yet read.
  size_t pending() const;

  bool open(std::string& error) override;
  KyFrameRead read() override;
  void interrupt() override;
  std::string describe() const override { return "scripted source"; }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<KySampleBuffer> frames_;
  bool finished_ = false;
  bool interrupted_ = false;
  std::string failure_;
};
