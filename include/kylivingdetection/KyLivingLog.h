// Log lines of the library and the sink they are written to.
#pragma once

#include <functional>
#include <string>

enum class KyLivingLogLevel { Error, Warning, Debug };

// Receives every complete log line, terminator included. The default sink
// writes to standard error.
using KyLivingLogSink = std::function<void(KyLivingLogLevel level, const std::string& line)>;

// Replaces the sink; an empty function restores the default. Thread-safe.
void KyLivingSetLogSink(KyLivingLogSink sink);

// Debug lines are written only while enabled (off by default).
void KyLivingSetDebugLogEnabled(bool enabled);
bool KyLivingIsDebugLogEnabled();
