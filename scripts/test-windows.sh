#!/usr/bin/env bash
# The Windows build's tests: the engine and command tests cross-built and run under Wine, then the
# Windows command against the Linux one (BUILD_DIR, built already) on generated logs in a folder
# with a Chinese name, plain and compressed: for every kind, the export files and the CSV and JSON
# results must be the same bytes, and a rewritten log the same file.
set -euo pipefail
cd "$(dirname "$0")/.."
linux=${BUILD_DIR:-build}/cli/crawlmeter-report
windows_dir=build-windows-tests
export WINEDEBUG=-all WINEPREFIX=${WINEPREFIX:-$PWD/$windows_dir/wine}
BUILD_DIR=$windows_dir scripts/build-windows.sh -DCRAWLMETER_BUILD_TESTS=ON -DCRAWLMETER_WERROR=ON
mkdir -p "$WINEPREFIX"
# One Wine server and one set of Wine's services for every run (a program that starts while the
# last one's server shuts down loses its connection), started apart from this script's output so
# that the services never hold it open.
wineserver -p
wine wineboot < /dev/null > /dev/null 2>&1
exe=$windows_dir/cli/crawlmeter-report.exe
# Alone on a bare Windows: it may import only the system's own DLLs; and it carries its icon,
# version information and long-path-aware manifest.
# c-ares (--verify-dns) adds the system's sockets, network configuration and registry.
imports=$(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name:/ { print $3 }' | sort | tr '\n' ' ')
for import in $imports; do
  case $import in
    KERNEL32.dll | msvcrt.dll | WS2_32.dll | IPHLPAPI.DLL | ADVAPI32.dll) ;;
    *)
      echo "crawlmeter-report.exe needs DLLs that Windows does not have: $imports"
      exit 1
      ;;
  esac
done
if ! strings -el "$exe" | grep -qx "crawlmeter-report.exe" ||
  ! x86_64-w64-mingw32-objdump -h "$exe" | grep -q "\.rsrc"; then
  echo "crawlmeter-report.exe lacks its icon and version information"
  exit 1
fi
# (grep reads on to the end: with -q it would stop strings early, which pipefail takes for a failure.)
aware='<longPathAware xmlns="http://schemas.microsoft.com/SMI/2016/WindowsSettings">true<'
if ! strings "$exe" | grep -F "$aware" > /dev/null; then
  echo "crawlmeter-report.exe has no long-path-aware manifest"
  exit 1
fi

work=$(mktemp -d)
trap 'wineserver -k; rm -rf "$work"' EXIT
(cd "$windows_dir" && ctest --output-on-failure)

logs="$work/访问日志"
mkdir -p "$logs"
generate=${BUILD_DIR:-build}/bench/generate_log
"$generate" --size 3000000 --seed 1 --date 24/Aug/2009 --crlf > "$logs/一.log"
"$generate" --size 3000000 --seed 2 --date 25/Aug/2009 > "$logs/二.log"
"$generate" --size 2000000 --seed 3 --date 26/Aug/2009 --crlf | gzip > "$logs/三.log.gz"
"$generate" --size 2000000 --seed 4 --date 27/Aug/2009 --crlf | xz > "$logs/四.log.xz"
"$generate" --size 2000000 --seed 5 --date 28/Aug/2009 --crlf | bzip2 > "$logs/五.log.bz2"
"$generate" --size 2000000 --seed 6 --date 29/Aug/2009 --crlf | zstd -q > "$logs/六.log.zst"
mkdir "$work/linux" "$work/windows"
run() {  # side (linux or windows), arguments...
  local side=$1
  shift
  if [ "$side" = linux ]; then
    (cd "$work/linux" && "$OLDPWD/$linux" "$@")
  else
    (cd "$work/windows" && wine "$OLDPWD/$exe" "$@")
  fi
}
compared=0
for side in linux windows; do
  cp "$logs"/* "$work/$side/"
  files=(一.log 二.log 三.log.gz 四.log.xz 五.log.bz2 六.log.zst)
  for kind in pv ip sogou bing baidu youdao yahoo google bots bot:Googlebot bot:GPTBot; do
    run "$side" --kind "$kind" --output "${kind/:/-}.txt" "${files[@]}" > /dev/null
  done
  run "$side" --kind all --format csv "${files[@]}" > "$work/$side/all.csv"
  run "$side" --kind all --format json --output all.json "${files[@]}"
  run "$side" --rewrite-line-ends --output rewrite.txt "${files[@]}" > /dev/null
done
for file in "$work"/linux/*; do
  name=$(basename "$file")
  if ! cmp -s "$file" "$work/windows/$name"; then
    echo "the Windows command differs from the Linux one: $name"
    exit 1
  fi
  compared=$((compared + 1))
done
echo "Windows command: $compared files the same as the Linux command's"

# On a console (Wine makes one of a terminal) the report goes out as characters: its Chinese
# title must arrive whole.
(cd "$work/windows" && LC_ALL=C.UTF-8 script -qec \
  "wine '$OLDPWD/$exe' --kind baidu 一.log" console.txt > /dev/null)
if ! grep -q "正在统计百度蜘蛛次数" "$work/windows/console.txt"; then
  echo "the Windows command's report did not reach the console whole"
  exit 1
fi
echo "Windows command: the report reaches a console whole"
