// Movies written through the movie writer and checked with ffprobe and ffmpeg; movie file names.
#include "CameraTestSupport.h"
#include "platform/camera/KyCaptureSession.h"
#include "platform/camera/KyLibavFrameSource.h"
#include "platform/movie/KyMovieFiles.h"
#include "platform/movie/KyMovieWriter.h"
#include "testsupport/LogCapture.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

namespace fs = std::filesystem;

// A 480 x 640 frame: red top 80 rows, blue bottom 80 rows, green between. Aspect-fill to a square
// keeps only the green middle.
KySampleBuffer bandedFrame(int64_t timestampMs) {
  KySampleBuffer frame = solidFrame(480, 640, 0, 255, 0, timestampMs);
  std::vector<uint8_t> pixels = *frame.pixels;
  for (int y = 0; y < 640; ++y) {
    if (y >= 80 && y < 560) continue;
    for (int x = 0; x < 480; ++x) {
      uint8_t* p = pixels.data() + (static_cast<size_t>(y) * 480 + x) * 4;
      p[0] = y < 80 ? 0 : 255;
      p[1] = 0;
      p[2] = y < 80 ? 255 : 0;
    }
  }
  return KySampleBuffer::copyOf(pixels.data(), 480, 640, 0, timestampMs);
}

void finishAndWait(KyMovieWriter& writer) {
  Event done;
  writer.finishWriting([&] { done.set(); });
  ASSERT_TRUE(done.wait());
}

class MovieWriterTest : public ::testing::Test {
 protected:
  ScratchDirectory dir;
};

TEST_F(MovieWriterTest, WritesASquareH264MovieWithoutAudioThatFFprobeReads) {
  const std::string path = dir.file("KyVideo0123456789.mov");
  KyMovieWriter writer(path);
  EXPECT_FALSE(writer.isVideoInputReady());
  EXPECT_FALSE(writer.appendVideoSampleBuffer(bandedFrame(1000)));

  const KyMovieVideoSettings settings = KyMovieVideoSettings::forFrame(480, 640);
  EXPECT_EQ(settings.width, 480);
  EXPECT_EQ(settings.height, 480);
  EXPECT_EQ(settings.averageBitRate, 3500000);
  EXPECT_EQ(settings.maxKeyFrameInterval, 64000);
  ASSERT_TRUE(writer.setUpVideoInput(settings)) << writer.error();
  EXPECT_TRUE(writer.isVideoInputReady());
  constexpr int kFrames = 24;
  for (int i = 0; i < kFrames; ++i) ASSERT_TRUE(writer.appendVideoSampleBuffer(bandedFrame(1000 + i * 33)));
  finishAndWait(writer);
  EXPECT_EQ(writer.status(), KyMovieWriter::Status::Completed) << writer.error();
  EXPECT_FALSE(writer.isVideoInputReady());
  EXPECT_FALSE(writer.appendVideoSampleBuffer(bandedFrame(5000)));

  const ProbedMovie movie = probeMovie(path);
  EXPECT_EQ(movie.formatName, "mov,mp4,m4a,3gp,3g2,mj2");
  EXPECT_EQ(movie.codecName, "h264");
  EXPECT_EQ(movie.width, 480);
  EXPECT_EQ(movie.height, 480);
  EXPECT_EQ(movie.frames, kFrames);  // the last frame too
  EXPECT_EQ(movie.streams, 1);       // no audio

  // Aspect-fill: the red and blue bands were cut away, the corners are green.
  const std::string rgb = firstPictureRGB(path);
  ASSERT_EQ(rgb.size(), 480u * 480u * 3u);
  for (size_t pixel : {size_t{0}, size_t{479}, size_t{479 * 480}, size_t{480 * 480 - 1}}) {
    const auto* p = reinterpret_cast<const uint8_t*>(rgb.data() + pixel * 3);
    EXPECT_LT(p[0], 60) << pixel;
    EXPECT_GT(p[1], 200) << pixel;
    EXPECT_LT(p[2], 60) << pixel;
  }
}

