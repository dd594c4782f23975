// kyld screenshot: draws the detection screen as a session starts, headless, into a PNG;
// with --show it also opens the screen in a desktop window until that window is closed.
#include <charconv>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include "Commands.h"
#include "KyDetectionScreenStage.h"
#include "platform/ui/KyMainLoop.h"
#include "platform/ui/KySDLWindowHost.h"

namespace {

struct ScreenshotOptions {
  int64_t windowSwitchType = 0;
  int32_t livingType = 0;
  std::string out;
  bool show = false;
};

template <typename Int>
bool parseInt(const char* text, Int& out) {
  const char* end = text + std::strlen(text);
  auto [ptr, error] = std::from_chars(text, end, out);
  return error == std::errc() && ptr == end;
}

std::optional<ScreenshotOptions> parseOptions(KyldArgs args) {
  ScreenshotOptions options;
  bool haveType = false, haveLiving = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view name = args[i];
    if (name == "--show") {
      options.show = true;
      continue;
    }
    if (i + 1 >= args.size()) return std::nullopt;
    const char* value = args[++i];
    if (name == "--window-switch-type") {
      haveType = parseInt(value, options.windowSwitchType) &&
                 (options.windowSwitchType == 1 || options.windowSwitchType == 2);
      if (!haveType) return std::nullopt;
    } else if (name == "--living-type") {
      haveLiving = parseInt(value, options.livingType) && options.livingType > 0 && options.livingType <= 9999;
      if (!haveLiving) return std::nullopt;
    } else if (name == "--out") {
      options.out = value;
    } else {
      return std::nullopt;
    }
  }
  if (!haveType || !haveLiving || options.out.empty()) return std::nullopt;
  return options;
}

}  // namespace

int kyldScreenshot(KyldArgs args) {
  std::optional<ScreenshotOptions> options = parseOptions(args);
  if (!options) {
    std::fputs("usage: kyld screenshot --window-switch-type 1|2 --living-type N --out FILE.png [--show]\n", stderr);
    return 2;
  }
  auto stage = KyDetectionScreenStage::make(options->windowSwitchType, options->livingType);
  if (!stage->writePNG(options->out)) {
    std::fprintf(stderr, "kyld screenshot: cannot write %s\n", options->out.c_str());
    return 1;
  }
  std::printf("%s\n", options->out.c_str());
  if (!options->show) return 0;
  KySDLWindowHost host(stage->window(), "KyLivingDetection");
  if (!host.isOpen()) return 1;
  host.start();
  KyMainLoop::shared().run();
  return 0;
}
