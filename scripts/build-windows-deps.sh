#!/usr/bin/env bash
# Builds the decompressors the Windows command links (ISA-L's igzip, libzstd, liblzma, libbz2),
# c-ares and simdjson as static MinGW-w64 libraries from Debian 12's own source packages, which
# Debian ships for Linux only, and adds the tests' JSON headers. They go to
# build-windows-deps/prefix (or $1); a library already there is kept. Needs the packages
# scripts/install-deps.sh names.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=$root/build-windows-deps
prefix=$(realpath -m "${1:-$work/prefix}")
toolchain=$root/cmake/toolchains/mingw-w64-x86_64.cmake
jobs=$(nproc)
mkdir -p "$work/src" "$prefix/lib" "$prefix/include"

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
# apt-get source needs Debian's source index, which a fresh machine does not list.
if ! apt-get source --print-uris -qq libbz2-dev > /dev/null 2>&1; then
  "${sudo_cmd[@]}" tee /etc/apt/sources.list.d/debian-sources.sources > /dev/null <<'EOF'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
EOF
  "${sudo_cmd[@]}" apt-get update -qq
fi

# Unpacks the upstream sources of the Debian package that builds binary $1; prints their folder.
unpack() {
  local source
  source=$(apt-cache showsrc "$1" | awk '/^Package:/ { print $2; exit }')
  (cd "$work/src" && [ -n "$(ls -d "$source"-*/ 2> /dev/null)" ] ||
    apt-get source -qq --download-only "$1" > /dev/null 2>&1 &&
    for archive in "$source"_*.orig.tar.*; do
      case $archive in *.asc) ;; *) tar xf "$archive" ;; esac
    done)
  ls -d "$work/src/"*/ | grep -E "/(${source}|${2:-$source})-[0-9]" | head -n 1
}

cmake_library() {  # source folder, build folder, options...
  local source=$1 build=$2
  shift 2
  cmake -S "$source" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF "$@" \
    > "$build.log" 2>&1
  cmake --build "$build" -j"$jobs" --target install >> "$build.log" 2>&1 || {
    tail -n 40 "$build.log"
    exit 1
  }
}

if [ ! -f "$prefix/lib/libzstd.a" ]; then
  echo "building libzstd for Windows"
  cmake_library "$(unpack libzstd-dev zstd)build/cmake" "$work/zstd" -DZSTD_BUILD_PROGRAMS=OFF \
    -DZSTD_BUILD_SHARED=OFF -DZSTD_BUILD_TESTS=OFF -DZSTD_LEGACY_SUPPORT=OFF \
    -DZSTD_MULTITHREAD_SUPPORT=OFF
fi

if [ ! -f "$prefix/lib/libcares.a" ]; then
  echo "building c-ares for Windows"
  cmake_library "$(unpack libc-ares-dev c-ares)" "$work/c-ares" -DCARES_STATIC=ON \
    -DCARES_SHARED=OFF -DCARES_BUILD_TOOLS=OFF -DCARES_BUILD_TESTS=OFF
fi

if [ ! -f "$prefix/lib/liblzma.a" ]; then
  echo "building liblzma for Windows"
  cmake_library "$(unpack liblzma-dev xz)" "$work/xz" -DCMAKE_C_FLAGS=-DLZMA_API_STATIC
fi

if [ ! -f "$prefix/lib/libbz2.a" ]; then
  echo "building libbz2 for Windows"
  bzip2=$(unpack libbz2-dev)
  objects=()
  for name in blocksort huffman crctable randtable compress decompress bzlib; do
    x86_64-w64-mingw32-gcc-posix -O2 -D_FILE_OFFSET_BITS=64 -c "$bzip2/$name.c" \
      -o "$work/bz2-$name.o"
    objects+=("$work/bz2-$name.o")
  done
  x86_64-w64-mingw32-ar rcs "$prefix/lib/libbz2.a" "${objects[@]}"
  cp "$bzip2/bzlib.h" "$prefix/include/"
fi

if [ ! -f "$prefix/lib/libisal.a" ]; then
  echo "building ISA-L's igzip for Windows"
  isal=$(unpack libisal-dev isa-l)
  make -C "$isal" -f Makefile.unx -j"$jobs" arch=mingw units=igzip lib \
    CC=x86_64-w64-mingw32-gcc-posix > "$work/isal.log" 2>&1 || {
    tail -n 40 "$work/isal.log"
    exit 1
  }
  cp "$isal/bin/isa-l.a" "$prefix/lib/libisal.a"
  mkdir -p "$prefix/include/isa-l"
  cp "$isal"/include/*.h "$prefix/include/isa-l/"
fi
if [ ! -f "$prefix/lib/libsimdjson.a" ]; then
  echo "building simdjson for Windows"
  # The upstream sources carry the whole library as one file beside its one header.
  simdjson=$(unpack libsimdjson-dev)
  x86_64-w64-mingw32-g++-posix -O2 -std=c++17 -c "$simdjson/singleheader/simdjson.cpp" \
    -o "$work/simdjson.o"
  x86_64-w64-mingw32-ar rcs "$prefix/lib/libsimdjson.a" "$work/simdjson.o"
  cp "$simdjson/singleheader/simdjson.h" "$prefix/include/"
fi
# The tests' JSON reader is headers only: Debian's copy serves both builds.
if [ ! -d "$prefix/include/nlohmann" ]; then
  mkdir -p "$prefix/share/cmake"
  cp -r /usr/include/nlohmann "$prefix/include/"
  cp -r /usr/share/cmake/nlohmann_json "$prefix/share/cmake/"
fi
echo "Windows libraries in $prefix"
