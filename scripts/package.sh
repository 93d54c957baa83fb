#!/usr/bin/env bash
# Builds the Debian package as a packager would: a Release build with CMake's default generator
# and Debian's hardening flags (dpkg-buildflags with hardening=+all: fortified functions, stack
# protector, RELRO with immediate binding, PIE) in ./build-deb (or $PACKAGE_DIR), then cpack.
# Further arguments go to cmake (scripts/test.sh adds -DCRAWLMETER_WERROR=ON).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${PACKAGE_DIR:-build-deb}
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS=$cxxflags" \
  "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" "$@"
cmake --build "$dir" -j"$(nproc)"
rm -f "$dir"/*.deb
(cd "$dir" && cpack -G DEB)
