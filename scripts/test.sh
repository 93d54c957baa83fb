#!/usr/bin/env bash
# One command on a fresh Debian 12 machine: install the dependencies, build everything and run every
# test: the whole suite; the command built for Windows, its tests and its results under Wine; the
# Debian package, built as a packager would (a Release build with the
# default generator and Debian's hardening flags), installed, used and purged; the suite under
# AddressSanitizer and UndefinedBehaviorSanitizer; and each fuzz target for a bounded time
# (FUZZ_SECONDS, 60 by default). QUICK=1 runs the first only. Compiler warnings are errors here.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

run_suite() {
  local dir=$1
  shift
  BUILD_DIR=$dir scripts/build.sh -DCRAWLMETER_WERROR=ON "$@"
  (cd "$dir" && ctest --output-on-failure -j"$jobs")
}

echo "== the test suite"
run_suite build
[ -n "${QUICK:-}" ] && exit 0

echo "== the command for Windows, under Wine"
scripts/test-windows.sh

echo "== the Debian package (a Release build with the default generator)"
scripts/test-package.sh -DCRAWLMETER_WERROR=ON

echo "== the test suite under AddressSanitizer and UndefinedBehaviorSanitizer"
# print_suppressions=0: the report of suppressed leaks would join the messages the tests read.
ASAN_OPTIONS=detect_leaks=1 LSAN_OPTIONS=suppressions=$PWD/tests/sanitizer/lsan.supp:print_suppressions=0 \
  run_suite build-sanitize -DCRAWLMETER_SANITIZE=ON

echo "== fuzzing, ${FUZZ_SECONDS:-60} s a target"
CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCRAWLMETER_FUZZ=ON -DCRAWLMETER_SANITIZE=ON \
  -DCRAWLMETER_BUILD_GUI=OFF -DCRAWLMETER_WERROR=ON
fuzz_targets=(address_set_fuzzer counting_fuzzer decompress_fuzzer format_scanner_fuzzer json_reader_fuzzer label_fuzzer ranges_fuzzer
  template_reader_fuzzer w3c_reader_fuzzer)
cmake --build build-fuzz -j"$jobs" --target "${fuzz_targets[@]}"
for target in "${fuzz_targets[@]}"; do
  corpus=$(mktemp -d)
  log=$(mktemp)
  if ! build-fuzz/tests/fuzz/$target -max_total_time="${FUZZ_SECONDS:-60}" -print_final_stats=1 \
      "$corpus" "tests/fuzz/corpus/$target" > "$log" 2>&1; then
    tail -n 60 "$log"
    echo "$target found a failing input (above); add it to tests/fuzz/corpus/$target once fixed"
    exit 1
  fi
  grep -E '^stat::number_of_executed_units' "$log" | sed "s/^/$target: /"
  rm -rf "$corpus" "$log"
done
echo "fuzzing: ${#fuzz_targets[@]} passed, 0 failed"
