# shellcheck shell=bash
# The suite must leave no process behind. Every process a test starts inherits the run's mark
# VIMO_TEST_RUN (vimoctl's test runner hands it on as well); a live process that still carries the
# mark after the suite is a leftover. Zombies are skipped: they run nothing, and on a machine whose
# process 1 never collects orphans they stay. Sourced after `set -euo pipefail`.

# mark_suite_processes: gives every command started from here on a fresh mark, $VIMO_TEST_RUN.
mark_suite_processes() {
    VIMO_TEST_RUN="vimo-test-run-$$-$(date +%s%N)"
    export VIMO_TEST_RUN
}

# check_leftovers: waits up to 20 s for the marked processes to end; lists and ends those that
# remain and fails. The scan runs without the mark, so that it never finds itself.
check_leftovers() {
    env -u VIMO_TEST_RUN python3 - "$VIMO_TEST_RUN" <<'PY'
import os, signal, sys, time

mark = ("VIMO_TEST_RUN=" + sys.argv[1]).encode()

def marked():
    found = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open(f"/proc/{name}/status") as status:
                state = next(l.split()[1] for l in status if l.startswith("State:"))
            if state in ("Z", "X"):
                continue
            with open(f"/proc/{name}/environ", "rb") as environ:
                if mark not in environ.read().split(b"\0"):
                    continue
            with open(f"/proc/{name}/cmdline", "rb") as cmdline:
                found[int(name)] = cmdline.read().replace(b"\0", b" ").decode(errors="replace")
        except (OSError, StopIteration):
            continue
    return found

deadline = time.monotonic() + 20
left = marked()
while left and time.monotonic() < deadline:
    time.sleep(0.5)
    left = marked()
if not left:
    print("No process of the test suite was left running.")
    sys.exit(0)
print(f"The test suite left {len(left)} process(es) running:", file=sys.stderr)
for pid, cmdline in sorted(left.items()):
    print(f"  {pid}  {cmdline}", file=sys.stderr)
for sig in (signal.SIGTERM, signal.SIGKILL):
    for pid in left:
        try:
            os.kill(pid, sig)
        except OSError:
            pass
    time.sleep(1)
sys.exit(1)
PY
}
