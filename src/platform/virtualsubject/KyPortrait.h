// A face photograph placed in a portrait frame, with its 68 landmarks fitted once.
#pragma once

#include <kylivingdetection/KyImage.h>

#include <optional>
#include <string>

#include "livingdetect/LDTLandmarks.h"
#include "platform/camera/KyCaptureTypes.h"

struct KyPortrait {
  KyImage image;        // BGRA, the frame's size, the face scaled and centred
  LandmarkList landmarks;
  KyFaceRect face;      // the detector's face rectangle in image

  // Debian's public-domain astronaut photograph.
  static constexpr const char* kDefaultPath = "/usr/lib/python3/dist-packages/skimage/data/astronaut.png";
  // Face width the placement aims at, in frame pixels.
  static constexpr double kFaceWidth = 255;

  // Decodes a PNG, scales it so the face is kFaceWidth wide with the eyes in the upper middle
  // of a width x height frame, and fits the landmarks there. Empty with error set when the
  // file cannot be read or holds no detectable face.
  static std::optional<KyPortrait> load(const std::string& pngPath, int32_t width, int32_t height,
                                        std::string& error);
  // The same from pixels already in memory (any KyImage format).
  static std::optional<KyPortrait> place(const KyImage& photo, int32_t width, int32_t height, std::string& error);
};

// Decodes a PNG file into BGRA; empty with error set on failure.
KyImage kyDecodePngFile(const std::string& path, std::string& error);
