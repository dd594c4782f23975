// The verification message of a passed session: its best images, the time and the colour
// history, built as a VerifyMsg flatbuffer and enciphered with the shared key.
#pragma once

#include <flatbuffers/flatbuffers.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// Builds the message into `builder` (made with makeVerifyMsgBuilder) and finishes it without a
// file identifier. A null `colorHistory` is written as "empty".
void buildVerifyMsg(flatbuffers::FlatBufferBuilder& builder, std::span<const std::vector<uint8_t>> jpegImages,
                    const char* colorHistory, int64_t currentTime);

// The builder the message is built with: a first buffer of 1024 bytes, minimum alignment 8.
flatbuffers::FlatBufferBuilder makeVerifyMsgBuilder();

// Builds the message, enciphers it with the shared key and answers "flatbuffer@" followed by
// the Base64 ciphertext; nothing when encipherment fails (no shared key yet).
std::optional<std::string> sealVerifyMsg(std::span<const std::vector<uint8_t>> jpegImages, const char* colorHistory,
                                         int64_t currentTime);
