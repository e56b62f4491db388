#!/usr/bin/env bash
# Runs the stall probe ROUNDS times (default 7) and prints each operation's
# median total and median longest gap. With a second probe (one built from an
# older commit), the two run in turn in every round, so both sets of medians
# come from the same stretch of machine time.
# Usage: bench/stall_rounds.sh [probe] [baseline-probe]
set -euo pipefail
probe=${1:-build/bench/headwise_stall_probe}
baseline=${2:-}
rounds=${ROUNDS:-7}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

for ((round = 0; round < rounds; round++)); do
  "$probe" 2>/dev/null >>"$out/current"
  [ -n "$baseline" ] && "$baseline" 2>/dev/null >>"$out/baseline"
done

python3 - "$out" "$rounds" <<'PY'
import os, statistics, sys
out, rounds = sys.argv[1], sys.argv[2]
def medians(name):
    rows = {}
    for line in open(os.path.join(out, name)):
        parts = line.rsplit(None, 2)
        if len(parts) == 3 and parts[1].isdigit():
            rows.setdefault(parts[0].strip(), []).append((int(parts[1]), int(parts[2])))
    return {op: (statistics.median(t for t, _ in v), statistics.median(g for _, g in v)) for op, v in rows.items()}
current = medians('current')
baseline = medians('baseline') if os.path.exists(os.path.join(out, 'baseline')) else {}
print(f"medians of {rounds} rounds, 10 MB page, ms")
print(f"{'operation':30} {'total':>8} {'longest gap':>12}" + (f" {'baseline total':>15} {'baseline gap':>13}" if baseline else ""))
for op, (total, gap) in current.items():
    line = f"{op:30} {total:8.0f} {gap:12.0f}"
    if op in baseline:
        line += f" {baseline[op][0]:15.0f} {baseline[op][1]:13.0f}"
    print(line)
PY
