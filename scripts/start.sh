#!/usr/bin/env bash
# One command on a fresh Debian 12 machine: install the dependencies, build Crawlmeter and start it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh
exec "${BUILD_DIR:-build}/app/crawlmeter"
