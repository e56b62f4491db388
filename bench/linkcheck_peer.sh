#!/usr/bin/env bash
# The audit of a static site's folder beside linkinator 6, the link checker
# people run in CI, on the same folder, runs taken in turn. Installs
# linkinator@6 with npm into PEER_DIR (default ~/.cache/headwise-bench/linkinator6)
# the first time. linkinator serves the folder itself and crawls it from its
# index page; addresses outside the folder are skipped, as the audit skips them.
# Prints the median wall time and peak RSS of each and their ratio.
# Usage: bench/linkcheck_peer.sh [build-dir] [folder] [runs]
#   e.g. bench/linkcheck_peer.sh build /tmp/py-docs 5
# Print the two commands only, to time them another way: bench/linkcheck_peer.sh --commands ...
set -euo pipefail
commands=0
if [ "${1:-}" = --commands ]; then commands=1; shift; fi
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
folder=$(realpath "${2:-/usr/share/doc/python3.11/html}")
runs=${3:-3}
cli=$(realpath -m "$build/cli/headwise-cli")
[ -x "$cli" ] || { echo "no $cli: build the headwise-cli target first" >&2; exit 2; }
peer=${PEER_DIR:-$HOME/.cache/headwise-bench/linkinator6}
if [ ! -x "$peer/node_modules/.bin/linkinator" ]; then
  mkdir -p "$peer"
  (cd "$peer" && npm install --no-audit --no-fund --silent linkinator@6 >&2)
fi
ours=("$cli" audit --format json --fail-on never --output /dev/null "$folder")
theirs=("$peer/node_modules/.bin/linkinator" "$folder" --recurse --verbosity none --format json
  --skip '^(?!http://localhost)')
if ((commands)); then
  printf '%q ' "${ours[@]}"; echo
  printf '%q ' "${theirs[@]}"; echo
  exit 0
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
for run in $(seq "$runs"); do
  /usr/bin/time -f '%e %M' -o "$work/t" "${ours[@]}" >/dev/null 2>&1 || true
  cat "$work/t" >>"$work/ours"
  /usr/bin/time -f '%e %M' -o "$work/t" "${theirs[@]}" >/dev/null 2>&1 || true
  cat "$work/t" >>"$work/theirs"
done
ow=$(awk '{ print $1 }' "$work/ours" | median); om=$(awk '{ print $2 }' "$work/ours" | median)
tw=$(awk '{ print $1 }' "$work/theirs" | median); tm=$(awk '{ print $2 }' "$work/theirs" | median)
printf '%-12s %-10s %s\n' tool wall peak
printf '%-12s %-10s %sMB\n' headwise "${ow}s" $((om / 1024)) linkinator "${tw}s" $((tm / 1024))
awk -v a="$ow" -v b="$tw" 'BEGIN { printf "wall ratio headwise/linkinator: %.3f\n", a / b }'
