#!/usr/bin/env bash
# What the audit across a site's pages costs: `headwise-cli audit` of generated
# sites (about 100 links a page, broken links, redirects, orphans, a sitemap)
# with the site rules, beside the per-page audit of the same folder (every site
# rule off, so no graph is kept), runs taken in turn. Prints the median wall
# time, CPU time (user + system) and peak RSS of each, their ratios and the
# references per second of wall time. The targets are about wall time; on a
# shared machine CPU time varies less, so its ratio is shown too.
# Usage: bench/site_graph.sh [build-dir] [runs] [pages...]   (default 2000 20000)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
runs=${2:-3}
shift $(($# > 2 ? 2 : $#))
sizes=("$@")
((${#sizes[@]})) || sizes=(2000 20000)
cli=$(realpath -m "$build/cli/headwise-cli")
[ -x "$cli" ] || { echo "no $cli: build the headwise-cli target first" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rules=$(python3 -c 'import json,sys; print(json.dumps({"rules": {r: "off" for r in sys.argv[1:]}}))' \
  link-broken link-redirect redirect-chain redirect-loop nofollow-internal canonical-target \
  hreflang-target hreflang-no-return sitemap-error sitemap-noindex sitemap-blocked \
  sitemap-non-canonical orphan)
echo "$rules" >"$work/per-page.json"
echo '{}' >"$work/site.json"

median() { sort -n | awk '{ a[NR] = $1 } END { print (NR % 2) ? a[(NR + 1) / 2] : (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }
# One run: "WALL_SECONDS PEAK_KB CPU_SECONDS".
measure() {
  /usr/bin/time -f '%e %M %U %S' -o "$work/time" "$cli" audit --format json --fail-on never \
    --base-url https://rugs.example/ --config "$work/$1.json" "$2" >"$work/$1.out" 2>/dev/null || true
  awk '{ print $1, $2, $3 + $4 }' "$work/time"
}

printf '%-7s %-9s %-22s %-22s %-11s %-10s %s\n' pages refs 'site wall/cpu/peak' 'per-page wall/cpu/peak' \
  'wall ratio' 'cpu ratio' 'refs/s (wall)'
for pages in "${sizes[@]}"; do
  site="$work/site-$pages"
  python3 "$here/make_site.py" "$site" "$pages" --kb 20 --site
  : >"$work/site.times"
  : >"$work/per-page.times"
  # Each run on a warm page cache, and each kind first in every other pair:
  # a machine that gives back cold cached pages otherwise makes the first of
  # each pair read its pages from the disk.
  for run in $(seq "$runs"); do
    order=(site per-page)
    ((run % 2)) || order=(per-page site)
    for kind in "${order[@]}"; do
      find "$site" -name "*.html" -exec cat {} + >/dev/null
      measure "$kind" "$site" >>"$work/$kind.times"
    done
  done
  refs=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["site"]["references"])' "$work/site.out")
  stats=()
  for kind in site per-page; do
    for column in 1 3 2; do # wall, CPU, peak
      stats+=("$(awk -v c=$column '{ print $c }' "$work/$kind.times" | median)")
    done
  done
  python3 - "$pages" "$refs" "${stats[@]}" <<'PY'
import sys
pages, refs = sys.argv[1], int(sys.argv[2])
sw, sc, sm, pw, pc, pm = map(float, sys.argv[3:])
print(f"{pages:<7} {refs:<9} {f'{sw:.2f}s/{sc:.2f}s/{sm / 1024:.0f}MB':<22} {f'{pw:.2f}s/{pc:.2f}s/{pm / 1024:.0f}MB':<22} "
      f"{sw / max(pw, 0.001):<11.2f} {sc / max(pc, 0.001):<10.2f} {refs / max(sw, 0.001):.0f}")
PY
  rm -rf "$site"
done
