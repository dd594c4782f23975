#include "platform/camera/KyCaptureSession.h"

#include "utils/LDTLog.h"

#include <pthread.h>

KyCaptureSession::KyCaptureSession(std::shared_ptr<KyFrameSource> source)
    : source_(std::move(source)),
      metaQueue_(std::make_unique<KySerialQueue>("metaDataQueue")),
      videoQueue_(std::make_unique<KySerialQueue>("videoDataQueue")) {}

KyCaptureSession::~KyCaptureSession() { stopRunning(); }

void KyCaptureSession::setSampleBufferDelegate(SampleBufferHandler handler) { frameHandler_ = std::move(handler); }

void KyCaptureSession::setMetadataObjectsDelegate(FaceRectDetector detector, FaceRectsHandler handler) {
  faceDetector_ = std::move(detector);
  facesHandler_ = std::move(handler);
}

void KyCaptureSession::setEndHandler(EndHandler handler) { endHandler_ = std::move(handler); }

bool KyCaptureSession::startRunning(std::string* error) {
  std::lock_guard lock(lifecycle_);
  if (running_) return true;
  if (reader_.joinable()) reader_.join();  // a reader that ended on its own
  std::string reason;
  if (!source_ || !source_->open(reason)) {
    if (reason.empty()) reason = "no capture source";
    LDT_LOGE("%s", reason.c_str());
    if (error) *error = reason;
    return false;
  }
  delivering_ = true;
  running_ = true;
  reader_ = std::thread([this] {
    pthread_setname_np(pthread_self(), "captureReader");
    readLoop();
  });
  return true;
}

void KyCaptureSession::stopRunning() {
  std::lock_guard lock(lifecycle_);
  delivering_ = false;
  running_ = false;
  if (source_) source_->interrupt();
  if (reader_.joinable()) reader_.join();
  // Let a handler that is running finish, so none runs after this returns.
  if (!videoQueue_->isCurrent() && !metaQueue_->isCurrent()) {
    videoQueue_->drain();
    metaQueue_->drain();
  }
}

KyCaptureStats KyCaptureSession::stats() const {
  return {framesRead_.load(), framesDelivered_.load(), framesDropped_.load(), faceDetections_.load()};
}

void KyCaptureSession::readLoop() {
  uint64_t framesThisRun = 0;
  for (;;) {
    KyFrameRead read = source_->read();
    switch (read.status) {
      case KyFrameRead::Status::Frame:
        ++framesThisRun;
        deliver(read.frame);
        break;
      case KyFrameRead::Status::Stopped:
        return;
      case KyFrameRead::Status::End:
        reportEnd({KyCaptureEnd::Reason::SourceEnded,
                   source_->describe() + " ended after " + std::to_string(framesThisRun) + " frames"});
        return;
      case KyFrameRead::Status::Failed:
        reportEnd({KyCaptureEnd::Reason::SourceFailed, read.error});
        return;
    }
  }
}

void KyCaptureSession::deliver(const KySampleBuffer& frame) {
  ++framesRead_;
  if (faceDetector_) {
    metaQueue_->tryAsyncIfIdle([this, frame] {
      if (!delivering_) return;
      std::vector<KyFaceRect> faces = faceDetector_(frame);
      ++faceDetections_;
      if (delivering_ && facesHandler_) facesHandler_(faces);
    });
  }
  const bool queued = videoQueue_->tryAsyncIfIdle([this, frame] {
    if (!delivering_) return;
    ++framesDelivered_;
    if (frameHandler_) frameHandler_(frame);
  });
  if (!queued) ++framesDropped_;
}

void KyCaptureSession::reportEnd(KyCaptureEnd end) {
  running_ = false;
  if (end.reason == KyCaptureEnd::Reason::SourceFailed) LDT_LOGE("%s", end.message.c_str());
  videoQueue_->async([this, end = std::move(end)] {
    if (delivering_ && endHandler_) endHandler_(end);
  });
}
