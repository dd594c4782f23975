#include "CameraTestSupport.h"

#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <vector>

ScratchDirectory::ScratchDirectory() {
  static std::atomic<int> counter{0};
  path_ = std::string(KYLD_BINARY_DIR) + "/test-scratch/camera-" + std::to_string(::getpid()) + "-" +
          std::to_string(counter++);
  std::filesystem::remove_all(path_);
  std::filesystem::create_directories(path_);
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string runCommand(const std::string& command) {
  std::string output;
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (!pipe) {
    ADD_FAILURE() << "cannot run " << command;
    return output;
  }
  std::array<char, 4096> chunk{};
  size_t got;
  while ((got = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0) output.append(chunk.data(), got);
  const int status = ::pclose(pipe);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) ADD_FAILURE() << "command failed: " << command;
  return output;
}

std::string makeClip(const ScratchDirectory& dir, const std::string& name, const std::string& picture, int frames,
                     int fps) {
  const std::string path = dir.file(name);
  runCommand("ffmpeg -nostdin -y -loglevel error -f lavfi -i '" + picture + "' -r " + std::to_string(fps) +
             " -frames:v " + std::to_string(frames) + " -c:v libx264 -preset ultrafast -pix_fmt yuv420p '" + path +
             "'");
  return path;
}

ProbedMovie probeMovie(const std::string& path) {
  ProbedMovie movie;
  std::istringstream lines(runCommand("ffprobe -v error -count_frames -show_entries "
                                      "stream=codec_type,codec_name,width,height,nb_read_frames:format=format_name "
                                      "-of default=noprint_wrappers=1 '" + path + "'"));
  bool inVideo = false;
  bool videoSeen = false;
  for (std::string line; std::getline(lines, line);) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    const std::string key = line.substr(0, equals);
    const std::string value = line.substr(equals + 1);
    if (key == "format_name") movie.formatName = value;
    if (key == "codec_name") ++movie.streams;
    if (key == "codec_name" && !videoSeen) movie.codecName = value;  // codec_name precedes codec_type
    if (key == "codec_type") {
      inVideo = value == "video" && !videoSeen;
      videoSeen = videoSeen || inVideo;
    }
    if (!inVideo) continue;
    if (key == "width") movie.width = std::stoi(value);
    if (key == "height") movie.height = std::stoi(value);
    if (key == "nb_read_frames") movie.frames = std::stoi(value);
  }
  return movie;
}

std::string firstPictureRGB(const std::string& path) {
  return runCommand("ffmpeg -nostdin -loglevel error -i '" + path + "' -frames:v 1 -f rawvideo -pix_fmt rgb24 -");
}

KySampleBuffer solidFrame(int32_t width, int32_t height, uint8_t b, uint8_t g, uint8_t r, int64_t timestampMs) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  for (size_t i = 0; i < pixels.size(); i += 4) {
    pixels[i] = b;
    pixels[i + 1] = g;
    pixels[i + 2] = r;
    pixels[i + 3] = 255;
  }
  return KySampleBuffer::copyOf(pixels.data(), width, height, 0, timestampMs);
}

void Event::set() {
  {
    std::lock_guard lock(mutex_);
    set_ = true;
  }
  changed_.notify_all();
}

bool Event::wait(std::chrono::seconds limit) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, limit, [this] { return set_; });
}

std::string currentThreadName() {
  char name[32] = {};
  pthread_getname_np(pthread_self(), name, sizeof name);
  return name;
}
