// The storage contract, run on both back-ends: SQLite (a file) and PostgreSQL (a throwaway
// local server).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "CloudTestSupport.h"
#include "utils/VerifyMsgBuilder.h"
#include "utils/VerifyProtocol.h"

namespace {

class StoreContract : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    if (GetParam() == "sqlite") {
      url = (dir.path() / "data" / "cloud.db").string();
      std::filesystem::create_directories(dir.path() / "data");
      return;
    }
    auto pg = ThrowawayPostgres::url();
    if (!pg) GTEST_SKIP() << "PostgreSQL server binaries are not installed";
    url = *pg;
    auto connection = openSqlConnection(url);  // each test starts from empty tables
    for (const char* table : {"kyld_sessions", "kyld_records", "kyld_logs"}) {
      connection->run(std::string("DROP TABLE IF EXISTS ") + table);
    }
  }

  static CloudSession session(const std::string& token, int64_t expiresAt = 2000) {
    return {token, "S-" + token, "0123456789abcdef", "d41d8cd98f00b204e9800998ecf8427e", 62, "012485",
            1000, expiresAt, "issued"};
  }

  ScratchDir dir;
  std::string url;
};

TEST_P(StoreContract, KeepsSessionsRecordsAndLogs) {
  CloudStore store(openSqlConnection(url));
  EXPECT_EQ(store.backend(), GetParam());
  store.addSession(session("T+/=1"));
  auto found = store.findSession("T+/=1");
  ASSERT_TRUE(found);
  EXPECT_EQ(found->sessionId, "S-T+/=1");
  EXPECT_EQ(found->shareKey, "0123456789abcdef");
  EXPECT_EQ(found->actions, 62);
  EXPECT_EQ(found->colours, "012485");
  EXPECT_EQ(found->expiresAt, 2000);
  EXPECT_FALSE(store.findSession("T+/=2"));
  EXPECT_THROW(store.addSession(session("T+/=1")), SqlError) << "a token is issued once";

  CloudRecord record{"R1", "S1", false, {"image 1 shows 0 faces", "面孔 \"quoted\""}, 2, 1500, 1600};
  store.addRecord(record);
  auto read = store.findRecord("R1");
  ASSERT_TRUE(read);
  EXPECT_FALSE(read->passed);
  EXPECT_EQ(read->reasons, record.reasons);
  EXPECT_EQ(read->imageCount, 2);
  EXPECT_EQ(read->messageTime, 1500);
  EXPECT_FALSE(store.findRecord("R2"));

  store.addLog("L1", 1700, R"({"service":"KyLivingDetection"})");
  EXPECT_EQ(store.countLogs(), 1);
  EXPECT_EQ(store.countRecords(), 1);
}

TEST_P(StoreContract, LetsExactlyOneOfSeveralServersClaimEachToken) {
  CloudStore first(openSqlConnection(url));
  CloudStore second(openSqlConnection(url));  // a second server instance on the same database
  const int tokens = 20;
  for (int t = 0; t < tokens; ++t) first.addSession(session("tok" + std::to_string(t)));
  std::atomic<int> claimed{0};
  std::vector<std::thread> threads;
  for (int i = 0; i < 4; ++i) {
    threads.emplace_back([&, i] {
      CloudStore& store = i % 2 ? second : first;
      for (int t = 0; t < tokens; ++t) claimed += store.claimSession("tok" + std::to_string(t)) ? 1 : 0;
    });
  }
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(claimed, tokens);
  EXPECT_EQ(second.findSession("tok7")->state, "used");
}

TEST_P(StoreContract, CarriesAWholeSessionFromInitialisationToVerdict) {
  auto portrait = portraitJpeg();
  if (!portrait) GTEST_SKIP() << "the portrait photograph is not installed";
  ServiceHarness harness(url);
  harness.now = static_cast<int64_t>(time(nullptr));
  KyLivingDetectResult init = KyVerifyProtocol::verifyInit(2);
  std::string token = memberOf(harness.service->init(init.data(), "127.0.0.1").json, "token");
  auto message = sealVerifyMsg(std::vector<std::vector<uint8_t>>{*portrait}, nullptr, harness.now);
  ASSERT_TRUE(message);
  std::string recId = memberOf(harness.service->upload(token, *message, "127.0.0.1").json, "recID");
  ASSERT_FALSE(recId.empty());

  CloudStore other(openSqlConnection(url));  // what another server instance reads
  auto record = other.findRecord(recId);
  ASSERT_TRUE(record);
  EXPECT_TRUE(record->passed);
  EXPECT_EQ(other.findSession(token)->state, "used");
}

INSTANTIATE_TEST_SUITE_P(Backends, StoreContract, ::testing::Values("sqlite", "postgresql"),
                         [](const auto& info) { return info.param; });

TEST(SqliteStore, CreatesItsFileOnFirstStartInWalMode) {
  ScratchDir dir;
  std::string path = (dir.path() / "first.db").string();
  ASSERT_FALSE(std::filesystem::exists(path));
  auto connection = openSqlConnection("sqlite:" + path);
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(connection->run("PRAGMA journal_mode").rows.at(0).at(0).value_or(""), "wal");
}

}  // namespace
