// Storage of small named items that must survive restarts of the host, provided by the
// platform layer. One item per identifier.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class KyItemStore {
 public:
  virtual ~KyItemStore() = default;
  // Creates or replaces the item in one step: a reader (or a later process, even after a
  // crash in the middle) sees the old value or the new one, never a mix or nothing.
  virtual bool save(const std::string& identifier, const std::vector<uint8_t>& value) = 0;
  // Replaces an existing item as save does; false, creating nothing, when it is missing.
  virtual bool update(const std::string& identifier, const std::vector<uint8_t>& value) = 0;
  virtual std::optional<std::vector<uint8_t>> read(const std::string& identifier) = 0;
  // True when an item was deleted.
  virtual bool remove(const std::string& identifier) = 0;
};

// The platform's per-user store.
std::shared_ptr<KyItemStore> KyDefaultItemStore();
