#!/usr/bin/env bash
# Renders the built manual pages as man does and checks them: no roff
# warnings, and headwise-cli's page describes every command with every long
# option of that command's own --help.
# Usage: manual_test.sh HEADWISE_CLI PAGE.1.gz...
set -uo pipefail
cli=$1
shift
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

for page in "$@"; do
    # Every warning but "cannot adjust": a long unbroken word cannot fill a justified line.
    warnings=$(zcat "$page" | groff -man -Tutf8 -ww -Wbreak -z 2>&1)
    [[ -z $warnings ]] || fail "$page: $warnings"
    [[ -n $(MANWIDTH=80 man -l "$page" 2>/dev/null) ]] || fail "$page renders empty"
done

cli_page=$(printf '%s\n' "$@" | grep '/headwise-cli\.1\.gz$')
text=$(MANWIDTH=200 man -l "$cli_page" 2>/dev/null | col -bx)
grep -q '^SYNOPSIS' <<<"$text" || fail "no SYNOPSIS"
grep -q '^EXAMPLES' <<<"$text" || fail "no EXAMPLES"
commands=$("$cli" --help | sed -n '/^Commands:/,/^$/s/^  \([a-z][a-z0-9-]*\) .*/\1/p')
[[ -n $commands ]] || fail "$cli --help lists no commands"
for command in $commands; do
    # The command's subsection: from its heading to the next heading.
    section=$(awk -v head="   headwise-cli $command " '
        index($0, head) == 1 { inside = 1; next }
        inside && /^   [^ ]|^[^ ]/ { exit }
        inside' <<<"$text")
    [[ -n $section ]] || { fail "no subsection for $command"; continue; }
    for option in $("$cli" "$command" --help | grep -oE '^  (-[a-zA-Z], )?--[a-z][a-z0-9-]*' | grep -oE -- '--[a-z0-9-]+'); do
        grep -qE -- "(^|[ ,])$option( |,|$)" <<<"$section" || fail "$command: $option not described"
    done
done

((failures == 0)) && echo "manual pages: all checks passed"
exit $((failures > 0))
