// Fuzzes the session token: Base64 decoding, deciphering and the pad check of aesDecryption,
// and, for input enciphered first with the shared key, the splitting and checks of the token's
// clear text (colour setting included).
//
// The first byte picks the path: even feeds the rest as token text, odd enciphers the rest
// and feeds the Base64 of the ciphertext.
#include <kylivingdetection/KyLivingLog.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "utils/AesCipher.h"
#include "utils/CodecUtil.h"
#include "utils/EccKeyAgreement.h"
#include "utils/KeyChainManager.h"
#include "utils/MbedtlsContext.h"
#include "utils/VerifyProtocol.h"

namespace {

// Keeps the device identifier in memory instead of the user's store.
class MemoryItemStore : public KyItemStore {
 public:
  bool save(const std::string& id, const std::vector<uint8_t>& value) override {
    items_[id] = value;
    return true;
  }
  bool update(const std::string& id, const std::vector<uint8_t>& value) override {
    if (!items_.count(id)) return false;
    items_[id] = value;
    return true;
  }
  std::optional<std::vector<uint8_t>> read(const std::string& id) override {
    auto item = items_.find(id);
    if (item == items_.end()) return std::nullopt;
    return item->second;
  }
  bool remove(const std::string& id) override { return items_.erase(id) > 0; }

 private:
  std::map<std::string, std::vector<uint8_t>> items_;
};

void checkEncipheredToken(const uint8_t* data, size_t size) {
  char* token = nullptr;
  if (aesEncryption2(data, size, kAesKeyShared, &token) != 0) return;
  KyVerifyProtocol::checkToken(token, 1700000000);
  mFree(token);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  KyLivingSetLogSink([](KyLivingLogLevel, const std::string&) {});
  KeyChainManager::setItemStore(std::make_shared<MemoryItemStore>());
  MbedtlsMpi d;
  MbedtlsEcpPoint Q;
  if (genEccKeyPair(d.get(), Q.get()) != 0 || updateShareKey(d.get(), 0) != 0) __builtin_trap();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  if (data[0] % 2 == 1) {
    checkEncipheredToken(data + 1, size - 1);
    return 0;
  }
  std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  uint8_t* plain = nullptr;
  if (aesDecryption(text.c_str(), kAesKeyShared, &plain) >= 0) mFree(plain);
  KyVerifyProtocol::checkToken(text.c_str(), 1700000000);
  return 0;
}
