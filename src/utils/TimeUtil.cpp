#include "utils/TimeUtil.h"

#include "utils/LDTLog.h"

TimeUtil::TimeUtil() : start_(std::clock()) {}

double TimeUtil::timeErapsed(const std::string& label) {
  std::clock_t now = std::clock();
  double elapsed = static_cast<double>(now - start_) / CLOCKS_PER_SEC;
  if (KyLivingIsDebugLogEnabled()) {
    LDTLogWrite(KyLivingLogLevel::Warning, "timeErapsed", __LINE__, "%s : %f\n", label.c_str(), elapsed);
  }
  start_ = now;
  return elapsed;
}
