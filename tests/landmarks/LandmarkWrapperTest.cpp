// The landmark wrapper on frames and still images, the face finders, and fidelity of the
// embedded model against dlib's original on a real photograph.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <set>
#include <thread>

#include "ModelFixtures.h"
#include "dlibwrapper/DlibImageConversion.h"
#include "dlibwrapper/KyDlibWrapper.h"
#include "dlibwrapper/KyHogFaceRectSource.h"
#include "testsupport/LogCapture.h"

using namespace landmarktest;

namespace {

KyImage imageOf(KyPixelFormat format, int32_t width, int32_t height, std::vector<uint8_t> pixels,
                int32_t bytesPerRow = 0) {
  KyImage image;
  image.format = format;
  image.width = width;
  image.height = height;
  image.bytesPerRow = bytesPerRow ? bytesPerRow : width * KyBytesPerPixel(format);
  image.pixels = std::make_shared<const std::vector<uint8_t>>(std::move(pixels));
  return image;
}

using PointPairs = std::vector<std::pair<double, double>>;
PointPairs pairsOf(const LandmarkList& points) {
  PointPairs pairs;
  for (const KyPoint& p : points) pairs.emplace_back(p.x, p.y);
  return pairs;
}
std::vector<PointPairs> pairsOf(const std::vector<LandmarkList>& lists) {
  std::vector<PointPairs> all;
  for (const LandmarkList& list : lists) all.push_back(pairsOf(list));
  return all;
}

double overlap(const KyFaceRect& a, const KyFaceRect& b) {
  const double w = std::min(a.x + a.width, b.x + b.width) - std::max(a.x, b.x);
  const double h = std::min(a.y + a.height, b.y + b.height) - std::max(a.y, b.y);
  const double common = std::max(0.0, w) * std::max(0.0, h);
  return common / (a.width * a.height + b.width * b.height - common);
}

// The face in the portrait frame, as the still-image finder sees it.
KyFaceRect portraitFrameFace() {
  static const KyFaceRect face = [] {
    const KySampleBuffer frame = portraitFrame();
    return KyDlibWrapper::findFace(imageOf(KyPixelFormat::BGRA, frame.width, frame.height, *frame.pixels));
  }();
  return face;
}

TEST(ConvertCGRectValueArray, TruncatesOriginThenSums) {
  struct Case {
    KyFaceRect rect;
    long left, top, right, bottom;
  };
  const Case cases[] = {
      {{10.7, 20.2, 100.5, 100.5}, 10, 20, 110, 120},
      {{-3.7, -1.2, 10.9, 10.0}, -3, -1, 7, 9},
      {{0, 0, 0, 0}, 0, 0, 0, 0},
      {{std::nan(""), 1e300, 5, 5}, 0, 1 << 30, 5, 1 << 30},
  };
  std::vector<KyFaceRect> rects;
  for (const Case& c : cases) rects.push_back(c.rect);
  const std::vector<dlib::rectangle> boxes = KyDlibWrapper::convertCGRectValueArray(rects);
  ASSERT_EQ(boxes.size(), std::size(cases));
  for (size_t i = 0; i < boxes.size(); ++i) {
    EXPECT_EQ(boxes[i], dlib::rectangle(cases[i].left, cases[i].top, cases[i].right, cases[i].bottom)) << i;
  }
}

TEST(LandmarkWrapper, OneListPerRectangleInOrder) {
  const KyDlibWrapper& wrapper = KyDlibWrapper::shareInstance();
  const KySampleBuffer frame = portraitFrame();
  const KyFaceRect face = portraitFrameFace();
  ASSERT_GT(face.width, 100);
  const KyFaceRect shifted{face.x + 30, face.y - 20, face.width * 0.8, face.height * 0.8};

  EXPECT_TRUE(wrapper.detecitonOnSampleBuffer(frame, {}).empty());
  const auto both = wrapper.detecitonOnSampleBuffer(frame, {face, shifted});
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(pairsOf(both[0]), pairsOf(wrapper.detecitonOnSampleBuffer(frame, {face})[0]));
  EXPECT_EQ(pairsOf(both[1]), pairsOf(wrapper.detecitonOnSampleBuffer(frame, {shifted})[0]));
  EXPECT_NE(pairsOf(both[0]), pairsOf(both[1]));
  for (const LandmarkList& points : both) {
    ASSERT_EQ(points.size(), 68u);
    for (const KyPoint& p : points) {
      EXPECT_EQ(p.x, std::trunc(p.x));
      EXPECT_EQ(p.y, std::trunc(p.y));
    }
  }
  // Points lie on the face: the nose tip (30) inside the rectangle.
  EXPECT_GT(both[0][30].x, face.x);
  EXPECT_LT(both[0][30].x, face.x + face.width);
}

TEST(LandmarkWrapper, HonoursTheFramesBytesPerRow) {
  const KyDlibWrapper& wrapper = KyDlibWrapper::shareInstance();
  const KyFaceRect face = portraitFrameFace();
  const auto packed = wrapper.detecitonOnSampleBuffer(portraitFrame(), {face});
  const auto padded = wrapper.detecitonOnSampleBuffer(portraitFrame(480 * 4 + 96), {face});
  EXPECT_EQ(pairsOf(packed), pairsOf(padded));
}

TEST(LandmarkWrapper, UnusableInputGivesEmptyListsAndAnError) {
  LogCapture log;
  KySampleBuffer broken = portraitFrame();
  broken.bytesPerRow = broken.width * 4 + 4;  // rows beyond the pixel bytes
  const auto fromBroken = KyDlibWrapper::shareInstance().detecitonOnSampleBuffer(broken, {{0, 0, 100, 100}});
  ASSERT_EQ(fromBroken.size(), 1u);
  EXPECT_TRUE(fromBroken[0].empty());
  EXPECT_TRUE(log.contains("is not readable"));

  const KyDlibWrapper withoutModel{dlib::shape_predictor()};
  EXPECT_FALSE(withoutModel.hasModel());
  const auto fromEmpty = withoutModel.detecitonOnSampleBuffer(portraitFrame(), {{0, 0, 100, 100}, {5, 5, 50, 50}});
  EXPECT_EQ(pairsOf(fromEmpty), std::vector<PointPairs>(2));
  EXPECT_TRUE(withoutModel.detecitonOnSampleBuffer(portraitImage(), {0, 0, 100, 100}).empty());
  EXPECT_TRUE(log.contains("no landmark model loaded"));
}

TEST(LandmarkWrapper, SharedInstanceIsCreatedOnceAcrossThreads) {
  std::vector<const KyDlibWrapper*> seen(4);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i) {
    threads.emplace_back([&seen, i] { seen[i] = &KyDlibWrapper::shareInstance(); });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(std::set<const KyDlibWrapper*>(seen.begin(), seen.end()).size(), 1u);
}

TEST(UIImageToDlibImage, ChannelsAlphaAndRows) {
  struct Case {
    std::string name;
    KyImage image;
    bool premultiplied;
    dlib::bgr_pixel expected;  // the pixel at (1, 1)
  };
  // 2 x 2 images whose pixel (1, 1) is red 200, green 100, blue 50, alpha 51 (a fifth).
  const std::vector<Case> cases = {
      {"grey", imageOf(KyPixelFormat::Gray, 2, 2, {0, 0, 0, 77}), true, {77, 77, 77}},
      {"rgb", imageOf(KyPixelFormat::RGB, 2, 2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 200, 100, 50}), true, {50, 100, 200}},
      {"rgba straight", imageOf(KyPixelFormat::RGBA, 2, 2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 200, 100, 50, 51}),
       false, {50, 100, 200}},
      {"rgba premultiplied",
       imageOf(KyPixelFormat::RGBA, 2, 2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 200, 100, 50, 51}), true, {10, 20, 40}},
      {"bgra", imageOf(KyPixelFormat::BGRA, 2, 2, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 50, 100, 200, 255}), true,
       {50, 100, 200}},
      {"grey with padded rows", imageOf(KyPixelFormat::Gray, 2, 2, {0, 0, 9, 9, 0, 77}, 4), true, {77, 77, 77}},
  };
  for (const Case& c : cases) {
    dlib::array2d<dlib::bgr_pixel> out;
    UIImageToDlibImage(c.image, out, c.premultiplied);
    ASSERT_EQ(out.nr(), 2) << c.name;
    ASSERT_EQ(out.nc(), 2) << c.name;
    EXPECT_EQ(out[1][1], c.expected) << c.name;
  }
}

