#include <cjson/cJSON.h>
#include <gtest/gtest.h>
#include <kylivingdetection/KyLivingConfig.h>

#include <ctime>
#include <memory>

#include "KyProtocolKeys.h"
#include "ProtocolPeer.h"
#include "livingdetect/LDTColorfulDetection.h"
#include "testsupport/LogCapture.h"
#include "utils/EccKeyAgreement.h"
#include "utils/KYDeviceUtils.h"
#include "utils/KeyChainManager.h"
#include "utils/VerifyProtocol.h"

namespace {

const char* fixedKey(int32_t cryptKeyType) {
  return cryptKeyType == 0 ? FIXED_KEY_DEFAULT : cryptKeyType == 1 ? FIXED_KEY_SH_CA : FIXED_KEY_TEST;
}

struct CJsonDeleter {
  void operator()(cJSON* json) const { cJSON_Delete(json); }
};
using Json = std::unique_ptr<cJSON, CJsonDeleter>;

std::string member(const cJSON* json, const char* key) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(json, key);
  return cJSON_IsString(item) ? item->valuestring : "";
}

class VerifyProtocolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KeyChainManager::setItemStore(std::make_shared<MemoryItemStore>());
    KyLivingConfig::shareInstance()->init();
    LDTColorfulDetection::shareInstance()->recycleColorSetting();
  }
  void TearDown() override {
    KyLivingConfig::shareInstance()->init();
    LDTColorfulDetection::shareInstance()->recycleColorSetting();
    KeyChainManager::setItemStore(nullptr);
  }

  // The clear JSON of an initialisation message, deciphered by openssl as the cloud does.
  std::string decipherInitMessage(const KyLivingDetectResult& result, int32_t cryptKeyType, const char* typeName) {
    std::string header = std::string("@IOS,2,8,0,") + typeName + "@";
    EXPECT_EQ(result.data().rfind(header, 0), 0u) << result.data();
    return opensslDecrypt(fixedKey(cryptKeyType), FIXED_IV, result.data().substr(header.size()));
  }

  static std::string shareKey() {
    char key[kShareKeyLength + 1] = {};
    EXPECT_TRUE(copyShareAesKey(key));
    return key;
  }
  // A token enciphered by openssl under the current shared key.
  static std::string token(const std::string& clear) { return opensslEncrypt(shareKey(), FIXED_IV, clear); }
  // The cloud's digest of this device's identifier, computed once per test.
  const std::string& deviceDigest() {
    if (digest_.empty()) digest_ = opensslMd5Hex(KYDeviceUtils::getDeviceId());
    return digest_;
  }
  std::string clearToken(const std::string& actions, int64_t expiry, const std::string& extra = "") {
    return actions + "_" + deviceDigest() + "_" + std::to_string(expiry) + "_x" + extra;
  }

  static constexpr int64_t kNow = 1700000000;

 private:
  std::string digest_;
};

}  // namespace

TEST_F(VerifyProtocolTest, InitMessageCarriesTheFactsInOrderUnderTheTypesKeys) {
  struct Case {
    int32_t cryptKeyType;
    const char* typeName;
    bool strict;
  };
  for (Case c : {Case{0, "DEFAULT", true}, Case{1, "SH_CA", false}, Case{2, "TEST", true}, Case{9, "TEST", true}}) {
    SCOPED_TRACE(c.cryptKeyType);
    KyLivingConfig::shareInstance()->SetKyCryptKeyType(c.cryptKeyType);
    KyLivingConfig::shareInstance()->SetUseStrictMode(c.strict);
    KyLivingDetectResult result = KyVerifyProtocol::verifyInit(1236);
    ASSERT_EQ(result.code(), KLD_SUCCESS);
    EXPECT_EQ(result.msg(), "初始化成功");

    std::string text = decipherInitMessage(result, c.cryptKeyType, c.typeName);
    Json json(cJSON_Parse(text.c_str()));
    ASSERT_NE(json, nullptr) << text;
    std::vector<std::string> keys;
    for (const cJSON* item = json->child; item != nullptr; item = item->next) keys.push_back(item->string);
    EXPECT_EQ(keys, (std::vector<std::string>{"sdkVersion", "osVersion", "deviceModel", "appName", "platform",
                                              "bundleId", "isRoot", "deviceId", "livingType", "useStrictMode",
                                              "eccPubKeyType", "otPK"}));
    EXPECT_EQ(text.find_first_of(" \n\t"), std::string::npos) << "printed compactly";
    EXPECT_EQ(member(json.get(), "sdkVersion"), "1.8.1");
    EXPECT_EQ(member(json.get(), "platform"), "IOS");
    EXPECT_EQ(member(json.get(), "eccPubKeyType"), c.typeName);
    EXPECT_EQ(member(json.get(), "deviceId"), KYDeviceUtils::getDeviceId());
    EXPECT_EQ(member(json.get(), "deviceId").size(), 31u);
    EXPECT_TRUE(cJSON_IsBool(cJSON_GetObjectItem(json.get(), "isRoot")));
    EXPECT_EQ(cJSON_GetObjectItem(json.get(), "livingType")->valueint, 1236);
    EXPECT_EQ(cJSON_GetObjectItem(json.get(), "useStrictMode")->valueint, c.strict ? 1 : 0);
    EXPECT_NE(text.find("\"livingType\":1236,"), std::string::npos) << "an integer number";

    // The cloud derives the shared key from "otPK" with the type's root private key.
    std::string otPK = member(json.get(), "otPK");
    ASSERT_EQ(otPK.size(), 130u);
    EXPECT_EQ(otPK.substr(0, 2), "04");
    EXPECT_EQ(otPK.find_first_not_of("0123456789abcdef"), std::string::npos);
    char key[kShareKeyLength + 1] = {};
    ASSERT_TRUE(copyShareAesKey(key));
    EXPECT_EQ(std::string(key), cloudShareKey(opensslDerive(c.cryptKeyType, fromHex(otPK))));
  }
}

