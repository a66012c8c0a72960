# shellcheck shell=bash
# The stand-in client of tests/wine in the demo's scratch installation, so that "Open 2nd Orvo",
# Apply's reload and the copy's refresh can be seen working. Sourced after scripts/lib/common.sh
# and serve_demo (which sets WINEPREFIX to the scratch copy's prefix).

# Set when the demo's prefix runs Wine, for stop_standin_client.
standin_prefix=""

# wine_quiet COMMAND...: Wine without its debug output and without the .NET and HTML engine
# installers it would otherwise offer when the prefix is made.
wine_quiet() {
    WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$@"
}

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
    local source=tests/wine/StandInClient.c
    local flags=(-municode -mwindows -O1)
    x86_64-w64-mingw32-gcc "${flags[@]}" -o "$install/orvo.exe" "$source"
    x86_64-w64-mingw32-gcc "${flags[@]}" -DSTANDIN_HANDLER -o "$install/orvo-handler.exe" \
        "$source" -lshell32
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
        WINEPREFIX="$standin_prefix" wineserver -k 2>/dev/null || true
        WINEPREFIX="$standin_prefix" wineserver -w 2>/dev/null || true
        standin_prefix=""
    fi
}
