#include "utils/KeyChainManager.h"

#include <mutex>

namespace {

std::mutex storeMutex;
std::shared_ptr<KyItemStore> hostStore;

std::vector<uint8_t> serialise(const std::string& object) { return std::vector<uint8_t>(object.begin(), object.end()); }

}  // namespace

KeyChainQuery KeyChainManager::keyChainIdentifier(const std::string& identifier) {
  return KeyChainQuery{"genp", identifier, identifier, "AfterFirstUnlock"};
}

void KeyChainManager::setItemStore(std::shared_ptr<KyItemStore> store) {
  std::lock_guard<std::mutex> lock(storeMutex);
  hostStore = std::move(store);
}

std::shared_ptr<KyItemStore> KeyChainManager::itemStore() {
  {
    std::lock_guard<std::mutex> lock(storeMutex);
    if (hostStore) return hostStore;
  }
  return KyDefaultItemStore();
}

// Replacing in one step instead of deleting and then adding: a crash between the two
// would otherwise lose the stored value.
bool KeyChainManager::keyChainSaveData(const std::string& object, const std::string& withIdentifier) {
  return itemStore()->save(keyChainIdentifier(withIdentifier).service, serialise(object));
}

std::optional<std::string> KeyChainManager::keyChainReadData(const std::string& identifier) {
  std::optional<std::vector<uint8_t>> data = itemStore()->read(keyChainIdentifier(identifier).service);
  if (!data) return std::nullopt;
  return std::string(data->begin(), data->end());
}

bool KeyChainManager::keyChainUpdata(const std::string& object, const std::string& withIdentifier) {
  return itemStore()->update(keyChainIdentifier(withIdentifier).service, serialise(object));
}

void KeyChainManager::keyChainDelete(const std::string& identifier) {
  itemStore()->remove(keyChainIdentifier(identifier).service);
}