TEST(UIImageToDlibImage, GreyImagesHaveEqualChannelsEverywhere) {
  std::vector<uint8_t> grey(64 * 48);
  for (size_t i = 0; i < grey.size(); ++i) grey[i] = static_cast<uint8_t>(i * 7);
  dlib::array2d<dlib::bgr_pixel> out;
  UIImageToDlibImage(imageOf(KyPixelFormat::Gray, 64, 48, grey), out, true);
  for (long y = 0; y < out.nr(); ++y) {
    for (long x = 0; x < out.nc(); ++x) {
      ASSERT_EQ(out[y][x].blue, grey[static_cast<size_t>(y * 64 + x)]);
      ASSERT_EQ(out[y][x].green, out[y][x].blue);
      ASSERT_EQ(out[y][x].red, out[y][x].blue);
    }
  }
}

TEST(FindFace, WidestFaceWinsTheFirstOfEqualOnes) {
  struct Case {
    std::string name;
    std::vector<KyFaceRect> faces;
    double expectedX;
  };
  const std::vector<Case> cases = {
      {"none", {}, 0},
      {"one", {{5, 5, 50, 60}}, 5},
      {"widest later", {{1, 0, 40, 90}, {2, 0, 80, 10}, {3, 0, 60, 60}}, 2},
      {"equal widths", {{1, 0, 80, 80}, {2, 0, 80, 90}}, 1},
  };
  for (const Case& c : cases) EXPECT_EQ(KyDlibWrapper::widestFace(c.faces).x, c.expectedX) << c.name;
  EXPECT_EQ(KyDlibWrapper::widestFace({}).width, 0);
}

