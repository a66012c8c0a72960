#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite: the `ci` preset (warnings
# are errors, benchmarks built) with every test; the `asan` preset (the model, vimoctl and their
# tests under AddressSanitizer and UndefinedBehaviorSanitizer) with its tests; and each fuzz
# target for a short while; then the Windows build under Wine. Prints the time each stage took.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh
source scripts/lib/windows.sh
source scripts/lib/leftovers.sh

finish() {
    stop_wine_prefix
    stop_started
    print_stage_times
}
trap finish EXIT

stage setup bash scripts/setup-debian.sh
stage build build_preset ci

# The window-counting and window tests need an X server: start a private one.
start_xvfb 91 120 || exit 1

# Every process the suite starts carries a mark; none may outlive it.
mark_suite_processes
jobs=$(nproc)
status=0
stage tests ctest --preset ci -j"$jobs" &&
    stage "sanitizer build" build_preset asan &&
    stage "sanitizer tests" ctest --preset asan -j"$jobs" -LE '^fuzz$' &&
    stage fuzzing ctest --preset asan -j"$jobs" -L '^fuzz$' &&
    # The same model and vimoctl built for Windows, their tests run under Wine.
    stage "windows build+tests" run_windows_tests ||
    status=$?
check_leftovers || status=1
exit "$status"
