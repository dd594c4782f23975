// The endpoints' logic against the library's own protocol code: initialisation messages
// from verifyInit, tokens checked by the library, messages sealed by the library.
#include <gtest/gtest.h>
#include <kylivingdetection/KyLivingConfig.h>

#include <cjson/cJSON.h>

#include "CloudCodec.h"
#include "CloudTestSupport.h"
#include "utils/AesCipher.h"
#include "utils/CodecUtil.h"
#include "utils/EccKeyAgreement.h"
#include "utils/KyLivingAESUtil.h"
#include "utils/LogManager.h"
#include "utils/MbedtlsContext.h"
#include "utils/VerifyMsgBuilder.h"
#include "utils/VerifyProtocol.h"

namespace {

const std::string kClient = "127.0.0.1";

class CloudServiceTest : public ::testing::Test {
 protected:
  explicit CloudServiceTest(CloudSettings settings = {}) : harness((dir.path() / "cloud.db").string(), settings) {
    harness.now = static_cast<int64_t>(time(nullptr));
  }
  void TearDown() override { KyLivingConfig::shareInstance()->SetKyCryptKeyType(0); }

  // Initialises the library for `actions` and has the cloud answer; the token.
  std::string issueToken(int32_t actions = 2) {
    KyLivingDetectResult init = KyVerifyProtocol::verifyInit(actions);
    EXPECT_EQ(init.code(), 0) << init.msg();
    CloudReply reply = harness.service->init(init.data(), kClient);
    EXPECT_EQ(codeOf(reply.json), "0000") << reply.json;
    return memberOf(reply.json, "token");
  }

  std::string sealed(const std::vector<std::vector<uint8_t>>& images, const char* history = nullptr) {
    auto message = sealVerifyMsg(images, history, harness.now);
    EXPECT_TRUE(message);
    return message.value_or("");
  }

  // "flatbuffer@" + the Base64 of arbitrary bytes enciphered with the library's shared key.
  static std::string sealedBytes(const std::vector<uint8_t>& bytes) {
    char* text = nullptr;
    EXPECT_EQ(aesEncryption2(bytes.data(), bytes.size(), kAesKeyShared, &text), 0);
    std::string message = std::string("flatbuffer@") + (text ? text : "");
    mFree(text);
    return message;
  }

  CloudReply upload(const std::string& token, const std::string& message) {
    return harness.service->upload(token, message, kClient);
  }

