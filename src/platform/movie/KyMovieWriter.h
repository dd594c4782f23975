// Writes camera frames to an H.264 movie (.mov) with FFmpeg and libx264; video only.
//
// Use: create for a file, set up the video input once the first frame's size is known, append
// frames, then finishWriting. Frames are centre-cropped to the square output (aspect-fill) and
// timed by their capture timestamps. Appends come from the frame queue, finishing from any thread;
// the completion runs on the writer's own finishing thread.
#pragma once

#include <kylivingdetection/KySampleBuffer.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

struct KyMovieVideoSettings {
  enum class ScalingMode { ResizeAspectFill };

  std::string codec = "H.264";
  ScalingMode scalingMode = ScalingMode::ResizeAspectFill;
  int32_t width = 0;
  int32_t height = 0;
  int64_t averageBitRate = 3500000;
  int32_t maxKeyFrameInterval = 64000;

  // The settings for frames of this size: a square of the smaller side.
  static KyMovieVideoSettings forFrame(int32_t frameWidth, int32_t frameHeight);
};

class KyMovieWriter {
 public:
  enum class Status { Unknown, Writing, Finishing, Completed, Failed };

  explicit KyMovieWriter(std::string outputPath);
  // Waits for a finish in progress; a file never finished is finished here, so it stays playable.
  ~KyMovieWriter();
  KyMovieWriter(const KyMovieWriter&) = delete;
  KyMovieWriter& operator=(const KyMovieWriter&) = delete;

  // True once the video input is set up and the writer has not failed or finished.
  bool isVideoInputReady() const;
  // Opens the file and the encoder; false (see error()) when either cannot be opened.
  bool setUpVideoInput(const KyMovieVideoSettings& settings);
  // Encodes one frame; false when the input is not ready or the frame cannot be written.
  bool appendVideoSampleBuffer(const KySampleBuffer& frame);
  // Flushes the encoder and closes the file on a worker thread, then runs the completion there.
  void finishWriting(std::function<void()> completion);

  Status status() const;
  std::string error() const;
  int64_t framesWritten() const;
  const std::string& outputPath() const { return outputPath_; }

 private:
  struct Encoder;

  void fail(const std::string& message);
  void finishLocked();

  const std::string outputPath_;
  mutable std::mutex mutex_;
  Status status_ = Status::Unknown;
  std::string error_;
  std::unique_ptr<Encoder> encoder_;
  std::mutex finisherMutex_;  // guards finisher_; never held by the finishing thread
  std::thread finisher_;
};