TEST(FindFace, FindsThePortraitsFacesAndNoneInABlankImage) {
  // The selfie frame beside the smaller portrait: the frame's face is the wider one.
  const KySampleBuffer frame = portraitFrame();
  const KyImage& portrait = portraitImage();
  std::vector<uint8_t> both;
  for (int32_t y = 0; y < frame.height; ++y) {
    const uint8_t* row = frame.data() + static_cast<size_t>(y) * static_cast<size_t>(frame.bytesPerRow);
    for (int32_t x = 0; x < frame.width; ++x) both.insert(both.end(), {row[4 * x + 2], row[4 * x + 1], row[4 * x]});
    for (int32_t x = 0; x < portrait.width; ++x) {
      const uint8_t* rgb = portrait.row(std::min(y, portrait.height - 1)) + 3 * x;
      both.insert(both.end(), rgb, rgb + 3);
    }
  }
  const KyImage pair = imageOf(KyPixelFormat::RGB, frame.width + portrait.width, frame.height, both);
  const std::vector<KyFaceRect> faces = KyDlibWrapper::findFaces(pair);
  ASSERT_EQ(faces.size(), 2u);
  const KyFaceRect widest = KyDlibWrapper::findFace(pair);
  EXPECT_LT(widest.x, frame.width);
  EXPECT_GT(widest.width, 200);

  const KyImage blank = imageOf(KyPixelFormat::Gray, 200, 200, std::vector<uint8_t>(200 * 200, 128));
  const KyFaceRect none = KyDlibWrapper::findFace(blank);
  EXPECT_EQ(none.width, 0);
  EXPECT_EQ(none.height, 0);
}

TEST(HogFaceRectSource, FindsTheFaceOnAHalfSizeCopyInFullFramePixels) {
  KyHogFaceRectSource source;
  const std::vector<KyFaceRect> faces = source.faceRects(portraitFrame());
  ASSERT_EQ(faces.size(), 1u);
  EXPECT_GT(overlap(faces[0], portraitFrameFace()), 0.6);
  EXPECT_EQ(source.faceRects(portraitFrame(480 * 4 + 64)).size(), 1u);
  KySampleBuffer broken = portraitFrame();
  broken.height = 2000;
  EXPECT_TRUE(source.faceRects(broken).empty());
}

// Mean and largest distance between the two models' landmarks of one face.
struct Distances {
  double mean = 0;
  double max = 0;
};
Distances compareWithOriginal(const KyImage& image, const std::string& name) {
  const KyFaceRect face = KyDlibWrapper::findFace(image);
  EXPECT_GT(face.width, 60) << name;
  const LandmarkList ours = KyDlibWrapper::shareInstance().detecitonOnSampleBuffer(image, face);
  const KyDlibWrapper original(originalPredictor());
  const LandmarkList theirs = original.detecitonOnSampleBuffer(image, face);
  EXPECT_EQ(ours.size(), 68u);
  EXPECT_EQ(theirs.size(), 68u);
  Distances d;
  for (size_t i = 0; i < std::min(ours.size(), theirs.size()); ++i) {
    const double distance = std::hypot(ours[i].x - theirs[i].x, ours[i].y - theirs[i].y);
    d.mean += distance / 68;
    d.max = std::max(d.max, distance);
  }
  std::cout << "fidelity, " << name << " (face " << face.width << " px wide): mean " << d.mean << " px, max "
            << d.max << " px\n";
  ::testing::Test::RecordProperty(name + "_mean_px", std::to_string(d.mean));
  ::testing::Test::RecordProperty(name + "_max_px", std::to_string(d.max));
  return d;
}

TEST(Fidelity, EmbeddedModelStaysCloseToDlibsOriginal) {
  const Distances portrait = compareWithOriginal(portraitImage(), "portrait");
  EXPECT_LE(portrait.mean, 1.0);
  EXPECT_LE(portrait.max, 3.0);

  // Differences grow with the face: on the enlarged face the same bounds hold per 88
  // pixels of face width (the portrait's face).
  const KySampleBuffer frame = portraitFrame();
  const KyImage selfie = imageOf(KyPixelFormat::BGRA, frame.width, frame.height, *frame.pixels);
  const double perPortraitFace = 88.0 / portraitFrameFace().width;
  const Distances enlarged = compareWithOriginal(selfie, "selfie_frame");
  EXPECT_LE(enlarged.mean * perPortraitFace, 1.0);
  EXPECT_LE(enlarged.max * perPortraitFace, 3.0);
}

}  // namespace
