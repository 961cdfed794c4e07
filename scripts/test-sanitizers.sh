#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer (preset "asan",
# folder build-asan) and runs the tests there, except those that run the embedded browser
# (labels browser and e2e): the engine's in-process half aborts under AddressSanitizer on a
# new/delete size mismatch inside the engine's own library. The options that make every
# finding fatal live in the "asan" test preset of CMakePresets.json, so
# `ctest --preset asan` gives a developer the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
start=$SECONDS
cmake --preset asan ${ZQ_WARNINGS_AS_ERRORS:+-DZQ_WARNINGS_AS_ERRORS=$ZQ_WARNINGS_AS_ERRORS} >/dev/null
cmake --build --preset asan
built=$SECONDS
status=0
ctest --preset asan || status=$?
echo "sanitizers: build $((built - start)) s, tests $((SECONDS - built)) s"
exit $status
