#!/usr/bin/env bash
# Runs the keyring round trip against a real Secret Service: a private D-Bus
# session with gnome-keyring-daemon unlocked by an empty password, so the
# user's own keyring is never touched. Needs the mail tests built in build/
# and the Debian packages gnome-keyring and dbus.
set -euo pipefail
cd "$(dirname "$0")/.."
exec dbus-run-session -- bash -c '
  printf "" | gnome-keyring-daemon --unlock --components=secrets > /dev/null
  HEADWISE_REAL_KEYRING=1 QT_QPA_PLATFORM=offscreen build/tests/mail_tests --gtest_filter="SystemKeyring.*"
'
