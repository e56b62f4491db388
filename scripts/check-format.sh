#!/usr/bin/env bash
# Fails when a C++ source differs from the tree's .clang-format style.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 -r clang-format --dry-run -Werror
