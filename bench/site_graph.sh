#!/usr/bin/env bash
# What the audit across a site's pages costs: `headwise-cli audit` of generated
# sites (about 100 links a page, broken links, redirects, orphans, a sitemap)
# with the site rules, beside the per-page audit of the same folder (every site
# rule off, so no graph is kept), runs taken in turn. Prints the median wall
# time, peak RSS and references per second of each.
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
# One run: "WALL_SECONDS PEAK_KB".
measure() {
  /usr/bin/time -f '%e %M' -o "$work/time" "$cli" audit --format json --fail-on never \
    --base-url https://rugs.example/ --config "$work/$1.json" "$2" >"$work/$1.out" 2>/dev/null || true
  cat "$work/time"
}

printf '%-7s %-6s %-24s %-24s %-10s %s\n' pages refs 'site wall/peak' 'per-page wall/peak' 'time ratio' 'refs/s'
for pages in "${sizes[@]}"; do
  site="$work/site-$pages"
  python3 "$here/make_site.py" "$site" "$pages" --kb 20 --site
  cat "$site"/*/*.html >/dev/null # a warm page cache for both
  : >"$work/site.times"
  : >"$work/per-page.times"
  for _ in $(seq "$runs"); do
    measure site "$site" >>"$work/site.times"
    measure per-page "$site" >>"$work/per-page.times"
  done
  refs=$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["site"]["references"])' "$work/site.out")
  sw=$(awk '{ print $1 }' "$work/site.times" | median)
  sm=$(awk '{ print $2 }' "$work/site.times" | median)
  pw=$(awk '{ print $1 }' "$work/per-page.times" | median)
  pm=$(awk '{ print $2 }' "$work/per-page.times" | median)
  python3 - "$pages" "$refs" "$sw" "$sm" "$pw" "$pm" <<'PY'
import sys
pages, refs, sw, sm, pw, pm = sys.argv[1], int(sys.argv[2]), *map(float, sys.argv[3:])
print(f"{pages:<7} {refs:<6} {sw:.2f}s/{sm / 1024:.0f}MB{'':<12} {pw:.2f}s/{pm / 1024:.0f}MB{'':<12} "
      f"{sw / max(pw, 0.001):<10.2f} {refs / max(sw, 0.001):.0f}")
PY
  rm -rf "$site"
done
