#!/usr/bin/env bash
# Times crawlmeter-report on the same requests written in three log formats: the combined log
# bench/compare.sh counts, and its requests converted by bench/convert_log to an IIS W3C log and to
# Caddy's JSON lines (all in the page cache). Prints the median times of alternating runs, each
# format's time against the combined log's, and the peak memory.
#
#   bench/formats.sh            1 GiB combined log, 5 runs each, --kind pv and --kind bots
#   SIZE_MIB=256 RUNS=3 bench/formats.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/setup.sh
[ -x "$build/bench/convert_log" ] || { echo "build first: scripts/build.sh" >&2; exit 1; }

mkdir -p "$dir"
declare -A logs=([combined]="$dir/day-${size_mib}MiB.log" [w3c]="$dir/day-${size_mib}MiB.w3c.log"
  [json]="$dir/day-${size_mib}MiB.json.log")
if [ ! -f "${logs[combined]}" ]; then
  echo "generating ${logs[combined]} ..."
  "$build/bench/generate_log" --size $((size_mib * 1024 * 1024)) --seed 1 > "${logs[combined]}"
fi
for format in w3c json; do
  if [ ! -f "${logs[$format]}" ]; then
    echo "converting to ${logs[$format]} ..."
    "$build/bench/convert_log" --to "$format" "${logs[combined]}" > "${logs[$format]}"
  fi
done
for format in combined w3c json; do cat "${logs[$format]}" > /dev/null; done

source bench/timing.sh

declare -A times
for ((run = 1; run <= runs; run++)); do
  for kind in pv bots; do
    for format in combined w3c json; do
      times[$format-$kind]+="$(seconds "$report" --no-progress --kind $kind "${logs[$format]}")"$'\n'
    done
  done
done

echo "requests: $(wc -l < "${logs[combined]}") lines, $runs runs each, $(nproc) cores"
printf '%-9s %6s %10s %10s %22s %10s\n' format kind MiB "median s" "time / combined's" "peak MiB"
for kind in pv bots; do
  base=$(printf '%s' "${times[combined-$kind]}" | median)
  for format in combined w3c json; do
    m=$(printf '%s' "${times[$format-$kind]}" | median)
    rss=$( { /usr/bin/time -f '%M' "$report" --no-progress --kind $kind "${logs[$format]}" > /dev/null; } 2>&1 | tail -1)
    printf '%-9s %6s %10s %10s %22s %10s\n' "$format" "$kind" $(($(stat -c %s "${logs[$format]}") >> 20)) \
      "$m" "$(echo "scale=2; $m / $base" | bc)" "$((rss / 1024))"
  done
done
