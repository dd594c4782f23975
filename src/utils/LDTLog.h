// Writing the library's log lines.
//
//   error:   ESC "[31m [LDT][ERRO]<operation>[<line>]:" <message> " :( " ESC "[0m\n"
//   warning: "[LDT][WARN]<operation>[<line>]:" <message> "\n"
//   debug:   the error form with level "DEBG", only while debug lines are enabled
//
// Each line reaches the sink whole, so lines from several threads never interleave.
#pragma once

#include <kylivingdetection/KyLivingLog.h>

void LDTLogWrite(KyLivingLogLevel level, const char* operation, int line, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

#define LDT_LOGE(...) LDTLogWrite(KyLivingLogLevel::Error, __func__, __LINE__, __VA_ARGS__)
#define LDT_LOGW(...) LDTLogWrite(KyLivingLogLevel::Warning, __func__, __LINE__, __VA_ARGS__)
#define LDT_LOGD(...) LDTLogWrite(KyLivingLogLevel::Debug, __func__, __LINE__, __VA_ARGS__)
