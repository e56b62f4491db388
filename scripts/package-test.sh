#!/usr/bin/env bash
# Builds the Debian package from an already built build/ and checks it as a
# user's system sees it: control fields, the files it holds, the unpacked
# programs running from a temporary root, and Debian's own checkers.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${HEADWISE_BUILD_DIR:-build}
app_id=example.headwise.Headwise
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

rm -f "$build"/headwise_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/headwise_*_*.deb)
((${#debs[@]} == 1)) && [ -f "${debs[0]}" ] || { echo "FAIL: cpack made no single headwise_*.deb"; exit 1; }
deb=${debs[0]}
version=$(dpkg-deb --field "$deb" Version)
echo "package: $deb"

for field in Package Version Architecture Maintainer Section Homepage Description Depends; do
    [ -n "$(dpkg-deb --field "$deb" "$field")" ] || fail "control field $field is empty"
done
# Depends comes from dpkg-shlibdeps, so it names the libraries the programs link,
# and from the package itself for libcurl, which they open when they first fetch.
depends=$(dpkg-deb --field "$deb" Depends)
for library in libc6 libqt6core6 libqt6widgets6 libcurl4; do
    [[ $depends == *"$library "* ]] || fail "Depends lacks $library: $depends"
done
[[ $(basename "$deb") == "headwise_${version}_$(dpkg-deb --field "$deb" Architecture).deb" ]] ||
    fail "file name $(basename "$deb") does not follow name_version_arch"

icons=()
for size in 16 22 24 32 48 64 128 256; do
    icons+=("usr/share/icons/hicolor/${size}x${size}/apps/headwise.png")
done
expected=(
    usr/bin/headwise usr/bin/headwise-cli
    usr/share/headwise/meta_tag_help.htm
    usr/share/man/man1/headwise.1.gz usr/share/man/man1/headwise-cli.1.gz
    usr/share/bash-completion/completions/headwise-cli usr/share/zsh/vendor-completions/_headwise-cli
    "usr/share/applications/$app_id.desktop" "usr/share/metainfo/$app_id.metainfo.xml"
    usr/share/icons/hicolor/scalable/apps/headwise.svg "${icons[@]}"
    usr/share/doc/headwise/copyright usr/share/doc/headwise/changelog.gz
)
contents=$(dpkg-deb --contents "$deb" | awk '{ print $NF }')
for file in "${expected[@]}"; do
    grep -qxF "./$file" <<<"$contents" || fail "package lacks /$file"
done

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg -x "$deb" "$root"

# Each PNG is as large as the folder it lies in says.
for icon in "${icons[@]}"; do
    size=${icon#usr/share/icons/hicolor/}
    size=${size%%x*}
    read -r width height < <(od -An -tu1 -j16 -N8 "$root/$icon" |
        awk '{ print $1 * 16777216 + $2 * 65536 + $3 * 256 + $4, $5 * 16777216 + $6 * 65536 + $7 * 256 + $8 }')
    [[ $width == "$size" && $height == "$size" ]] || fail "$icon is ${width}x$height"
done

# The unpacked copy runs on the system's libraries alone.
cli="$root/usr/bin/headwise-cli"
[[ $("$cli" --version) == "Headwise $version" ]] || fail "headwise-cli --version: $("$cli" --version)"
if analysis=$("$cli" analyze tests/fixtures/cli/all-six.htm --json); then
    [[ $analysis == *'"Keywords"'* ]] || fail "analyze printed no Keywords: $analysis"
else
    fail "analyze of a page with all six tags ended with $?"
fi
unresolved=$(ldd "$cli" "$root/usr/bin/headwise" | grep -F -e 'not found' -e "$PWD" || true)
[ -z "$unresolved" ] || fail "libraries outside the system: $unresolved"

# The release the package carries is the one the desktop data and changelog name.
metainfo="$root/usr/share/metainfo/$app_id.metainfo.xml"
grep -q "<release version=\"$version\"" "$metainfo" || fail "metainfo has no release $version"
[[ $(zcat "$root/usr/share/doc/headwise/changelog.gz" | head -1) == "headwise ($version) "* ]] ||
    fail "changelog does not start with $version"
grep -qx "Icon=headwise" "$root/usr/share/applications/$app_id.desktop" || fail "desktop entry names another icon"

desktop-file-validate "$root/usr/share/applications/$app_id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli validate"
lintian_ok=true
report=$(lintian --fail-on error "$deb" 2>&1) || lintian_ok=false
grep -v '^running with root privileges' <<<"$report" || true
$lintian_ok || fail "lintian reports errors"

((failures == 0)) && echo "package: all checks passed"
exit $((failures > 0))
