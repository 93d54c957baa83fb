#!/bin/sh
# Replaces the built-in crawler address ranges (engine/verify/ranges/) with the operators' files
# as published today. For maintainers: it uses the network (with curl, and python3 to check what
# it got), and no test runs it.
set -eu

folder="$(cd "$(dirname "$0")/.." && pwd)/engine/verify/ranges"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The same URLs as kRangeFiles in engine/verify/crawler_ranges.h: keep the two lists alike.
urls="
https://developers.google.com/static/search/apis/ipranges/googlebot.json
https://developers.google.com/static/search/apis/ipranges/special-crawlers.json
https://developers.google.com/static/search/apis/ipranges/user-triggered-fetchers.json
https://www.bing.com/toolbox/bingbot.json
https://openai.com/gptbot.json
https://openai.com/searchbot.json
https://openai.com/chatgpt-user.json
https://www.perplexity.ai/perplexitybot.json
https://www.perplexity.ai/perplexity-user.json
https://duckduckgo.com/duckduckbot.json
https://search.developer.apple.com/applebot.json
"

# Everything is downloaded and checked before any file is replaced.
for url in $urls; do
  name="${url##*/}"
  echo "downloading $url"
  if ! curl --fail --silent --show-error --location --max-time 60 -o "$work/$name" "$url"; then
    echo "update-crawler-ranges: cannot download $url" >&2
    exit 1
  fi
  if ! python3 -c 'import json, sys; d = json.load(open(sys.argv[1])); sys.exit(0 if isinstance(d.get("prefixes"), list) else 1)' "$work/$name"; then
    echo "update-crawler-ranges: $url is not JSON with a \"prefixes\" list; nothing replaced" >&2
    exit 1
  fi
done
for url in $urls; do
  name="${url##*/}"
  # The copy's name in the tree, as copyName in kRangeFiles gives it.
  case $name in
    special-crawlers.json) copy=adsbot-google.json ;;
    *) copy=$name ;;
  esac
  cp "$work/$name" "$folder/$copy"
  echo "replaced $folder/$copy"
done
echo "Now update engine/verify/ranges/README.md: the snapshot's date and the sources."
