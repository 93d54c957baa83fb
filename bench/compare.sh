#!/usr/bin/env bash
# Times crawlmeter-report (all eight kinds of a day log, then the same with the whole crawler
# catalogue) against wc -l, grep -c -F Baiduspider and an awk script doing the eight kinds'
# counting, on one generated log in the page cache, alternating runs. Prints the median times, the
# ratios to crawlmeter-report and to grep, and its peak memory.
#
#   bench/compare.sh            1 GiB log, 5 runs each
#   SIZE_MIB=4096 RUNS=3 bench/compare.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/setup.sh
log=$(day_log)

source bench/timing.sh

declare -A times
tools=(crawlmeter crawlmeter-bots wc grep awk)
for ((run = 1; run <= runs; run++)); do
  times[crawlmeter]+="$(seconds "$report" --kind baidu "$log")"$'\n'
  times[crawlmeter-bots]+="$(seconds "$report" --kind bots "$log")"$'\n'
  times[wc]+="$(seconds wc -l "$log")"$'\n'
  times[grep]+="$(seconds grep -c -F Baiduspider "$log")"$'\n'
  if [ "$run" -eq 1 ] || [ -n "${AWK_EVERY_RUN:-}" ]; then
    times[awk]+="$(seconds mawk -f bench/count.awk "$log")"$'\n'
  fi
done

crawlmeter=$(printf '%s' "${times[crawlmeter]}" | median)
grep_median=$(printf '%s' "${times[grep]}" | median)
echo "log: $log ($(wc -l < "$log") lines), $runs runs each (awk once), $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
printf '%-16s %10s %22s %16s\n' tool "median s" "time / crawlmeter's" "time / grep's"
for tool in "${tools[@]}"; do
  m=$(printf '%s' "${times[$tool]}" | median)
  printf '%-16s %10s %22s %16s\n' "$tool" "$m" "$(echo "scale=2; $m / $crawlmeter" | bc)" \
    "$(echo "scale=2; $m / $grep_median" | bc)"
done
for kind in pv bots; do
  rss=$( { /usr/bin/time -f '%M' "$report" --kind $kind "$log" > /dev/null; } 2>&1 | tail -1)
  echo "crawlmeter-report --kind $kind peak memory: $((rss / 1024)) MiB"
done
