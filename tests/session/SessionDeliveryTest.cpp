#include <kylivingdetection/KyLivingDetectionManager.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "LoopbackHttpsServer.h"
#include "platform/movie/KyMovieFiles.h"
#include "session/SessionFixture.h"

using face::frontal;
using face::withMouth;

namespace {

class SessionDelivery : public SessionFixture {
 protected:
  void SetUp() override {
    SessionFixture::SetUp();
    ASSERT_EQ(KyLivingDetectionManager::verifyInit(5).code(), KLD_SUCCESS);
  }
  void TearDown() override {
    SessionFixture::TearDown();
    KyLivingConfig::shareInstance()->SetCloudHost("");
    KyMovieFiles::setDocumentsDirectory("");
  }

  KyLivingDetectResult passMouthOpenSession() {
    open(5, 2);
    script(frontal(), 5);  // readiness
    script(frontal(), 9);  // the mouth check's warm-up
    script(withMouth(frontal(), 30, 10.8, 10.8), 2);
    runScript();
    EXPECT_TRUE(controller->isFinished());
    EXPECT_TRUE(waitForResult(60));
    std::lock_guard<std::mutex> lock(resultsMutex);
    EXPECT_EQ(results.size(), 1u);
    return results.empty() ? KyLivingDetectResult() : results.front();
  }
};

TEST_F(SessionDelivery, UploadAnsweredWith0000ReplacesTheDataByTheRecordId) {
  LoopbackHttpsServer cloud;
  cloud.configureClient(10000);
  KyLivingConfig::shareInstance()->SetIsAutoUploadVerifyMsg(true);
  struct Case {
    const char* mode;
    bool recordId;
  };
  for (const Case& c : {Case{"json", true}, Case{"other", false}}) {
    SCOPED_TRACE(c.mode);
    results.clear();
    cloud.setMode(c.mode);
    const KyLivingDetectResult result = passMouthOpenSession();
    EXPECT_EQ(result.code(), KLD_SUCCESS);
    if (c.recordId) {
      EXPECT_EQ(result.data(), "R1");
    } else {
      EXPECT_EQ(result.data().rfind("flatbuffer@", 0), 0u);
    }
    controller->stopRunning();
  }
  const std::vector<ReceivedRequest> requests = cloud.requests();
  ASSERT_GE(requests.size(), 2u);
  EXPECT_EQ(requests.front().path, "/livingdetection/rpverifyh5/public/uploadVerifyMsg");
  EXPECT_EQ(requests.front().body.rfind("token=tokenABCDEFGHIJKLMNOP&verifyMsg=flatbuffer@", 0), 0u);
}

TEST_F(SessionDelivery, RecordedSessionCarriesItsSquareMovie) {
  const std::filesystem::path documents =
      std::filesystem::temp_directory_path() / ("kyld-session-video-" + std::to_string(::getpid()));
  std::filesystem::create_directories(documents);
  std::FILE* earlier = std::fopen((documents / "KyVideoearlier123.mov").c_str(), "w");
  ASSERT_NE(earlier, nullptr);
  std::fclose(earlier);
  KyMovieFiles::setDocumentsDirectory(documents.string());
  KyLivingConfig::shareInstance()->SetIsRecordLdtVideo(true);

  const KyLivingDetectResult result = passMouthOpenSession();
  ASSERT_EQ(result.code(), KLD_SUCCESS);
  const std::string path = KyLivingDetectionManager::GetLdtVideoFilePath("tokenABCDEFGHIJKLMNOP");
  EXPECT_EQ(path, documents.string() + "/KyVideotokenABCDE.mov");
  ASSERT_TRUE(result.video().has_value());
  EXPECT_EQ(result.video()->size(), std::filesystem::file_size(path));
  EXPECT_EQ(KyLivingDetectionManager::GetLdtVideo("tokenABCDEFGHIJKLMNOP"), result.video());
  EXPECT_FALSE(std::filesystem::exists(documents / "KyVideoearlier123.mov"));

  const std::string probe = "ffprobe -v error -select_streams v:0 -show_entries stream=codec_name,width,height "
                            "-of csv=p=0 '" + path + "'";
  std::FILE* pipe = ::popen(probe.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  char line[128] = {};
  const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
  ::pclose(pipe);
  ASSERT_TRUE(read);
  EXPECT_EQ(std::string(line), "h264,480,480\n");
  std::filesystem::remove_all(documents);
}

}  // namespace
