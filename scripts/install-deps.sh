#!/usr/bin/env bash
# Installs what building, running and testing Crawlmeter needs on Debian 12 (as root or through sudo).
set -euo pipefail

packages=(
  cmake ninja-build make g++ pkg-config
  libhyperscan-dev libisal-dev libbz2-dev liblzma-dev libzstd-dev libhowardhinnant-date-dev tzdata
  libsimdjson-dev libc-ares-dev dnsmasq-base
  qt6-base-dev qt6-qpa-plugins libgl-dev qt6-translations-l10n
  locales libc-l10n gettext
  libgtest-dev libgmock-dev nlohmann-json3-dev chromium
  fonts-noto-cjk
  desktop-file-utils appstream
  binutils-mingw-w64-x86-64 cpp
  g++-mingw-w64-x86-64-posix wine wine64 yasm googletest xz-utils bzip2
  clang libclang-rt-14-dev
  libbenchmark-dev mawk time bc zstd
  dpkg-dev file lintian man-db
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
  sudo_cmd=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  "${sudo_cmd[@]}" apt-get update
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi
