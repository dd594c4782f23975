#include <kylivingdetection/KyLivingDetectResult.h>

#include <array>
#include <cstdio>

#include "utils/LDTLog.h"
#include "utils/LogManager.h"

namespace {

constexpr std::array<const char*, 8> kCodeNames = {
    "KLD_SUCCESS", "KLD_FAILED",     "KLD_PARAME_ERROR", "KLD_EXCEPTION",
    "KLD_TIMEOUT", "KLD_PERMISSION", "KLD_UNSUPPORT",    "KLD_CANCEL",
};

// A value between the quotes of a JSON string: only what would break the text is escaped.
std::string jsonStringBody(const std::string& value) {
  std::string out;
  out.reserve(value.size());
  for (char c : value) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) {
          char escaped[8];
          std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  return out;
}

}  // namespace

KyLivingDetectResult KyLivingDetectResult::initWithCode(int32_t code, std::string msg, std::string data) {
  KyLivingDetectResult result;
  result.code_ = code;
  result.msg_ = std::move(msg);
  result.data_ = std::move(data);
  if (code != KLD_SUCCESS) {
    char report[64];
    std::snprintf(report, sizeof report, "异常:  code = %d, data=", code);
    LogManager::upLog(report + result.data_ + ", msg = " + result.msg_);
    LDTLogWrite(KyLivingLogLevel::Error, "initWithCode", __LINE__, "LDTResult: %d:%s", code, result.msg_.c_str());
  }
  return result;
}

std::string KyLivingDetectResult::toJson() const {
  return "{\"code\":\"" + std::to_string(code_) + "\",\"msg\":\"" + jsonStringBody(msg_) + "\",\"data\":\"" +
         jsonStringBody(data_) + "\"}";
}

std::string KyLivingDetectResult::getCodeStr() const { return codeName(code_); }

std::string KyLivingDetectResult::codeName(int32_t code) {
  if (code < 0 || code >= static_cast<int32_t>(kCodeNames.size())) {
    LDTLogWrite(KyLivingLogLevel::Error, "getCodeStr", __LINE__, "unknow error code : %d", code);
    return "KLD_FAILED";
  }
  return kCodeNames[code];
}
