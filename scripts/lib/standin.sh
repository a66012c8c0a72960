# shellcheck shell=bash
# The stand-in client of tests/wine in the demo's scratch installation, so that "Open 2nd Orvo",
# Apply's reload and the copy's refresh can be seen working. Sourced after scripts/lib/common.sh
# and serve_demo (which sets WINEPREFIX to the scratch copy's prefix).

# Set when the demo's prefix runs Wine, for stop_standin_client.
standin_prefix=""

# install_standin_client: builds the stand-in client and its "orvo:" handler into the scratch
# installation and makes the scratch prefix a real Wine prefix with the handler registered.
# Says what is missing and does nothing without Wine or mingw-w64.
install_standin_client() {
    local missing=()
    command -v wine >/dev/null 2>&1 || missing+=(wine wine64)
    command -v x86_64-w64-mingw32-gcc >/dev/null 2>&1 || missing+=(mingw-w64)
    if [ ${#missing[@]} -gt 0 ]; then
        echo "No client in the demo: ${missing[*]} not installed (Debian packages). \"Open 2nd Orvo\""
        echo "will say that Orvo cannot be started, and Apply sends no reload command."
        return 0
    fi
    local install="$WINEPREFIX/drive_c/Program Files/Orvo"
    # The programs the Wine test runs, built by the test suite's own target.
    cmake --build "$build" --target vimo_standin_client
    cp "$build/tests/wine/standin/orvo.exe" "$build/tests/wine/standin/orvo-handler.exe" \
        "$install/"
    echo "Preparing the demo's Wine prefix for the stand-in client (takes about 20 seconds)..."
    standin_prefix=$WINEPREFIX
    wine_quiet wineboot --init >"$scratch/wine.log" 2>&1
    wine_quiet wine reg add 'HKCR\orvo' /v 'URL Protocol' /t REG_SZ /d '' /f \
        >>"$scratch/wine.log" 2>&1
    wine_quiet wine reg add 'HKCR\orvo\shell\open\command' /ve /t REG_SZ \
        /d '"C:\Program Files\Orvo\orvo-handler.exe" "%1"' /f >>"$scratch/wine.log" 2>&1
    echo "Stand-in client: $install/orvo.exe (its window lists the commands it receives)"
}

# stop_standin_client: ends every Wine process of the demo's prefix.
stop_standin_client() {
    if [ -n "$standin_prefix" ]; then
        end_wine_prefix "$standin_prefix"
        standin_prefix=""
    fi
}
