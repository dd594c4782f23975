#!/usr/bin/env bash
# The main job: installs the dependencies, builds, starts the reference cloud on loopback and
# runs a whole detection session through the public API, headless, from a video made of
# Debian's public-domain portrait. Prints the session's result as a JSON line and writes
# screenshots of the detection screen and the session video under build/demo/.
#
# A still photo cannot blink or open its mouth, so this session ends with code 4 (timeout)
# after its readiness checks: it shows the whole path (initialisation, token, camera, landmarks,
# detectors, screen, recording, cloud). With a camera, a live subject passes:
#   build/tools/kyld session --living-type 6235 --source camera --record --out build/demo
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build
cmake --build build -j "$(nproc)"

portrait=/usr/lib/python3/dist-packages/skimage/data/astronaut.png
out=build/demo
mkdir -p "$out"
ffmpeg -loglevel error -y -loop 1 -i "$portrait" -t 40 -r 15 -pix_fmt yuv420p -vf "scale=480:-2" "$out/portrait.mp4"

./build/tools/kyld version
./build/tools/kyld landmarks "$portrait" | head -c 300; echo
status=0
./build/tools/kyld session --living-type 5 --source "video:$out/portrait.mp4" --record --out "$out" || status=$?
echo "session finished with exit status $status; screenshots and video in $out/"
