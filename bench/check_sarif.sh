#!/usr/bin/env bash
# Validates `headwise-cli audit --format sarif` against the official SARIF 2.1.0
# JSON schema (the copy the SARIF Multitool npm package ships) with ajv, and
# runs the Multitool's own validation rules on the same file. The tools are
# installed into bench/sarif-check/. Usage: bench/check_sarif.sh [build-dir]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cli=$(realpath -m "${1:-build}/cli/headwise-cli")
tools="$here/sarif-check"
multitool="$tools/node_modules/@microsoft/sarif-multitool-linux"
[ -x "$cli" ] || { echo "no $cli: build the headwise-cli target first" >&2; exit 2; }
if [ ! -f "$multitool/sarif-2.1.0.json" ] || [ ! -f "$tools/node_modules/ajv/dist/2020.js" ]; then
  mkdir -p "$tools"
  npm install --no-save --no-audit --no-fund --prefix "$tools" \
    ajv@8.17.1 ajv-formats@3.0.1 @microsoft/sarif-multitool-linux@5.7.0 >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
python3 "$here/make_site.py" "$work/site" 40
report="$work/report.json"
(cd "$work" && "$cli" audit --format sarif --output "$report" site \
   "$here/../tests/fixtures/cli/audit") || [ $? -eq 1 ]

NODE_PATH="$tools/node_modules" node "$here/validate_sarif.js" "$multitool/sarif-2.1.0.json" "$report"
chmod u+x "$multitool/Sarif.Multitool"
"$multitool/Sarif.Multitool" validate "$report"
echo "results: $(python3 -c 'import json,sys; print(len(json.load(open(sys.argv[1]))["runs"][0]["results"]))' "$report")"
