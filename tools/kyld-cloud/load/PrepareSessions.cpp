// kyld-cloud-prepare: prepares upload bodies for a load test of a running cloud. For each
// session it initialises the library, has the cloud issue a token (as the host's server
// would), checks the token, and seals a verification message with one 480 x 640 JPEG of a
// photograph at quality 100. Writes one form body per line, as the library posts it.
//   kyld-cloud-prepare --cloud HOST:PORT --ca FILE --count N --photo PNG --out FILE
#include <httplib.h>
#include <cjson/cJSON.h>
#include <png.h>

#include <ctime>
#include <fstream>
#include <iostream>
#include <map>

#include "utils/CodecUtil.h"
#include "utils/ImageUtil.h"
#include "utils/KyLivingHttpClient.h"
#include "utils/VerifyMsgBuilder.h"
#include "utils/VerifyProtocol.h"

namespace {

std::map<std::string, std::string> readArgs(int argc, char** argv) {
  std::map<std::string, std::string> args{{"--count", "100"},
                                          {"--photo", "/usr/lib/python3/dist-packages/skimage/data/astronaut.png"}};
  for (int i = 1; i + 1 < argc; i += 2) args[argv[i]] = argv[i + 1];
  return args;
}

// The photograph scaled to fill a 480 x 640 portrait frame, encoded as the library encodes
// its best images.
std::vector<uint8_t> framedPhotoJpeg(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) throw std::runtime_error("cannot read " + path);
  image.format = PNG_FORMAT_RGB;
  std::vector<uint8_t> photo(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, photo.data(), 0, nullptr)) throw std::runtime_error("cannot decode " + path);
  const int width = 480, height = 640;
  double scale = std::max(640.0 / image.height, 480.0 / image.width);
  int offsetX = static_cast<int>((image.width * scale - width) / 2);
  std::vector<uint8_t> frame(width * height * 3);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int sx = std::min<int>(image.width - 1, static_cast<int>((x + offsetX) / scale));
      int sy = std::min<int>(image.height - 1, static_cast<int>(y / scale));
      for (int c = 0; c < 3; ++c) frame[(y * width + x) * 3 + c] = photo[(sy * image.width + sx) * 3 + c];
    }
  }
  uint8_t* jpeg = nullptr;
  uint64_t length = ImageUtil::rgb2jpg(frame.data(), width, height, jpeg);
  if (jpeg == nullptr || length == UINT64_MAX) throw std::runtime_error("JPEG encoding failed");
  std::vector<uint8_t> bytes(jpeg, jpeg + length);
  mFree(jpeg);
  return bytes;
}

// One session: its upload body, or nothing when a step failed.
std::optional<std::string> prepareSession(httplib::SSLClient& cloud, const std::vector<uint8_t>& jpeg) {
  KyLivingDetectResult init = KyVerifyProtocol::verifyInit(2);
  if (init.code() != 0) return std::nullopt;
  auto answer = cloud.Post("/livingdetection/init", httplib::Params{{"initMsg", init.data()}});
  if (!answer || answer->status != 200) return std::nullopt;
  auto json = KyLDCommUtil::json2Dict(answer->body);
  const cJSON* token = json ? cJSON_GetObjectItemCaseSensitive(json->get(), "token") : nullptr;
  if (!cJSON_IsString(token) || !KyVerifyProtocol::checkToken(token->valuestring).passed()) return std::nullopt;
  auto message = sealVerifyMsg(std::vector<std::vector<uint8_t>>{jpeg}, nullptr, time(nullptr));
  if (!message) return std::nullopt;
  return KyLivingHttpClient::encodeBody("token=" + std::string(token->valuestring) + "&verifyMsg=" + *message);
}

}  // namespace

int main(int argc, char** argv) {
  auto args = readArgs(argc, argv);
  if (!args.count("--cloud") || !args.count("--ca") || !args.count("--out")) {
    std::cerr << "usage: kyld-cloud-prepare --cloud HOST:PORT --ca FILE --out FILE [--count N] [--photo PNG]\n";
    return 2;
  }
  try {
    std::string cloudAddress = args["--cloud"];
    auto colon = cloudAddress.rfind(':');
    httplib::SSLClient cloud(cloudAddress.substr(0, colon), std::stoi(cloudAddress.substr(colon + 1)));
    cloud.set_ca_cert_path(args["--ca"].c_str());
    cloud.enable_server_certificate_verification(true);
    auto jpeg = framedPhotoJpeg(args["--photo"]);
    std::ofstream out(args["--out"]);
    int count = std::stoi(args["--count"]);
    for (int i = 0; i < count; ++i) {
      auto body = prepareSession(cloud, jpeg);
      if (!body) {
        std::cerr << "kyld-cloud-prepare: session " << i + 1 << " could not be prepared\n";
        return 1;
      }
      out << *body << '\n';
    }
    std::cerr << "kyld-cloud-prepare: " << count << " sessions, JPEG of " << jpeg.size() << " bytes each\n";
    return out ? 0 : 1;
  } catch (const std::exception& failure) {
    std::cerr << "kyld-cloud-prepare: " << failure.what() << "\n";
    return 1;
  }
}
