#!/usr/bin/env bash
# Checks that every given file of the model compiles for Windows: the mingw-w64 compiler's
# syntax check, with the model's include folder and the definitions of the Windows build.
# Usage: check-syntax.sh COMPILER INCLUDE_DIR FILE...
# Exits 77 (reported as skipped) when the compiler is not installed.
set -uo pipefail

compiler=$1
include_dir=$2
shift 2

if ! command -v "$compiler" >/dev/null 2>&1; then
    echo "SKIPPED: $compiler is not installed (Debian package g++-mingw-w64-x86-64-posix)"
    exit 77
fi

check_one() {
    if ! output=$("$compiler" -std=c++20 -fsyntax-only -Wall -Wextra -Wpedantic \
        -DUNICODE -D_UNICODE -DWIN32_LEAN_AND_MEAN -DNOMINMAX \
        -I "$include_dir" "$1" 2>&1); then
        printf 'FAILED: %s\n%s\n' "$1" "$output"
        return 1
    fi
}
export -f check_one
export compiler include_dir

printf '%s\n' "$@" | xargs -P "$(nproc)" -I{} bash -c 'check_one "$1"' _ {}
status=$?
if [ "$status" -eq 0 ]; then
    echo "$# files compile for Windows"
fi
exit "$status"
