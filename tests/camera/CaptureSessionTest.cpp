// The capture session's two queues: frames in order on "videoDataQueue", late frames dropped,
// face rectangles on "metaDataQueue", the end of a source reported after its last frame.
#include "CameraTestSupport.h"
#include "platform/camera/KyCaptureSession.h"
#include "platform/camera/KyLibavFrameSource.h"
#include "platform/camera/KyScriptedFrameSource.h"
#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

// What the handlers saw, guarded for the test thread.
struct Recorder {
  std::mutex mutex;
  std::vector<int64_t> frameTimestamps;
  std::vector<std::string> frameThreads;
  std::vector<std::vector<KyFaceRect>> faceLists;
  std::vector<std::string> faceThreads;
  std::vector<KyCaptureEnd> ends;
  std::string endThread;
  Event ended;
  Event facesSeen;

  void attach(KyCaptureSession& session) {
    session.setSampleBufferDelegate([this](const KySampleBuffer& frame) {
      std::lock_guard lock(mutex);
      frameTimestamps.push_back(frame.timestampMs);
      frameThreads.push_back(currentThreadName());
    });
    session.setEndHandler([this](const KyCaptureEnd& end) {
      {
        std::lock_guard lock(mutex);
        ends.push_back(end);
        endThread = currentThreadName();
      }
      ended.set();
    });
  }
};

