// Items kept as files in a per-user directory: one file per item, mode 0600, inside a
// directory of mode 0700. An item is replaced by writing a temporary file, syncing it and
// renaming it over the old one, so a crash at any moment leaves the old or the new value.
#pragma once

#include <filesystem>
#include <string>

#include "utils/KyItemStore.h"

class KyFileItemStore : public KyItemStore {
 public:
  explicit KyFileItemStore(std::filesystem::path directory);

  // $XDG_DATA_HOME/KyLivingDetection/items, else ~/.local/share/KyLivingDetection/items.
  static std::filesystem::path defaultDirectory();

  bool save(const std::string& identifier, const std::vector<uint8_t>& value) override;
  bool update(const std::string& identifier, const std::vector<uint8_t>& value) override;
  std::optional<std::vector<uint8_t>> read(const std::string& identifier) override;
  bool remove(const std::string& identifier) override;

  const std::filesystem::path& directory() const { return directory_; }
  // The file that holds an item.
  std::filesystem::path itemPath(const std::string& identifier) const;

 private:
  bool ensureDirectory() const;
  void removeAbandonedTemporaries(const std::string& itemFileName) const;

  std::filesystem::path directory_;
};
