// Shared pieces of the cloud tests: a scratch directory, a throwaway PostgreSQL server, real
// photographs as evidence JPEGs, colour histories, and a service with a settable clock.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "CloudService.h"

class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A PostgreSQL server in a temporary directory, reachable over its Unix socket only; run as
// the "postgres" user when the tests run as root. Shared by the whole test program.
class ThrowawayPostgres {
 public:
  // The connection URL, or nothing when the server binaries are not installed.
  static std::optional<std::string> url();
  // Stops the server; called once at exit.
  static void shutdown();
};

std::string devKeysDir();
std::string devCertFile();
std::string devKeyFile();

// A real photograph with one face (a portrait from the Debian image-processing data set),
// placed in a 480 x 640 frame and encoded as the library encodes its best images. Nothing
// when the photograph is not installed.
std::optional<std::vector<uint8_t>> portraitJpeg();
// The same photograph twice, one above the other: two faces.
std::optional<std::vector<uint8_t>> twoPortraitsJpeg();
// A plain grey 480 x 640 frame: no face.
std::vector<uint8_t> blankJpeg(int width = 480, int height = 640);

// How the skin and background react in a made-up colour history.
enum class Reaction {
  Live,         // the skin takes on each screen colour, the background stays
  WholeScene,   // skin and background shift alike (a tinted scene or a replayed video)
  None,         // nothing moves
};
// The colour history text of a colourful check for the colour digits, as the library writes it.
std::string colourHistory(const std::string& colours, Reaction reaction);

// A service over a store on `dbUrl` with the development keys and a clock the test sets.
struct ServiceHarness {
  explicit ServiceHarness(const std::string& dbUrl, CloudSettings settings = {});
  int64_t now = 1'800'000'000;
  std::mutex logMutex;  // the server's threads log too
  std::vector<std::string> logLines;
  std::unique_ptr<CloudStore> store;
  std::unique_ptr<CloudService> service;
};

// The "code" member of a JSON answer.
std::string codeOf(const std::string& json);
std::string memberOf(const std::string& json, const std::string& name);
