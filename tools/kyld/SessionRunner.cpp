#include "SessionRunner.h"

#include <cjson/cJSON.h>
#include <kylivingdetection/KyLivingDetectionManager.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "KyLivingDetectionViewController.h"
#include "LocalCloud.h"
#include "platform/camera/KyCameraAuthorization.h"
#include "platform/camera/KyFrameSource.h"
#include "platform/movie/KyMovieFiles.h"
#include "platform/ui/KyMainLoop.h"
#include "platform/ui/KyRenderer.h"
#include "platform/ui/KySDLWindowHost.h"
#include "platform/ui/KyWindow.h"
#include "utils/KyLDCommUtil.h"

namespace {

constexpr int64_t kSilentCameraMs = 3000;

// Passes frames through and remembers when the last one came and whether the source ended.
class WatchedFrameSource : public KyFrameSource {
 public:
  explicit WatchedFrameSource(std::shared_ptr<KyFrameSource> inner) : inner_(std::move(inner)) {}
  bool open(std::string& error) override {
    const bool opened = inner_->open(error);
    if (!opened) setEnd(error.empty() ? "the source cannot be opened" : error);
    return opened;
  }
  KyFrameRead read() override {
    KyFrameRead read = inner_->read();
    if (read.status == KyFrameRead::Status::Frame) {
      lastFrameMs_ = KyLDCommUtil::getCurrentTimeToMilliSecond();
      ++frames_;
    } else if (read.status == KyFrameRead::Status::End) {
      setEnd(inner_->describe() + " ended after " + std::to_string(frames_) + " frames");
    } else if (read.status == KyFrameRead::Status::Failed) {
      setEnd(inner_->describe() + " failed: " + read.error);
    }
    return read;
  }
  void interrupt() override { inner_->interrupt(); }
  std::string describe() const override { return inner_->describe(); }

  int64_t lastFrameMs() const { return lastFrameMs_; }
  std::optional<std::string> end() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return end_;
  }

 private:
  void setEnd(std::string message) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!end_) end_ = std::move(message);
  }
  std::shared_ptr<KyFrameSource> inner_;
  std::atomic<int64_t> lastFrameMs_{0};
  std::atomic<uint64_t> frames_{0};
  mutable std::mutex mutex_;
  std::optional<std::string> end_;
};

std::shared_ptr<KyLivingDetectionViewController> detectionScreen(const std::shared_ptr<KyViewController>& father) {
  return std::dynamic_pointer_cast<KyLivingDetectionViewController>(father->presentedViewController());
}

// One status line, rewritten in place when it changes.
void printProgress(const KyLivingDetectionViewController& screen, std::string& shown) {
  char line[256];
  std::snprintf(line, sizeof line, "[action %d] %3d%%  %s", screen.currentLivingType(), screen.currentProcess(),
                screen.currentPrompt().c_str());
  if (shown == line) return;
  shown = line;
  std::fprintf(stderr, "\r\x1b[K%s", line);
}

std::string shortened(const std::string& data) {
  return data.size() <= 48 ? data : data.substr(0, 40) + "...(" + std::to_string(data.size()) + " chars)";
}

// Runs the UI loop with the session's screen until it answers, the source ends or time is up.
class SessionRun {
 public:
  SessionRun(const SessionRunOptions& options, SessionRunOutcome& outcome, std::shared_ptr<WatchedFrameSource> source)
      : options_(options), outcome_(outcome), source_(std::move(source)) {}

  void run(const std::string& token) {
    window_ = KyWindow::create();
    father_ = std::make_shared<KyViewController>();
    window_->setRootViewController(father_);
    window_->makeKeyAndVisible();
    std::unique_ptr<KySDLWindowHost> host;
    if (options_.window) {
      host = std::make_unique<KySDLWindowHost>(window_, "KyLivingDetection");
      if (host->isOpen()) host->start();
    }
    started_ = std::chrono::steady_clock::now();
    KyLivingDetectionManager::startDetect2(token, father_, [this](const KyLivingDetectResult& result) {
      outcome_.result = result;
      finish();
    }, 2);
    tick_ = KyMainLoop::shared().addTimer(std::chrono::milliseconds(100), true, [this] { onTick(); });
    if (!done_) KyMainLoop::shared().run();
    tick_->invalidate();
    if (host) host->stop();
    if (options_.progress) std::fputs("\n", stderr);
  }

 private:
  void finish() {
    done_ = true;
    KyMainLoop::shared().quit();
  }

  void onTick() {
    std::shared_ptr<KyLivingDetectionViewController> screen = detectionScreen(father_);
    if (screen) {
      if (options_.progress) printProgress(*screen, progressLine_);
      if (options_.onTick) options_.onTick(*screen);
      takeScreenshot(*screen);
    }
    if (std::optional<std::string> end = source_->end()) {
      outcome_.error = *end + " before the session ended";
      finish();
      return;
    }
    const int64_t last = source_->lastFrameMs();
    const auto waited = std::chrono::steady_clock::now() - started_;
    if (!silentReported_ && waited > std::chrono::milliseconds(kSilentCameraMs) &&
        (last == 0 || KyLDCommUtil::getCurrentTimeToMilliSecond() - last > kSilentCameraMs)) {
      silentReported_ = true;
      std::fprintf(stderr, "\nkyld: no frames from %s for %lld s\n", source_->describe().c_str(),
                   static_cast<long long>(kSilentCameraMs / 1000));
    }
    const int32_t actions = std::max<int32_t>(1, screen ? screen->livingCount() : 4);
    if (waited > std::chrono::seconds(30 * actions + 30)) {
      outcome_.error = "the session gave no result in time";
      finish();
    }
  }

