#!/usr/bin/env bash
# Installs the Debian packages Headwise needs that are not yet installed, then
# configures and builds the project in build/. A second run installs nothing
# and rebuilds only what changed.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-charts-dev libgl-dev
  libcurl4-openssl-dev zlib1g-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  python3 python3-aiosmtpd
  fonts-dejavu-core xvfb xauth
  clang libclang-rt-14-dev clang-format
  libgumbo-dev libfreetype-dev fonts-liberation2
  qtkeychain-qt6-dev openssl
  help2man lintian appstream desktop-file-utils dpkg-dev
  librsvg2-bin bash-completion zsh man-db bsdextrautils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
fi

build_dir=${HEADWISE_BUILD_DIR:-build}
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
fi
cmake --build "$build_dir" --parallel "$(nproc)"
