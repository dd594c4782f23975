// Checks one evidence image: a complete JPEG of the expected size that decodes without
// warnings, and the number of frontal faces in it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct DecodedImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // width * height * 3
};

// Nothing when the bytes are not one whole JPEG (start and end markers, no decoder warning).
std::optional<DecodedImage> decodeCompleteJpeg(const std::vector<uint8_t>& jpeg);

// Frontal faces found by a HOG detector on the image.
int countFaces(const DecodedImage& image);

// Reasons why the image is no acceptable evidence; empty when it is. `label` names the
// image in the reasons ("image 1").
std::vector<std::string> checkEvidenceImage(const std::vector<uint8_t>& jpeg, int expectedWidth, int expectedHeight,
                                            const std::string& label);
