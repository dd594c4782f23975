#include "utils/LDTLog.h"

#include <atomic>
#include <cstdarg>
#include <cstdio>
#include <mutex>
#include <string>

namespace {

struct LogState {
  std::mutex mutex;
  KyLivingLogSink sink;
  std::atomic<bool> debugEnabled{false};
};

LogState& logState() {
  static LogState state;
  return state;
}

std::string formatMessage(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  int needed = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  if (needed <= 0) return {};
  std::string text(static_cast<size_t>(needed), '\0');
  std::vsnprintf(text.data(), text.size() + 1, format, args);
  return text;
}

std::string composeLine(KyLivingLogLevel level, const char* operation, int line, const std::string& message) {
  char prefix[256];
  switch (level) {
    case KyLivingLogLevel::Warning:
      std::snprintf(prefix, sizeof prefix, "[%s][%s]%s[%d]:", "LDT", "WARN", operation, line);
      return prefix + message + "\n";
    case KyLivingLogLevel::Debug:
      std::snprintf(prefix, sizeof prefix, "\x1b[31m [%s][%s]%s[%d]:", "LDT", "DEBG", operation, line);
      break;
    case KyLivingLogLevel::Error:
      std::snprintf(prefix, sizeof prefix, "\x1b[31m [%s][%s]%s[%d]:", "LDT", "ERRO", operation, line);
      break;
  }
  return prefix + message + " :( \x1b[0m\n";
}

}  // namespace

void KyLivingSetLogSink(KyLivingLogSink sink) {
  LogState& state = logState();
  std::lock_guard<std::mutex> lock(state.mutex);
  state.sink = std::move(sink);
}

void KyLivingSetDebugLogEnabled(bool enabled) { logState().debugEnabled = enabled; }

bool KyLivingIsDebugLogEnabled() { return logState().debugEnabled; }

void LDTLogWrite(KyLivingLogLevel level, const char* operation, int line, const char* format, ...) {
  LogState& state = logState();
  if (level == KyLivingLogLevel::Debug && !state.debugEnabled) return;
  va_list args;
  va_start(args, format);
  std::string text = composeLine(level, operation, line, formatMessage(format, args));
  va_end(args);

  std::lock_guard<std::mutex> lock(state.mutex);
  if (state.sink) {
    state.sink(level, text);
  } else {
    std::fwrite(text.data(), 1, text.size(), stderr);
  }
}
