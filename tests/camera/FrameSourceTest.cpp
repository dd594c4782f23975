// Video files read back through the FFmpeg frame source: count, size, BGRA layout, crop and mirror.
#include "CameraTestSupport.h"
#include "platform/camera/KyFrameConverter.h"
#include "platform/camera/KyLibavFrameSource.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct Bgra {
  int b, g, r, a;
};

Bgra pixelAt(const KySampleBuffer& frame, int x, int y) {
  const uint8_t* p = frame.data() + static_cast<size_t>(y) * frame.bytesPerRow + static_cast<size_t>(x) * 4;
  return {p[0], p[1], p[2], p[3]};
}

// Video is stored as YUV 4:2:0, so colours come back close, not exact.
void expectNear(const Bgra& actual, const Bgra& expected, const std::string& where) {
  constexpr int kTolerance = 24;
  EXPECT_LE(std::abs(actual.b - expected.b), kTolerance) << where << " blue " << actual.b;
  EXPECT_LE(std::abs(actual.g - expected.g), kTolerance) << where << " green " << actual.g;
  EXPECT_LE(std::abs(actual.r - expected.r), kTolerance) << where << " red " << actual.r;
  EXPECT_EQ(actual.a, 255) << where;
}

struct ReadAll {
  std::vector<KySampleBuffer> frames;
  KyFrameRead::Status last = KyFrameRead::Status::Failed;
};

ReadAll readAll(KyFrameSource& source) {
  ReadAll result;
  std::string error;
  if (!source.open(error)) {
    ADD_FAILURE() << error;
    return result;
  }
  for (;;) {
    KyFrameRead read = source.read();
    if (read.status != KyFrameRead::Status::Frame) {
      result.last = read.status;
      return result;
    }
    result.frames.push_back(std::move(read.frame));
  }
}

class FrameSourceTest : public ::testing::Test {
 protected:
  ScratchDirectory dir;
};

TEST_F(FrameSourceTest, DeliversEveryFrameAsPortraitBGRAOfTheRequestedSize) {
  struct Case {
    const char* picture;
    int frames;
    KyCaptureOptions options;
  };
  const Case cases[] = {
      {"testsrc=size=640x480", 12, {480, 640, true, false}},   // landscape source, cropped to portrait
      {"testsrc=size=480x640", 7, {480, 640, true, false}},    // already portrait
      {"testsrc=size=320x240", 5, {480, 640, false, false}},   // small source, scaled up
      {"testsrc=size=640x480", 4, {240, 320, true, true}},     // paced, smaller target
  };
  int index = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.picture);
    const std::string clip = makeClip(dir, "clip" + std::to_string(index++) + ".mp4", c.picture, c.frames);
    auto source = KyLibavFrameSource::videoFile(clip, c.options);
    ReadAll all = readAll(*source);
    EXPECT_EQ(all.last, KyFrameRead::Status::End);
    ASSERT_EQ(all.frames.size(), static_cast<size_t>(c.frames));
    for (const KySampleBuffer& frame : all.frames) {
      EXPECT_EQ(frame.width, c.options.width);
      EXPECT_EQ(frame.height, c.options.height);
      EXPECT_EQ(frame.bytesPerRow, c.options.width * 4);
      EXPECT_EQ(frame.pixels->size(), static_cast<size_t>(frame.bytesPerRow) * frame.height);
      EXPECT_GT(frame.timestampMs, 0);
    }
    EXPECT_NEAR(source->frameRate(), 30.0, 0.01);
  }
}

TEST_F(FrameSourceTest, CropsTheCentreAndMirrorsLeftAndRight) {
  // 640 x 480: red on the left half, blue on the right, a white bar across the top 40 rows.
  const std::string clip = makeClip(dir, "halves.mp4",
                                    "color=c=red:size=640x480,drawbox=x=320:y=0:w=320:h=480:color=blue:t=fill,"
                                    "drawbox=x=0:y=0:w=640:h=40:color=white:t=fill",
                                    3);
  const Bgra red{0, 0, 255, 255}, blue{255, 0, 0, 255}, white{255, 255, 255, 255};
  struct Case {
    bool mirrored;
    Bgra left, right;
  };
  for (const Case& c : {Case{false, red, blue}, Case{true, blue, red}}) {
    SCOPED_TRACE(c.mirrored ? "mirrored" : "as recorded");
    auto source = KyLibavFrameSource::videoFile(clip, {480, 640, c.mirrored, false});
    ReadAll all = readAll(*source);
    ASSERT_FALSE(all.frames.empty());
    const KySampleBuffer& frame = all.frames.front();
    // The full height is kept (3:4 crop of a 4:3 picture takes its centre columns).
    expectNear(pixelAt(frame, 240, 10), white, "top bar");
    expectNear(pixelAt(frame, 20, 400), c.left, "left");
    expectNear(pixelAt(frame, 460, 400), c.right, "right");
  }
}

TEST_F(FrameSourceTest, OpenFailsWithAReadableReasonForBadFiles) {
  const std::string notVideo = dir.file("notes.txt");
  runCommand("echo 'not a video' > '" + notVideo + "'");
  for (const std::string& path : {dir.file("missing.mp4"), notVideo}) {
    SCOPED_TRACE(path);
    auto source = KyLibavFrameSource::videoFile(path);
    std::string error;
    EXPECT_FALSE(source->open(error));
    EXPECT_NE(error.find(path), std::string::npos) << error;
    EXPECT_EQ(source->read().status, KyFrameRead::Status::Failed);
  }
}

TEST_F(FrameSourceTest, ACameraThatIsNotThereFailsToOpenWithItsPath) {
  const std::string node = dir.file("video7");
  auto source = KyLibavFrameSource::cameraDevice(node);
  std::string error;
  EXPECT_FALSE(source->open(error));
  EXPECT_EQ(error.rfind("camera " + node + ": ", 0), 0u) << error;
}

TEST_F(FrameSourceTest, InterruptStopsAPacedRead) {
  const std::string clip = makeClip(dir, "long.mp4", "testsrc=size=320x240", 60);
  auto source = KyLibavFrameSource::videoFile(clip);
  std::string error;
  ASSERT_TRUE(source->open(error)) << error;
  ASSERT_EQ(source->read().status, KyFrameRead::Status::Frame);
  source->interrupt();
  EXPECT_EQ(source->read().status, KyFrameRead::Status::Stopped);
}

TEST(FrameMirrorTest, SwapsPixelsOfEachRowAndKeepsRowPadding) {
  // Two rows of three pixels with 4 bytes of padding per row.
  std::vector<uint8_t> rows = {1, 1, 1, 1, 2, 2, 2, 2, 3, 3, 3, 3, 9, 9, 9, 9,
                               4, 4, 4, 4, 5, 5, 5, 5, 6, 6, 6, 6, 9, 9, 9, 9};
  kyMirrorBGRARows(rows.data(), 3, 2, 16);
  const std::vector<uint8_t> expected = {3, 3, 3, 3, 2, 2, 2, 2, 1, 1, 1, 1, 9, 9, 9, 9,
                                         6, 6, 6, 6, 5, 5, 5, 5, 4, 4, 4, 4, 9, 9, 9, 9};
  EXPECT_EQ(rows, expected);
}

}  // namespace
