#!/usr/bin/env bash
# Times `headwise-cli analyze` on two generated 10 MB pages against
# `LC_ALL=C grep -oiE '<meta[^>]*>'` on the same file: RUNS rounds (default 7),
# each running every command once in turn, and the median of each.
# Usage: bench/cli_analyze.sh [build-dir] [baseline-build-dir]
# A baseline build (an older commit) is timed in the same rounds, so its ratio
# to grep stands beside the current one.
set -euo pipefail
build=${1:-build}
baseline=${2:-}
runs=${RUNS:-7}
cli="$build/cli/headwise-cli"
pages=$(mktemp -d)
trap 'rm -rf "$pages"' EXIT

# Two 10 MB pages: ordinary paragraphs under a head of three tags, and one with
# a meta tag on every line, where printing the tags is most of the work.
python3 - "$pages" <<'PY'
import sys
head = ('<html><head><title>Bench</title>\r\n<META NAME="Keywords" Content="a, b">\r\n'
        '<META NAME="Description" Content="d">\r\n')
lines = {
    'paragraphs': '<p>Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor '
                  'incididunt ut labore et dolore magna aliqua.</p>\r\n',
    'dense': '<p>Lorem ipsum dolor sit amet <meta name="x%d" content="y"> consectetur adipiscing elit.</p>\r\n',
}
for name, line in lines.items():
    with open(f'{sys.argv[1]}/{name}.htm', 'w') as f:
        f.write(head + '</head><body>\r\n' if name == 'paragraphs' else head)
        size, i = len(head), 0
        while size < 10 * 1024 * 1024:
            s = line % i if '%d' in line else line
            f.write(s); size += len(s); i += 1
        f.write('</body></html>\r\n' if name == 'paragraphs' else '</head><body></body></html>\r\n')
PY

# Everything writes into a pipe: grep stops at its first match when its output
# is /dev/null, which would make the comparison void.
seconds() { local TIMEFORMAT=%R; { time { "$@" 2>/dev/null | cat >/dev/null; }; } 2>&1; }
run_grep() { LC_ALL=C grep -oiE '<meta[^>]*>' "$page"; }
# analyze exits 1 when the page lacks tags, which is no failure of the bench.
run_cli() { "$1" analyze "$page" || true; }
median() { tr ' ' '\n' <<<"$1" | grep . | sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }

names=(grep current)
[ -n "$baseline" ] && names+=(baseline)
for kind in paragraphs dense; do
  page="$pages/$kind.htm"
  declare -A times=()
  for ((round = 0; round < runs; round++)); do
    times[grep]+="$(seconds run_grep) "
    times[current]+="$(seconds run_cli "$cli") "
    [ -n "$baseline" ] && times[baseline]+="$(seconds run_cli "$baseline/cli/headwise-cli") "
  done
  grep_s=$(median "${times[grep]}")
  echo "$kind page: $(stat -c %s "$page") bytes, $runs rounds, medians"
  echo "  grep -oiE:             $grep_s s"
  for name in "${names[@]:1}"; do
    s=$(median "${times[$name]}")
    python3 -c "import sys; print('  headwise-cli %-9s %s s, ratio to grep %.2f' % (sys.argv[1] + ':', sys.argv[2], float(sys.argv[2]) / max(float(sys.argv[3]), 0.001)))" "$name" "$s" "$grep_s"
  done
  unset times
done
