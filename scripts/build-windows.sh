#!/usr/bin/env bash
# One command on Debian 12: installs the MinGW-w64 cross compiler, builds the decompressors for
# Windows from Debian's sources and cross-builds crawlmeter-report.exe (statically linked: it runs
# on Windows 10 and 11 with no DLL beside it) into ./build-windows/cli (or $BUILD_DIR/cli).
# Extra arguments go to CMake (-DCRAWLMETER_BUILD_TESTS=ON builds the tests for Wine too).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build-windows-deps.sh
build_dir=${BUILD_DIR:-build-windows}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DCRAWLMETER_BUILD_GUI=OFF -DCRAWLMETER_BUILD_TESTS=OFF "$@"
cmake --build "$build_dir" -j"$(nproc)"
echo "built $build_dir/cli/crawlmeter-report.exe"
