#include <gtest/gtest.h>

#include <thread>

#include "testsupport/LogCapture.h"
#include "utils/LDTLog.h"

TEST(Log, ErrorWarningAndDebugLinesHaveTheirExactForm) {
  LogCapture capture;
  LDTLogWrite(KyLivingLogLevel::Error, "base64Decode", 42, "base64 length error %d", 3);
  LDTLogWrite(KyLivingLogLevel::Warning, "timeErapsed", 7, "%s", "late");
  KyLivingSetDebugLogEnabled(false);
  LDTLogWrite(KyLivingLogLevel::Debug, "verifyEntry", 9, "hidden");
  KyLivingSetDebugLogEnabled(true);
  LDTLogWrite(KyLivingLogLevel::Debug, "verifyEntry", 9, "DEICEID : %s", "abc");
  KyLivingSetDebugLogEnabled(false);

  std::vector<std::string> lines = capture.lines();
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "\x1b[31m [LDT][ERRO]base64Decode[42]:base64 length error 3 :( \x1b[0m\n");
  EXPECT_EQ(lines[1], "[LDT][WARN]timeErapsed[7]:late\n");
  EXPECT_EQ(lines[2], "\x1b[31m [LDT][DEBG]verifyEntry[9]:DEICEID : abc :( \x1b[0m\n");
}

TEST(Log, LinesFromManyThreadsArriveWhole) {
  LogCapture capture;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) LDTLogWrite(KyLivingLogLevel::Warning, "worker", t, "line %d", i);
    });
  }
  for (std::thread& thread : threads) thread.join();
  std::vector<std::string> lines = capture.lines();
  ASSERT_EQ(lines.size(), 800u);
  for (const std::string& line : lines) {
    EXPECT_EQ(line.rfind("[LDT][WARN]worker[", 0), 0u);
    EXPECT_EQ(line.back(), '\n');
  }
}
