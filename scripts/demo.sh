#!/usr/bin/env bash
# The main job: installs the dependencies, builds, and runs the library's host tool.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build
cmake --build build -j "$(nproc)"
./build/tools/kyld version
