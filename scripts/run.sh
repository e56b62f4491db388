#!/usr/bin/env bash
# Sets up and builds Headwise, then starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  cat >&2 <<'MSG'
Headwise is a desktop program and needs a display, but none was found
(neither DISPLAY nor WAYLAND_DISPLAY is set).

  Run it on a virtual display:  xvfb-run -a build/app/headwise
  Run the tests instead:        bash scripts/test.sh
MSG
  exit 1
fi
exec build/app/headwise "$@"