  ScratchDir dir;
  ServiceHarness harness;
};

TEST_F(CloudServiceTest, IssuesTokensTheLibraryAcceptsForEveryKeyType) {
  for (int32_t keyType : {0, 1, 2, 9}) {
    SCOPED_TRACE(keyType);
    KyLivingConfig::shareInstance()->SetKyCryptKeyType(keyType);
    std::string token = issueToken(1236);
    KyTokenCheck check = KyVerifyProtocol::checkToken(token.c_str(), harness.now);
    ASSERT_TRUE(check.passed()) << check.failure->msg();
    EXPECT_EQ(check.livingType, 1236);
    auto session = harness.store->findSession(token);
    ASSERT_TRUE(session);
    EXPECT_EQ(session->expiresAt, harness.now + 300);
    EXPECT_EQ(session->colours.substr(0, 3), "012");
    EXPECT_GE(session->colours.size(), 6u);
    EXPECT_EQ(session->state, "issued");
  }
}

TEST_F(CloudServiceTest, ReplacesAnInvalidActionListByTheDefault) {
  std::string token = issueToken(0);
  KyTokenCheck check = KyVerifyProtocol::checkToken(token.c_str(), harness.now);
  ASSERT_TRUE(check.passed());
  EXPECT_EQ(check.livingType, 62);
}

TEST_F(CloudServiceTest, AcceptsAnUploadOnceAndKeepsItsVerdict) {
  auto portrait = portraitJpeg();
  if (!portrait) GTEST_SKIP() << "the portrait photograph is not installed";
  std::string token = issueToken(2);
  std::string message = sealed({*portrait});

  CloudReply first = upload(token, message);
  ASSERT_EQ(codeOf(first.json), "0000") << first.json;
  std::string recId = memberOf(first.json, "recID");
  CloudReply verdict = harness.service->result(recId);
  EXPECT_EQ(memberOf(verdict.json, "verdict"), "pass") << verdict.json;

  CloudReply replay = upload(token, message);
  EXPECT_EQ(codeOf(replay.json), "1004");
  EXPECT_EQ(replay.status, 409);
  EXPECT_EQ(harness.store->countRecords(), 1);
  for (const auto& line : harness.logLines) {
    EXPECT_EQ(line.find(token), std::string::npos) << "a token reached the log: " << line;
  }
}

TEST_F(CloudServiceTest, FailsAColourfulSessionWithoutColourEvidence) {
  auto portrait = portraitJpeg();
  if (!portrait) GTEST_SKIP() << "the portrait photograph is not installed";
  std::string token = issueToken(62);
  CloudReply reply = upload(token, sealed({*portrait}));  // history "empty"
  ASSERT_EQ(codeOf(reply.json), "0000");
  CloudReply verdict = harness.service->result(memberOf(reply.json, "recID"));
  EXPECT_EQ(memberOf(verdict.json, "verdict"), "fail");
  EXPECT_NE(verdict.json.find("history is empty"), std::string::npos) << verdict.json;
}

TEST_F(CloudServiceTest, AnswersResultQueriesForUnknownRecords) {
  EXPECT_EQ(codeOf(harness.service->result(std::string("nope")).json), "1007");
  EXPECT_EQ(codeOf(harness.service->result(std::nullopt).json), "1001");
  EXPECT_EQ(codeOf(harness.service->result(std::string(100, 'x')).json), "1001");
}

TEST_F(CloudServiceTest, StoresLogRecordsTheLibraryEnciphers) {
  std::string record = LogManager::buildLogRecord("C1", "异常:  code = 3");
  std::vector<uint8_t> clear(record.begin(), record.end());
  auto key = devKeysDir();
  CloudKeys keys = CloudKeys::load(key);
  auto sealedRecord = KyLivingAESUtil::aesCbc128Crypt(
      KyLivingAESUtil::kEncrypt, clear, std::vector<uint8_t>(keys.logIv().begin(), keys.logIv().end()),
      std::vector<uint8_t>(keys.logKey().begin(), keys.logKey().end()));
  ASSERT_TRUE(sealedRecord);
  EXPECT_EQ(codeOf(harness.service->push(base64Text(*sealedRecord), kClient).json), "0000");
  EXPECT_EQ(codeOf(harness.service->push(std::string("bm90IGEgcmVjb3Jk"), "10.0.0.9").json), "1005");
  EXPECT_EQ(codeOf(harness.service->push(std::nullopt, "10.0.0.9").json), "1001");
  EXPECT_EQ(harness.store->countLogs(), 1);
}

// ---- Hostile initialisation messages ------------------------------------------------------

// The facts of an initialisation message with a fresh device key; `edit` changes them.
std::string initJson(const std::string& deviceId, const std::function<void(cJSON*)>& edit = {}) {
  MbedtlsMpi d;
  MbedtlsEcpPoint q;
  EXPECT_EQ(genEccKeyPair(d.get(), q.get()), 0);
  uint8_t* point = nullptr;
  EXPECT_EQ(getEccPubKey(q.get(), &point), 65);
  char* hex = hexEncode(point, 65);
  mFree(point);
  cJSON* o = cJSON_CreateObject();
  for (const char* name : {"sdkVersion", "osVersion", "deviceModel", "appName", "platform", "bundleId"}) {
    cJSON_AddStringToObject(o, name, "x");
  }
  cJSON_AddBoolToObject(o, "isRoot", false);
  cJSON_AddStringToObject(o, "deviceId", deviceId.c_str());
  cJSON_AddNumberToObject(o, "livingType", 2);
  cJSON_AddNumberToObject(o, "useStrictMode", 0);
  cJSON_AddStringToObject(o, "eccPubKeyType", "DEFAULT");
  cJSON_AddStringToObject(o, "otPK", hex);
  mFree(hex);
  if (edit) edit(o);
  char* text = cJSON_PrintUnformatted(o);
  std::string json = text;
  cJSON_free(text);
  cJSON_Delete(o);
  return json;
}

std::string framed(const std::string& json, const std::string& key, const std::string& typeName = "DEFAULT") {
  CloudKeys keys = CloudKeys::load(devKeysDir());
  return "@IOS,2,8,0," + typeName + "@" + base64Text(encipher(key, keys.fixedIv(), json));
}

void setString(cJSON* o, const char* name, const std::string& value) {
  cJSON_ReplaceItemInObjectCaseSensitive(o, name, cJSON_CreateString(value.c_str()));
}

TEST_F(CloudServiceTest, AnswersHostileInitialisationMessagesAlike) {
  CloudKeys keys = CloudKeys::load(devKeysDir());
  const std::string defaultKey = keys.fixedKey(0);
  std::string offCurve = initJson("Dev1");
  auto otPK = offCurve.find("\"otPK\":\"04");
  offCurve[otPK + 20] = offCurve[otPK + 20] == 'a' ? 'b' : 'a';  // X changes, Y stays: off the curve
  struct Case {
    const char* name;
    std::optional<std::string> initMsg;
    const char* code;
  } cases[] = {
      {"valid", framed(initJson("DevOk"), defaultKey), "0000"},
      {"no field", std::nullopt, "1001"},
      {"empty field", std::string(), "1001"},
      {"huge field", std::string(20000, 'A'), "1001"},
      {"no frame", std::string("hello"), "1005"},
      {"unknown key type", framed(initJson("Dev2"), defaultKey, "OTHER"), "1005"},
      {"bad Base64", std::string("@IOS,2,8,0,DEFAULT@abc$def="), "1005"},
      {"wrong fixed key", framed(initJson("Dev3"), keys.fixedKey(1)), "1005"},
      {"type differs from the header", framed(initJson("Dev4"), keys.fixedKey(1), "SH_CA"), "1005"},
      {"point off the curve", framed(offCurve, defaultKey), "1005"},
      {"short point", framed(initJson("Dev5", [](cJSON* o) { setString(o, "otPK", "04abcd"); }), defaultKey), "1005"},
      {"device id with a separator",
       framed(initJson("Dev6", [](cJSON* o) { setString(o, "deviceId", "a_b"); }), defaultKey), "1005"},
      {"missing member",
       framed(initJson("Dev7", [](cJSON* o) { cJSON_DeleteItemFromObject(o, "isRoot"); }), defaultKey), "1005"},
      {"huge member",
       framed(initJson("Dev8", [](cJSON* o) { setString(o, "appName", std::string(1000, 'a')); }), defaultKey),
       "1005"},
      {"not JSON", framed("not json at all", defaultKey), "1005"},
  };
  std::optional<std::string> unreadableAnswer;
  int client = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CloudReply reply = harness.service->init(c.initMsg, "10.0.0." + std::to_string(++client));
    EXPECT_EQ(codeOf(reply.json), c.code) << reply.json;
    if (std::string(c.code) != "1005") continue;
    if (!unreadableAnswer) unreadableAnswer = reply.json;
    EXPECT_EQ(reply.json, *unreadableAnswer) << "every unreadable message gets the same answer";
  }
}

