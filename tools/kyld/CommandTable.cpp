#include "Commands.h"

std::span<const KyldCommand> kyldCommands() {
  static const KyldCommand commands[] = {
      {"version", "kyld version", kyldVersion},
      {"detect", "kyld detect --living-type N [--need-image] < frames.jsonl", kyldDetect},
      {"screenshot", "kyld screenshot --window-switch-type 1|2 --living-type N --out FILE.png [--show]",
       kyldScreenshot},
      {"handshake", "kyld handshake [--crypt-key-type N] LIVINGTYPE [JPEG...] < token", kyldHandshake},
      {"landmarks", "kyld landmarks IMAGE", kyldLandmarks},
      {"session",
       "kyld session --living-type N --source camera[:DEVICE]|video:FILE [--window] [--cloud URL] [--record] "
       "[--out DIR]",
       kyldSession},
  };
  return commands;
}
