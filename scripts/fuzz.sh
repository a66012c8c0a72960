#!/usr/bin/env bash
# Runs every fuzz target for SECONDS (default 600) under the sanitizers, all at once on the
# machine's cores, and sums up the runs, the coverage and the corpus of each. New inputs go to
# the build folder; an input that finds a fault is copied into the target's corpus in the
# repository, to be committed with the fix, so that the suite replays it from then on.
#   bash scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/common.sh

seconds=${1:-600}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(registry developer_config catalogue plugin_config)
fi

if ! command -v clang++ >/dev/null; then
    echo "The fuzz targets need clang (bash scripts/setup-debian.sh installs it)." >&2
    exit 1
fi
build_preset asan
fuzz_build=build/asan/tests/fuzz

# Ctrl-C or a failing step ends the fuzzers started so far.
trap stop_started EXIT
for target in "${targets[@]}"; do
    program="$fuzz_build/fuzz_$target"
    work="$fuzz_build/$target"
    rm -rf "$work/artifacts"
    mkdir -p "$work/corpus" "$work/tmp" "$work/artifacts"
    dict=tests/fuzz/xml.dict
    [ "$target" = registry ] && dict=tests/fuzz/registry.dict
    echo "==> fuzz_$target for ${seconds}s (log: $work/fuzz.log)"
    TMPDIR="$work/tmp" "$program" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -dict="$dict" -artifact_prefix="$work/artifacts/" \
        "$work/corpus" "tests/fuzz/corpus/$target" >"$work/fuzz.log" 2>&1 &
    started_pids="$started_pids $!"
done

status=0
for pid in $started_pids; do
    wait "$pid" || status=1
done
started_pids=""

printf '%-18s %10s %8s %8s %14s %s\n' target runs cov ft corpus result
for target in "${targets[@]}"; do
    work="$fuzz_build/$target"
    log="$work/fuzz.log"
    runs=$(sed -n 's/^Done \([0-9]*\) runs.*/\1/p' "$log" | tail -1)
    last=$(grep -E '^#[0-9]+' "$log" | tail -1)
    cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$last")
    ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$last")
    corp=$(sed -n 's/.* corp: \([0-9]*\/[0-9]*[a-zA-Z]*\).*/\1/p' <<<"$last")
    result=ok
    for artifact in "$work"/artifacts/*; do
        [ -e "$artifact" ] || continue
        result=FAULT
        cp "$artifact" "tests/fuzz/corpus/$target/fault-$(basename "$artifact")"
        echo "kept tests/fuzz/corpus/$target/fault-$(basename "$artifact") (see $log)" >&2
    done
    printf '%-18s %10s %8s %8s %14s %s\n' "$target" "${runs:-?}" "${cov:-?}" "${ft:-?}" \
        "${corp:-?}" "$result"
done
exit "$status"
