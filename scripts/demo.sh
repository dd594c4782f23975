#!/usr/bin/env bash
# The main job: installs the dependencies, builds, starts the reference cloud on loopback and
# runs a whole detection session (6235: colour flash, blink, head shake, open mouth) through the
# public API, headless, with a virtual subject: Debian's public-domain portrait, fitted with the
# embedded landmark model and warped frame by frame into whatever the screen asks. Prints the
# session's result and the cloud's verdict as a JSON line, and leaves screenshots of the
# detection screen and the session video in build/demo/.
#
# Other sources: --source camera (a webcam), --source video:FILE; add --window for a desktop window.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build
cmake --build build -j "$(nproc)"

out=build/demo
mkdir -p "$out"
./build/tools/kyld version
./build/tools/kyld session --living-type 6235 --source virtual --record --out "$out" "$@"
echo "screenshots and the session video are in $out/"
