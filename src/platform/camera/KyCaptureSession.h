// A running capture: reads frames from a source and hands them to the owner on two serial queues.
//
//   "videoDataQueue": every frame, 32-bit BGRA. A frame that arrives while the previous one is still
//                     being handled is discarded, never queued, so the handler always sees a recent
//                     frame. After the last frame of a source that ends (or fails) the end handler
//                     runs on this queue too.
//   "metaDataQueue":  the face rectangles of a frame, found by the face-rectangle detector given by
//                     the owner. The detector runs on this queue at its own pace: frames that arrive
//                     while it is busy are not looked at.
//
// Handlers are set before startRunning. After stopRunning returns no handler runs any more (unless
// stopRunning is called from one of the queues itself, when the running handler finishes first).
#pragma once

#include "platform/camera/KyFrameSource.h"
#include "platform/camera/KySerialQueue.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Why frames stopped coming without the owner asking.
struct KyCaptureEnd {
  enum class Reason { SourceEnded, SourceFailed };
  Reason reason = Reason::SourceEnded;
  std::string message;  // e.g. "video file clip.mp4 ended after 90 frames"
};

struct KyCaptureStats {
  uint64_t framesRead = 0;
  uint64_t framesDelivered = 0;
  uint64_t framesDropped = 0;  // read while the frame handler was still busy
  uint64_t faceDetections = 0;
};

class KyCaptureSession {
 public:
  using SampleBufferHandler = std::function<void(const KySampleBuffer&)>;
  using FaceRectDetector = std::function<std::vector<KyFaceRect>(const KySampleBuffer&)>;
  using FaceRectsHandler = std::function<void(const std::vector<KyFaceRect>&)>;
  using EndHandler = std::function<void(const KyCaptureEnd&)>;

  explicit KyCaptureSession(std::shared_ptr<KyFrameSource> source);
  ~KyCaptureSession();
  KyCaptureSession(const KyCaptureSession&) = delete;
  KyCaptureSession& operator=(const KyCaptureSession&) = delete;

  void setSampleBufferDelegate(SampleBufferHandler handler);
  void setMetadataObjectsDelegate(FaceRectDetector detector, FaceRectsHandler handler);
  void setEndHandler(EndHandler handler);

  // Opens the source and starts reading; false (with a reason in error) when the source cannot open.
  bool startRunning(std::string* error = nullptr);
  void stopRunning();
  bool isRunning() const { return running_; }

  KyCaptureStats stats() const;
  // The queues themselves, for work that must run in order with the frames or face lists.
  KySerialQueue& videoDataQueue() { return *videoQueue_; }
  KySerialQueue& metaDataQueue() { return *metaQueue_; }

 private:
  void readLoop();
  void deliver(const KySampleBuffer& frame);
  void reportEnd(KyCaptureEnd end);

  std::shared_ptr<KyFrameSource> source_;
  SampleBufferHandler frameHandler_;
  FaceRectDetector faceDetector_;
  FaceRectsHandler facesHandler_;
  EndHandler endHandler_;

  std::mutex lifecycle_;
  std::thread reader_;
  std::atomic<bool> running_{false};
  std::atomic<bool> delivering_{false};  // cleared by stopRunning so queued work delivers nothing

  std::atomic<uint64_t> framesRead_{0};
  std::atomic<uint64_t> framesDelivered_{0};
  std::atomic<uint64_t> framesDropped_{0};
  std::atomic<uint64_t> faceDetections_{0};

  // Declared last: destroyed (and joined) first, while everything their tasks touch still exists.
  std::unique_ptr<KySerialQueue> metaQueue_;
  std::unique_ptr<KySerialQueue> videoQueue_;
};
