#include "Commands.h"

std::span<const KyldCommand> kyldCommands() {
  static const KyldCommand commands[] = {
      {"version", "kyld version", kyldVersion},
  };
  return commands;
}
