#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

#include "testsupport/LogCapture.h"
#include "utils/CodecUtil.h"

// The allocation-failure paths ask for impossible sizes; under AddressSanitizer those must
// come back as null instead of stopping the test.
extern "C" const char* __asan_default_options() { return "allocator_may_return_null=1"; }

namespace {

const uint8_t* bytesOf(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

// Owns a buffer handed out by the codec helpers.
struct Owned {
  void* buffer = nullptr;
  ~Owned() { mFree(buffer); }
};

std::string encode(const std::string& data) {
  Owned text{base64Encode(bytesOf(data), data.size())};
  return text.buffer ? static_cast<char*>(text.buffer) : "<null>";
}

// Answers the decoded bytes, or "<0>" for a result of 0.
std::string decode(const char* text) {
  uint8_t* out = nullptr;
  uint32_t length = base64Decode(text, &out);
  Owned owned{out};
  if (length == 0) return "<0>";
  return std::string(reinterpret_cast<char*>(out), length);
}

bool hasErrorLine(const LogCapture& capture, const std::string& operation, const std::string& message) {
  for (const std::string& line : capture.lines()) {
    if (line.rfind("\x1b[31m [LDT][ERRO]" + operation + "[", 0) == 0 && endsWith(line, errorTail(message))) return true;
  }
  return false;
}

std::string shell(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char chunk[4096];
  for (size_t n; (n = fread(chunk, 1, sizeof chunk, pipe)) > 0;) output.append(chunk, n);
  pclose(pipe);
  return output;
}

}  // namespace

TEST(Base64, EncodesAndDecodesTheRfc4648Vectors) {
  const std::pair<std::string, std::string> vectors[] = {
      {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"abc", "YWJj"},
      {"ab", "YWI="},   {"a", "YQ=="},
  };
  for (const auto& [plain, encoded] : vectors) {
    EXPECT_EQ(encode(plain), encoded) << plain;
    if (!plain.empty()) {
      EXPECT_EQ(decode(encoded.c_str()), plain) << encoded;
    }
  }
}

TEST(Base64, AgreesWithOpensslOnEveryByteValue) {
  std::string data;
  std::mt19937 random(7);
  for (int i = 0; i < 1000; ++i) data.push_back(static_cast<char>(i < 256 ? i : random() & 0xFF));
  for (size_t cut : {data.size(), data.size() - 1, data.size() - 2}) {
    std::string part = data.substr(0, cut);
    std::string path = testing::TempDir() + "base64-input.bin";
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    fwrite(part.data(), 1, part.size(), file);
    fclose(file);
    std::string expected = shell("openssl base64 -A -in " + path);
    ASSERT_FALSE(expected.empty()) << "openssl did not run";
    std::string encoded = encode(part);
    EXPECT_EQ(encoded, expected);
    EXPECT_EQ(decode(encoded.c_str()), part);
  }
}

TEST(Base64, UrlsafeAlphabetKeepsThePads) {
  const uint8_t data[] = {0xFB, 0xFF};
  Owned text{base64EncodeUrlsafe(data, 2)};
  EXPECT_STREQ(static_cast<char*>(text.buffer), "-_8=");
  EXPECT_EQ(base64EncodeUrlsafe(data, -1), nullptr);
}

TEST(Base64, DecodingStopsAtThePaddedGroupAndCountsStrangersAs255) {
  EXPECT_EQ(decode("YQ==YWJj"), "a");
  EXPECT_EQ(decode("YWI="), "ab");
  // '*' is outside the alphabet: all bits it feeds come out set.
  EXPECT_EQ(decode("****"), "\xFF\xFF\xFF");
  EXPECT_EQ(decode("=Q=="), std::string("\xFD", 1));
}

TEST(Base64, EmptyTextDecodesToZeroWithABufferToRelease) {
  uint8_t* out = nullptr;
  EXPECT_EQ(base64Decode("", &out), 0u);
  EXPECT_NE(out, nullptr);
  mFree(out);
}

TEST(Base64, BadLengthAndNullInputAnswerZeroAndLeaveTheOutputAlone) {
  LogCapture capture;
  uint8_t sentinel = 0;
  uint8_t* out = &sentinel;
  EXPECT_EQ(base64Decode("YWJ", &out), 0u);
  EXPECT_EQ(out, &sentinel);
  EXPECT_TRUE(hasErrorLine(capture, "base64Decode", "base64 length error 3"));
  EXPECT_EQ(base64Decode(nullptr, &out), 0u);
  EXPECT_EQ(out, &sentinel);
}

TEST(Hex, EncodesLowercaseAndReportsImpossibleSizes) {
  const uint8_t data[] = {0x00, 0x0A, 0xFF};
  Owned text{hexEncode(data, 3)};
  EXPECT_STREQ(static_cast<char*>(text.buffer), "000aff");
  Owned empty{hexEncode(data, 0)};
  EXPECT_STREQ(static_cast<char*>(empty.buffer), "");

  LogCapture capture;
  EXPECT_EQ(hexEncode(data, uint64_t{1} << 62), nullptr);
  EXPECT_TRUE(hasErrorLine(capture, "mMalloc", "内存申请失败！！"));
  EXPECT_TRUE(hasErrorLine(capture, "hexEncode", "mMalloc failed"));
  // An overflowing size is refused before any allocation is tried.
  capture.clear();
  EXPECT_EQ(hexEncode(data, ~uint64_t{0}), nullptr);
  EXPECT_TRUE(hasErrorLine(capture, "hexEncode", "mMalloc failed"));
}

TEST(Md5, KnownDigests) {
  const std::pair<std::string, std::string> vectors[] = {
      {"", "d41d8cd98f00b204e9800998ecf8427e"},
      {"abc", "900150983cd24fb0d6963f7d28e17f72"},
      {"The quick brown fox jumps over the lazy dog", "9e107d9d372bb6826bd81d3542a419d6"},
      {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
       "57edf4a22be3c955ac49da2e2107b67a"},
  };
  for (const auto& [text, digest] : vectors) {
    Owned raw{md5sum(bytesOf(text), text.size())};
    ASSERT_NE(raw.buffer, nullptr);
    Owned hex{hexEncode(static_cast<uint8_t*>(raw.buffer), 16)};
    EXPECT_STREQ(static_cast<char*>(hex.buffer), digest.c_str()) << text;
  }
}

TEST(Allocation, FillsCountsAndReportsFailure) {
  uint16_t allocs = memAllocCount, frees = memFreeCount;
  auto* buffer = static_cast<uint8_t*>(mMalloc(5, 0xAB));
  ASSERT_NE(buffer, nullptr);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(buffer[i], 0xAB);
  EXPECT_EQ(static_cast<uint16_t>(memAllocCount - allocs), 1);
  mFree(buffer);
  mFree(nullptr);
  EXPECT_EQ(static_cast<uint16_t>(memFreeCount - frees), 1);

  LogCapture capture;
  EXPECT_EQ(mMalloc(0, 0), nullptr);
  EXPECT_TRUE(capture.lines().empty());
  EXPECT_EQ(mMalloc(uint64_t{1} << 62, 0), nullptr);
  EXPECT_TRUE(hasErrorLine(capture, "mMalloc", "内存申请失败！！"));
  EXPECT_EQ(static_cast<uint16_t>(memAllocCount - allocs), 1);
}

TEST(Allocation, V2DeliversThroughThePointerAndFreesOnce) {
  uint16_t frees = memFreeCount;
  void* buffer = reinterpret_cast<void*>(1);
  mMallocV2(0, 0, &buffer);
  EXPECT_EQ(buffer, nullptr);
  mMallocV2(8, 0, &buffer);
  ASSERT_NE(buffer, nullptr);
  EXPECT_EQ(static_cast<char*>(buffer)[7], 0);
  mFreeV2(&buffer);
  EXPECT_EQ(buffer, nullptr);
  mFreeV2(&buffer);
  mFreeV2(nullptr);
  EXPECT_EQ(static_cast<uint16_t>(memFreeCount - frees), 1);
}

TEST(Strrpl, ReplacesEveryNonOverlappingOccurrence) {
  struct Case {
    const char* source;
    const char* pattern;
    const char* replacement;
    const char* expected;
  };
  const Case cases[] = {
      {"a+b+c", "+", "-", "a-b-c"},     {"aaaa", "aa", "b", "bb"},     {"xyz", "q", "--", "xyz"},
      {"abab", "ab", "xyz", "xyzxyz"},  {"", "a", "b", ""},            {"aaa", "aa", "", "a"},
  };
  for (const Case& c : cases) {
    char dest[64] = {};
    strrpl(dest, c.source, c.pattern, c.replacement);
    EXPECT_STREQ(dest, c.expected) << c.source;
  }
  char inPlace[] = "one//two//three";
  strrpl(inPlace, inPlace, "//", "_");
  EXPECT_STREQ(inPlace, "one_two_three");
}

TEST(StrSplit, TokenisesLikeStrtok) {
  struct Case {
    std::string text;
    const char* delimiters;
    std::vector<std::string> tokens;
  };
  const Case cases[] = {
      {"a__b_c", "_", {"a", "b", "c"}},
      {"___", "_", {}},
      {"_x,y_", "_,", {"x", "y"}},
      {"whole", "_", {"whole"}},
  };
  for (const Case& c : cases) {
    std::string text = c.text;
    char* tokens[16];
    int count = -7;
    ASSERT_EQ(strSplit(text.data(), c.delimiters, tokens, &count), 0) << c.text;
    ASSERT_EQ(count, static_cast<int>(c.tokens.size())) << c.text;
    for (int i = 0; i < count; ++i) EXPECT_EQ(tokens[i], c.tokens[static_cast<size_t>(i)]);
  }
}

TEST(StrSplit, BadInputAnswersMinusOneAndLeavesTheCount) {
  char text[] = "a_b";
  char empty[] = "";
  char* tokens[4];
  int count = 42;
  EXPECT_EQ(strSplit(empty, "_", tokens, &count), -1);
  EXPECT_EQ(strSplit(nullptr, "_", tokens, &count), -1);
  EXPECT_EQ(strSplit(text, "", tokens, &count), -1);
  EXPECT_EQ(strSplit(text, nullptr, tokens, &count), -1);
  EXPECT_EQ(count, 42);
}

TEST(RandomString, HasSizeMinusOneAlphanumericCharacters) {
  Owned one{genRandomString(1)};
  EXPECT_STREQ(static_cast<char*>(one.buffer), "");
  Owned id{genRandomString(32)};
  std::string text = static_cast<char*>(id.buffer);
  EXPECT_EQ(text.size(), 31u);
  for (char c : text) EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(c))) << c;
}

TEST(RandomString, ReseedsFromTheClockSecond) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::time_t before = std::time(nullptr);
    Owned first{genRandomString(20)};
    Owned second{genRandomString(20)};
    if (std::time(nullptr) != before) continue;  // a second boundary passed; try again
    EXPECT_STREQ(static_cast<char*>(first.buffer), static_cast<char*>(second.buffer));
    return;
  }
}

TEST(RandomString, SizesBelowOneFailWithTheirLine) {
  for (int32_t size : {0, -5}) {
    LogCapture capture;
    EXPECT_EQ(genRandomString(size), nullptr);
    EXPECT_TRUE(hasErrorLine(capture, "genRandomString", "Malloc failed!flag:14\n"));
  }
}