TEST_F(MovieWriterTest, FramesWithoutIncreasingTimesStillMakeAPlayableMovie) {
  const std::string path = dir.file("flat.mov");
  {
    KyMovieWriter writer(path);
    ASSERT_TRUE(writer.setUpVideoInput(KyMovieVideoSettings::forFrame(320, 240)));
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(writer.appendVideoSampleBuffer(solidFrame(320, 240, 9, 9, 9, 0)));
    // Not finished: dropping the writer finishes the file instead of leaving it unreadable.
  }
  const ProbedMovie movie = probeMovie(path);
  EXPECT_EQ(movie.width, 240);
  EXPECT_EQ(movie.frames, 6);
}

TEST_F(MovieWriterTest, AnInputThatCannotBeSetUpFailsAndMayBeAskedAgain) {
  LogCapture log;
  KyMovieWriter writer(dir.file("no-such-folder/KyVideo.mov"));
  EXPECT_FALSE(writer.setUpVideoInput(KyMovieVideoSettings::forFrame(480, 640)));
  EXPECT_EQ(writer.status(), KyMovieWriter::Status::Failed);
  EXPECT_NE(writer.error().find("no-such-folder"), std::string::npos) << writer.error();
  EXPECT_TRUE(log.contains("no-such-folder"));
  EXPECT_FALSE(writer.isVideoInputReady());

  fs::create_directories(dir.file("no-such-folder"));
  EXPECT_TRUE(writer.setUpVideoInput(KyMovieVideoSettings::forFrame(480, 640))) << writer.error();
  EXPECT_TRUE(writer.appendVideoSampleBuffer(bandedFrame(1)));
  finishAndWait(writer);
  EXPECT_EQ(writer.status(), KyMovieWriter::Status::Completed);
}

TEST_F(MovieWriterTest, BadSettingsAndBadFramesAreRefused) {
  KyMovieWriter writer(dir.file("bad.mov"));
  KyMovieVideoSettings settings = KyMovieVideoSettings::forFrame(480, 640);
  settings.codec = "ProRes";
  EXPECT_FALSE(writer.setUpVideoInput(settings));
  ASSERT_TRUE(writer.setUpVideoInput(KyMovieVideoSettings::forFrame(480, 640)));
  KySampleBuffer truncated = bandedFrame(1);
  truncated.height = 700;  // more rows than the pixels hold
  EXPECT_FALSE(writer.appendVideoSampleBuffer(truncated));
  EXPECT_FALSE(writer.appendVideoSampleBuffer(KySampleBuffer{}));
  EXPECT_TRUE(writer.appendVideoSampleBuffer(bandedFrame(2)));  // one bad frame does not stop the movie
  finishAndWait(writer);
  EXPECT_EQ(writer.status(), KyMovieWriter::Status::Completed);
}

TEST_F(MovieWriterTest, FinishWithoutAnInputRunsTheCompletionOnAWorker) {
  KyMovieWriter writer(dir.file("empty.mov"));
  Event done;
  std::thread::id completionThread;
  writer.finishWriting([&] {
    completionThread = std::this_thread::get_id();
    done.set();
  });
  ASSERT_TRUE(done.wait());
  EXPECT_NE(completionThread, std::this_thread::get_id());
  EXPECT_FALSE(fs::exists(dir.file("empty.mov")));
}

TEST(MovieFilesTest, VideoNamesUseTheFirstTenTokenCharacters) {
  const std::pair<std::string, std::string> cases[] = {
      {"abcdefghijklmnop", "KyVideoabcdefghij.mov"},
      {"0123456789AB", "KyVideo0123456789.mov"},
      {"short", "KyVideoshort.mov"},
      {"", "KyVideo.mov"},
  };
  for (const auto& [token, name] : cases) EXPECT_EQ(KyMovieFiles::videoFileName(token), name) << token;
}

