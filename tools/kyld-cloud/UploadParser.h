// Reads an uploaded verification message: "flatbuffer@" (optional) + Base64 of the
// enciphered FlatBuffers VerifyMsg. The buffer is checked by the FlatBuffers verifier before
// any field is read, and its sizes are bounded.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct UploadLimits {
  size_t maxImages = 16;
  size_t maxImageBytes = 4u << 20;
  size_t maxHistoryBytes = 256u << 10;
};

struct VerifyEvidence {
  std::vector<std::vector<uint8_t>> images;  // JPEG bytes, in the order taken
  int64_t currentTime = 0;
  std::optional<std::string> history;  // absent when the field is missing
  int32_t useCloudStorage = 0;
};

// Nothing for every failure alike (bad Base64, wrong key or padding, a buffer the verifier
// refuses, a size above the limits), so the answer reveals nothing about which step failed.
std::optional<VerifyEvidence> readVerifyMessage(const std::string& verifyMsg, const std::string& shareKey,
                                                const std::string& iv, const UploadLimits& limits = {});

// The same from the clear FlatBuffers bytes.
std::optional<VerifyEvidence> readVerifyBuffer(const uint8_t* data, size_t size, const UploadLimits& limits = {});
