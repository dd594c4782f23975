#include "platform/movie/KyMovieFiles.h"

#include <cstdlib>
#include <filesystem>
#include <mutex>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct DocumentsState {
  std::mutex mutex;
  std::string hostDirectory;
};

DocumentsState& documentsState() {
  static DocumentsState state;
  return state;
}

std::string perUserDataDirectory() {
  const char* dataHome = std::getenv("XDG_DATA_HOME");
  if (dataHome && dataHome[0] == '/') return dataHome;  // relative values are ignored, as XDG asks
  const char* home = std::getenv("HOME");
  return std::string(home && home[0] ? home : "/tmp") + "/.local/share";
}

}  // namespace

std::string KyMovieFiles::documentsDirectory() {
  std::string directory;
  {
    DocumentsState& state = documentsState();
    std::lock_guard lock(state.mutex);
    directory = state.hostDirectory;
  }
  if (directory.empty()) directory = perUserDataDirectory() + "/KyLivingDetection/Documents";
  std::error_code ignored;
  fs::create_directories(directory, ignored);
  return directory;
}

void KyMovieFiles::setDocumentsDirectory(std::string directory) {
  while (directory.size() > 1 && directory.back() == '/') directory.pop_back();
  DocumentsState& state = documentsState();
  std::lock_guard lock(state.mutex);
  state.hostDirectory = std::move(directory);
}

std::string KyMovieFiles::videoFileName(const std::string& token) { return "KyVideo" + token.substr(0, 10) + ".mov"; }

std::string KyMovieFiles::videoFilePath(const std::string& token) {
  return documentsDirectory() + "/" + videoFileName(token);
}

int KyMovieFiles::removeEarlierVideos(const std::string& directory) {
  std::vector<fs::path> doomed;
  std::error_code error;
  const fs::path root(directory);
  for (fs::recursive_directory_iterator it(root, error), end; !error && it != end; it.increment(error)) {
    if (it->path().lexically_relative(root).string().starts_with("KyVideo")) {
      doomed.push_back(it->path());
      if (it->is_directory(error)) it.disable_recursion_pending();  // removed whole below
    }
  }
  int removed = 0;
  for (const fs::path& path : doomed) {
    std::error_code ignored;
    if (fs::remove_all(path, ignored) > 0) ++removed;
  }
  return removed;
}

void KyMovieFiles::removeFileIfPresent(const std::string& path) {
  std::error_code ignored;
  fs::remove(path, ignored);
}
