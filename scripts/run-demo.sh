#!/usr/bin/env bash
# Installs what is missing, builds the tool and starts it on the bundled demo installation.
# The demo is copied to a scratch folder first, so the repository's files never change; the
# developer configuration and the vendor's pages come from a loopback server started here.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh

build=${VIMO_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" -j"$(nproc)" --target vimo-devtool
program="$build/DevTools/VimoDevTool/app/vimo-devtool"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Built $program, but there is no display to show its window on."
    echo "Run this command again from a desktop session (or with DISPLAY set)."
    exit 0
fi

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vimo-demo-XXXXXX")
server_pid=""
cleanup() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
    if [ -z "${VIMO_DEMO_KEEP:-}" ]; then
        rm -rf "$scratch"
    else
        echo "The demo installation stays in $scratch"
    fi
}
trap cleanup EXIT

cp -a demo/. "$scratch/"

# The vendor's servers on loopback, on a port the system picks.
python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$scratch/server" \
    >"$scratch/server.log" 2>&1 &
server_pid=$!
port=""
for _ in $(seq 1 100); do
    port=$(sed -n 's/^Serving HTTP on [0-9.]* port \([0-9]*\).*/\1/p' "$scratch/server.log")
    [ -n "$port" ] && break
    sleep 0.05
done
if [ -z "$port" ]; then
    echo "The demo server did not start:" >&2
    cat "$scratch/server.log" >&2
    exit 1
fi

export WINEPREFIX="$scratch/prefix"
export ORVO_DEVELOPER_SERVER="http://127.0.0.1:$port"
export ORVO_CONTENT_SERVER="http://127.0.0.1:$port"
echo "Demo installation: $WINEPREFIX (Orvo in drive_c/Program Files/Orvo)"
echo "Vendor servers:    $ORVO_DEVELOPER_SERVER"
"$program"
