#!/usr/bin/env bash
# Rewrites the golden reports in tests/fixtures/audit/ from what the built
# program writes now (after a rule is added or its help changes), then shows
# what changed: review the difference before committing it.
# Usage: scripts/update-golden.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target core_tests
HEADWISE_UPDATE_GOLDEN=1 "$build/tests/core_tests" --gtest_filter='AuditReport*' >/dev/null
git status --short -- tests/fixtures/audit
git diff --stat -- tests/fixtures/audit
