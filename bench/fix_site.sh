#!/usr/bin/env bash
# Times `headwise-cli audit --fix` on a generated site (2000 pages of about
# 40 KB, a fault --fix repairs on every third page besides the site's own)
# beside a plain audit of the same site: medians of several runs, each run on
# a fresh copy of the site, the copy timed alike for both. Then checks that an
# audit after the fix finds none of the fixed rules, and that the folder
# differs from the original in the edited lines only.
# Usage: bench/fix_site.sh [build-dir] [runs] [pages]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
runs=${2:-7}
pages=${3:-2000}
cli=$(realpath -m "$build/cli/headwise-cli")
[ -x "$cli" ] || { echo "no $cli: build the headwise-cli target first" >&2; exit 2; }
source "$here/timing.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/make_site.py" "$work/original" "$pages" 1 --fixable
fix_options=(--lang en --base-url https://rugs.example/)
fresh() { rm -rf "$work/site" && cp -a "$work/original" "$work/site"; }
plain_run() { fresh && "$cli" audit --format json "$work/site"; }
fix_run() { fresh && "$cli" audit --fix "${fix_options[@]}" --format json "$work/site"; }

read -r pw pc < <(run_median plain_run)
read -r fw fc < <(run_median fix_run)
echo "$pages pages: audit ${pw}s wall / ${pc}s cpu; audit --fix ${fw}s wall / ${fc}s cpu (medians of $runs)"

fixable=$("$cli" audit --list-rules --format json | python3 -c '
import json, sys
print(" ".join(r["id"] for r in json.load(sys.stdin)["rules"] if r["fixable"]))')
count() { "$cli" audit --format json "$1" | python3 -c '
import json, sys
rules = set(sys.argv[1].split())
print(sum(f["rule"] in rules for p in json.load(sys.stdin)["pages"] for f in p["findings"]))' "$fixable"; }
fix_run >/dev/null 2>&1 || true
echo "findings of fixable rules: $(count "$work/original") before, $(count "$work/site") after --fix"
changed=$( (diff -r "$work/original" "$work/site" || true) | grep -c '^[<>]' || true)
files=$( (diff -rq "$work/original" "$work/site" || true) | wc -l)
echo "diff -r: $files files differ, $changed lines changed"
