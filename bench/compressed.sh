#!/usr/bin/env bash
# Times crawlmeter-report on compressed logs against the formats' own decompressors, on the 1 GiB
# generated day log compressed with gzip -6 and zstd -3 (in the page cache), alternating runs; and
# fourteen rotated .gz days in one run against fourteen runs of one day each. Prints medians,
# ratios and peak memory.
#
#   bench/compressed.sh          1 GiB log, 5 runs each
#   RUNS=9 DAY_MIB=64 bench/compressed.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/setup.sh
day_mib=${DAY_MIB:-64}
log="$dir/day-1024MiB.log"
[ -f "$log" ] || "$build/bench/generate_log" --size $((1024 * 1024 * 1024)) --seed 1 > "$log"
[ -f "$log.gz" ] || gzip -6 -k -c "$log" > "$log.gz"
[ -f "$log.zst" ] || zstd -q -3 -c "$log" > "$log.zst"
rotated=()
for day in $(seq 1 14); do
  file="$dir/rotated-${day_mib}MiB.log.$day.gz"
  [ -f "$file" ] || "$build/bench/generate_log" --size $((day_mib * 1024 * 1024)) --seed "$day" | gzip -6 > "$file"
  rotated+=("$file")
done
cat "$log.gz" "$log.zst" "${rotated[@]}" > /dev/null  # into the page cache

# Output goes to /dev/null: a gigabyte written to a file would still be flushed to disk while the
# next command is timed.
milliseconds() {
  local start end
  start=$(date +%s%N)
  "$@" > /dev/null
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}
separately() { for file in "${rotated[@]}"; do "$report" --kind baidu "$file"; done; }
source bench/timing.sh

declare -A times
for ((run = 1; run <= runs; run++)); do
  times[gz]+="$(milliseconds "$report" --kind baidu "$log.gz")"$'\n'
  times[gzip]+="$(milliseconds gzip -dc "$log.gz")"$'\n'
  times[zst]+="$(milliseconds "$report" --kind baidu "$log.zst")"$'\n'
  times[zstd]+="$(milliseconds zstd -q -dc "$log.zst")"$'\n'
  times[one_run]+="$(milliseconds "$report" --kind baidu "${rotated[@]}")"$'\n'
  times[separate]+="$(milliseconds separately)"$'\n'
done
m() { printf '%s' "${times[$1]}" | median; }
ratio() { echo "scale=2; $(m "$1") / $(m "$2")" | bc; }
echo "$runs runs each, $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
echo "day.log.gz:  crawlmeter-report $(m gz) ms, gzip -dc $(m gzip) ms, ratio $(ratio gz gzip)"
echo "day.log.zst: crawlmeter-report $(m zst) ms, zstd -dc $(m zstd) ms, ratio $(ratio zst zstd)"
echo "14 rotated ${day_mib} MiB days: one run $(m one_run) ms, 14 runs $(m separate) ms, ratio $(ratio one_run separate)"
for file in "$log.gz" "$log.zst"; do
  rss=$( { /usr/bin/time -f '%M' "$report" --kind baidu "$file" > /dev/null; } 2>&1 | tail -1)
  echo "peak memory on $(basename "$file"): $((rss / 1024)) MiB"
done
