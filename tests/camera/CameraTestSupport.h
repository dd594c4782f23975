// Shared helpers of the camera and movie tests: scratch directories, clips made with ffmpeg,
// ffprobe answers and a one-shot event to wait on.
#pragma once

#include <kylivingdetection/KySampleBuffer.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>

// A fresh directory under the build tree, removed with the object.
class ScratchDirectory {
 public:
  ScratchDirectory();
  ~ScratchDirectory();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Runs a shell command; answers its standard output, or fails the calling test when it exits non-zero.
std::string runCommand(const std::string& command);

// Makes an H.264 clip of `frames` frames at `fps` from an ffmpeg lavfi picture description
// (e.g. "testsrc=size=640x480"), answering its path.
std::string makeClip(const ScratchDirectory& dir, const std::string& name, const std::string& picture, int frames,
                     int fps = 30);

// What ffprobe reports of a file: its container and its first video stream (frames counted).
struct ProbedMovie {
  std::string formatName;
  std::string codecName;
  int width = 0;
  int height = 0;
  int frames = 0;
  int streams = 0;  // of any kind
};
ProbedMovie probeMovie(const std::string& path);
// The first picture of a movie as RGB bytes (width * height * 3).
std::string firstPictureRGB(const std::string& path);

// A frame of one BGRA colour, with the given capture time.
KySampleBuffer solidFrame(int32_t width, int32_t height, uint8_t b, uint8_t g, uint8_t r, int64_t timestampMs = 0);

// Set once, waited on by others; waits give up after a generous safety limit so a fault fails the
// test instead of hanging it (no assertion is made about how long anything takes).
class Event {
 public:
  void set();
  bool wait(std::chrono::seconds limit = std::chrono::seconds(20));

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool set_ = false;
};

// Name of the calling thread.
std::string currentThreadName();
