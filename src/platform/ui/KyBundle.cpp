#include "platform/ui/KyBundle.h"

#include <dlfcn.h>

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

namespace {

std::string executableDirectory() {
  std::error_code error;
  fs::path exe = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string() : exe.parent_path().string();
}

std::string libraryDirectory() {
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&libraryDirectory), &info) == 0 || !info.dli_fname) return {};
  std::error_code error;
  fs::path lib = fs::canonical(info.dli_fname, error);
  return error ? std::string() : lib.parent_path().string();
}

}  // namespace

KyBundle& KyBundle::mainBundle() {
  static KyBundle bundle([] {
    std::vector<std::string> dirs;
    for (std::string dir : {executableDirectory(), libraryDirectory()}) {
      if (!dir.empty()) dirs.push_back(dir);
    }
#ifdef KYLD_BUILD_RESOURCE_DIR
    dirs.push_back(KYLD_BUILD_RESOURCE_DIR);
#endif
    return dirs;
  }());
  return bundle;
}

KyBundle::KyBundle(std::vector<std::string> directories) : directories_(std::move(directories)) {}

std::optional<std::string> KyBundle::pathForResource(const std::string& name, const std::string& type) const {
  if (name.empty() || name.find('/') != std::string::npos || name.find("..") != std::string::npos) return std::nullopt;
  const std::string file = type.empty() ? name : name + "." + type;
  for (const std::string& dir : directories_) {
    std::error_code error;
    fs::path candidate = fs::path(dir) / file;
    if (fs::exists(candidate, error)) return candidate.string();
  }
  return std::nullopt;
}

std::optional<KyBundle> KyBundle::bundleWithPath(const std::string& path) {
  std::error_code error;
  if (!fs::is_directory(path, error)) return std::nullopt;
  return KyBundle({path});
}
