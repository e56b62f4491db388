#!/usr/bin/env bash
# Sets up and builds Headwise, then runs every test: the suite (UI tests
# offscreen), the same suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer, and a bounded run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/check-format.sh
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure --timeout 900
bash scripts/package-test.sh

HEADWISE_BUILD_DIR=build-asan bash scripts/setup.sh -DHEADWISE_SANITIZE=ON -DHEADWISE_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions="$PWD/tests/lsan.supp" \
  ctest --test-dir build-asan --output-on-failure --timeout 900

bash scripts/fuzz.sh
