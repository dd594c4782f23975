// Subcommands of the kyld tool. Each takes the arguments after its own name and
// answers the process exit status.
#pragma once

#include <span>
#include <string_view>

using KyldArgs = std::span<char* const>;

int kyldVersion(KyldArgs args);
int kyldDetect(KyldArgs args);
int kyldScreenshot(KyldArgs args);
int kyldHandshake(KyldArgs args);
int kyldLandmarks(KyldArgs args);
int kyldSession(KyldArgs args);

struct KyldCommand {
  std::string_view name;
  std::string_view usage;
  int (*run)(KyldArgs args);
};

// The table of subcommands, in the order `kyld help` lists them.
std::span<const KyldCommand> kyldCommands();
