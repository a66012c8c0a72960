#!/usr/bin/env bash
# Start-up of the tool: time from starting the program to its main window on the screen, and
# its resident memory once idle, with 200 Vimos and the developer configuration on loopback,
# under a private X server, the start-up indicator included. Prints the median of several runs.
# Targets: < 0.3 s with 2,000 Vimos (VIMOS=2000), < 50 MB.
set -euo pipefail
cd "$(dirname "$0")/.."

source scripts/lib/common.sh

runs=${RUNS:-7}
vimos=${VIMOS:-200}
build_tree vimo-devtool >/dev/null
program="$(pwd)/$build/DevTools/VimoDevTool/app/vimo-devtool"

cleanup() {
    stop_started
    rm -rf "$scratch"
}
trap cleanup EXIT
copy_demo bench

# The demo prefix with `vimos` Vimos under development (half of them) and published.
services="$scratch/prefix/drive_c/Program Files/Orvo/services"
for i in $(seq -w 1 "$vimos"); do
    id="bench_vimo_$i"
    status=$([ $((10#$i % 2)) -eq 0 ] && echo dev || echo released)
    mkdir -p "$services/orvo${id}Vimoz/ver1/content/$id" "$services/orvo${id}Vimoz/ver1/theme/$id"
    cat >"$services/orvo${id}Vimoz/ver1/VimozList.xml" <<XML
<?xml version="1.0" encoding="UTF-8"?>
<vimozList><vimoz><vimo id="$id" name="Bench Vimo $i" desc="Benchmark entry $i" width="400" height="300" url="http://developer.orvo.com/template_vimo/index.vimo" requiresInvitation="false" type="localDhtml" devStatus="$status" userCreated="true"/></vimoz></vimozList>
XML
    echo "<html><body>$i</body></html>" >"$services/orvo${id}Vimoz/ver1/content/$id/index.html"
done

serve_demo
start_xvfb 161 200

export QT_QPA_PLATFORM=xcb
# The program prints one line on standard error once its window has been painted.
export VIMO_REPORT_SHOWN=1

python3 - "$program" "$runs" "$vimos" <<'PY'
import os, statistics, subprocess, sys, time

program, runs, vimos = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
times, memories = [], []
for run in range(runs):
    start = time.monotonic()
    process = subprocess.Popen([program], stderr=subprocess.PIPE, text=True)
    shown = None
    for line in process.stderr:
        if "window shown" in line:
            shown = time.monotonic() - start
            break
    if shown is None:
        sys.exit("the window was never shown")
    time.sleep(1.0)  # idle
    with open(f"/proc/{process.pid}/status") as status:
        rss_kb = next(int(l.split()[1]) for l in status if l.startswith("VmRSS:"))
    process.terminate()
    process.wait()
    times.append(shown)
    memories.append(rss_kb / 1024)
    print(f"run {run + 1}: window shown after {shown:.3f} s, {rss_kb / 1024:.1f} MB resident")

t, m = statistics.median(times), statistics.median(memories)
print(f"median over {runs} runs with {vimos} Vimos: start-up {t:.3f} s "
      f"({t / 0.3:.2f} of the 0.3 s target), resident {m:.1f} MB ({m / 50:.2f} of the 50 MB target)")
PY
