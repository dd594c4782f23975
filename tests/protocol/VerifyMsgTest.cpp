#include <cjson/cJSON.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "KyProtocolKeys.h"
#include "ProtocolPeer.h"
#include "VerifyMsg_generated.h"
#include "utils/CodecUtil.h"
#include "utils/EccKeyAgreement.h"
#include "utils/ImageUtil.h"
#include "utils/MbedtlsContext.h"
#include "utils/VerifyMsgBuilder.h"

namespace {

constexpr int64_t kNewYear2023 = 1672531200;

// A whole camera frame (480 x 640) as the session encodes it: a gradient, so it is no
// trivial JPEG.
Bytes cameraFrameJpeg(uint8_t tint) {
  const int width = 480, height = 640;
  Bytes rgb(static_cast<size_t>(width) * height * 3);
  for (size_t i = 0; i < rgb.size(); i += 3) {
    size_t pixel = i / 3;
    rgb[i] = static_cast<uint8_t>(pixel % width / 2);
    rgb[i + 1] = static_cast<uint8_t>(pixel / width / 3);
    rgb[i + 2] = tint;
  }
  uint8_t* jpeg = nullptr;
  uint64_t length = ImageUtil::rgb2jpg(rgb.data(), width, height, jpeg);
  EXPECT_NE(jpeg, nullptr);
  Bytes bytes(jpeg, jpeg + (jpeg ? length : 0));
  mFree(jpeg);
  return bytes;
}

Bytes build(const std::vector<Bytes>& images, const char* history, int64_t now) {
  flatbuffers::FlatBufferBuilder builder = makeVerifyMsgBuilder();
  buildVerifyMsg(builder, images, history, now);
  return Bytes(builder.GetBufferPointer(), builder.GetBufferPointer() + builder.GetSize());
}

const VerifyMsg* verified(const Bytes& message) {
  flatbuffers::Verifier verifier(message.data(), message.size());
  EXPECT_TRUE(VerifyVerifyMsgBuffer(verifier));
  return GetVerifyMsg(message.data());
}

void installShareKey() {
  MbedtlsMpi d;
  MbedtlsEcpPoint Q;
  ASSERT_EQ(genEccKeyPair(d.get(), Q.get()), 0);
  ASSERT_EQ(updateShareKey(d.get(), 2), 0);
}

}  // namespace

TEST(VerifyMsg, MessageReadsBackWithTheGeneratedReader) {
  struct Case {
    const char* name;
    std::vector<Bytes> images;
    const char* history;
    const char* expectedHistory;
  };
  const Case cases[] = {
      {"one image, no colourful action", {cameraFrameJpeg(0)}, nullptr, "empty"},
      {"three images and a colour history", {cameraFrameJpeg(1), cameraFrameJpeg(2), cameraFrameJpeg(3)},
       R"([{"screen":"#ff0000"}])", R"([{"screen":"#ff0000"}])"},
      {"no images", {}, nullptr, "empty"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes message = build(c.images, c.history, kNewYear2023);
    EXPECT_EQ(message.size() % 8, 0u) << "finished at the minimum alignment";
    const VerifyMsg* msg = verified(message);
    ASSERT_NE(msg, nullptr);
    const auto* table = reinterpret_cast<const flatbuffers::Table*>(msg);
    for (uint16_t slot : {VerifyMsg::VT_BESTIMGARRAY, VerifyMsg::VT_CURRENTTIME, VerifyMsg::VT_COLORFULDETECTHISTORY,
                          VerifyMsg::VT_USECLOUDSTORAGE}) {
      EXPECT_TRUE(table->CheckField(slot)) << "field at vtable offset " << slot;
    }
    EXPECT_EQ(msg->currentTime(), kNewYear2023);
    EXPECT_EQ(msg->useCloudStorage(), 1);
    EXPECT_STREQ(msg->colorfulDetectHistory()->c_str(), c.expectedHistory);
    ASSERT_EQ(msg->bestImgArray()->size(), c.images.size());
    for (size_t i = 0; i < c.images.size(); ++i) {
      const flatbuffers::Vector<uint8_t>* data = msg->bestImgArray()->Get(static_cast<flatbuffers::uoffset_t>(i))->data();
      EXPECT_EQ(Bytes(data->begin(), data->end()), c.images[i]);
      EXPECT_EQ(data->Get(0), 0xFF);
      EXPECT_EQ(data->Get(1), 0xD8);
    }
  }
}

// The sealed message: openssl deciphers it with the shared key and flatc decodes it with
// our schema.
TEST(VerifyMsg, SealedMessageDecodesWithOpensslAndFlatc) {
  installShareKey();
  char key[kShareKeyLength + 1] = {};
  ASSERT_TRUE(copyShareAesKey(key));
  std::vector<Bytes> images{cameraFrameJpeg(9)};
  const Bytes& jpeg = images[0];
  std::optional<std::string> sealed = sealVerifyMsg(images, nullptr, kNewYear2023);
  ASSERT_TRUE(sealed.has_value());
  ASSERT_EQ(sealed->rfind("flatbuffer@", 0), 0u);

  ScratchDir dir;
  std::string message = opensslDecrypt(key, FIXED_IV, sealed->substr(11));
  ASSERT_FALSE(message.empty());
  dir.write("message.bin", message);
  runCommand("cd '" + dir.path().string() + "' && flatc --json --strict-json --raw-binary --no-warnings '" KYLD_SOURCE_DIR
             "/src/utils/VerifyMsg.fbs' -- message.bin");
  std::ifstream in(dir.path() / "message.json");
  std::stringstream json;
  json << in.rdbuf();
  cJSON* root = cJSON_Parse(json.str().c_str());
  ASSERT_NE(root, nullptr) << json.str().substr(0, 200);
  EXPECT_EQ(cJSON_GetObjectItem(root, "currentTime")->valuedouble, static_cast<double>(kNewYear2023));
  EXPECT_EQ(cJSON_GetObjectItem(root, "useCloudStorage")->valueint, 1);
  EXPECT_STREQ(cJSON_GetObjectItem(root, "colorfulDetectHistory")->valuestring, "empty");
  cJSON* imageArray = cJSON_GetObjectItem(root, "bestImgArray");
  ASSERT_EQ(cJSON_GetArraySize(imageArray), 1);
  cJSON* data = cJSON_GetObjectItem(cJSON_GetArrayItem(imageArray, 0), "data");
  ASSERT_EQ(cJSON_GetArraySize(data), static_cast<int>(jpeg.size()));
  EXPECT_EQ(cJSON_GetArrayItem(data, 0)->valueint, 0xFF);
  EXPECT_EQ(cJSON_GetArrayItem(data, 1)->valueint, 0xD8);
  cJSON_Delete(root);
}

TEST(VerifyMsg, NothingIsSealedWithoutASharedKey) {
  discardShareAesKey();
  std::vector<Bytes> images{cameraFrameJpeg(0)};
  EXPECT_FALSE(sealVerifyMsg(images, nullptr, kNewYear2023).has_value());
}
