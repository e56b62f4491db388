#!/usr/bin/env bash
# What a page's structured data costs: `headwise-cli audit` of generated pages
# (make_site.py, about 40 KB each) as they are, and of the same pages with 100
# JSON-LD Product items each before </body>, runs taken in turn. Prints the
# median wall and CPU time of each and their ratio; the target is at most 2.
# Usage: bench/structureddata/items.sh [build-dir] [runs] [pages]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-build}
runs=${2:-9}
pages=${3:-100}
cli=$(realpath -m "$build/cli/headwise-cli")
[ -x "$cli" ] || { echo "no $cli: build the headwise-cli target first" >&2; exit 2; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
source "$here/timing.sh"

python3 "$here/make_site.py" "$work/plain" "$pages" >/dev/null
cp -r "$work/plain" "$work/items"
python3 - "$work/items" <<'EOF'
import pathlib, random, sys
rng = random.Random(7)
for n, page in enumerate(sorted(pathlib.Path(sys.argv[1]).rglob("*.html"))):
    blocks = "\n".join(f"""<script type="application/ld+json">
{{"@context": "https://schema.org", "@type": "Product", "name": "Rug {n}-{i}",
  "image": "https://rugs.example/img/{n}-{i}.jpg", "description": "A hand knotted wool rug.",
  "sku": "R{n}-{i}", "offers": {{"@type": "Offer", "url": "https://rugs.example/rugs/{n}-{i}.html",
  "price": "{rng.randint(100, 999)}.00", "priceCurrency": "EUR", "availability": "https://schema.org/InStock"}}}}
</script>""" for i in range(100))
    text = page.read_text(encoding="utf-8")
    page.write_text(text.replace("</body>", blocks + "\n</body>", 1), encoding="utf-8")
EOF
cat "$work"/plain/*/*.html "$work"/items/*/*.html >/dev/null
plain=() items=()
for _ in $(seq "$runs"); do
  plain+=("$(runs=1 run_median "$cli" audit --format json --fail-on never --output /dev/null "$work/plain")")
  items+=("$(runs=1 run_median "$cli" audit --format json --fail-on never --output /dev/null "$work/items")")
done
pw=$(printf '%s\n' "${plain[@]}" | awk '{ print $1 }' | median)
pc=$(printf '%s\n' "${plain[@]}" | awk '{ print $2 }' | median)
iw=$(printf '%s\n' "${items[@]}" | awk '{ print $1 }' | median)
ic=$(printf '%s\n' "${items[@]}" | awk '{ print $2 }' | median)
printf '%-24s %-8s %s\n' pages wall cpu "plain" "${pw}s" "${pc}s" "100 items each" "${iw}s" "${ic}s"
awk -v a="$iw" -v b="$pw" -v c="$ic" -v d="$pc" \
  'BEGIN { printf "ratio items/plain: wall %.2f, cpu %.2f\n", a / b, c / d }'
