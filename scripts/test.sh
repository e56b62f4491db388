#!/usr/bin/env bash
# Sets up and builds Headwise, then runs every test; UI tests run offscreen.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --timeout 900
