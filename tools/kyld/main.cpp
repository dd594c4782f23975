// kyld: the library's command-line host.
#include <cstdio>
#include <string_view>

#include "Commands.h"

namespace {

int printUsage(FILE* out) {
  std::fputs("usage: kyld <command> [arguments]\n\ncommands:\n", out);
  for (const KyldCommand& command : kyldCommands()) {
    std::fprintf(out, "  %.*s\n", static_cast<int>(command.usage.size()), command.usage.data());
  }
  return out == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return printUsage(stderr);
  std::string_view name = argv[1];
  if (name == "help" || name == "--help" || name == "-h") return printUsage(stdout);
  for (const KyldCommand& command : kyldCommands()) {
    if (command.name == name) return command.run(KyldArgs(argv + 2, static_cast<size_t>(argc - 2)));
  }
  std::fprintf(stderr, "kyld: unknown command '%s'\n", argv[1]);
  return printUsage(stderr);
}
