# shellcheck shell=bash
# Steps the project's scripts share: building, a private X server, and the demo installation with
# its loopback server. Sourced from the repository's top folder after `set -euo pipefail`.

# The build folder of the `ci` preset (CMakePresets.json), which the test script also builds.
build=${VIMO_BUILD_DIR:-build/ci}

# Every build shares one compiler cache, also across checkouts of the repository.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}

# The scratch copy of the demo installation, made by copy_demo.
scratch=""

# Processes started here, for stop_started.
started_pids=""

# stop_started: ends every process the functions below started, and waits for each.
stop_started() {
    for pid in $started_pids; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    started_pids=""
}

# build_tree [TARGET...]: configures the `ci` preset's build folder and builds the targets
# (everything if none) with every core.
build_tree() {
    cmake --preset ci -B "$build" || return
    if [ $# -eq 0 ]; then
        cmake --build "$build" -j"$(nproc)"
    else
        cmake --build "$build" -j"$(nproc)" --target "$@"
    fi
}

# build_preset PRESET: configures and builds a preset of CMakePresets.json with every core.
build_preset() {
    cmake --preset "$1" && cmake --build --preset "$1" -j"$(nproc)"
}

# Names and durations of the stages run so far, for print_stage_times.
stage_names=()
stage_seconds=()

# stage NAME COMMAND...: runs a step of a script and records how long it took; a failing step
# is recorded as such and its status returned. set -e does not hold inside a stage (the command
# runs as the left side of ||), so a function run as a stage chains its steps itself
# (`a && b || return`).
stage() {
    local name=$1
    shift
    local start=$SECONDS
    echo "==> $name"
    local status=0
    "$@" || status=$?
    stage_names+=("$name")
    if [ "$status" -ne 0 ]; then
        stage_seconds+=("$((SECONDS - start)) (failed)")
        return "$status"
    fi
    stage_seconds+=("$((SECONDS - start))")
}

# print_stage_times: how long each stage took, and all of them together.
print_stage_times() {
    [ ${#stage_names[@]} -gt 0 ] || return 0
    echo "Time per stage (seconds):"
    local i
    for i in "${!stage_names[@]}"; do
        printf '  %-18s %s\n' "${stage_names[$i]}" "${stage_seconds[$i]}"
    done
    printf '  %-18s %s\n' "total" "$SECONDS"
}

# start_xvfb FIRST LAST: starts Xvfb on the first free display number in FIRST..LAST and exports
# DISPLAY. Each script has its own range, so that they can run at the same time. Fails, saying
# why, when no display number is free or the server does not come up: the window tests would
# otherwise skip unnoticed.
start_xvfb() {
    local n
    for n in $(seq "$1" "$2"); do
        if [ ! -e "/tmp/.X${n}-lock" ] && [ ! -e "/tmp/.X11-unix/X${n}" ]; then
            Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
            started_pids="$started_pids $!"
            export DISPLAY=":$n"
            for _ in $(seq 1 50); do
                [ -e "/tmp/.X11-unix/X${n}" ] && return 0
                sleep 0.1
            done
            echo "Xvfb :$n did not come up within 5 seconds." >&2
            return 1
        fi
    done
    echo "No free X display number in $1..$2 for Xvfb." >&2
    return 1
}

# wine_quiet COMMAND...: runs a command with Wine's debug output off and without the .NET and
# HTML engine installers that Wine offers when it makes a prefix (unless the caller set either).
wine_quiet() {
    WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=} "$@"
}

# end_wine_prefix PREFIX: ends every Wine process of a prefix (through its wineserver) and waits
# until they are gone.
end_wine_prefix() {
    WINEPREFIX="$1" wineserver -k 2>/dev/null || true
    WINEPREFIX="$1" wineserver -w 2>/dev/null || true
}

# copy_demo NAME: copies the demo installation to a new scratch folder, kept in $scratch, so that
# the repository's files never change.
copy_demo() {
    scratch=$(mktemp -d "${TMPDIR:-/tmp}/vimo-$1-XXXXXX")
    cp -a demo/. "$scratch/"
}

# serve_demo: serves the scratch copy's vendor servers on loopback, on a port the system picks, and
# points the tool at them and at the copy's Wine prefix.
serve_demo() {
    python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$scratch/server" \
        >"$scratch/server.log" 2>&1 &
    started_pids="$started_pids $!"
    local port=""
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
}
