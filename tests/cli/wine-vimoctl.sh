#!/bin/sh
# vimoctl.exe under Wine against a copy of the demo installation registered in the prefix's
# registry (32-bit view), with the demo's configuration served on loopback and the fake engine
# beside the program as zip.dll. Usage: wine-vimoctl.sh VIMOCTL_EXE FAKE_ENGINE_DLL DEMO_DIR
set -u
vimoctl=$1
engine=$2
demo=$3
if [ -z "${WINEPREFIX:-}" ]; then
    echo "set WINEPREFIX to a prefix made for the tests" >&2
    exit 1
fi
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\{3F9A1C27-58D4-4B0E-9C61-2D7E84A5B0F3}'
scratch=$(mktemp -d "${TMPDIR:-/tmp}/vimo-wine-cli-XXXXXX")
server=""
cleanup() {
    wine reg delete "$key" /f /reg:32 >/dev/null 2>&1
    if [ -n "$server" ]; then
        kill "$server" 2>/dev/null
        wait "$server" 2>/dev/null
    fi
    rm -rf "$scratch"
}
trap cleanup EXIT

cp -a "$demo/prefix/drive_c/Program Files/Orvo" "$scratch/Orvo"
mkdir "$scratch/bin"
cp "$vimoctl" "$scratch/bin/vimoctl.exe"
cp "$engine" "$scratch/bin/zip.dll"

python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$demo/server" >"$scratch/server.log" 2>&1 &
server=$!
port=""
for _ in $(seq 1 100); do
    port=$(sed -n 's/^Serving HTTP on [0-9.]* port \([0-9]*\).*/\1/p' "$scratch/server.log")
    [ -n "$port" ] && break
    sleep 0.05
done
export ORVO_DEVELOPER_SERVER="http://127.0.0.1:$port" ORVO_CONTENT_SERVER="http://127.0.0.1:$port"

# Wine shows the Linux root as drive Z:.
folder="Z:$(printf '%s' "$scratch/Orvo" | tr / '\\')"
wine reg add "$key" /v InstallLocation /t REG_SZ /d "$folder" /f /reg:32 >/dev/null 2>&1

failures=0
# check NAME EXPECTED_STATUS PATTERN ARGS...: runs vimoctl and wants the status and the pattern
# in its output (standard output and error together).
check() {
    name=$1
    want=$2
    pattern=$3
    shift 3
    # One run only: set and copy change the installation.
    wine "$scratch/bin/vimoctl.exe" "$@" >"$scratch/out" 2>&1
    status=$?
    out=$(tr -d '\r' <"$scratch/out")
    if [ "$status" != "$want" ] || ! printf '%s\n' "$out" | grep -q -- "$pattern"; then
        echo "FAIL $name: exit $status (wanted $want), output:" >&2
        printf '%s\n' "$out" >&2
        failures=$((failures + 1))
    else
        echo "ok   $name"
    fi
}

dev=dev_user_vimo_1733500000
check "list" 0 "$dev" list
check "list --json" 0 '"dice"' list --json
check "show" 0 "Dice Roller" show dice
check "set" 0 "" set "$dev" --name "Renamed on Windows" --width 320
check "set is kept" 0 "Renamed on Windows" show "$dev"
check "set refuses a published Vimo" 1 "" set dice --name X
check "copy" 0 "dev_" copy weather
check "copy is listed" 0 "Weather" list --dev
check "files" 0 "packed    " files "$dev"
check "check names the file left out" 1 "notes.txt" check "$dev"
check "pack reports the engine's failure" 2 "zip.dll" pack "$dev"

[ "$failures" -eq 0 ]
