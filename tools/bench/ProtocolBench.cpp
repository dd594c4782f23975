#include "BenchTiming.h"
// Protocol costs, each against one baseline measured in the same run: a P-256 scalar
// multiplication done directly with mbedtls (no DRBG, no group reload). Counter "x_ecmul":
// how many bare multiplications one operation costs.
//
//   ProtocolGenKeyPair:  genEccKeyPair (fresh DRBG and group per call)
//   ProtocolShareKey:    updateShareKey with root key 0
//   ProtocolVerifyInit:  the whole initialisation message
//   ProtocolCheckToken:  a valid token, deciphered and checked
//   ProtocolSealMessage: a verification message of two 120 KiB images, built, enciphered and
//                        framed (counter "x_memcpy": against copying the same 240 KiB)
//   ProtocolAesCrypto:   aesCrypto enciphering 240 KiB (counter "x_memcpy" likewise)
#include <benchmark/benchmark.h>
#include <mbedtls/ctr_drbg.h>
#include <mbedtls/ecp.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "utils/AesCipher.h"
#include "utils/CodecUtil.h"
#include "utils/EccKeyAgreement.h"
#include "utils/KYDeviceUtils.h"
#include "utils/KeyChainManager.h"
#include "utils/MbedtlsContext.h"
#include "utils/VerifyMsgBuilder.h"
#include "utils/VerifyProtocol.h"

namespace {

// Keeps the device identifier of the benchmarks out of the user's store.
class BenchItemStore : public KyItemStore {
 public:
  bool save(const std::string& id, const std::vector<uint8_t>& value) override {
    items_[id] = value;
    return true;
  }
  bool update(const std::string& id, const std::vector<uint8_t>& value) override { return save(id, value); }
  std::optional<std::vector<uint8_t>> read(const std::string& id) override {
    auto item = items_.find(id);
    return item == items_.end() ? std::nullopt : std::optional(item->second);
  }
  bool remove(const std::string& id) override { return items_.erase(id) > 0; }

 private:
  std::map<std::string, std::vector<uint8_t>> items_;
};

void useBenchStore() {
  static bool installed = [] {
    KeyChainManager::setItemStore(std::make_shared<BenchItemStore>());
    return true;
  }();
  benchmark::DoNotOptimize(installed);
}


int fixedRandom(void*, unsigned char* out, size_t length) {
  std::memset(out, 0x5a, length);
  return 0;
}

// Seconds of one bare P-256 multiplication k·G.
double ecmulSeconds() {
  MbedtlsEcpGroup group;
  mbedtls_ecp_group_load(group.get(), MBEDTLS_ECP_DP_SECP256R1);
  MbedtlsMpi k;
  MbedtlsEcpPoint R;
  mbedtls_mpi_lset(k.get(), 0x123456789abcdefLL);
  return bestSecondsPerCall(20, [&] {
    mbedtls_ecp_mul(group.get(), R.get(), k.get(), &group.get()->G, fixedRandom, nullptr);
    benchmark::DoNotOptimize(R.get());
  });
}

void report(benchmark::State& state, const char* name, double baselineSeconds) {
  state.counters[name] = benchmark::Counter(static_cast<double>(state.iterations()) * baselineSeconds,
                                            benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ProtocolGenKeyPair(benchmark::State& state) {
  double baseline = ecmulSeconds();
  for (auto _ : state) {
    MbedtlsMpi d;
    MbedtlsEcpPoint Q;
    benchmark::DoNotOptimize(genEccKeyPair(d.get(), Q.get()));
  }
  report(state, "x_ecmul", baseline);
}
BENCHMARK(BM_ProtocolGenKeyPair)->UseRealTime();

void BM_ProtocolShareKey(benchmark::State& state) {
  double baseline = ecmulSeconds();
  MbedtlsMpi d;
  MbedtlsEcpPoint Q;
  genEccKeyPair(d.get(), Q.get());
  for (auto _ : state) benchmark::DoNotOptimize(updateShareKey(d.get(), 0));
  report(state, "x_ecmul", baseline);
}
BENCHMARK(BM_ProtocolShareKey)->UseRealTime();

void BM_ProtocolVerifyInit(benchmark::State& state) {
  useBenchStore();
  double baseline = ecmulSeconds();
  for (auto _ : state) benchmark::DoNotOptimize(KyVerifyProtocol::verifyInit(1236).code());
  report(state, "x_ecmul", baseline);
}
BENCHMARK(BM_ProtocolVerifyInit)->UseRealTime();

// A token as the cloud issues it, enciphered here with the shared key.
std::string validToken() {
  std::string deviceId = KYDeviceUtils::getDeviceId();
  uint8_t* digest = md5sum(reinterpret_cast<const uint8_t*>(deviceId.data()), deviceId.size());
  char* hex = hexEncode(digest, 16);
  std::string clear = "1236_" + std::string(hex) + "_" + std::to_string(std::time(nullptr) + 3600) + "_x";
  mFree(hex);
  mFree(digest);
  char* token = nullptr;
  aesEncryption2(reinterpret_cast<const uint8_t*>(clear.data()), clear.size(), kAesKeyShared, &token);
  std::string text(token ? token : "");
  mFree(token);
  return text;
}

void BM_ProtocolCheckToken(benchmark::State& state) {
  useBenchStore();
  double baseline = ecmulSeconds();
  KyVerifyProtocol::verifyInit(1236);
  std::string token = validToken();
  for (auto _ : state) {
    KyTokenCheck check = KyVerifyProtocol::checkToken(token.c_str());
    if (!check.passed()) state.SkipWithError("token refused");
  }
  report(state, "x_ecmul", baseline);
}
BENCHMARK(BM_ProtocolCheckToken)->UseRealTime();

void BM_ProtocolSealMessage(benchmark::State& state) {
  useBenchStore();
  KyVerifyProtocol::verifyInit(1236);
  std::vector<std::vector<uint8_t>> images(2, std::vector<uint8_t>(120 * 1024, 0x42));
  std::vector<uint8_t> copy(images[0].size() * 2);
  double baseline = bestSecondsPerCall(50, [&] {
    std::memcpy(copy.data(), images[0].data(), images[0].size());
    std::memcpy(copy.data() + images[0].size(), images[1].data(), images[1].size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  });
  for (auto _ : state) benchmark::DoNotOptimize(sealVerifyMsg(images, nullptr, 1672531200));
  report(state, "x_memcpy", baseline);
}
BENCHMARK(BM_ProtocolSealMessage)->UseRealTime();

void BM_ProtocolAesCrypto(benchmark::State& state) {
  std::vector<uint8_t> plain(240 * 1024, 0x42), copy(plain.size());
  double baseline = bestSecondsPerCall(50, [&] {
    std::memcpy(copy.data(), plain.data(), plain.size());
    benchmark::DoNotOptimize(copy.data());
    benchmark::ClobberMemory();
  });
  for (auto _ : state) {
    uint8_t* cipher = nullptr;
    benchmark::DoNotOptimize(aesCrypto("0123456789abcdef", kAesEncrypt, plain.data(), plain.size(), &cipher));
    mFree(cipher);
  }
  report(state, "x_memcpy", baseline);
}
BENCHMARK(BM_ProtocolAesCrypto)->UseRealTime();

}  // namespace
