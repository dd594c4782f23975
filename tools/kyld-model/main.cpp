// kyld-model: converts a dlib 68-point landmark model into the compressed format and
// describes compressed models.
//   kyld-model convert IN.dat OUT.bin
//   kyld-model info [FILE]     (without FILE: the model embedded in this program)
#include <dlib/serialize.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "dlibwrapper/ShapePredictorModel.h"
#ifdef KYLD_MODEL_EMBEDDED
#include "dlibwrapper/EmbeddedModel.h"
#endif

using namespace kyvorinfo::morlin;

namespace {

constexpr uint64_t kLevels = 512;
constexpr float kZeroThreshold = 0.0001f;
constexpr const char* kSectionNames[kSectionCount] = {"header", "initial shape", "anchors", "deltas",
                                                      "splits", "code table", "leaf stream"};

int usage() {
  std::fputs("usage: kyld-model convert IN.dat OUT.bin\n       kyld-model info [FILE]\n", stderr);
  return 2;
}

bool readFile(const char* path, std::vector<uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

void printLayout(const ModelLayout& layout) {
  const ModelHeader& h = layout.header;
  std::printf("header: K %llu, T %llu, D %llu, F %llu, N %llu, Q %llu, threshold %g, user value %llu\n",
              static_cast<unsigned long long>(h.cascades), static_cast<unsigned long long>(h.treesPerCascade),
              static_cast<unsigned long long>(h.treeDepth), static_cast<unsigned long long>(h.featurePoolSize),
              static_cast<unsigned long long>(h.parts), static_cast<unsigned long long>(h.levels),
              static_cast<double>(h.threshold), static_cast<unsigned long long>(h.userValue));
  for (size_t i = 0; i < kSectionCount; ++i) {
    std::printf("section %zu %-13s at %10llu, body %9llu bytes\n", i + 1, kSectionNames[i],
                static_cast<unsigned long long>(layout.sectionOffset[i]),
                static_cast<unsigned long long>(layout.sectionLength[i]));
  }
  std::printf("code table: %llu entries, symbols %d to %d, code lengths %u to %u bits, step %.9g\n",
              static_cast<unsigned long long>(layout.codeEntries), layout.minSymbol, layout.maxSymbol,
              layout.minCodeLength, layout.maxCodeLength, static_cast<double>(layout.step));
  std::printf("leaf stream: %llu codes in %llu bits\n", static_cast<unsigned long long>(layout.leafValues),
              static_cast<unsigned long long>(layout.leafStreamBits));
  std::printf("sections end at byte %llu\n", static_cast<unsigned long long>(layout.end));
}

int describe(std::span<const uint8_t> bytes, const char* name) {
  std::printf("model: %s, %zu bytes\n", name, bytes.size());
  size_t position = 0;
  ModelCursor in{bytes, position};
  dlib::shape_predictor predictor;
  ModelLayout layout;
  std::string error;
  const bool loaded = load_shape_predictor_model(predictor, in, error, LeafDecoding::Table, &layout);
  if (!loaded) {
    std::fprintf(stderr, "kyld-model: %s: %s\n", name, error.c_str());
    return 1;
  }
  printLayout(layout);
  return 0;
}

int info(int argc, char** argv) {
  if (argc == 3) {
    std::vector<uint8_t> bytes;
    if (!readFile(argv[2], bytes)) {
      std::fprintf(stderr, "kyld-model: cannot read %s\n", argv[2]);
      return 1;
    }
    return describe(bytes, argv[2]);
  }
#ifdef KYLD_MODEL_EMBEDDED
  return describe(embeddedModelBytes(), "embedded");
#else
  std::fputs("kyld-model: this build has no embedded model; name a file\n", stderr);
  return 2;
#endif
}

int convert(const char* inPath, const char* outPath) {
  dlib::shape_predictor predictor;
  try {
    dlib::deserialize(inPath) >> predictor;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "kyld-model: cannot read %s: %s\n", inPath, e.what());
    return 1;
  }
  std::string error;
  if (!save_shape_predictor_model(predictor, outPath, kZeroThreshold, kLevels, 0, &error)) {
    std::fprintf(stderr, "kyld-model: %s\n", error.c_str());
    return 1;
  }
  // Read the result back: the conversion only counts when the reader accepts it whole.
  std::vector<uint8_t> bytes;
  if (!readFile(outPath, bytes)) {
    std::fprintf(stderr, "kyld-model: cannot read back %s\n", outPath);
    return 1;
  }
  return describe(bytes, outPath);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return usage();
  const std::string command = argv[1];
  if (command == "convert" && argc == 4) return convert(argv[2], argv[3]);
  if (command == "info" && (argc == 2 || argc == 3)) return info(argc, argv);
  return usage();
}
