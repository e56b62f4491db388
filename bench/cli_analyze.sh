#!/usr/bin/env bash
# Times `headwise-cli analyze` on a generated 10 MB page against
# `grep -oiE '<meta[^>]*>'` on the same file. Usage: bench/cli_analyze.sh [build-dir]
set -euo pipefail
build=${1:-build}
cli="$build/cli/headwise-cli"
page=$(mktemp --suffix=.htm)
trap 'rm -f "$page"' EXIT

python3 - "$page" <<'PY'
import sys
head = ('<html><head><title>Bench</title>\r\n<META NAME="Keywords" Content="a, b">\r\n'
        '<META NAME="Description" Content="d">\r\n')
line = '<p>Lorem ipsum dolor sit amet <meta name="x%d" content="y"> consectetur adipiscing elit.</p>\r\n'
with open(sys.argv[1], 'w') as f:
    f.write(head)
    size, i = len(head), 0
    while size < 10 * 1024 * 1024:
        s = line % i
        f.write(s); size += len(s); i += 1
    f.write('</head><body></body></html>\r\n')
PY

# Both write into a pipe: grep stops at its first match when its output is
# /dev/null, which would make the comparison void.
seconds() { local TIMEFORMAT=%R; { time { "$@" 2>/dev/null | cat >/dev/null; }; } 2>&1; }
cli_s=$(seconds "$cli" analyze "$page" || true)
grep_s=$(seconds grep -oiE '<meta[^>]*>' "$page")
echo "page: $(stat -c %s "$page") bytes"
echo "headwise-cli analyze: $cli_s s"
echo "grep -oiE:            $grep_s s"
python3 -c "import sys; print('ratio: %.1f' % (float(sys.argv[1]) / max(float(sys.argv[2]), 0.001)))" "$cli_s" "$grep_s"
