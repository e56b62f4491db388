#!/usr/bin/env bash
# Runs the keyring round trip against a real Secret Service: gnome-keyring in
# a private D-Bus session with a throwaway data folder, its in-memory
# "session" collection made the default, so no keyring of the user's is
# touched and nothing is left on disk. Needs the mail tests built in build/
# and the Debian packages gnome-keyring, dbus and libglib2.0-bin (gdbus).
set -euo pipefail
cd "$(dirname "$0")/.."
data=$(mktemp -d)
trap 'rm -rf "$data"' EXIT
XDG_DATA_HOME=$data dbus-run-session -- bash -c '
  set -e
  printf "" | gnome-keyring-daemon --unlock --components=secrets > /dev/null
  gdbus call --session --dest org.freedesktop.secrets --object-path /org/freedesktop/secrets \
    --method org.freedesktop.Secret.Service.SetAlias default /org/freedesktop/secrets/collection/session > /dev/null
  HEADWISE_REAL_KEYRING=1 QT_QPA_PLATFORM=offscreen build/tests/mail_tests --gtest_filter="SystemKeyring.*"
'
