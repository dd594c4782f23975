// Running helper programs (openssl, python3, this test binary) from the tests.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

struct ProcessOutput {
  int exitCode = -1;  // -1 when the process did not exit normally
  std::string out;
};

// Runs argv[0] (searched in PATH) to completion, feeding `input` to its standard input.
ProcessOutput runProcess(const std::vector<std::string>& argv, const std::string& input = "",
                         const std::vector<std::string>& extraEnvironment = {});

// A process left running, its standard output readable line by line. The destructor kills
// (SIGKILL) and reaps it when it is still running.
class RunningProcess {
 public:
  RunningProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment = {});
  ~RunningProcess();
  RunningProcess(const RunningProcess&) = delete;
  RunningProcess& operator=(const RunningProcess&) = delete;

  // The next line of its output without the line break; false at the end of its output.
  bool readLine(std::string& line);
  void kill(int signal);
  // Waits for it to end; the exit code, or -1 when it ended by a signal.
  int wait();

 private:
  pid_t pid_ = -1;
  int outFd_ = -1;
  std::string pending_;
};

// The path of the running executable.
std::string selfExecutable();
