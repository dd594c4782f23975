#!/usr/bin/env bash
# Installs every Debian package that the build, the tools and the tests need.
# Safe to run more than once: apt-get skips what is already installed.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

PACKAGES=(
  # toolchain
  build-essential cmake pkg-config git clang libfuzzer-14-dev libclang-rt-14-dev
  # core libraries
  libdlib-dev libdlib-data libblas-dev liblapack-dev
  libmbedtls-dev libturbojpeg0-dev libjpeg62-turbo-dev libpng-dev
  libflatbuffers-dev flatbuffers-compiler libcjson-dev libcurl4-openssl-dev
  libasio-dev
  # camera, movie
  libavdevice-dev libavformat-dev libavcodec-dev libswscale-dev libavutil-dev ffmpeg
  # screens
  libcairo2-dev libpango1.0-dev libsdl2-dev fonts-noto-cjk xvfb xauth
  # reference cloud
  libcpp-httplib-dev libssl-dev libsqlite3-dev sqlite3 libpq-dev postgresql wrk
  # tests and benchmarks
  libgtest-dev libgmock-dev googletest libbenchmark-dev openssl pngcheck python3 python3-skimage
)

export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${PACKAGES[@]}" >/dev/null

# Node.js runs the host-bridge tests; keep an existing installation.
if ! command -v node >/dev/null 2>&1; then
  $SUDO apt-get install -y -qq --no-install-recommends nodejs npm >/dev/null
fi
# Header packages of the Node.js module (pinned in hostbridge/package-lock.json).
npm ci --prefix "$(dirname "$0")/../hostbridge" --no-audit --no-fund >/dev/null
echo "dependencies installed"
