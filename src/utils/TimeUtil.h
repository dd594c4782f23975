// Processor-time measurement of consecutive intervals, written to the debug log.
#pragma once

#include <ctime>
#include <string>

class TimeUtil {
 public:
  // Starts the first measurement.
  TimeUtil();
  // Processor seconds since the start of the current measurement; writes them to the debug
  // log with `label` and starts the next measurement.
  double timeErapsed(const std::string& label);

 private:
  std::clock_t start_;
};
