#include "utils/VerifyMsgBuilder.h"

#include "VerifyMsg_generated.h"
#include "utils/AesCipher.h"
#include "utils/CodecUtil.h"

flatbuffers::FlatBufferBuilder makeVerifyMsgBuilder() {
  return flatbuffers::FlatBufferBuilder(1024, nullptr, false, 8);
}

void buildVerifyMsg(flatbuffers::FlatBufferBuilder& builder, std::span<const std::vector<uint8_t>> jpegImages,
                    const char* colorHistory, int64_t currentTime) {
  std::vector<flatbuffers::Offset<Image>> images;
  images.reserve(jpegImages.size());
  for (const std::vector<uint8_t>& jpeg : jpegImages) {
    flatbuffers::Offset<flatbuffers::Vector<uint8_t>> data = builder.CreateVector(jpeg);
    ImageBuilder image(builder);
    image.add_data(data);
    images.push_back(image.Finish());
  }
  flatbuffers::Offset<flatbuffers::Vector<flatbuffers::Offset<Image>>> imageArray = builder.CreateVector(images);
  flatbuffers::Offset<flatbuffers::String> history = builder.CreateString(colorHistory ? colorHistory : "empty");
  builder.Finish(CreateVerifyMsg(builder, imageArray, currentTime, history, 1));
}

std::optional<std::string> sealVerifyMsg(std::span<const std::vector<uint8_t>> jpegImages, const char* colorHistory,
                                         int64_t currentTime) {
  flatbuffers::FlatBufferBuilder builder = makeVerifyMsgBuilder();
  buildVerifyMsg(builder, jpegImages, colorHistory, currentTime);
  char* encoded = nullptr;
  if (aesEncryption2(builder.GetBufferPointer(), builder.GetSize(), kAesKeyShared, &encoded) != 0) {
    return std::nullopt;
  }
  std::string data = std::string("flatbuffer@") + encoded;
  mFree(encoded);
  return data;
}
