#!/usr/bin/env bash
# Times crawlmeter-report on a half-crawler day log (half of its lines crawlers, tools and scanners
# of every agent of the test data, half real browsers): --kind bots (the eight kinds and the whole
# catalogue) and the eight kinds alone, against wc -l and grep -c -F Baiduspider, alternating runs.
# Prints the medians, the ratios bots/grep and eight kinds/wc, the two runs' peak memory, and what
# share of the log's lines each source of agents has.
#
#   bench/automation.sh            1 GiB log, 5 runs each
#   SIZE_MIB=4096 RUNS=3 bench/automation.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/setup.sh
log="$dir/half-crawlers-${size_mib}MiB.log"
if [ ! -f "$log" ] || [ ! -f "$log.mix" ]; then
  echo "generating $log ..."
  # Under another name until whole, so that a stopped run leaves no short log behind.
  "$build/bench/generate_log" --half-crawlers --size $((size_mib * 1024 * 1024)) --seed 1 \
    > "$log.part" 2> "$log.mix.part"
  mv "$log.mix.part" "$log.mix"
  mv "$log.part" "$log"
fi
cat "$log" > /dev/null  # into the page cache

source bench/timing.sh

declare -A times
tools=(crawlmeter-bots crawlmeter wc grep)
for ((run = 1; run <= runs; run++)); do
  times[crawlmeter-bots]+="$(seconds "$report" --no-progress --kind bots "$log")"$'\n'
  times[crawlmeter]+="$(seconds "$report" --no-progress "$log")"$'\n'
  times[wc]+="$(seconds wc -l "$log")"$'\n'
  times[grep]+="$(seconds grep -c -F Baiduspider "$log")"$'\n'
done

declare -A medians
for tool in "${tools[@]}"; do medians[$tool]=$(printf '%s' "${times[$tool]}" | median); done
echo "log: $log ($(wc -l < "$log") lines), $runs runs each, $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
echo "its lines, by where their user agent comes from:"
cat "$log.mix"
printf '%-38s %10s\n' command "median s"
printf '%-38s %10.3f\n' "crawlmeter-report --kind bots" "${medians[crawlmeter-bots]}" \
  "crawlmeter-report (eight kinds)" "${medians[crawlmeter]}" \
  "wc -l" "${medians[wc]}" "grep -c -F Baiduspider" "${medians[grep]}"
echo "--kind bots / grep:  $(echo "scale=2; ${medians[crawlmeter-bots]} / ${medians[grep]}" | bc)"
echo "eight kinds / wc -l: $(echo "scale=2; ${medians[crawlmeter]} / ${medians[wc]}" | bc)"
for arguments in "--kind bots" ""; do
  # shellcheck disable=SC2086  # the arguments are words
  rss=$( { /usr/bin/time -f '%M' "$report" --no-progress $arguments "$log" > "$dir/output"; } 2>&1 | tail -1)
  echo "crawlmeter-report ${arguments:-(eight kinds)} peak memory: $((rss / 1024)) MiB"
done
