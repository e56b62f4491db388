#!/usr/bin/env bash
# Installs the structured data peer (@adobe/structured-data-validator with the
# extractor it reads pages through) into a folder of its own, for the side-by-side
# runs of bench/structureddata/compare.sh. Never part of the build or the tests.
set -euo pipefail
dir=${PEER_DIR:-/tmp/headwise-sd-peer}
mkdir -p "$dir"
cd "$dir"
[ -f package.json ] || npm init -y >/dev/null
npm install --no-audit --no-fund @adobe/structured-data-validator@1.7.1 @marbec/web-auto-extractor@2.2.1 >/dev/null
echo "$dir"
