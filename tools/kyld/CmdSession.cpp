// kyld session: one detection session through the public API, from a camera, a video file or a
// virtual subject, against a cloud (a reference cloud on loopback unless one is named).
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "Commands.h"
#include "KyLivingDetectionViewController.h"
#include "SessionRunner.h"
#include "platform/virtualsubject/KySubjectPerformer.h"
#include "platform/virtualsubject/KyVirtualSubjectSource.h"

namespace {

const char kUsage[] =
    "usage: kyld session --living-type N --source camera[:DEVICE]|video:FILE|virtual[:PORTRAIT] [--window]\n"
    "                    [--cloud URL] [--record] [--out DIR]\n";

bool parseLivingType(const char* text, int32_t& out) {
  const char* end = text + std::strlen(text);
  auto [ptr, error] = std::from_chars(text, end, out);
  return error == std::errc() && ptr == end && out > 0 && out <= 9999;
}

// "virtual" or "virtual:PORTRAIT": a virtual subject that performs what the screen asks.
bool useVirtualSubject(const std::string& source, SessionRunOptions& options) {
  if (source != "virtual" && source.rfind("virtual:", 0) != 0) return false;
  auto subject = std::make_shared<KyVirtualSubjectSource>(source.size() > 8 ? source.substr(8) : std::string());
  auto performer = std::make_shared<KySubjectPerformer>();
  subject->setPoseProvider([performer](int64_t elapsedMs) { return performer->poseAt(elapsedMs); });
  options.device = KyCaptureDevice::scripted(subject);
  options.onTick = [performer](KyLivingDetectionViewController& screen) {
    performer->setScreen(screen.currentLivingType(), screen.screenColor());
  };
  return true;
}

}  // namespace

int kyldSession(KyldArgs args) {
  SessionRunOptions options;
  std::string source;
  bool haveType = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view name = args[i];
    const bool hasValue = i + 1 < args.size();
    if (name == "--window") {
      options.window = true;
    } else if (name == "--record") {
      options.record = true;
    } else if (name == "--living-type" && hasValue) {
      haveType = parseLivingType(args[++i], options.livingType);
    } else if (name == "--source" && hasValue) {
      source = args[++i];
    } else if (name == "--cloud" && hasValue) {
      options.cloudUrl = args[++i];
    } else if (name == "--out" && hasValue) {
      options.outDir = args[++i];
    } else {
      std::fputs(kUsage, stderr);
      return 2;
    }
  }
  if (!haveType || source.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  if (!useVirtualSubject(source, options)) {
    std::string error;
    std::optional<KyCaptureDevice> device = KyCaptureDevice::fromSourceText(source, error);
    if (!device) {
      std::fprintf(stderr, "kyld session: %s\n", error.c_str());
      return 2;
    }
    options.device = *device;
  }
  SessionRunOutcome outcome = runSession(options);
  if (!outcome.error.empty()) std::fprintf(stderr, "kyld session: %s\n", outcome.error.c_str());
  std::printf("%s\n", outcomeJson(outcome).c_str());
  return outcome.exitStatus();
}
