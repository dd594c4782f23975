#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <set>

#include "Subprocess.h"
#include "platform/store/KyFileItemStore.h"
#include "utils/KYDeviceDataStore.h"
#include "utils/KYDeviceUtils.h"
#include "utils/KeyChainManager.h"

namespace fs = std::filesystem;

namespace {

constexpr const char* kChildMode = "KYLD_DEVICE_ID_CHILD";
constexpr const char* kChildStore = "KYLD_DEVICE_ID_STORE";

// When this binary is started as a child by the tests below, it does the child's work
// before the tests' main runs and exits:
//   print      prints the device identifier of the store
//   save-loop  saves new identifiers forever, printing a line after each save
struct DeviceIdChild {
  DeviceIdChild() {
    const char* mode = std::getenv(kChildMode);
    if (mode == nullptr) return;
    KeyChainManager::setItemStore(std::make_shared<KyFileItemStore>(std::getenv(kChildStore)));
    if (std::string(mode) == "print") {
      std::printf("%s\n", KYDeviceUtils::getDeviceId().c_str());
    } else {
      for (unsigned n = 0;; ++n) {
        KYDeviceDataStore::saveDeviceId("Saved" + std::to_string(n) + std::string(20, 'x'));
        std::printf("saved\n");
        std::fflush(stdout);
      }
    }
    std::fflush(stdout);
    std::_Exit(0);
  }
} deviceIdChild;

bool isDeviceId(const std::string& id) {
  if (id.size() != 31) return false;
  for (char c : id) {
    if (!std::isalnum(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

class DeviceIdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "kyld-items-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    storeDirectory_ = root_ / "items";
    useStore(storeDirectory_);
  }
  void TearDown() override {
    KeyChainManager::setItemStore(nullptr);
    fs::remove_all(root_);
  }

  void useStore(const fs::path& directory) {
    store_ = std::make_shared<KyFileItemStore>(directory);
    KeyChainManager::setItemStore(store_);
  }

  std::vector<std::string> childEnvironment(const char* mode) const {
    return {std::string(kChildMode) + "=" + mode, std::string(kChildStore) + "=" + storeDirectory_.string()};
  }

  fs::path root_;
  fs::path storeDirectory_;
  std::shared_ptr<KyFileItemStore> store_;
};

TEST_F(DeviceIdTest, CreatedOnceThenTheSameUntilCleared) {
  std::string first = KYDeviceUtils::getDeviceId();
  EXPECT_TRUE(isDeviceId(first)) << first;
  EXPECT_EQ(KYDeviceUtils::getDeviceId(), first);
  EXPECT_EQ(KYDeviceDataStore::getDeviceId(), first);

  KYDeviceDataStore::clearDeviceId();
  EXPECT_FALSE(KYDeviceDataStore::getDeviceId().has_value());
  std::string second = KYDeviceUtils::getDeviceId();
  EXPECT_TRUE(isDeviceId(second));
  EXPECT_NE(second, first);
  KYDeviceDataStore::clearDeviceId();
  KYDeviceDataStore::clearDeviceId();  // deleting a missing item is fine
}

TEST_F(DeviceIdTest, SurvivesARestartOfTheProcess) {
  ProcessOutput firstRun = runProcess({selfExecutable()}, "", childEnvironment("print"));
  ASSERT_EQ(firstRun.exitCode, 0);
  std::string id = firstRun.out.substr(0, firstRun.out.find('\n'));
  EXPECT_TRUE(isDeviceId(id)) << id;

  ProcessOutput secondRun = runProcess({selfExecutable()}, "", childEnvironment("print"));
  EXPECT_EQ(secondRun.out, id + "\n");
  EXPECT_EQ(KYDeviceUtils::getDeviceId(), id);  // and this process reads it too
}

TEST_F(DeviceIdTest, StoredInAPrivateFileInAPrivateDirectory) {
  KYDeviceUtils::getDeviceId();
  struct stat directory {}, item {};
  ASSERT_EQ(::stat(storeDirectory_.c_str(), &directory), 0);
  ASSERT_EQ(::stat(store_->itemPath("KEY_KYVOR_DEVICE_ID").c_str(), &item), 0);
  EXPECT_EQ(directory.st_mode & 0777, 0700u);
  EXPECT_EQ(item.st_mode & 0777, 0600u);
}

TEST_F(DeviceIdTest, SurvivesAProcessKilledInTheMiddleOfSaving) {
  std::string id = KYDeviceUtils::getDeviceId();
  for (int round = 0; round < 3; ++round) {
    SCOPED_TRACE(round);
    RunningProcess saver({selfExecutable()}, childEnvironment("save-loop"));
    std::string line;
    for (int saves = 0; saves < 20 * (round + 1); ++saves) ASSERT_TRUE(saver.readLine(line));
    saver.kill(SIGKILL);  // lands anywhere in a save: writing, syncing or renaming
    saver.wait();
    std::optional<std::string> stored = KYDeviceDataStore::getDeviceId();
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->rfind("Saved", 0), 0u) << *stored;
    EXPECT_EQ(stored->size(), stored->find('x') + 20) << *stored;
  }
  // A later save cleans up what the killed savers left behind.
  KYDeviceDataStore::saveDeviceId(id);
  EXPECT_EQ(KYDeviceUtils::getDeviceId(), id);
  for (const fs::directory_entry& entry : fs::directory_iterator(storeDirectory_)) {
    EXPECT_EQ(entry.path().filename(), "KEY_KYVOR_DEVICE_ID.item");
  }
}

TEST_F(DeviceIdTest, HalfWrittenTemporaryFromACrashIsIgnored) {
  std::string id = KYDeviceUtils::getDeviceId();
  // What a crash between writing and renaming leaves: a partial temporary of a dead process.
  std::ofstream(storeDirectory_ / "KEY_KYVOR_DEVICE_ID.item.tmp.999999999.0") << "Partial";
  EXPECT_EQ(KYDeviceUtils::getDeviceId(), id);
  KYDeviceDataStore::saveDeviceId(id);
  EXPECT_FALSE(fs::exists(storeDirectory_ / "KEY_KYVOR_DEVICE_ID.item.tmp.999999999.0"));
}

TEST_F(DeviceIdTest, DamagedOrEmptyItemGivesANewIdentifier) {
  const char* contents[] = {"", "not an id!", "\xff\xfe"};
  for (const char* content : contents) {
    fs::create_directories(storeDirectory_);
    std::ofstream(store_->itemPath("KEY_KYVOR_DEVICE_ID"), std::ios::trunc) << content;
    std::string id = KYDeviceUtils::getDeviceId();
    EXPECT_TRUE(isDeviceId(id));
    EXPECT_EQ(KYDeviceUtils::getDeviceId(), id);
  }
}

TEST_F(DeviceIdTest, StoreThatRefusesWritesGivesANewIdentifierPerCall) {
  // Not even root can create a directory below a regular file.
  std::ofstream(root_ / "plain-file") << "x";
  useStore(root_ / "plain-file" / "items");
  std::set<std::string> ids;
  for (int call = 0; call < 3; ++call) {
    std::string id = KYDeviceUtils::getDeviceId();
    EXPECT_TRUE(isDeviceId(id));
    ids.insert(id);
  }
  EXPECT_EQ(ids.size(), 3u);
  EXPECT_FALSE(KYDeviceDataStore::getDeviceId().has_value());
}

TEST_F(DeviceIdTest, KeyChainItemsByIdentifier) {
  KeyChainQuery query = KeyChainManager::keyChainIdentifier("KEY_KYVOR_DEVICE_ID");
  EXPECT_EQ(query.service, "KEY_KYVOR_DEVICE_ID");
  EXPECT_EQ(query.account, "KEY_KYVOR_DEVICE_ID");

  EXPECT_FALSE(KeyChainManager::keyChainUpdata("v", "missing"));  // creates nothing
  EXPECT_FALSE(KeyChainManager::keyChainReadData("missing").has_value());

  struct Case {
    const char* identifier;
    std::string value;
  };
  const Case cases[] = {{"plain", "one"}, {"../escape", "two"}, {"with/slash", ""}, {"中文", std::string("a\0b", 3)}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.identifier);
    EXPECT_TRUE(KeyChainManager::keyChainSaveData(c.value, c.identifier));
    EXPECT_EQ(KeyChainManager::keyChainReadData(c.identifier), c.value);
    EXPECT_TRUE(KeyChainManager::keyChainUpdata(c.value + "+", c.identifier));
    EXPECT_EQ(KeyChainManager::keyChainReadData(c.identifier), c.value + "+");
  }
  for (const Case& c : cases) {
    KeyChainManager::keyChainDelete(c.identifier);
    EXPECT_FALSE(KeyChainManager::keyChainReadData(c.identifier).has_value());
  }
  EXPECT_FALSE(fs::exists(root_ / "escape.item"));
}

}  // namespace
