#!/usr/bin/env bash
# Configures and builds one build folder: scripts/build.sh [folder] [extra cmake args...]
# ZQ_WARNINGS_AS_ERRORS=ON in the environment (as CI has it) stops the build at any warning.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
shift || true
werror=()
[ -n "${ZQ_WARNINGS_AS_ERRORS:-}" ] && werror=("-DZQ_WARNINGS_AS_ERRORS=$ZQ_WARNINGS_AS_ERRORS")
if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${werror[@]}" "$@" >/dev/null
elif [ ${#werror[@]} -gt 0 ]; then
    cmake "$dir" "${werror[@]}" >/dev/null
fi
cmake --build "$dir" -j2
