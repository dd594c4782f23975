// Items holding one text each, kept in the per-user item store under an identifier.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "utils/KyItemStore.h"

// What identifies an item: a generic-password item whose service and account are both the
// item identifier, readable once the device has been unlocked after start.
struct KeyChainQuery {
  std::string itemClass;
  std::string service;
  std::string account;
  std::string accessible;
};

class KeyChainManager {
 public:
  static KeyChainQuery keyChainIdentifier(const std::string& identifier);
  // Stores the text as the item's value, replacing any earlier item in one step; true when
  // stored.
  static bool keyChainSaveData(const std::string& object, const std::string& withIdentifier);
  // The stored text, or nothing when there is no readable item.
  static std::optional<std::string> keyChainReadData(const std::string& identifier);
  // Replaces the value of an existing item; false, creating nothing, when it is missing.
  static bool keyChainUpdata(const std::string& object, const std::string& withIdentifier);
  static void keyChainDelete(const std::string& identifier);

  // The store behind the items: the platform's per-user store unless the host has given
  // another one. Thread-safe.
  static void setItemStore(std::shared_ptr<KyItemStore> store);
  static std::shared_ptr<KyItemStore> itemStore();
};
