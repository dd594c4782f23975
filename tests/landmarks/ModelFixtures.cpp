#include "ModelFixtures.h"

#include <dlib/image_io.h>
#include <dlib/image_transforms/interpolation.h>
#include <dlib/serialize.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>

#include "LandmarkModelPaths.h"
#include "dlibwrapper/KyDlibWrapper.h"
#include "dlibwrapper/ShapePredictorAccess.h"

namespace landmarktest {

using namespace kyvorinfo::morlin;

dlib::shape_predictor tinyPredictor() {
  constexpr int cascades = 3, trees = 5, depth = 3, pool = 20, parts = 68;
  std::mt19937 random(20261211);
  std::uniform_real_distribution<float> unit(0.0f, 1.0f);

  dlib::matrix<float, 0, 1> initialShape(2 * parts);
  for (long i = 0; i < initialShape.size(); ++i) initialShape(i) = unit(random);

  std::vector<std::vector<dlib::vector<float, 2>>> pixels(cascades);
  for (auto& cascade : pixels) {
    for (int j = 0; j < pool; ++j) cascade.emplace_back(unit(random), unit(random));
  }

  // Symbols with a geometric spread: |s| = k with probability about 2^-k.
  std::geometric_distribution<int> magnitude(0.5);
  std::vector<std::vector<RegressionTree>> forests(cascades, std::vector<RegressionTree>(trees));
  for (auto& cascade : forests) {
    for (RegressionTree& tree : cascade) {
      for (int s = 0; s < (1 << depth) - 1; ++s) {
        tree.splits.push_back({random() % pool, random() % pool, unit(random) - 0.5f});
      }
      tree.leaf_values.resize(1 << depth);
      for (auto& leaf : tree.leaf_values) {
        leaf.set_size(2 * parts);
        for (long i = 0; i < leaf.size(); ++i) {
          const int sign = random() % 2 ? 1 : -1;
          leaf(i) = sign * (static_cast<float>(magnitude(random)) + unit(random) * 0.4f) * kStep;
        }
      }
    }
  }
  // Range ends, exact half steps, and values below the threshold.
  auto& first = forests[0][0].leaf_values[0];
  first(0) = 1.0f;
  first(1) = -1.0f;
  first(2) = 2.5f * kStep;
  first(3) = -2.5f * kStep;
  first(4) = 0.00005f;
  first(5) = -0.00009f;
  return dlib::shape_predictor(initialShape, forests, pixels);
}

std::vector<uint8_t> writeModel(dlib::shape_predictor& predictor) {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("kyld-landmarks-" + std::to_string(::getpid()) + ".bin");
  std::string error;
  if (!save_shape_predictor_model(predictor, path.string(), kThreshold, kLevels, 7, &error)) return {};
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(path);
  return bytes;
}

LoadResult loadModel(std::span<const uint8_t> bytes, dlib::shape_predictor& predictor, LeafDecoding decoding) {
  LoadResult result;
  size_t position = 0;
  ModelCursor in{bytes, position};
  result.loaded = load_shape_predictor_model(predictor, in, result.error, decoding, &result.layout);
  return result;
}

LoadResult loadModel(const std::vector<uint8_t>& bytes, dlib::shape_predictor& predictor, LeafDecoding decoding) {
  return loadModel(std::span<const uint8_t>(bytes), predictor, decoding);
}

const dlib::shape_predictor& originalPredictor() {
  static const dlib::shape_predictor* const predictor = [] {
    auto* loaded = new dlib::shape_predictor;
    dlib::deserialize(KYLD_DLIB_MODEL_PATH) >> *loaded;
    return loaded;
  }();
  return *predictor;
}

const KyImage& portraitImage() {
  static const KyImage* const image = [] {
    dlib::array2d<dlib::rgb_pixel> rgb;
    dlib::load_image(rgb, KYLD_TEST_PORTRAIT_PATH);
    auto pixels = std::make_shared<std::vector<uint8_t>>();
    for (long y = 0; y < rgb.nr(); ++y) {
      for (long x = 0; x < rgb.nc(); ++x) pixels->insert(pixels->end(), {rgb[y][x].red, rgb[y][x].green, rgb[y][x].blue});
    }
    auto* loaded = new KyImage;
    loaded->pixels = std::move(pixels);
    loaded->format = KyPixelFormat::RGB;
    loaded->width = static_cast<int32_t>(rgb.nc());
    loaded->height = static_cast<int32_t>(rgb.nr());
    loaded->bytesPerRow = loaded->width * 3;
    return loaded;
  }();
  return *image;
}

// The portrait enlarged three times (its face is then about 260 pixels wide, as in a
// selfie) and cropped to 480 x 640 around the face.
static const std::vector<uint8_t>& portraitFrameBgra() {
  static const std::vector<uint8_t>* const bgra = [] {
    constexpr int scale = 3;
    const KyImage& image = portraitImage();
    const KyFaceRect face = KyDlibWrapper::findFace(image);
    const long centreX = static_cast<long>((face.x + face.width / 2) * scale);
    const long centreY = static_cast<long>((face.y + face.height / 2) * scale);
    dlib::array2d<dlib::rgb_pixel> small(image.height, image.width), large(image.height * scale, image.width * scale);
    for (long y = 0; y < small.nr(); ++y) {
      for (long x = 0; x < small.nc(); ++x) {
        const uint8_t* rgb = image.row(static_cast<int32_t>(y)) + 3 * x;
        small[y][x] = dlib::rgb_pixel(rgb[0], rgb[1], rgb[2]);
      }
    }
    dlib::resize_image(small, large);
    const long left = std::clamp(centreX - kFrameWidth / 2, 0L, large.nc() - kFrameWidth);
    const long top = std::clamp(centreY - kFrameHeight / 2, 0L, large.nr() - kFrameHeight);
    auto* out = new std::vector<uint8_t>();
    for (long y = 0; y < kFrameHeight; ++y) {
      for (long x = 0; x < kFrameWidth; ++x) {
        const dlib::rgb_pixel& p = large[top + y][left + x];
        out->insert(out->end(), {p.blue, p.green, p.red, 255});
      }
    }
    return out;
  }();
  return *bgra;
}

KySampleBuffer portraitFrame(int32_t bytesPerRow) {
  if (bytesPerRow == 0) bytesPerRow = kFrameWidth * 4;
  const std::vector<uint8_t>& packed = portraitFrameBgra();
  std::vector<uint8_t> rows(static_cast<size_t>(bytesPerRow) * kFrameHeight, 0xEE);
  for (long y = 0; y < kFrameHeight; ++y) {
    std::copy_n(packed.begin() + y * kFrameWidth * 4, kFrameWidth * 4, rows.begin() + y * bytesPerRow);
  }
  return KySampleBuffer::copyOf(rows.data(), kFrameWidth, kFrameHeight, bytesPerRow);
}

}  // namespace landmarktest
