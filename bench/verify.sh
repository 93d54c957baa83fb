#!/usr/bin/env bash
# Times crawlmeter-report --kind bots with and without --verify (the operators' ranges, no network)
# on one generated log in the page cache, alternating runs, and prints the medians, their ratio,
# the peak memory of each and the share of the log's lines that claim a crawler.
#
#   bench/verify.sh             1 GiB log, 5 runs each
#   SIZE_MIB=4096 RUNS=3 bench/verify.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/setup.sh
log=$(day_log)

source bench/timing.sh

plain="" verified=""
for ((run = 1; run <= runs; run++)); do
  plain+="$(seconds "$report" --kind bots "$log")"$'\n'
  verified+="$(seconds "$report" --kind bots --verify "$log" 2> /dev/null)"$'\n'
done
lines=$(wc -l < "$log")
# The last run's table: 全部蜘蛛, the day's visits, their total, then the verified and the spoofed.
read -r claimed verified_visits spoofed_visits < <(awk '/^全部蜘蛛/ { print $(NF-2), $(NF-1), $NF }' "$dir/output")
p=$(printf '%s' "$plain" | median)
v=$(printf '%s' "$verified" | median)
echo "log: $log ($lines lines, $claimed of them claiming a crawler: $(echo "scale=1; 100 * $claimed / $lines" | bc)%), $runs runs each, $(nproc) cores"
printf '%-28s %10s\n' "--kind bots" "$p" "--kind bots --verify" "$v"
echo "ratio: $(echo "scale=3; $v / $p" | bc); verified $verified_visits, spoofed $spoofed_visits"
for option in "" --verify; do
  /usr/bin/time -o "$dir/rss" -f '%M' "$report" --kind bots $option "$log" > /dev/null 2>&1
  rss=$(tail -n 1 "$dir/rss")
  echo "--kind bots $option peak memory: $((rss / 1024)) MiB"
done
