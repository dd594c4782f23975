#include <kylivingdetection/KyLivingConfig.h>

KyLivingConfig::KyLivingConfig() { init(); }

KyLivingConfig* KyLivingConfig::shareInstance() {
  // Never destroyed: components may still read it while the process exits.
  static KyLivingConfig* const instance = new KyLivingConfig();
  return instance;
}

void KyLivingConfig::init() {
  isAutoUploadVerifyMsg_ = true;
  isRecordLdtVideo_ = false;
  isDeleteVideoInNext_ = true;
  useStrictMode_ = true;
  isSaveImgEveryType_ = false;
  cryptKeyType_ = 0;
}

void KyLivingConfig::SetIsAutoUploadVerifyMsg(int value) { isAutoUploadVerifyMsg_ = (value & 1) != 0; }
bool KyLivingConfig::GetIsAutoUploadVerifyMsg() const { return isAutoUploadVerifyMsg_; }

void KyLivingConfig::SetIsRecordLdtVideo(int value) { isRecordLdtVideo_ = (value & 1) != 0; }
bool KyLivingConfig::GetIsRecordLdtVideo() const { return isRecordLdtVideo_; }

void KyLivingConfig::SetIsDeleteVideoInNext(int value) { isDeleteVideoInNext_ = (value & 1) != 0; }
bool KyLivingConfig::GetIsDeleteVideoInNext() const { return isDeleteVideoInNext_; }

void KyLivingConfig::SetUseStrictMode(int value) { useStrictMode_ = (value & 1) != 0; }
bool KyLivingConfig::GetUseStrictMode() const { return useStrictMode_; }

void KyLivingConfig::SetIsSaveImgEveryType(int value) { isSaveImgEveryType_ = (value & 1) != 0; }
bool KyLivingConfig::GetIsSaveImgEveryType() const { return isSaveImgEveryType_; }

void KyLivingConfig::SetKyCryptKeyType(int32_t value) { cryptKeyType_ = value; }
int32_t KyLivingConfig::GetKyCryptKeyType() const { return cryptKeyType_; }
