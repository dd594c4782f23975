#include "platform/store/KyFileItemStore.h"

#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "utils/LDTLog.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kItemSuffix = ".item";
constexpr const char* kTemporaryMarker = ".tmp.";

// Closes a file descriptor when it goes out of scope.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int get() const { return fd_; }
  // Closes now, reporting whether the close succeeded.
  bool close() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Identifiers become file names: letters, digits, "_" and "-" stay, every other byte is %XX.
std::string fileNameFor(const std::string& identifier) {
  std::string name;
  for (unsigned char c : identifier) {
    if (std::isalnum(c) || c == '_' || c == '-') {
      name += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      name += escaped;
    }
  }
  return name + kItemSuffix;
}

bool writeAll(int fd, const std::vector<uint8_t>& bytes) {
  size_t written = 0;
  while (written < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    written += static_cast<size_t>(n);
  }
  return true;
}

bool syncDirectory(const fs::path& directory) {
  FileDescriptor fd(::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd.get() >= 0 && ::fsync(fd.get()) == 0;
}

bool processAlive(long pid) { return pid > 0 && (::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM); }

fs::path homeDirectory() {
  if (const char* home = std::getenv("HOME"); home != nullptr && home[0] == '/') return home;
  if (const passwd* user = ::getpwuid(::getuid()); user != nullptr && user->pw_dir != nullptr) return user->pw_dir;
  return fs::temp_directory_path();
}

}  // namespace

KyFileItemStore::KyFileItemStore(fs::path directory) : directory_(std::move(directory)) {}

fs::path KyFileItemStore::defaultDirectory() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  fs::path base = dataHome != nullptr && dataHome[0] == '/' ? fs::path(dataHome) : homeDirectory() / ".local/share";
  return base / "KyLivingDetection" / "items";
}

fs::path KyFileItemStore::itemPath(const std::string& identifier) const {
  return directory_ / fileNameFor(identifier);
}

bool KyFileItemStore::ensureDirectory() const {
  std::error_code error;
  fs::create_directories(directory_.parent_path(), error);
  if (::mkdir(directory_.c_str(), 0700) != 0 && errno != EEXIST) return false;
  struct stat info {};
  if (::stat(directory_.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
  return (info.st_mode & 0777) == 0700 || ::chmod(directory_.c_str(), 0700) == 0;
}

// Temporaries are named <item>.tmp.<pid>.<n>; those of processes that no longer run were
// left by a crash in the middle of a save and are never completed.
void KyFileItemStore::removeAbandonedTemporaries(const std::string& itemFileName) const {
  std::string prefix = itemFileName + kTemporaryMarker;
  std::error_code error;
  for (const fs::directory_entry& entry : fs::directory_iterator(directory_, error)) {
    std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) != 0) continue;
    long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
    if (!processAlive(pid)) fs::remove(entry.path(), error);
  }
}

bool KyFileItemStore::save(const std::string& identifier, const std::vector<uint8_t>& value) {
  if (!ensureDirectory()) {
    LDT_LOGE("cannot use the item directory %s", directory_.c_str());
    return false;
  }
  std::string itemFileName = fileNameFor(identifier);
  removeAbandonedTemporaries(itemFileName);
  static std::atomic<unsigned> sequence{0};
  fs::path temporary = directory_ / (itemFileName + kTemporaryMarker + std::to_string(::getpid()) + "." +
                                     std::to_string(sequence.fetch_add(1)));
  FileDescriptor fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (fd.get() < 0) {
    LDT_LOGE("cannot create %s", temporary.c_str());
    return false;
  }
  bool stored = writeAll(fd.get(), value) && ::fsync(fd.get()) == 0 && fd.close() &&
                ::rename(temporary.c_str(), (directory_ / itemFileName).c_str()) == 0;
  if (!stored) {
    ::unlink(temporary.c_str());
    LDT_LOGE("cannot store item %s", identifier.c_str());
    return false;
  }
  syncDirectory(directory_);
  return true;
}

bool KyFileItemStore::update(const std::string& identifier, const std::vector<uint8_t>& value) {
  std::error_code error;
  if (!fs::is_regular_file(itemPath(identifier), error)) return false;
  return save(identifier, value);
}

std::optional<std::vector<uint8_t>> KyFileItemStore::read(const std::string& identifier) {
  FileDescriptor fd(::open(itemPath(identifier).c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.get() < 0) return std::nullopt;
  std::vector<uint8_t> bytes;
  uint8_t chunk[4096];
  while (true) {
    ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) return bytes;
    bytes.insert(bytes.end(), chunk, chunk + n);
  }
}

bool KyFileItemStore::remove(const std::string& identifier) {
  if (::unlink(itemPath(identifier).c_str()) != 0) return false;
  syncDirectory(directory_);
  return true;
}

std::shared_ptr<KyItemStore> KyDefaultItemStore() {
  static const std::shared_ptr<KyItemStore> store = std::make_shared<KyFileItemStore>(
      KyFileItemStore::defaultDirectory());
  return store;
}
