// kyld landmarks IMAGE: finds the faces in a PNG or JPEG picture and prints, one JSON line
// per face, its rectangle and its 68 landmarks from the embedded model:
//   {"rect":[x,y,width,height],"points":[[x,y],...]}
#include <dlib/image_io.h>

#include <cstdio>
#include <string>

#include "Commands.h"
#include "dlibwrapper/KyDlibWrapper.h"

namespace {

bool loadPicture(const char* path, KyImage& image, std::string& error) {
  dlib::array2d<dlib::rgb_pixel> rgb;
  try {
    dlib::load_image(rgb, path);
  } catch (const std::exception& e) {
    error = e.what();
    return false;
  }
  auto pixels = std::make_shared<std::vector<uint8_t>>();
  pixels->reserve(rgb.size() * 3);
  for (long y = 0; y < rgb.nr(); ++y) {
    for (long x = 0; x < rgb.nc(); ++x) pixels->insert(pixels->end(), {rgb[y][x].red, rgb[y][x].green, rgb[y][x].blue});
  }
  image.pixels = std::move(pixels);
  image.format = KyPixelFormat::RGB;
  image.width = static_cast<int32_t>(rgb.nc());
  image.height = static_cast<int32_t>(rgb.nr());
  image.bytesPerRow = image.width * 3;
  return true;
}

std::string faceJson(const KyFaceRect& face, const LandmarkList& points) {
  std::string json = "{\"rect\":[" + std::to_string(static_cast<long>(face.x)) + "," +
                     std::to_string(static_cast<long>(face.y)) + "," + std::to_string(static_cast<long>(face.width)) +
                     "," + std::to_string(static_cast<long>(face.height)) + "],\"points\":[";
  for (size_t i = 0; i < points.size(); ++i) {
    if (i > 0) json += ",";
    json += "[" + std::to_string(static_cast<long>(points[i].x)) + "," + std::to_string(static_cast<long>(points[i].y)) +
            "]";
  }
  return json + "]}";
}

}  // namespace

int kyldLandmarks(KyldArgs args) {
  if (args.size() != 1) {
    std::fputs("usage: kyld landmarks IMAGE\n", stderr);
    return 2;
  }
  KyImage image;
  std::string error;
  if (!loadPicture(args[0], image, error)) {
    std::fprintf(stderr, "kyld landmarks: cannot read %s: %s\n", args[0], error.c_str());
    return 1;
  }
  const KyDlibWrapper& wrapper = KyDlibWrapper::shareInstance();
  if (!wrapper.hasModel()) {
    std::fputs("kyld landmarks: the embedded landmark model is unusable\n", stderr);
    return 1;
  }
  for (const KyFaceRect& face : KyDlibWrapper::findFaces(image)) {
    std::puts(faceJson(face, wrapper.detecitonOnSampleBuffer(image, face)).c_str());
  }
  return 0;
}
