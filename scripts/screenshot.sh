#!/usr/bin/env bash
# Makes docs/main-window.png, the README's picture of the main window with a Vimo shown: the
# demo installation, its loopback server and a private X server (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh
build=${VIMO_BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target vimo-screenshot

scratch=$(mktemp -d "${TMPDIR:-/tmp}/vimo-shot-XXXXXX")
server_pid=""
xvfb_pid=""
cleanup() {
    for pid in $server_pid $xvfb_pid; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$scratch"
}
trap cleanup EXIT
cp -a demo/. "$scratch/"

python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$scratch/server" \
    >"$scratch/server.log" 2>&1 &
server_pid=$!
port=""
for _ in $(seq 1 100); do
    port=$(sed -n 's/^Serving HTTP on [0-9.]* port \([0-9]*\).*/\1/p' "$scratch/server.log")
    [ -n "$port" ] && break
    sleep 0.05
done
[ -n "$port" ] || { echo "The demo server did not start" >&2; exit 1; }

for n in $(seq 121 160); do
    if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=":$n"
        for _ in $(seq 1 50); do
            [ -e "/tmp/.X11-unix/X${n}" ] && break
            sleep 0.1
        done
        break
    fi
done

mkdir -p docs
WINEPREFIX="$scratch/prefix" ORVO_DEVELOPER_SERVER="http://127.0.0.1:$port" \
    ORVO_CONTENT_SERVER="http://127.0.0.1:$port" QT_QPA_PLATFORM=xcb \
    "$build/DevTools/VimoDevTool/app/vimo-screenshot" docs/main-window.png
echo "Wrote docs/main-window.png"