// Waits (with a safety limit) until the condition holds.
template <typename Condition>
bool eventually(Condition condition) {
  for (int i = 0; i < 20000; ++i) {
    if (condition()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return condition();
}

void waitUntilRead(const KyCaptureSession& session, uint64_t frames) {
  ASSERT_TRUE(eventually([&] { return session.stats().framesRead >= frames; }));
  ASSERT_EQ(session.stats().framesRead, frames);
}

TEST(CaptureSessionTest, ScriptedFramesArriveInOrderOnTheFrameQueueThenTheEnd) {
  auto script = std::make_shared<KyScriptedFrameSource>();
  KyCaptureSession session(script);
  Recorder recorder;
  recorder.attach(session);
  ASSERT_TRUE(session.startRunning());
  for (int64_t t = 1; t <= 5; ++t) {
    script->push(solidFrame(4, 4, 0, 0, 0, t));
    // Offer the next frame only once this one is handled, so none is late.
    ASSERT_TRUE(eventually([&] { return session.stats().framesDelivered == static_cast<uint64_t>(t); }));
    session.videoDataQueue().drain();
  }
  script->finish();
  ASSERT_TRUE(recorder.ended.wait());

  std::lock_guard lock(recorder.mutex);
  EXPECT_EQ(recorder.frameTimestamps, (std::vector<int64_t>{1, 2, 3, 4, 5}));
  for (const std::string& name : recorder.frameThreads) EXPECT_EQ(name, "videoDataQueue");
  ASSERT_EQ(recorder.ends.size(), 1u);
  EXPECT_EQ(recorder.ends[0].reason, KyCaptureEnd::Reason::SourceEnded);
  EXPECT_EQ(recorder.ends[0].message, "scripted source ended after 5 frames");
  EXPECT_EQ(recorder.endThread, "videoDataQueue");
  EXPECT_FALSE(session.isRunning());
}

TEST(CaptureSessionTest, FramesArrivingWhileTheHandlerIsBusyAreDroppedNotQueued) {
  auto script = std::make_shared<KyScriptedFrameSource>();
  KyCaptureSession session(script);
  Recorder recorder;
  Event handlerEntered;
  Event release;
  std::vector<int64_t> seen;
  session.setSampleBufferDelegate([&](const KySampleBuffer& frame) {
    seen.push_back(frame.timestampMs);
    handlerEntered.set();
    release.wait();
  });
  ASSERT_TRUE(session.startRunning());
  script->push(solidFrame(4, 4, 0, 0, 0, 1));
  ASSERT_TRUE(handlerEntered.wait());
  for (int64_t t = 2; t <= 4; ++t) script->push(solidFrame(4, 4, 0, 0, 0, t));
  waitUntilRead(session, 4);
  release.set();
  session.stopRunning();

  EXPECT_EQ(seen, (std::vector<int64_t>{1}));
  const KyCaptureStats stats = session.stats();
  EXPECT_EQ(stats.framesDelivered, 1u);
  EXPECT_EQ(stats.framesDropped, 3u);
}

TEST(CaptureSessionTest, FaceRectanglesComeFromTheDetectorOnTheMetadataQueue) {
  auto script = std::make_shared<KyScriptedFrameSource>();
  KyCaptureSession session(script);
  Recorder recorder;
  std::atomic<int> detectorRuns{0};
  std::string detectorThread;
  session.setMetadataObjectsDelegate(
      [&](const KySampleBuffer& frame) {
        detectorThread = currentThreadName();
        ++detectorRuns;
        return std::vector<KyFaceRect>{{1, 2, double(frame.width), double(frame.height)}};
      },
      [&](const std::vector<KyFaceRect>& faces) {
        {
          std::lock_guard lock(recorder.mutex);
          recorder.faceLists.push_back(faces);
          recorder.faceThreads.push_back(currentThreadName());
        }
        recorder.facesSeen.set();
      });
  ASSERT_TRUE(session.startRunning());
  script->push(solidFrame(8, 6, 0, 0, 0, 1));
  ASSERT_TRUE(recorder.facesSeen.wait());
  session.stopRunning();

  std::lock_guard lock(recorder.mutex);
  ASSERT_EQ(recorder.faceLists.size(), 1u);
  ASSERT_EQ(recorder.faceLists[0].size(), 1u);
  EXPECT_EQ(recorder.faceLists[0][0].width, 8);
  EXPECT_EQ(recorder.faceLists[0][0].height, 6);
  EXPECT_EQ(recorder.faceThreads[0], "metaDataQueue");
  EXPECT_EQ(detectorThread, "metaDataQueue");
  EXPECT_EQ(session.stats().faceDetections, 1u);
}

TEST(CaptureSessionTest, AFailingSourceIsReportedAsAFailureWithItsReason) {
  auto script = std::make_shared<KyScriptedFrameSource>();
  KyCaptureSession session(script);
  Recorder recorder;
  recorder.attach(session);
  LogCapture log;
  ASSERT_TRUE(session.startRunning());
  script->fail("camera unplugged");
  ASSERT_TRUE(recorder.ended.wait());
  std::lock_guard lock(recorder.mutex);
  ASSERT_EQ(recorder.ends.size(), 1u);
  EXPECT_EQ(recorder.ends[0].reason, KyCaptureEnd::Reason::SourceFailed);
  EXPECT_EQ(recorder.ends[0].message, "camera unplugged");
  EXPECT_TRUE(log.contains("camera unplugged"));
}

TEST(CaptureSessionTest, NoHandlerRunsAfterStopAndTheSessionCanStartAgain) {
  auto script = std::make_shared<KyScriptedFrameSource>();
  KyCaptureSession session(script);
  Recorder recorder;
  recorder.attach(session);
  ASSERT_TRUE(session.startRunning());
  script->push(solidFrame(4, 4, 0, 0, 0, 1));
  waitUntilRead(session, 1);
  session.stopRunning();
  EXPECT_FALSE(session.isRunning());
  size_t framesAtStop;
  {
    std::lock_guard lock(recorder.mutex);
    framesAtStop = recorder.frameTimestamps.size();
  }
  script->push(solidFrame(4, 4, 0, 0, 0, 2));  // not read while stopped
  EXPECT_EQ(script->pending(), 1u);

  ASSERT_TRUE(session.startRunning());
  waitUntilRead(session, 2);
  session.stopRunning();
  std::lock_guard lock(recorder.mutex);
  EXPECT_LE(framesAtStop, 1u);
  EXPECT_TRUE(recorder.ends.empty());  // stopping by the owner is not an end of the source
}

TEST(CaptureSessionTest, ASourceThatCannotOpenIsRefusedWithItsReason) {
  ScratchDirectory dir;
  KyCaptureSession session(KyLibavFrameSource::videoFile(dir.file("absent.mp4")));
  LogCapture log;
  std::string error;
  EXPECT_FALSE(session.startRunning(&error));
  EXPECT_NE(error.find("absent.mp4"), std::string::npos) << error;
  EXPECT_FALSE(session.isRunning());
  EXPECT_TRUE(log.contains("absent.mp4"));
}

TEST(CaptureSessionTest, AVideoFileWithASlowConsumerDropsLateFramesAndReportsItsEnd) {
  ScratchDirectory dir;
  const std::string clip = makeClip(dir, "clip.mp4", "testsrc=size=640x480", 15);
  KyCaptureSession session(KyLibavFrameSource::videoFile(clip));  // paced at 30 frames a second
  Recorder recorder;
  recorder.attach(session);
  std::vector<std::pair<int32_t, int32_t>> sizes;
  session.setSampleBufferDelegate([&](const KySampleBuffer& frame) {
    sizes.emplace_back(frame.width, frame.height);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));  // a consumer slower than the source
  });
  ASSERT_TRUE(session.startRunning());
  ASSERT_TRUE(recorder.ended.wait());
  session.stopRunning();

  const KyCaptureStats stats = session.stats();
  EXPECT_EQ(stats.framesRead, 15u);
  EXPECT_EQ(stats.framesDelivered + stats.framesDropped, 15u);
  EXPECT_GT(stats.framesDropped, 0u);
  EXPECT_EQ(sizes.size(), stats.framesDelivered);
  for (const auto& size : sizes) EXPECT_EQ(size, std::make_pair(480, 640));
  std::lock_guard lock(recorder.mutex);
  ASSERT_EQ(recorder.ends.size(), 1u);
  EXPECT_EQ(recorder.ends[0].message, "video file " + clip + " ended after 15 frames");
}

TEST(SerialQueueTest, RunsTasksInOrderOnItsNamedThreadAndRefusesWorkWhenBusy) {
  KySerialQueue queue("videoDataQueue");
  std::vector<int> order;
  std::string thread;
  Event release;
  ASSERT_TRUE(queue.async([&] { release.wait(); }));
  for (int i = 0; i < 5; ++i) queue.async([&order, i] { order.push_back(i); });
  EXPECT_FALSE(queue.tryAsyncIfIdle([&] { order.push_back(99); }));
  release.set();
  queue.drain();
  EXPECT_TRUE(queue.tryAsyncIfIdle([&] { thread = currentThreadName(); }));
  queue.drain();
  EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
  EXPECT_EQ(thread, "videoDataQueue");
}

}  // namespace
