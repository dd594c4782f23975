// Behaviour flags of the library and the crypt key type. One shared instance per process;
// the host sets values before a session and the library reads them when it needs them.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

class KyLivingConfig {
 public:
  KyLivingConfig();
  // The process-wide instance, created on first use.
  static KyLivingConfig* shareInstance();

  // Restores the defaults.
  void init();

  // Bool setters keep only the lowest bit of their argument.
  void SetIsAutoUploadVerifyMsg(int value);
  bool GetIsAutoUploadVerifyMsg() const;
  void SetIsRecordLdtVideo(int value);
  bool GetIsRecordLdtVideo() const;
  void SetIsDeleteVideoInNext(int value);
  bool GetIsDeleteVideoInNext() const;
  void SetUseStrictMode(int value);
  bool GetUseStrictMode() const;
  void SetIsSaveImgEveryType(int value);
  bool GetIsSaveImgEveryType() const;
  // 0 DEFAULT, 1 SH_CA, anything else TEST.
  void SetKyCryptKeyType(int32_t value);
  int32_t GetKyCryptKeyType() const;

  // The verification cloud: host name (optionally with ":port") of its HTTPS endpoints, an
  // optional CA certificate file trusted instead of the system's, and the limit on connecting
  // and on each whole request (a minute by default). With no host nothing is sent.
  void SetCloudHost(const std::string& host);
  std::string GetCloudHost() const;
  void SetCloudCaFile(const std::string& path);
  std::string GetCloudCaFile() const;
  void SetCloudTimeoutMillis(int64_t millis);
  int64_t GetCloudTimeoutMillis() const;

 private:
  std::atomic<bool> isAutoUploadVerifyMsg_;
  std::atomic<bool> isRecordLdtVideo_;
  std::atomic<bool> isDeleteVideoInNext_;
  std::atomic<bool> useStrictMode_;
  std::atomic<bool> isSaveImgEveryType_;
  std::atomic<int32_t> cryptKeyType_;

  mutable std::mutex cloudMutex_;
  std::string cloudHost_;
  std::string cloudCaFile_;
  std::atomic<int64_t> cloudTimeoutMillis_{60000};
};