TEST_F(VerifyProtocolTest, ActionListsAreChecked) {
  struct Case {
    int32_t livingType;
    int32_t code;
    const char* msg;
  };
  const Case cases[] = {
      {1236, KLD_SUCCESS, "初始化成功"}, {123, KLD_SUCCESS, "初始化成功"}, {0, KLD_SUCCESS, "初始化成功"},
      {6, KLD_SUCCESS, "初始化成功"},
      {1203, KLD_UNSUPPORT, "不支持的检测类型 0"}, {1000, KLD_UNSUPPORT, "不支持的检测类型 0"},
      {17, KLD_UNSUPPORT, "不支持的检测类型 7"}, {12345, KLD_UNSUPPORT, "不支持的检测类型 12"},
      {9, KLD_UNSUPPORT, "不支持的检测类型 9"}, {-5, KLD_UNSUPPORT, "不支持的检测类型 -5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.livingType);
    char before[kShareKeyLength + 1] = {};
    bool hadKey = copyShareAesKey(before);
    LogCapture capture;
    KyLivingDetectResult result = KyVerifyProtocol::verifyInit(c.livingType);
    EXPECT_EQ(result.code(), c.code);
    EXPECT_EQ(result.msg(), c.msg);
    if (c.code == KLD_SUCCESS) continue;
    EXPECT_EQ(result.data(), "");
    EXPECT_TRUE(capture.contains(std::string("LDTResult: 6:") + c.msg));
    char after[kShareKeyLength + 1] = {};
    EXPECT_EQ(copyShareAesKey(after), hadKey);
    EXPECT_STREQ(after, before) << "a refused initialisation keeps the shared key";
  }
}

// The whole exchange with openssl as the cloud: decipher, derive, issue a token.
TEST_F(VerifyProtocolTest, TokenIssuedByTheCloudPasses) {
  KyLivingConfig::shareInstance()->SetKyCryptKeyType(1);
  KyLivingDetectResult init = KyVerifyProtocol::verifyInit(26);
  ASSERT_EQ(init.code(), KLD_SUCCESS);
  Json json(cJSON_Parse(decipherInitMessage(init, 1, "SH_CA").c_str()));
  ASSERT_NE(json, nullptr);
  std::string cloudKey = cloudShareKey(opensslDerive(1, fromHex(member(json.get(), "otPK"))));
  std::string clear = "26_" + opensslMd5Hex(member(json.get(), "deviceId")) + "_" +
                      std::to_string(std::time(nullptr) + 600) + "_x";
  KyTokenCheck check = KyVerifyProtocol::checkToken(opensslEncrypt(cloudKey, FIXED_IV, clear).c_str());
  EXPECT_TRUE(check.passed()) << (check.failure ? check.failure->msg() : "");
  EXPECT_EQ(check.livingType, 26);
}

TEST_F(VerifyProtocolTest, TokenFailures) {
  ASSERT_EQ(KyVerifyProtocol::verifyInit(26).code(), KLD_SUCCESS);
  std::string good = token(clearToken("26", kNow + 60));
  struct Case {
    const char* name;
    std::string token;
    const char* msg;
    bool dataIsToken;
  };
  std::string digest = deviceDigest();
  std::string upper = digest;
  for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
  const Case cases[] = {
      {"truncated", good.substr(0, good.size() - 4), "TOKEN解密失败", true},
      {"not Base64 in length", good.substr(0, good.size() - 1), "TOKEN解密失败", true},
      {"empty", "", "TOKEN解密失败", true},
      {"wrongly padded", opensslEncrypt(shareKey(), FIXED_IV, std::string(31, 'p') + '\x02', true), "TOKEN解密失败",
       true},
      {"clear text of 15 bytes", token("26_abc_99_x_yyy"), "TOKEN解密失败", true},
      {"three fields", token("26_" + digest + "_" + std::to_string(kNow + 60)), "TOKEN数据格式不正确", false},
      {"only separators", token(std::string(20, '_')), "TOKEN数据格式不正确", false},
      {"expired a second ago", token(clearToken("26", kNow - 1)), "token过期", true},
      {"upper-case digest", token("26_" + upper + "_" + std::to_string(kNow + 60) + "_x"), "deviceid验证失败", true},
      {"another device", token("26_" + opensslMd5Hex("another device") + "_" + std::to_string(kNow + 60) + "_x"),
       "deviceid验证失败", true},
      {"empty digest field shifts the rest", token("26__" + std::to_string(kNow + 60) + "_" + digest + "_x"),
       "deviceid验证失败", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture capture;
    KyTokenCheck check = KyVerifyProtocol::checkToken(c.token.c_str(), kNow);
    ASSERT_FALSE(check.passed());
    EXPECT_EQ(check.failure->code(), KLD_PARAME_ERROR);
    EXPECT_EQ(check.failure->msg(), c.msg);
    EXPECT_EQ(check.failure->data(), c.dataIsToken ? c.token : "");
    EXPECT_TRUE(capture.contains(std::string("LDTResult: 2:") + c.msg));
  }

  KyTokenCheck absent = KyVerifyProtocol::checkToken(nullptr, kNow);
  ASSERT_FALSE(absent.passed());
  EXPECT_EQ(absent.failure->msg(), "token is nil");
  EXPECT_EQ(absent.failure->data(), "");
}

TEST_F(VerifyProtocolTest, TokenIsValidUpToItsExpirySecond) {
  ASSERT_EQ(KyVerifyProtocol::verifyInit(4).code(), KLD_SUCCESS);
  std::string t = token(clearToken("4", kNow));
  EXPECT_TRUE(KyVerifyProtocol::checkToken(t.c_str(), kNow).passed());
  EXPECT_FALSE(KyVerifyProtocol::checkToken(t.c_str(), kNow + 1).passed());
  KyTokenCheck check = KyVerifyProtocol::checkToken(token(clearToken("1236", kNow) + "_more_fields").c_str(), kNow);
  EXPECT_TRUE(check.passed());
  EXPECT_EQ(check.livingType, 1236);
}

// A token for an earlier initialisation no longer deciphers (or, rarely, fails a later check).
TEST_F(VerifyProtocolTest, TokenOfAnEarlierInitialisationIsRefused) {
  ASSERT_EQ(KyVerifyProtocol::verifyInit(26).code(), KLD_SUCCESS);
  std::string stale = token(clearToken("26", kNow + 60));
  EXPECT_TRUE(KyVerifyProtocol::checkToken(stale.c_str(), kNow).passed());
  ASSERT_EQ(KyVerifyProtocol::verifyInit(26).code(), KLD_SUCCESS);
  KyTokenCheck check = KyVerifyProtocol::checkToken(stale.c_str(), kNow);
  ASSERT_FALSE(check.passed());
  EXPECT_EQ(check.failure->code(), KLD_PARAME_ERROR);
}

TEST_F(VerifyProtocolTest, ColourSettingReachesTheColourfulDetector) {
  ASSERT_EQ(KyVerifyProtocol::verifyInit(6).code(), KLD_SUCCESS);
  struct Case {
    const char* name;
    std::string clear;
    int32_t colorCount;  // after the check, starting from none
  };
  const Case cases[] = {
      {"four colours", clearToken("6", kNow + 60, "_c&0423"), 4},
      {"applied although expired", clearToken("6", kNow - 60, "_c&153"), 3},
      {"applied although for another device", "6_" + opensslMd5Hex("x") + "_" + std::to_string(kNow) + "_x_c&12", 2},
      {"no colour field", clearToken("6", kNow + 60), 0},
      {"no ampersand", clearToken("6", kNow + 60, "_0423"), 0},
      {"three parts", clearToken("6", kNow + 60, "_a&12&34"), 0},
      {"not digits", clearToken("6", kNow + 60, "_c&12a"), 0},
      {"more colours than the detector keeps", clearToken("6", kNow + 60, "_c&01234567012"), 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LDTColorfulDetection::shareInstance()->recycleColorSetting();
    KyVerifyProtocol::checkToken(token(c.clear).c_str(), kNow);
    EXPECT_EQ(LDTColorfulDetection::shareInstance()->colorCount(), c.colorCount);
  }
}

TEST_F(VerifyProtocolTest, TokenCheckWritesItsDebugLines) {
  ASSERT_EQ(KyVerifyProtocol::verifyInit(2).code(), KLD_SUCCESS);
  KyLivingSetDebugLogEnabled(true);
  LogCapture capture;
  KyVerifyProtocol::checkToken(token(clearToken("2", kNow - 1)).c_str(), kNow);
  KyVerifyProtocol::checkToken(token("2_" + opensslMd5Hex("y") + "_" + std::to_string(kNow) + "_x").c_str(), kNow);
  KyLivingSetDebugLogEnabled(false);
  EXPECT_TRUE(capture.contains("verifyEntry[") && capture.contains("DEICEID : " + deviceDigest() + " :( "));
  EXPECT_TRUE(capture.contains(">>>>>token过期"));
  EXPECT_TRUE(capture.contains(">>>>>>deviceid验证失败"));
}
