#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in a build folder of their own and runs each one
# for a bounded time. Exits non-zero when any target finds a crash; the input that
# crashed is left in <build>/fuzz-artifacts/<target>/: once fixed, put it into
# fuzz/inputs/<target>/, where every test run replays it (<target>_replay).
#
#   fuzz/run.sh [seconds per target, default 60]
#   ZQ_FUZZ_BUILD_DIR=<folder>   build folder (default: build-fuzz at the repository root)
set -euo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${ZQ_FUZZ_BUILD_DIR:-$root/build-fuzz}
targets=(fuzz_ini fuzz_json fuzz_dateheader fuzz_urlencode fuzz_regreplace)

CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DZQ_BUILD_FUZZERS=ON -DZQ_BUILD_TESTS=OFF -DZQ_BUILD_DEVSERVICE=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

failed=()
for target in "${targets[@]}"; do
    corpus=$build/fuzz-corpus/$target
    artifacts=$build/fuzz-artifacts/$target/
    mkdir -p "$corpus" "$artifacts"
    echo "== $target, ${seconds} s"
    # New inputs go into the first folder; the starting inputs kept in fuzz/inputs are only read.
    if ! "$build/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$artifacts" -print_final_stats=1 "$corpus" "$root/fuzz/inputs/$target" \
        >"$build/fuzz-$target.log" 2>&1; then
        failed+=("$target")
        tail -n 40 "$build/fuzz-$target.log"
    else
        grep -E '^(stat::number_of_executed_units|Done)' "$build/fuzz-$target.log" || true
    fi
done

if ((${#failed[@]})); then
    echo "crashes in: ${failed[*]} (inputs in $build/fuzz-artifacts/)" >&2
    exit 1
fi
echo "no crashes"