// ---- Hostile uploads --------------------------------------------------------------------------

class HostileUploadTest : public CloudServiceTest {
 protected:
  static CloudSettings settings() {
    CloudSettings s;
    s.failures.maxFailures = 1000;  // this table is about answers, not about the slowdown
    s.maxVerifyMsgBytes = 1u << 20;
    return s;
  }
  HostileUploadTest() : CloudServiceTest(settings()) {}
};

std::vector<uint8_t> verifyBuffer(size_t imageCount, size_t keepBytes = SIZE_MAX) {
  std::vector<std::vector<uint8_t>> images(imageCount, std::vector<uint8_t>{0xFF, 0xD8, 0xFF, 0xD9});
  auto builder = makeVerifyMsgBuilder();
  buildVerifyMsg(builder, images, nullptr, 1700000000);
  const uint8_t* data = builder.GetBufferPointer();
  return std::vector<uint8_t>(data, data + std::min<size_t>(builder.GetSize(), keepBytes));
}

TEST_F(HostileUploadTest, AnswersEachWithItsCodeAndUnreadableOnesAlike) {
  struct Case {
    const char* name;
    std::function<std::pair<std::optional<std::string>, std::optional<std::string>>()> request;
    const char* code;
  };
  auto withToken = [this](std::function<std::string()> message) {
    return [this, message] {
      std::string token = issueToken(2);
      return std::make_pair(std::optional<std::string>(token), std::optional<std::string>(message()));
    };
  };
  const std::vector<Case> cases = {
      {"no token", [] { return std::make_pair(std::optional<std::string>(), std::optional<std::string>("x")); }, "1001"},
      {"no message", [this] { return std::make_pair(std::optional<std::string>(issueToken()), std::optional<std::string>()); }, "1001"},
      {"huge token", [] { return std::make_pair(std::optional<std::string>(std::string(5000, 'A')), std::optional<std::string>("x")); }, "1001"},
      {"huge message", withToken([] { return std::string(2u << 20, 'A'); }), "1001"},
      {"unknown token", [] { return std::make_pair(std::optional<std::string>("bm9wZQ=="), std::optional<std::string>("x")); }, "1002"},
      {"bad Base64", withToken([] { return std::string("flatbuffer@ab$d"); }), "1005"},
      {"Base64 of no block", withToken([] { return std::string("flatbuffer@YWJj"); }), "1005"},
      {"wrong key", [this] {
         std::string token = issueToken(2);
         issueToken(2);  // the library now holds another session's key
         return std::make_pair(std::optional<std::string>(token),
                               std::optional<std::string>(sealedBytes(verifyBuffer(1))));
       }, "1005"},
      {"truncated buffer", withToken([] { return sealedBytes(verifyBuffer(1, 40)); }), "1005"},
      {"random bytes", withToken([] { return sealedBytes(std::vector<uint8_t>(300, 0x5A)); }), "1005"},
      {"too many images", withToken([] { return sealedBytes(verifyBuffer(40)); }), "1005"},
  };
  std::optional<std::string> unreadableAnswer;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto [token, message] = c.request();
    CloudReply reply = harness.service->upload(token, message, kClient);
    EXPECT_EQ(codeOf(reply.json), c.code) << reply.json;
    if (std::string(c.code) != "1005") continue;
    if (!unreadableAnswer) unreadableAnswer = reply.json;
    EXPECT_EQ(reply.json, *unreadableAnswer);
  }
  EXPECT_EQ(harness.store->countRecords(), 0);
}

