#!/usr/bin/env bash
# Installs what is missing, builds the tool and starts it on the bundled demo installation.
# The demo is copied to a scratch folder first, so the repository's files never change; the
# developer configuration and the vendor's pages come from a loopback server started here.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh
source scripts/lib/standin.sh

bash scripts/setup-debian.sh
build_tree vimo-devtool
program="$build/DevTools/VimoDevTool/app/vimo-devtool"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Built $program, but there is no display to show its window on."
    echo "Run this command again from a desktop session (or with DISPLAY set)."
    exit 0
fi

cleanup() {
    stop_standin_client
    stop_started
    if [ -z "${VIMO_DEMO_KEEP:-}" ]; then
        rm -rf "$scratch"
    else
        echo "The demo installation stays in $scratch"
    fi
}
trap cleanup EXIT
copy_demo demo
serve_demo
install_standin_client

echo "Demo installation: $WINEPREFIX (Orvo in drive_c/Program Files/Orvo)"
echo "Vendor servers:    $ORVO_DEVELOPER_SERVER"
"$program"
