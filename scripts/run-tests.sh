#!/usr/bin/env bash
# Installs what is missing, builds everything and runs the whole test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh
source scripts/lib/windows.sh
source scripts/lib/leftovers.sh

bash scripts/setup-debian.sh
build_tree

# The window-counting and window tests need an X server: start a private one.
trap 'stop_wine_prefix; stop_started' EXIT
start_xvfb 91 120

# Every process the suite starts carries a mark; none may outlive it.
mark_suite_processes
status=0
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" || status=$?
if [ "$status" -eq 0 ]; then
    # The same model and vimoctl built for Windows, their tests run under Wine.
    run_windows_tests
fi
check_leftovers || status=1
exit "$status"
