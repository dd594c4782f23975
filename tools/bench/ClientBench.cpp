#include "BenchTiming.h"
// Cloud-client and device-identity costs, each against a baseline measured in the same run.
//
//   ClientEncodeBody:    the form body of a 240 KiB verification message ("+" to "%2B", UTF-8
//                        check); counter "x_memcpy": against copying the same text
//   ClientSealLogRecord: one log record built, enciphered and Base64-encoded, all that upLog does
//                        before the post; counter "x_aes": against enciphering the record alone
//   ClientSaveItem:      the device identifier stored by the file item store (temporary file,
//                        fsync, rename, directory fsync); counter "x_write": against writing the
//                        same bytes to a file without syncing
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/store/KyFileItemStore.h"
#include "utils/KyLivingAESUtil.h"
#include "utils/KyLDCommUtil.h"
#include "utils/KyLivingHttpClient.h"
#include "utils/LogManager.h"

namespace {


void report(benchmark::State& state, const char* name, double baselineSeconds) {
  state.counters[name] = benchmark::Counter(static_cast<double>(state.iterations()) * baselineSeconds,
                                            benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// Base64-like text with the characters a verification message carries.
std::string verifyMessageText(size_t length) {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text = "flatbuffer@";
  for (size_t i = 0; text.size() < length; ++i) text += alphabet[(i * 7919) % 64];
  return text;
}

std::vector<uint8_t> keyBytes(const char* text) { return std::vector<uint8_t>(text, text + 16); }

void BM_ClientEncodeBody(benchmark::State& state) {
  std::string body = "token=abc&verifyMsg=" + verifyMessageText(240 * 1024);
  double baseline = bestSecondsPerCall(200, [&] {
    std::string copy = body;
    benchmark::DoNotOptimize(copy.data());
  });
  for (auto _ : state) benchmark::DoNotOptimize(KyLivingHttpClient::encodeBody(body));
  report(state, "x_memcpy", baseline);
}
BENCHMARK(BM_ClientEncodeBody)->UseRealTime();

void BM_ClientSealLogRecord(benchmark::State& state) {
  const std::vector<uint8_t> key = keyBytes("0123456789abcdef"), iv = keyBytes("fedcba9876543210");
  const std::string text = "异常:  code = 4, data=, msg = 执行超时";
  std::string record = LogManager::buildLogRecord("certify-1", text);
  std::vector<uint8_t> recordBytes(record.begin(), record.end());
  double baseline = bestSecondsPerCall(2000, [&] {
    benchmark::DoNotOptimize(KyLivingAESUtil::aesCbc128Crypt(KyLivingAESUtil::kEncrypt, recordBytes, iv, key));
  });
  for (auto _ : state) {
    std::string clear = LogManager::buildLogRecord("certify-1", text);
    auto sealed = KyLivingAESUtil::aesCbc128Crypt(KyLivingAESUtil::kEncrypt,
                                                  std::vector<uint8_t>(clear.begin(), clear.end()), iv, key);
    benchmark::DoNotOptimize(KyLDCommUtil::Base64Encode(*sealed));
  }
  report(state, "x_aes", baseline);
}
BENCHMARK(BM_ClientSealLogRecord)->UseRealTime();

void BM_ClientSaveItem(benchmark::State& state) {
  std::string pattern = (std::filesystem::temp_directory_path() / "kyld-bench-items-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    state.SkipWithError("mkdtemp failed");
    return;
  }
  const std::filesystem::path directory = pattern;
  const std::vector<uint8_t> id(31, 'A');
  const std::string plain = (directory / "plain").string();
  double baseline = bestSecondsPerCall(50, [&] {
    int fd = ::open(plain.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    benchmark::DoNotOptimize(::write(fd, id.data(), id.size()));
    ::close(fd);
  });
  KyFileItemStore store(directory / "items");
  for (auto _ : state) benchmark::DoNotOptimize(store.save("KEY_KYVOR_DEVICE_ID", id));
  report(state, "x_write", baseline);
  std::filesystem::remove_all(directory);
}
BENCHMARK(BM_ClientSaveItem)->UseRealTime();

}  // namespace
