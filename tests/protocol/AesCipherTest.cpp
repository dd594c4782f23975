#include <gtest/gtest.h>
#include <kylivingdetection/KyLivingConfig.h>

#include <cstring>
#include <functional>

#include "KyProtocolKeys.h"
#include "ProtocolPeer.h"
#include "testsupport/LogCapture.h"
#include "utils/AesCipher.h"
#include "utils/CodecUtil.h"
#include "utils/EccKeyAgreement.h"
#include "utils/KyLivingAESUtil.h"
#include "utils/MbedtlsContext.h"

namespace {

std::string shareKey() {
  char key[kShareKeyLength + 1] = {};
  EXPECT_TRUE(copyShareAesKey(key));
  return key;
}

void installNewShareKey() {
  MbedtlsMpi d;
  MbedtlsEcpPoint Q;
  ASSERT_EQ(genEccKeyPair(d.get(), Q.get()), 0);
  ASSERT_EQ(updateShareKey(d.get(), 0), 0);
}

// aesDecryption as a text; "<-1>" when it fails.
std::string decryptToText(const std::string& base64, int keyClass) {
  uint8_t* plain = nullptr;
  int length = aesDecryption(base64.c_str(), keyClass, &plain);
  if (length < 0) return "<-1>";
  EXPECT_EQ(plain[length], 0);
  std::string text(reinterpret_cast<char*>(plain), static_cast<size_t>(length));
  mFree(plain);
  return text;
}

class AesCipherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KyLivingConfig::shareInstance()->init();
    installNewShareKey();
  }
  void TearDown() override { KyLivingConfig::shareInstance()->init(); }
};

}  // namespace

// openssl, holding the fixed key of the header's type, deciphers the initialisation framing.
TEST_F(AesCipherTest, FramedMessageDeciphersWithOpensslUnderTheTypesFixedKey) {
  struct Case {
    int32_t cryptKeyType;
    const char* typeName;
    const char* fixedKey;
  };
  const Case cases[] = {{0, "DEFAULT", FIXED_KEY_DEFAULT},
                        {1, "SH_CA", FIXED_KEY_SH_CA},
                        {2, "TEST", FIXED_KEY_TEST},
                        {7, "TEST", FIXED_KEY_TEST}};
  const std::string message = R"({"sdkVersion":"1.8.1","livingType":1236})";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cryptKeyType);
    KyLivingConfig::shareInstance()->SetKyCryptKeyType(c.cryptKeyType);
    char* framed = nullptr;
    ASSERT_EQ(aesEncryption(message.c_str(), kAesKeyFixed, &framed), 0);
    std::string text(framed);
    mFree(framed);
    std::string header = std::string("@IOS,2,8,0,") + c.typeName + "@";
    ASSERT_EQ(text.rfind(header, 0), 0u) << text;
    EXPECT_EQ(opensslDecrypt(c.fixedKey, FIXED_IV, text.substr(header.size())), message);
  }
}

// With the shared key the header still names the configured type.
TEST_F(AesCipherTest, SharedKeyFramingNamesTheConfiguredType) {
  KyLivingConfig::shareInstance()->SetKyCryptKeyType(1);
  char* framed = nullptr;
  ASSERT_EQ(aesEncryption("0123456789abcdefXYZ", kAesKeyShared, &framed), 0);
  std::string text(framed);
  mFree(framed);
  ASSERT_EQ(text.rfind("@IOS,2,8,0,SH_CA@", 0), 0u);
  EXPECT_EQ(opensslDecrypt(shareKey(), FIXED_IV, text.substr(17)), "0123456789abcdefXYZ");
}

TEST_F(AesCipherTest, VerificationMessageAndTokenInteroperateWithOpenssl) {
  const std::string plain = "a verification message of some length\x01\x02";
  char* encoded = nullptr;
  ASSERT_EQ(aesEncryption2(reinterpret_cast<const uint8_t*>(plain.data()), plain.size(), kAesKeyShared, &encoded), 0);
  std::string ours(encoded);
  mFree(encoded);
  EXPECT_EQ(opensslDecrypt(shareKey(), FIXED_IV, ours), plain);
  EXPECT_EQ(ours, opensslEncrypt(shareKey(), FIXED_IV, plain));

  std::string token = opensslEncrypt(shareKey(), FIXED_IV, "26_0123456789abcdef_99_x");
  EXPECT_EQ(decryptToText(token, kAesKeyShared), "26_0123456789abcdef_99_x");
}

