#!/usr/bin/env bash
# The request part of the benchmark: bench/http/run.sh [build folder] [bench_http options]
# Prints the CPU time of one full 10-s wait and the round trip of getWebContent beside curl.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build}"
shift || true
program="$build/bin/bench_http"
if [ ! -x "$program" ]; then
    echo "bench/http: $program not built (cmake --build $build --target bench_http)" >&2
    exit 1
fi
QT_QPA_PLATFORM=offscreen "$program" "$@"
