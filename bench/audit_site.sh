#!/usr/bin/env bash
# Times `headwise-cli audit` on generated static sites (500, 1000, 2000 pages of
# about 40 KB) against htmlhint with its default rules on the same folders,
# median of several runs each. htmlhint is installed into bench/node_modules.
# Usage: bench/audit_site.sh [build-dir] [runs]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
runs=${2:-5}
cli=$(realpath -m "$build/cli/headwise-cli")
htmlhint="$here/node_modules/.bin/htmlhint"
[ -x "$cli" ] || { echo "no $cli: build the headwise-cli target first" >&2; exit 2; }
if [ ! -x "$htmlhint" ]; then
  npm install --no-save --no-audit --no-fund --prefix "$here" htmlhint@1.9.2 >/dev/null
fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

source "$here/timing.sh"

printf '%-6s %-4s %-18s %-18s %s\n' pages MB 'headwise wall/cpu' 'htmlhint wall/cpu' 'wall ratio'
for pages in 500 1000 2000; do
  site="$work/site-$pages"
  python3 "$here/make_site.py" "$site" "$pages"
  mb=$(du -sm "$site" | cut -f1)
  # Both read every page once before timing, so the page cache is warm for both.
  cat "$site"/*/*.html >/dev/null
  read -r hw hwcpu < <(cd "$work" && run_median "$cli" audit --format json "$site")
  read -r hh hhcpu < <(cd "$work" && run_median "$htmlhint" "$site")
  ratio=$(python3 -c "import sys; print('%.2f' % (float(sys.argv[1]) / max(float(sys.argv[2]), 0.001)))" "$hw" "$hh")
  printf '%-6s %-4s %-18s %-18s %s\n' "$pages" "$mb" "${hw}s/${hwcpu}s" "${hh}s/${hhcpu}s" "$ratio"
done
