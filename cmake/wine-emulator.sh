#!/bin/sh
# Runs a cross-built program under Wine in the prefix that WINEPREFIX names. Never falls back to
# the user's own ~/.wine: tests run only in a prefix made for them (scripts/lib/windows.sh).
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-emulator.sh: set WINEPREFIX to a prefix made for the tests" >&2
    exit 1
fi
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
exec wine "$@"
