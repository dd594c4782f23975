// Where session movies live: the documents directory and the "KyVideo" file names.
//
// The documents directory is $XDG_DATA_HOME/KyLivingDetection/Documents ($HOME/.local/share when
// XDG_DATA_HOME is not set), created when first asked for, unless the host has chosen another one.
#pragma once

#include <string>

class KyMovieFiles {
 public:
  static std::string documentsDirectory();
  // The host's directory ("" returns to the per-user default).
  static void setDocumentsDirectory(std::string directory);

  // "KyVideo" + the token's first 10 characters (the whole token when shorter) + ".mov".
  static std::string videoFileName(const std::string& token);
  // documentsDirectory() + "/" + videoFileName(token), joined as plain text.
  static std::string videoFilePath(const std::string& token);

  // Removes every path below directory (any depth) whose path relative to it begins with
  // "KyVideo"; failures are ignored. Answers how many entries were removed.
  static int removeEarlierVideos(const std::string& directory);
  // Removes the file when it exists; failures are ignored.
  static void removeFileIfPresent(const std::string& path);
};
