#include "Subprocess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <stdexcept>

extern char** environ;

namespace {

std::vector<std::string> environmentWith(const std::vector<std::string>& extra) {
  std::vector<std::string> environment(extra);
  for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
  return environment;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
  std::vector<char*> result;
  for (std::string& text : texts) result.push_back(text.data());
  result.push_back(nullptr);
  return result;
}

// Starts the process with its standard input and output on new pipes.
pid_t spawnWithPipes(std::vector<std::string> argv, const std::vector<std::string>& extraEnvironment, int* inFd,
                     int* outFd) {
  int inPipe[2], outPipe[2];
  if (::pipe2(inPipe, O_CLOEXEC) != 0 || ::pipe2(outPipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, inPipe[0], 0);
  posix_spawn_file_actions_adddup2(&actions, outPipe[1], 1);
  std::vector<std::string> environment = environmentWith(extraEnvironment);
  std::vector<char*> args = pointers(argv);
  std::vector<char*> env = pointers(environment);
  pid_t pid = -1;
  int status = ::posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), env.data());
  posix_spawn_file_actions_destroy(&actions);
  ::close(inPipe[0]);
  ::close(outPipe[1]);
  if (status != 0) {
    ::close(inPipe[1]);
    ::close(outPipe[0]);
    throw std::runtime_error("cannot start " + argv[0]);
  }
  *inFd = inPipe[1];
  *outFd = outPipe[0];
  return pid;
}

int reap(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

ProcessOutput runProcess(const std::vector<std::string>& argv, const std::string& input,
                         const std::vector<std::string>& extraEnvironment) {
  int inFd = -1, outFd = -1;
  pid_t pid = spawnWithPipes(argv, extraEnvironment, &inFd, &outFd);
  ProcessOutput result;
  size_t written = 0;
  bool outOpen = true;
  // Feed and drain together so that neither side can fill its pipe and stall.
  while (outOpen) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {inFd, POLLOUT, 0}};
    int count = inFd >= 0 ? 2 : 1;
    if (::poll(fds, count, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (count == 2 && fds[1].revents != 0) {
      ssize_t n = written < input.size() ? ::write(inFd, input.data() + written, input.size() - written) : 0;
      if (n > 0) written += static_cast<size_t>(n);
      if (n <= 0 || written == input.size()) {
        ::close(inFd);
        inFd = -1;
      }
    }
    if (fds[0].revents != 0) {
      char chunk[4096];
      ssize_t n = ::read(outFd, chunk, sizeof chunk);
      if (n > 0) result.out.append(chunk, static_cast<size_t>(n));
      else outOpen = false;
    }
  }
  if (inFd >= 0) ::close(inFd);
  ::close(outFd);
  result.exitCode = reap(pid);
  return result;
}

RunningProcess::RunningProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnvironment) {
  int inFd = -1;
  pid_ = spawnWithPipes(argv, extraEnvironment, &inFd, &outFd_);
  ::close(inFd);
}

RunningProcess::~RunningProcess() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    reap(pid_);
  }
  if (outFd_ >= 0) ::close(outFd_);
}

bool RunningProcess::readLine(std::string& line) {
  while (true) {
    size_t end = pending_.find('\n');
    if (end != std::string::npos) {
      line = pending_.substr(0, end);
      pending_.erase(0, end + 1);
      return true;
    }
    char chunk[1024];
    ssize_t n = ::read(outFd_, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    pending_.append(chunk, static_cast<size_t>(n));
  }
}

void RunningProcess::kill(int signal) {
  if (pid_ > 0) ::kill(pid_, signal);
}

int RunningProcess::wait() {
  if (pid_ <= 0) return -1;
  int code = reap(pid_);
  pid_ = -1;
  return code;
}

std::string selfExecutable() { return std::filesystem::read_symlink("/proc/self/exe").string(); }
