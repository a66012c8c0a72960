# shellcheck shell=bash
# The Windows build: the model, vimoctl and their tests cross-built with mingw-w64 and run under
# Wine in a prefix of the suite's own. Sourced from the repository's top folder after
# `set -euo pipefail` and scripts/lib/common.sh.

# The Wine prefix made by run_windows_tests, for stop_wine_prefix.
wine_scratch=""

# wine_env COMMAND...: runs a command quietly in the suite's 64-bit prefix.
wine_env() {
    WINEPREFIX="$wine_scratch/prefix" WINEARCH=win64 wine_quiet "$@"
}

# stop_wine_prefix: ends every Wine process of the suite's prefix and removes the prefix.
stop_wine_prefix() {
    if [ -n "$wine_scratch" ]; then
        end_wine_prefix "$wine_scratch/prefix"
        rm -rf "$wine_scratch"
        wine_scratch=""
    fi
}

# run_windows_tests: cross-builds everything the Windows build has and runs its tests under Wine.
# Needs DISPLAY (the window-enumeration tests make real windows). Runs as a stage, so every step
# is checked by hand: a failed build or prefix must not let ctest pass on old programs.
run_windows_tests() {
    build_preset windows || return

    wine_scratch=$(mktemp -d "${TMPDIR:-/tmp}/vimo-wine-XXXXXX") || return
    echo "Making the Wine prefix for the Windows tests"
    local status=0
    # The first Wine program of a prefix starts its wineserver and services, which keep that
    # program's output open until they end: under ctest that test would last the whole run. A
    # persistent server started here, with a first program whose output goes nowhere, owns them.
    wine_env wineboot -i >/dev/null 2>&1 && wine_env wineserver -w &&
        wine_env wineserver -p && wine_env wine cmd /c exit 0 </dev/null >/dev/null 2>&1 &&
        wine_env ctest --preset windows -j"$(nproc)" || status=$?
    stop_wine_prefix
    return "$status"
}
