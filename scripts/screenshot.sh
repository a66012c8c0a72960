#!/usr/bin/env bash
# Makes docs/main-window.png, the README's picture of the main window with a Vimo shown: the
# demo installation, its loopback server and a private X server (Xvfb).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh

bash scripts/setup-debian.sh
build_tree vimo-screenshot

cleanup() {
    stop_started
    rm -rf "$scratch"
}
trap cleanup EXIT
copy_demo shot
serve_demo
start_xvfb 121 160

mkdir -p docs
QT_QPA_PLATFORM=xcb "$build/DevTools/VimoDevTool/app/vimo-screenshot" docs/main-window.png
echo "Wrote docs/main-window.png"
