#include "testsupport/LogCapture.h"

LogCapture::LogCapture() {
  KyLivingSetLogSink([this](KyLivingLogLevel, const std::string& line) {
    std::lock_guard<std::mutex> lock(mutex_);
    lines_.push_back(line);
  });
}

LogCapture::~LogCapture() { KyLivingSetLogSink(nullptr); }

std::vector<std::string> LogCapture::lines() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return lines_;
}

bool LogCapture::contains(const std::string& fragment) const {
  std::lock_guard<std::mutex> lock(mutex_);
  for (const std::string& line : lines_) {
    if (line.find(fragment) != std::string::npos) return true;
  }
  return false;
}

void LogCapture::clear() {
  std::lock_guard<std::mutex> lock(mutex_);
  lines_.clear();
}

std::string errorTail(const std::string& message) { return "]:" + message + " :( \x1b[0m\n"; }

bool endsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}