TEST_F(AesCipherTest, CipherLengthsFollowThePadding) {
  struct Case {
    size_t plainLength;
    int cipherLength;
  };
  for (Case c : {Case{1, 16}, Case{15, 16}, Case{16, 32}, Case{17, 32}, Case{100, 112}}) {
    SCOPED_TRACE(c.plainLength);
    Bytes plain(c.plainLength, 'p');
    uint8_t* cipher = nullptr;
    ASSERT_EQ(aesCrypto(FIXED_KEY_TEST, kAesEncrypt, plain.data(), plain.size(), &cipher), c.cipherLength);
    Bytes bytes(cipher, cipher + c.cipherLength);
    mFree(cipher);
    if (c.plainLength < 16) continue;  // deciphering refuses plaintexts below one block
    uint8_t* back = nullptr;
    ASSERT_EQ(aesCrypto(FIXED_KEY_TEST, kAesDecrypt, bytes.data(), bytes.size(), &back),
              static_cast<int>(c.plainLength));
    EXPECT_EQ(Bytes(back, back + c.plainLength), plain);
    mFree(back);
  }
}

// Every failure of the cipher core: its message, -1 and an untouched out-parameter.
TEST_F(AesCipherTest, CipherCoreFailures) {
  // Ciphertext of whole plaintext blocks, enciphered by openssl without adding a pad.
  auto rawCipher = [](const std::string& blocks) {
    return runCommand("openssl base64 -d -A", opensslEncrypt(FIXED_KEY_TEST, FIXED_IV, blocks, true));
  };
  const std::string x15(15, 'x');
  struct Case {
    const char* name;
    std::string input;
    int mode;
    const char* message;  // null: fails without a line
  };
  const Case cases[] = {
      {"empty encipher", "", kAesEncrypt, "无效参数"},
      {"empty decipher", "", kAesDecrypt, "无效参数"},
      {"length not a multiple of 16", std::string(17, 'c'), kAesDecrypt, "解密数据长度必须是16的倍数"},
      {"last pad byte 17", rawCipher(x15 + '\x11'), kAesDecrypt, "paddingLen=17, 是一个不正确的数据"},
      {"last pad byte 0", rawCipher(x15 + '\0'), kAesDecrypt, "paddingLen=0, 是一个不正确的数据"},
      {"inner pad byte wrong", rawCipher(std::string(16, 'A') + std::string(13, 'x') + "\x02\x03\x03"), kAesDecrypt,
       "paddingLen=3, 是一个不正确的数据"},
      {"plaintext of 15 bytes", rawCipher(x15 + '\x01'), kAesDecrypt, nullptr},
      {"plaintext of 0 bytes", rawCipher(std::string(16, '\x10')), kAesDecrypt, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture capture;
    uint8_t sentinel = 0;
    uint8_t* out = &sentinel;
    EXPECT_EQ(aesCrypto(FIXED_KEY_TEST, c.mode, reinterpret_cast<const uint8_t*>(c.input.data()), c.input.size(), &out),
              -1);
    EXPECT_EQ(out, &sentinel);
    if (c.message != nullptr) {
      EXPECT_TRUE(capture.contains(errorTail(c.message))) << c.message;
    } else {
      EXPECT_TRUE(capture.lines().empty());
    }
  }
  LogCapture capture;
  uint8_t* out = nullptr;
  EXPECT_EQ(aesCrypto(nullptr, kAesEncrypt, reinterpret_cast<const uint8_t*>("x"), 1, &out), -1);
  EXPECT_TRUE(capture.contains(errorTail("无效参数")));
}

TEST_F(AesCipherTest, EntryPointFailures) {
  std::string validToken = opensslEncrypt(shareKey(), FIXED_IV, std::string(20, 't'));
  std::string truncated = validToken.substr(0, validToken.size() - 4);
  std::string tampered = opensslEncrypt(shareKey(), FIXED_IV,
                                        std::string(16, 't') + std::string(15, 'x') + "\x11", true);
  struct Case {
    const char* name;
    std::function<int()> call;
    const char* message;
  };
  char* text = nullptr;
  uint8_t* bytes = nullptr;
  const uint8_t data[] = {1, 2, 3};
  const Case cases[] = {
      {"framing without text", [&] { return aesEncryption(nullptr, kAesKeyFixed, &text); }, "无效参数"},
      {"framing of empty text", [&] { return aesEncryption("", kAesKeyFixed, &text); }, "加密失败"},
      {"framing with class 3", [&] { return aesEncryption("abc", 3, &text); }, "未定义的密钥类型"},
      {"message without bytes", [&] { return aesEncryption2(nullptr, 4, kAesKeyShared, &text); }, "无效参数"},
      {"message of 0 bytes", [&] { return aesEncryption2(data, 0, kAesKeyShared, &text); }, "加密失败"},
      {"message with class 0", [&] { return aesEncryption2(data, 3, 0, &text); }, "未定义的密钥类型"},
      {"token with class 7", [&] { return aesDecryption(validToken.c_str(), 7, &bytes); }, "未定义的密钥类型"},
      {"token of bad Base64 length", [&] { return aesDecryption("YWJ", kAesKeyShared, &bytes); }, "Base64解码失败: 0"},
      {"empty token", [&] { return aesDecryption("", kAesKeyShared, &bytes); }, "Base64解码失败: 0"},
      {"absent token", [&] { return aesDecryption(nullptr, kAesKeyShared, &bytes); }, "Base64解码失败: 0"},
      {"truncated token", [&] { return aesDecryption(truncated.c_str(), kAesKeyShared, &bytes); }, "解密失败"},
      {"wrongly padded token", [&] { return aesDecryption(tampered.c_str(), kAesKeyShared, &bytes); }, "解密失败"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture capture;
    EXPECT_EQ(c.call(), -1);
    EXPECT_TRUE(capture.contains(errorTail(c.message))) << c.message;
    EXPECT_EQ(text, nullptr);
    EXPECT_EQ(bytes, nullptr);
  }
}

TEST_F(AesCipherTest, SharedKeyClassFailsBeforeAnyAgreement) {
  discardShareAesKey();
  const uint8_t data[] = {1, 2, 3};
  char* text = nullptr;
  uint8_t* bytes = nullptr;
  LogCapture capture;
  EXPECT_EQ(aesEncryption("abc", kAesKeyShared, &text), -1);
  EXPECT_EQ(aesEncryption2(data, 3, kAesKeyShared, &text), -1);
  EXPECT_EQ(aesDecryption("YWJjZGVmZ2hpamtsbW5vcA==", kAesKeyShared, &bytes), -1);
  std::vector<std::string> lines = capture.lines();
  ASSERT_EQ(lines.size(), 3u);
  for (const std::string& line : lines) EXPECT_TRUE(endsWith(line, errorTail("当前没有生成协商密钥"))) << line;
}

TEST(KyLivingAESUtil, CbcMatchesOpensslBothWays) {
  const std::string key = LOG_KEY, iv = LOG_IV;
  const Bytes keyBytes(key.begin(), key.end()), ivBytes(iv.begin(), iv.end());
  for (size_t length : {0u, 1u, 16u, 33u}) {
    SCOPED_TRACE(length);
    std::string plain(length, 'r');
    std::optional<Bytes> cipher = KyLivingAESUtil::aesCbc128Crypt(KyLivingAESUtil::kEncrypt, Bytes(plain.begin(), plain.end()), ivBytes, keyBytes);
    ASSERT_TRUE(cipher.has_value());
    std::string theirs = runCommand("openssl base64 -d -A", opensslEncrypt(key, iv, plain));
    EXPECT_EQ(*cipher, Bytes(theirs.begin(), theirs.end()));
    if (length == 0) continue;  // a plaintext of nothing deciphers to nothing, which is refused
    std::optional<Bytes> back = KyLivingAESUtil::aesCbc128Crypt(KyLivingAESUtil::kDecrypt, *cipher, ivBytes, keyBytes);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, Bytes(plain.begin(), plain.end()));
  }
}

TEST(KyLivingAESUtil, CbcFailures) {
  const Bytes key(16, 'k'), iv(16, 'i'), data(16, 'd');
  std::optional<Bytes> emptyPlain = KyLivingAESUtil::aesCbc128Crypt(KyLivingAESUtil::kEncrypt, Bytes{}, iv, key);
  ASSERT_TRUE(emptyPlain.has_value());
  struct Case {
    const char* name;
    int operation;
    Bytes data, iv, key;
    const char* message;
  };
  const Case cases[] = {
      {"short key", 0, data, iv, Bytes(15, 'k'), "key.length != kCCKeySizeAES128"},
      {"long IV", 0, data, Bytes(17, 'i'), key, "iv.length != kCCBlockSizeAES128"},
      {"operation 2", 2, data, iv, key, "invalid opration : 2"},
      {"partial block", 1, Bytes(15, 'd'), iv, key, "aesCbc256Crypt FAILED : "},
      {"bad padding", 1, Bytes(32, 'd'), iv, key, "aesCbc256Crypt FAILED : "},
      {"nothing deciphered", 1, *emptyPlain, iv, key, "numBytesEncrypted==0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LogCapture capture;
    EXPECT_FALSE(KyLivingAESUtil::aesCbc128Crypt(c.operation, c.data, c.iv, c.key).has_value());
    EXPECT_TRUE(capture.contains(c.message)) << c.message;
  }
}

TEST(KyLivingAESUtil, Aes256EcbMatchesOpenssl) {
  const std::string key = "0123456789abcdef0123456789ABCDEF-ignored";
  const std::string plain = "log record under a 256-bit key";
  std::optional<Bytes> cipher =
      KyLivingAESUtil::AES256EncryptWithKey(Bytes(key.begin(), key.end()), Bytes(plain.begin(), plain.end()));
  ASSERT_TRUE(cipher.has_value());
  std::string theirs = runCommand("openssl enc -aes-256-ecb -K " + toHex(key.substr(0, 32)), plain);
  EXPECT_EQ(*cipher, Bytes(theirs.begin(), theirs.end()));
  EXPECT_FALSE(KyLivingAESUtil::AES256EncryptWithKey(Bytes(31, 'k'), Bytes(plain.begin(), plain.end())).has_value());
}
