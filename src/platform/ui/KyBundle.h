// Resource bundles: directories named "<name>.<type>" holding the application's resource
// files. The main bundle looks beside the executable, beside the library, and in the build
// tree's resource directory, in that order.
#pragma once

#include <optional>
#include <string>
#include <vector>

class KyBundle {
 public:
  static KyBundle& mainBundle();
  explicit KyBundle(std::vector<std::string> directories);

  // The path of "<name>.<type>" in the first directory that has it, or none.
  std::optional<std::string> pathForResource(const std::string& name, const std::string& type) const;
  // A bundle at a path, or none when there is no such directory.
  static std::optional<KyBundle> bundleWithPath(const std::string& path);

  const std::vector<std::string>& directories() const { return directories_; }

 private:
  std::vector<std::string> directories_;
};
