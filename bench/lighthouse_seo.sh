#!/usr/bin/env bash
# Side by side with Lighthouse's SEO category: serves FOLDER on 127.0.0.1,
# runs Lighthouse 12.2.3 (with Debian's chromium) and `headwise-cli audit` on
# every page of it, and prints, for each audit both answer, how many pages they
# agree on and every page they do not. Lighthouse is installed into
# bench/lighthouse (git-ignored), chromium from Debian when it is missing.
# Usage: bench/lighthouse_seo.sh FOLDER [build-dir]
# A robots.txt in FOLDER is served as the site's; each page's verdicts are
# kept in the work folder named on stderr, for a second look.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
folder=$(realpath "${1:?usage: lighthouse_seo.sh FOLDER [build-dir]}")
build=${2:-build}
cli=$(realpath -m "$build/cli/headwise-cli")
[ -x "$cli" ] || { echo "no $cli: build the headwise-cli target first" >&2; exit 2; }

lighthouse="$here/lighthouse/node_modules/.bin/lighthouse"
if [ ! -x "$lighthouse" ]; then
  mkdir -p "$here/lighthouse"
  npm install --no-save --no-audit --no-fund --prefix "$here/lighthouse" lighthouse@12.2.3 >/dev/null
fi
if ! command -v chromium >/dev/null; then
  sudo=$([ "$(id -u)" = 0 ] || echo sudo)
  $sudo apt-get install -y --no-install-recommends chromium >/dev/null
fi

work=$(mktemp -d)
echo "verdicts in $work" >&2
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server --bind 127.0.0.1 --directory "$folder" "$port" >/dev/null 2>&1 &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null || true' EXIT
for _ in $(seq 50); do
  curl -so /dev/null "http://127.0.0.1:$port/" -m 1 && break || python3 -c 'import time; time.sleep(0.1)'
done

(cd "$folder" && find . -name '*.html' | sed 's|^\./||' | sort) >"$work/pages"
urls=()
while read -r page; do urls+=("http://127.0.0.1:$port/$page"); done <"$work/pages"

node "$here/lighthouse_seo.mjs" "$work" "$(command -v chromium)" "${urls[@]}"
"$cli" audit --format json "${urls[@]}" >"$work/hw-report.json" || true

python3 "$here/lighthouse_compare.py" "$work" "${urls[@]}"