  // A picture of the screen whenever its prompt changes, up to the configured number.
  void takeScreenshot(const KyLivingDetectionViewController& screen) {
    if (options_.outDir.empty() || outcome_.screenshots.size() >= options_.maxScreenshots) return;
    const std::string prompt = screen.currentPrompt();
    if (prompt.empty() || prompt == lastPrompt_) return;
    lastPrompt_ = prompt;
    const std::string path =
        options_.outDir + "/screen-" + std::to_string(outcome_.screenshots.size() + 1) + ".png";
    if (KyRenderer::writePNG(*window_->layer(), path)) outcome_.screenshots.push_back(path);
  }

  const SessionRunOptions& options_;
  SessionRunOutcome& outcome_;
  std::shared_ptr<WatchedFrameSource> source_;
  std::shared_ptr<KyWindow> window_;
  std::shared_ptr<KyViewController> father_;
  std::shared_ptr<KyTimer> tick_;
  std::chrono::steady_clock::time_point started_;
  std::string lastPrompt_;
  std::string progressLine_;
  bool done_ = false;
  bool silentReported_ = false;
};

}  // namespace

SessionRunOutcome runSession(const SessionRunOptions& options) {
  SessionRunOutcome outcome;
  if (KyCameraAuthorization::statusForDevice(options.device) != KyCameraAuthorizationStatus::Authorized) {
    outcome.error = "no permission to open " + options.device.describe();
    return outcome;
  }
  const std::string outDir = options.outDir.empty() ? std::filesystem::temp_directory_path().string() + "/kyld-session"
                                                    : options.outDir;
  std::filesystem::create_directories(outDir);
  std::optional<LocalCloud> cloud = LocalCloud::connect(options.cloudUrl, outDir + "/cloud", outcome.error);
  if (!cloud) return outcome;
  cloud->configureLibrary();

  KyLivingConfig* config = KyLivingDetectionManager::LivingConfigInstance();
  config->SetIsAutoUploadVerifyMsg(true);
  config->SetIsRecordLdtVideo(options.record);
  KyMovieFiles::setDocumentsDirectory(outDir);

  KyLivingDetectResult init = KyLivingDetectionManager::verifyInit(options.livingType);
  if (init.code() != KLD_SUCCESS) {
    outcome.error = "initialisation failed: " + init.msg();
    return outcome;
  }
  std::optional<std::string> token = cloud->requestToken(init.data(), outcome.error);
  if (!token) return outcome;

  auto source = std::make_shared<WatchedFrameSource>(options.device.makeSource());
  KyCaptureDevices::setDevices({KyCaptureDevice::scripted(source)});
  SessionRunOptions withOutDir = options;
  withOutDir.outDir = outDir;
  SessionRun(withOutDir, outcome, source).run(*token);
  KyCaptureDevices::useSystemDevices();

  if (outcome.result && outcome.result->code() == KLD_SUCCESS) {
    const std::string& data = outcome.result->data();
    if (data.rfind("flatbuffer@", 0) != 0) {
      std::string error;
      outcome.verdict = cloud->verdict(data, error).value_or("");
    }
    if (options.record) outcome.videoPath = KyLivingDetectionManager::GetLdtVideoFilePath(*token);
  }
  if (outcome.result && outcome.error.empty() && outcome.result->code() != KLD_SUCCESS) {
    outcome.error = outcome.result->msg();
  }
  return outcome;
}

std::string outcomeJson(const SessionRunOutcome& outcome) {
  cJSON* json = cJSON_CreateObject();
  if (outcome.result) {
    cJSON_AddNumberToObject(json, "code", outcome.result->code());
    cJSON_AddStringToObject(json, "codeName", outcome.result->getCodeStr().c_str());
    cJSON_AddStringToObject(json, "msg", outcome.result->msg().c_str());
    cJSON_AddStringToObject(json, "data", shortened(outcome.result->data()).c_str());
  }
  if (cJSON* verdict = cJSON_Parse(outcome.verdict.c_str())) {
    cJSON_AddItemToObject(json, "verdict", verdict);
  }
  if (!outcome.error.empty()) cJSON_AddStringToObject(json, "error", outcome.error.c_str());
  if (!outcome.videoPath.empty()) cJSON_AddStringToObject(json, "video", outcome.videoPath.c_str());
  cJSON* shots = cJSON_AddArrayToObject(json, "screenshots");
  for (const std::string& path : outcome.screenshots) cJSON_AddItemToArray(shots, cJSON_CreateString(path.c_str()));
  char* printed = cJSON_PrintUnformatted(json);
  std::string text = printed != nullptr ? printed : "{}";
  cJSON_free(printed);
  cJSON_Delete(json);
  return text;
}
