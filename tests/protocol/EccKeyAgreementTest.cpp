#include <gtest/gtest.h>
#include <mbedtls/ecp.h>

#include <cstring>
#include <set>
#include <thread>

#include "ProtocolPeer.h"
#include "testsupport/LogCapture.h"
#include "utils/CodecUtil.h"
#include "utils/EccKeyAgreement.h"
#include "utils/MbedtlsContext.h"

namespace {

Bytes exportPoint(const mbedtls_ecp_point* Q) {
  uint8_t* bytes = nullptr;
  int length = getEccPubKey(Q, &bytes);
  Bytes point(bytes, bytes + std::max(length, 0));
  mFree(bytes);
  return point;
}

std::string currentShareKey() {
  char key[kShareKeyLength + 1] = {};
  return copyShareAesKey(key) ? std::string(key) : std::string();
}

Bytes bigEndian(uint64_t value) {
  Bytes bytes;
  for (int shift = 56; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
  return bytes;
}

}  // namespace

TEST(EccKeyAgreement, PublicKeysAreUncompressedP256Points) {
  for (int i = 0; i < 3; ++i) {
    MbedtlsMpi d;
    MbedtlsEcpPoint Q;
    ASSERT_EQ(genEccKeyPair(d.get(), Q.get()), 0);
    Bytes point = exportPoint(Q.get());
    ASSERT_EQ(point.size(), 65u);
    EXPECT_EQ(point[0], 0x04);
    MbedtlsEcpPoint reloaded;
    EXPECT_EQ(loadEccPubKey(point.data(), point.size(), reloaded.get()), 0);
    EXPECT_EQ(mbedtls_ecp_point_cmp(Q.get(), reloaded.get()), 0);
  }
}

// The cloud (openssl with the root private key) derives the same shared key from our point.
TEST(EccKeyAgreement, SharedKeyMatchesTheCloudsDerivationForEveryRootKey) {
  struct Case {
    int rootIndex;
    int32_t cloudKeyType;
  };
  for (Case c : {Case{0, 0}, Case{1, 1}, Case{2, 2}, Case{5, 2}, Case{-1, 2}}) {
    SCOPED_TRACE(c.rootIndex);
    MbedtlsMpi d;
    MbedtlsEcpPoint Q;
    ASSERT_EQ(genEccKeyPair(d.get(), Q.get()), 0);
    ASSERT_EQ(updateShareKey(d.get(), c.rootIndex), 0);
    Bytes secret = opensslDerive(c.cloudKeyType, exportPoint(Q.get()));
    ASSERT_EQ(secret.size(), 32u);
    EXPECT_EQ(currentShareKey(), cloudShareKey(secret));
    EXPECT_EQ(currentShareKey().size(), 16u);
  }
}

// A secret beginning with a zero byte is exported as 31 bytes, never widened to 32.
TEST(EccKeyAgreement, SecretWithLeadingZeroUsesItsMinimalBytes) {
  MbedtlsMpi d;
  MbedtlsMpi z;
  uint64_t k = 1;
  for (;; ++k) {
    ASSERT_LT(k, 20000u) << "no secret with a leading zero byte found";
    Bytes scalar = bigEndian(k);
    ASSERT_EQ(loadEccPrivKey(scalar.data(), scalar.size(), d.get()), 0);
    // The computation initialises its output afresh, so the previous secret is released first.
    mbedtls_mpi_free(z.get());
    ASSERT_EQ(eccComputeSharedWithRootPubKey(d.get(), z.get(), 0), 0);
    if (mbedtls_mpi_size(z.get()) < 32) break;
  }
  uint8_t* exported = nullptr;
  int length = getEccPrivKey(z.get(), &exported);
  mFree(exported);
  EXPECT_LT(length, 32);

  ASSERT_EQ(updateShareKey(d.get(), 0), 0);
  // The cloud's view: the point k·G and its full 32-byte secret with the leading zero.
  MbedtlsEcpGroup group;
  MbedtlsEcpPoint Q;
  mbedtls_ecp_group_load(group.get(), MBEDTLS_ECP_DP_SECP256R1);
  ASSERT_EQ(mbedtls_ecp_mul(group.get(), Q.get(), d.get(), &group.get()->G, nullptr, nullptr), 0);
  Bytes secret = opensslDerive(0, exportPoint(Q.get()));
  ASSERT_EQ(secret.size(), 32u);
  EXPECT_EQ(secret[0], 0);
  EXPECT_EQ(currentShareKey(), cloudShareKey(secret));
}

TEST(EccKeyAgreement, FailedUpdateKeepsThePreviousKey) {
  MbedtlsMpi d;
  MbedtlsEcpPoint Q;
  ASSERT_EQ(genEccKeyPair(d.get(), Q.get()), 0);
  ASSERT_EQ(updateShareKey(d.get(), 0), 0);
  std::string before = currentShareKey();

  struct Case {
    const char* name;
    Bytes scalar;
  };
  const Case invalidScalars[] = {
      {"zero", Bytes{0}},
      {"the group order", fromHex("ffffffff00000000ffffffffffffffffbce6faada7179e84f3b9cac2fc632551")},
      {"above the order", Bytes(32, 0xff)},
  };
  for (const Case& c : invalidScalars) {
    SCOPED_TRACE(c.name);
    LogCapture capture;
    MbedtlsMpi bad;
    ASSERT_EQ(loadEccPrivKey(c.scalar.data(), c.scalar.size(), bad.get()), 0);
    EXPECT_EQ(updateShareKey(bad.get(), 0), -1);
    EXPECT_TRUE(capture.contains(errorTail("密钥协商失败")));
    EXPECT_EQ(currentShareKey(), before);
  }
}

TEST(EccKeyAgreement, MalformedPointsAreRefused) {
  struct Case {
    const char* name;
    Bytes bytes;
  };
  Bytes truncated(64, 0x11);
  truncated[0] = 0x04;
  Bytes unknownFormat(65, 0x11);
  unknownFormat[0] = 0x05;
  const Case cases[] = {{"empty", Bytes{}}, {"truncated", truncated}, {"unknown format byte", unknownFormat}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MbedtlsEcpPoint point;
    EXPECT_NE(loadEccPubKey(c.bytes.data(), c.bytes.size(), point.get()), 0);
  }

  // A point that is not on the curve reads, but no secret comes from it.
  Bytes offCurve(65, 0x11);
  offCurve[0] = 0x04;
  MbedtlsEcpPoint point;
  ASSERT_EQ(loadEccPubKey(offCurve.data(), offCurve.size(), point.get()), 0);
  MbedtlsMpi d, z;
  MbedtlsEcpPoint Q;
  ASSERT_EQ(genEccKeyPair(d.get(), Q.get()), 0);
  EXPECT_NE(eccComputeShared(d.get(), point.get(), z.get()), 0);
}

TEST(EccKeyAgreement, PointAtInfinityCannotBeExported) {
  LogCapture capture;
  MbedtlsEcpPoint zero;  // initialised as the point at infinity
  uint8_t* bytes = reinterpret_cast<uint8_t*>(&capture);
  EXPECT_EQ(getEccPubKey(zero.get(), &bytes), -1);
  EXPECT_EQ(bytes, nullptr);
  EXPECT_TRUE(capture.contains(errorTail("获取公钥数据失败 : 0")));
}

// Readers on other threads see a whole key, old or new, while keys are replaced.
TEST(EccKeyAgreement, ReadersSeeWholeKeysWhileKeysChange) {
  MbedtlsMpi d;
  MbedtlsEcpPoint Q;
  ASSERT_EQ(genEccKeyPair(d.get(), Q.get()), 0);
  ASSERT_EQ(updateShareKey(d.get(), 0), 0);
  std::set<std::string> installed{currentShareKey()};
  std::atomic<bool> done{false};
  std::set<std::string> seen;
  std::thread reader([&] {
    while (!done) seen.insert(currentShareKey());
  });
  for (int i = 0; i < 20; ++i) {
    MbedtlsMpi next;
    MbedtlsEcpPoint nextQ;
    ASSERT_EQ(genEccKeyPair(next.get(), nextQ.get()), 0);
    ASSERT_EQ(updateShareKey(next.get(), i % 3), 0);
    installed.insert(currentShareKey());
  }
  done = true;
  reader.join();
  for (const std::string& key : seen) EXPECT_TRUE(installed.count(key)) << key;
}
