#!/usr/bin/env bash
# Times flood days: one hour of 5 million requests from 5 million distinct IPv6 addresses, and a
# day of 20 million distinct IPv4 addresses. For each: crawlmeter-report --kind ip (in memory,
# and spilling to temporary files under a 64 MiB limit) against grep -c -F Baiduspider and
# mawk '!s[$1]++' (a distinct count of its own), alternating runs; prints the medians, the ratio
# to grep, each command's peak memory and the bytes per distinct address. One line in a hundred
# names Baiduspider.
#
#   bench/flood.sh            5 runs each
#   RUNS=3 bench/flood.sh
set -euo pipefail
cd "$(dirname "$0")/.."
source bench/setup.sh
source bench/timing.sh

# generate NAME ARGUMENTS...: the flood log $dir/NAME, made once.
generate() {
  local log="$dir/$1"
  shift
  if [ ! -f "$log" ]; then
    echo "generating $log ..." >&2
    "$build/bench/generate_flood" "$@" > "$log.part"  # whole, or not there
    mv "$log.part" "$log"
  fi
  echo "$log"
}

# peak LOG ADDRESSES COMMAND...: the command's peak memory in MiB and bytes per address.
peak() {
  local addresses=$1
  shift
  local kib
  kib=$( { /usr/bin/time -f '%M' "$@" > "$dir/output"; } 2>&1 | tail -1)
  echo "$((kib / 1024)) MiB, $((kib * 1024 / addresses)) B/address"
}

bench() {
  local log=$1 addresses=$2
  cat "$log" > /dev/null  # into the page cache
  declare -A times
  for ((run = 1; run <= runs; run++)); do
    times[crawlmeter]+="$(seconds "$report" --no-progress --kind ip "$log")"$'\n'
    times[spilling]+="$(seconds "$report" --no-progress --kind ip --memory-limit 64M "$log")"$'\n'
    times[grep]+="$(seconds grep -c -F Baiduspider "$log")"$'\n'
  done
  times[mawk]="$(seconds mawk '!s[$1]++ { n++ } END { print n }' "$log")"
  local grep_median
  grep_median=$(printf '%s' "${times[grep]}" | median)
  echo "log: $log ($(wc -l < "$log") lines, $addresses distinct addresses), $runs runs each"
  printf '%-44s %9s %8s  %s\n' command "median s" "x grep" "peak memory"
  for tool in crawlmeter spilling grep mawk; do
    local median
    median=$(printf '%s' "${times[$tool]}" | median)
    case $tool in
      crawlmeter) name="crawlmeter-report --kind ip"
        memory=$(peak "$addresses" "$report" --no-progress --kind ip "$log") ;;
      spilling) name="crawlmeter-report --kind ip --memory-limit 64M"
        memory=$(peak "$addresses" "$report" --no-progress --kind ip --memory-limit 64M "$log") ;;
      grep) name="grep -c -F Baiduspider"; memory=$(peak "$addresses" grep -c -F Baiduspider "$log") ;;
      mawk) name="mawk '!s[\$1]++' (1 run)"
        memory=$(peak "$addresses" mawk '!s[$1]++ { n++ } END { print n }' "$log") ;;
    esac
    printf '%-44s %9.3f %8.1f  %s\n' "$name" "$median" "$(echo "scale=1; $median / $grep_median" | bc)" "$memory"
  done
  echo
}

echo "$(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | xargs)"
bench "$(generate flood-ipv6-5M.log --ipv6 5000000 --hours 1)" 5000000
bench "$(generate flood-ipv4-20M.log --ipv4 20000000 --hours 24)" 20000000
