# The settings every benchmark script shares, sourced from the project's root: the build, the
# generated log's size, the runs, the folder of the logs, and the command, which must be built.
build=${BUILD_DIR:-build}
size_mib=${SIZE_MIB:-1024}
runs=${RUNS:-5}
dir=${BENCH_DIR:-/tmp/crawlmeter-bench}
report="$build/cli/crawlmeter-report"
[ -x "$report" ] || { echo "build first: scripts/build.sh" >&2; exit 1; }
mkdir -p "$dir"

# The generated day log of $size_mib MiB (made once), read into the page cache; prints its path.
day_log() {
  local log="$dir/day-${size_mib}MiB.log"
  if [ ! -f "$log" ]; then
    echo "generating $log ..." >&2
    "$build/bench/generate_log" --size $((size_mib * 1024 * 1024)) --seed 1 > "$log.part"
    mv "$log.part" "$log"  # whole, or not there
  fi
  cat "$log" > /dev/null
  echo "$log"
}
