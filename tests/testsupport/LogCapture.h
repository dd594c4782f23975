// Captures the library's log lines for the lifetime of the object.
#pragma once

#include <kylivingdetection/KyLivingLog.h>

#include <mutex>
#include <string>
#include <vector>

class LogCapture {
 public:
  LogCapture();
  ~LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  std::vector<std::string> lines() const;
  bool contains(const std::string& fragment) const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

// The exact error line that the library writes for a message, without the operation name
// and line number: callers compare with endsWith(line, errorTail(message)).
std::string errorTail(const std::string& message);
bool endsWith(const std::string& text, const std::string& tail);
