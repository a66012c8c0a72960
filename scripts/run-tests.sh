#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh

bash scripts/setup-debian.sh
build_tree

# The window-counting and window tests need an X server: start a private one.
trap stop_started EXIT
start_xvfb 91 120

ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