TEST(MovieFilesTest, DocumentsDirectoryIsPerUserDataUnlessTheHostSetsOne) {
  ScratchDirectory dir;
  const char* saved = std::getenv("XDG_DATA_HOME");
  const std::string savedValue = saved ? saved : "";
  ::setenv("XDG_DATA_HOME", dir.path().c_str(), 1);
  const std::string expected = dir.path() + "/KyLivingDetection/Documents";
  EXPECT_EQ(KyMovieFiles::documentsDirectory(), expected);
  EXPECT_TRUE(fs::is_directory(expected));
  EXPECT_EQ(KyMovieFiles::videoFilePath("abcdefghijklmnop"), expected + "/KyVideoabcdefghij.mov");

  KyMovieFiles::setDocumentsDirectory(dir.file("host/"));
  EXPECT_EQ(KyMovieFiles::documentsDirectory(), dir.file("host"));
  EXPECT_EQ(KyMovieFiles::videoFilePath("0123456789AB"), dir.file("host/KyVideo0123456789.mov"));
  KyMovieFiles::setDocumentsDirectory("");
  EXPECT_EQ(KyMovieFiles::documentsDirectory(), expected);
  if (saved) {
    ::setenv("XDG_DATA_HOME", savedValue.c_str(), 1);
  } else {
    ::unsetenv("XDG_DATA_HOME");
  }
}

TEST(MovieFilesTest, EarlierVideosAreRemovedAndOtherFilesKept) {
  ScratchDirectory dir;
  for (const char* file : {"KyVideoaaaaaaaaaa.mov", "KyVideobbbbbbbbbb.mov", "KyVideoDir/inner.mov", "other.mov",
                           "sub/KyVideocccccccccc.mov"}) {
    fs::create_directories(fs::path(dir.file(file)).parent_path());
    runCommand("touch '" + dir.file(file) + "'");
  }
  EXPECT_EQ(KyMovieFiles::removeEarlierVideos(dir.path()), 3);
  for (const char* gone : {"KyVideoaaaaaaaaaa.mov", "KyVideobbbbbbbbbb.mov", "KyVideoDir"}) {
    EXPECT_FALSE(fs::exists(dir.file(gone))) << gone;
  }
  for (const char* kept : {"other.mov", "sub/KyVideocccccccccc.mov"}) EXPECT_TRUE(fs::exists(dir.file(kept))) << kept;
  EXPECT_EQ(KyMovieFiles::removeEarlierVideos(dir.file("missing")), 0);
}

}  // namespace

namespace {

// A file source's frames, appended by the frame handler as the detection screen does, make a
// square movie of exactly the frames the handler received.
TEST(RecordingTest, FramesFromACaptureSessionBecomeASquareMovie) {
  ScratchDirectory dir;
  const std::string clip = makeClip(dir, "clip.mp4", "testsrc=size=640x480", 10);
  const std::string moviePath = dir.file(KyMovieFiles::videoFileName("0123456789abcdef"));
  KyMovieWriter writer(moviePath);
  KyCaptureSession session(KyLibavFrameSource::videoFile(clip));
  int appended = 0;
  session.setSampleBufferDelegate([&](const KySampleBuffer& frame) {
    if (!writer.isVideoInputReady()) writer.setUpVideoInput(KyMovieVideoSettings::forFrame(frame.width, frame.height));
    if (writer.appendVideoSampleBuffer(frame)) ++appended;
  });
  Event ended;
  session.setEndHandler([&](const KyCaptureEnd&) { ended.set(); });
  ASSERT_TRUE(session.startRunning());
  ASSERT_TRUE(ended.wait());
  session.stopRunning();
  finishAndWait(writer);

  EXPECT_EQ(static_cast<uint64_t>(appended), session.stats().framesDelivered);
  const ProbedMovie movie = probeMovie(moviePath);
  EXPECT_EQ(movie.codecName, "h264");
  EXPECT_EQ(movie.width, 480);
  EXPECT_EQ(movie.height, 480);
  EXPECT_EQ(movie.frames, appended);
}

}  // namespace