TEST_F(HostileUploadTest, RefusesExpiredAndReplayedTokens) {
  std::string expired = issueToken(2);
  std::string used = issueToken(2);
  std::string message = sealedBytes(verifyBuffer(1));
  EXPECT_EQ(codeOf(upload(used, message).json), "0000");  // a well-formed message, judged "fail"
  EXPECT_EQ(codeOf(upload(used, message).json), "1004");
  harness.now += 301;
  EXPECT_EQ(codeOf(upload(expired, message).json), "1003");
  EXPECT_EQ(harness.store->countRecords(), 1);
}

TEST_F(CloudServiceTest, SlowsDownAClientAndADeviceThatKeepFailing) {
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(codeOf(harness.service->upload(std::string("bm9wZQ=="), std::string("x"), "10.1.1.1").json), "1002");
  }
  EXPECT_EQ(codeOf(harness.service->upload(std::string("bm9wZQ=="), std::string("x"), "10.1.1.1").json), "1006");
  EXPECT_EQ(harness.service->upload(std::string("bm9wZQ=="), std::string("x"), "10.1.1.1").status, 429);

  // Five unreadable uploads of this device's sessions pause the device, whatever its address.
  for (int i = 0; i < 5; ++i) {
    std::string token = issueToken(2);
    EXPECT_EQ(codeOf(harness.service->upload(token, std::string("flatbuffer@YWJj"), "10.2.2." + std::to_string(i)).json),
              "1005");
  }
  KyLivingDetectResult init = KyVerifyProtocol::verifyInit(2);
  EXPECT_EQ(codeOf(harness.service->init(init.data(), "10.3.3.3").json), "1006");
  harness.now += 121;
  EXPECT_EQ(codeOf(harness.service->init(init.data(), "10.3.3.3").json), "0000");
}

}  // namespace
