#!/usr/bin/env bash
# Checks that two builds of crawlmeter-report give the same bytes for the same logs: every kind
# (the eight, all, bots and two bot: kinds) in every format, the export file, the HTML page (its
# time stamp aside), CSV with a byte-order mark and the catalogue listing. For a change that must
# not change any output:
#   scripts/same-outputs.sh OLD/crawlmeter-report NEW/crawlmeter-report LOG...
set -euo pipefail
if [ "$#" -lt 3 ]; then
  echo "usage: $0 OLD_PROGRAM NEW_PROGRAM LOG..." >&2
  exit 2
fi
old=$1
new=$2
shift 2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Every output of program for the logs, into folder.
outputs() {
  local program=$1 folder=$2 kind name format
  mkdir -p "$folder"
  for kind in pv ip sogou bing baidu youdao yahoo google all bots bot:Googlebot bot:bingbot; do
    name=${kind//:/_}
    for format in text csv json; do
      "$program" --no-progress --kind "$kind" --format "$format" "${@:3}" \
        > "$folder/$name.$format" 2> "$folder/$name.$format.err" ||
        echo "exit status $?" >> "$folder/$name.$format.err"
    done
    "$program" --no-progress --kind "$kind" --output "$folder/$name.export" "${@:3}" \
      > /dev/null 2>&1 || echo "exit status $?" >> "$folder/$name.export.err"
  done
  "$program" --no-progress --kind all --html "$folder/page.html" "${@:3}" > /dev/null 2>&1 || true
  [ -f "$folder/page.html" ] && sed -i 's/生成于 [0-9-]* [0-9:]*/生成于 TIME/' "$folder/page.html"
  "$program" --no-progress --bom --format csv "${@:3}" > "$folder/bom.csv" 2>&1 || true
  "$program" --list-crawlers > "$folder/catalogue.txt" 2>&1 || true
}

export LC_ALL=C.UTF-8
outputs "$old" "$work/old" "$@"
outputs "$new" "$work/new" "$@"
if diff -r "$work/old" "$work/new"; then
  echo "same outputs: $(find "$work/new" -type f | wc -l) files for $# logs"
else
  echo "the outputs differ (above: < old, > new)"
  exit 1
fi
