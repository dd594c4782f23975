#include "livingdetect/LDTResult.h"

void LDTResult::setProcess(int32_t process, std::string msg) {
  setProcessAndShowFaceOutLine(process, std::move(msg), 0);
}

void LDTResult::setProcessAndShowFaceOutLine(int32_t process, std::string msg, uint8_t showFaceOutline) {
  process_ = process;
  msg_ = std::move(msg);
  showFaceOutline_ = showFaceOutline;
}
