// Frames from a video file or a V4L2 camera, read, decoded and converted with FFmpeg's libraries.
//
// A video file is paced at its own frame rate (each picture is held back until its presentation
// time, counted from the first one) unless pacing is turned off; a camera is paced by the device.
#pragma once

#include "platform/camera/KyFrameConverter.h"
#include "platform/camera/KyFrameSource.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>

class KyLibavFrameSource : public KyFrameSource {
 public:
  static std::shared_ptr<KyLibavFrameSource> videoFile(std::string path, KyCaptureOptions options = {});
  // A V4L2 device such as "/dev/video0"; asks it for 640 x 480 at 30 frames a second when it can.
  static std::shared_ptr<KyLibavFrameSource> cameraDevice(std::string devicePath, KyCaptureOptions options = {});

  bool open(std::string& error) override;
  KyFrameRead read() override;
  void interrupt() override;
  std::string describe() const override;

  // Nominal frames per second of the opened stream (0 when unknown).
  double frameRate() const { return frameRate_; }
  // Size of the pictures in the source itself, before cropping and scaling.
  int32_t sourceWidth() const { return codec_ ? codec_->width : 0; }
  int32_t sourceHeight() const { return codec_ ? codec_->height : 0; }

 private:
  enum class Kind { File, Camera };
  KyLibavFrameSource(Kind kind, std::string path, KyCaptureOptions options);

  int openInput(bool askForPreferredFormat);
  bool openDecoder(std::string& error);
  // Next decoded picture into picture_; Frame, End, Stopped or Failed.
  KyFrameRead::Status decodeNext(std::string& error);
  // Holds the picture back until its presentation time; false when interrupted meanwhile.
  bool waitUntilDue();
  static int interruptCallback(void* self);

  Kind kind_;
  std::string path_;
  KyCaptureOptions options_;
  KyFrameConverter converter_;
  KyAVInputPtr input_;
  KyAVCodecPtr codec_;
  KyAVFramePtr picture_;
  KyAVPacketPtr packet_;
  int streamIndex_ = -1;
  double frameRate_ = 0;
  bool draining_ = false;
  int64_t picturesDecoded_ = 0;
  std::optional<double> firstPictureSeconds_;
  std::chrono::steady_clock::time_point startedAt_;

  std::atomic<bool> interrupted_{false};
  std::mutex waitMutex_;
  std::condition_variable interruptedSignal_;
};
