// The detection screen's camera: the capture session on the frame and metadata queues, and
// the optional recording of the session to a movie file.
#include <kylivingdetection/KyLivingConfig.h>

#include <filesystem>
#include <system_error>

#include "KyDetectionScreen.h"
#include <kylivingdetection/KyLivingDetectionManager.h>
#include "KyLivingDetectionViewController.h"
#include "dlibwrapper/KyDlibWrapper.h"
#include "dlibwrapper/KyHogFaceRectSource.h"
#include "platform/camera/KyCaptureSession.h"
#include "platform/movie/KyMovieFiles.h"
#include "platform/movie/KyMovieWriter.h"
#include "utils/LDTLog.h"

namespace fs = std::filesystem;

namespace {

// Each session gets a detector of its own, made with the first frame (making one is costly):
// the metadata queue runs it one frame at a time.
KyCaptureSession::FaceRectDetector faceRectDetector() {
  auto source = std::make_shared<std::unique_ptr<KyHogFaceRectSource>>();
  return [source](const KySampleBuffer& frame) {
    if (!*source) *source = std::make_unique<KyHogFaceRectSource>();
    return (*source)->faceRects(frame);
  };
}

}  // namespace

void KyLivingDetectionViewController::setCaptureEndHandler(std::function<void(const std::string&)> handler) {
  _captureEndHandler = std::move(handler);
}

void KyLivingDetectionViewController::setUpSession() {
  if (!_captureDevice) _captureDevice = KyCaptureDevices::atPosition(KyCaptureDevicePosition::Front);
  if (!_captureDevice) {
    LDTLogWrite(KyLivingLogLevel::Error, "setUpSession", __LINE__, "%s: add input failed.", "setUpSession");
    return;
  }
  KyCaptureDevices::configureForCapture(*_captureDevice);
  auto session = std::make_unique<KyCaptureSession>(_captureDevice->makeSource());
  std::weak_ptr<KyLivingDetectionViewController> weak = self();
  session->setSampleBufferDelegate([weak](const KySampleBuffer& frame) {
    if (auto controller = weak.lock()) {
      if (controller->_screen) controller->_screen->showCameraFrame(frame);
      controller->captureOutput(frame);
    }
  });
  session->setMetadataObjectsDelegate(faceRectDetector(), [weak](const std::vector<KyFaceRect>& faces) {
    if (auto controller = weak.lock()) controller->captureOutputMetadata(faces);
  });
  session->setEndHandler([weak](const KyCaptureEnd& end) {
    auto controller = weak.lock();
    if (controller && controller->_captureEndHandler) controller->_captureEndHandler(end.message);
  });
  if (!_landmarkDetector) {
    _landmarkDetector = [](const KySampleBuffer& frame, const std::vector<KyFaceRect>& rects) {
      std::vector<LandmarkListRef> lists;
      for (LandmarkList& list : KyDlibWrapper::shareInstance().detecitonOnSampleBuffer(frame, rects)) {
        lists.push_back(list.empty() ? nullptr : std::make_shared<const LandmarkList>(std::move(list)));
      }
      return lists;
    };
  }
  _session = std::move(session);
}

void KyLivingDetectionViewController::startRunning() {
  if (!_session) return;
  std::string error;
  if (!_session->startRunning(&error)) {
    LDTLogWrite(KyLivingLogLevel::Error, "startRunning", __LINE__, "%s: add input failed. %s", "setUpSession",
                error.c_str());
    if (_captureEndHandler) _captureEndHandler(error);
    return;
  }
  if (KyLivingConfig::shareInstance()->GetIsRecordLdtVideo()) startRecord();
}

void KyLivingDetectionViewController::stopRunning() {
  if (_session) _session->stopRunning();
}

void KyLivingDetectionViewController::startRecord() {
  const fs::path dir = KyLivingDetectionManager::GetLdtVideoRootDirectory();
  std::error_code ignored;
  fs::create_directories(dir, ignored);
  if (KyLivingConfig::shareInstance()->GetIsDeleteVideoInNext()) KyMovieFiles::removeEarlierVideos(dir.string());
  _fileOutPutUrl = KyLivingDetectionManager::GetLdtVideoFilePath(_token);
  fs::remove(_fileOutPutUrl, ignored);
  std::lock_guard<std::mutex> lock(_writerMutex);
  _mediaWriter = std::make_unique<KyMovieWriter>(_fileOutPutUrl);
}

void KyLivingDetectionViewController::stopRecord(std::function<void()> completion) {
  std::unique_ptr<KyMovieWriter> writer;
  {
    std::lock_guard<std::mutex> lock(_writerMutex);
    writer = std::move(_mediaWriter);
  }
  if (!writer) {
    if (completion) completion();
    return;
  }
  // The writer's destructor waits for the file to be finished and the completion to run.
  writer->finishWriting(std::move(completion));
}

// Every frame goes to the recorder, also while paused or after the end.
void KyLivingDetectionViewController::recordFrame(const KySampleBuffer& frame) {
  std::lock_guard<std::mutex> lock(_writerMutex);
  if (!_mediaWriter || frame.empty()) return;
  if (!_mediaWriter->isVideoInputReady()) _mediaWriter->setUpVideoInput(KyMovieVideoSettings::forFrame(frame.width, frame.height));
  if (KyLivingConfig::shareInstance()->GetIsRecordLdtVideo()) _mediaWriter->appendVideoSampleBuffer(frame);
}
