#!/usr/bin/env bash
# Runs a cross-built program under Wine in the prefix that WINEPREFIX names. Never falls back to
# the user's own ~/.wine: tests run only in a prefix made for them (scripts/lib/windows.sh).
set -euo pipefail
if [ -z "${WINEPREFIX:-}" ]; then
    echo "wine-emulator.sh: set WINEPREFIX to a prefix made for the tests" >&2
    exit 1
fi
source "$(dirname "$0")/../scripts/lib/common.sh"
wine_quiet exec wine "$@"
