// The verification cloud's settings on the shared configuration.
#include <kylivingdetection/KyLivingConfig.h>

void KyLivingConfig::SetCloudHost(const std::string& host) {
  std::lock_guard<std::mutex> lock(cloudMutex_);
  cloudHost_ = host;
}

std::string KyLivingConfig::GetCloudHost() const {
  std::lock_guard<std::mutex> lock(cloudMutex_);
  return cloudHost_;
}

void KyLivingConfig::SetCloudCaFile(const std::string& path) {
  std::lock_guard<std::mutex> lock(cloudMutex_);
  cloudCaFile_ = path;
}

std::string KyLivingConfig::GetCloudCaFile() const {
  std::lock_guard<std::mutex> lock(cloudMutex_);
  return cloudCaFile_;
}

void KyLivingConfig::SetCloudTimeoutMillis(int64_t millis) {
  cloudTimeoutMillis_ = millis > 0 ? millis : 1;
}

int64_t KyLivingConfig::GetCloudTimeoutMillis() const { return cloudTimeoutMillis_; }
