#!/usr/bin/env bash
# clang-tidy (.clang-tidy's checks) over every source of src/ that this system builds, with the
# compile commands of a build folder: scripts/tidy.sh [build folder, default build/]. Quiet when
# clean; exits non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
if [ ! -f "$build/compile_commands.json" ]; then
    scripts/build.sh "$build" >/dev/null
fi
# The sources the build compiles (the other system's files are not in the compile commands).
mapfile -t sources < <(python3 - "$build/compile_commands.json" <<'PY'
import json, os, sys
root = os.getcwd() + "/src/"
seen = set()
for entry in json.load(open(sys.argv[1])):
    path = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
    if path.startswith(root) and path.endswith(".cpp") and path not in seen:
        seen.add(path)
        print(path)
PY
)
# Qt's logging macros are used with the category alone (qCDebug(lcText) << ...), which clang's
# -Wpedantic (from the build's flags) counts against a variadic macro; GCC, which builds it, does not.
printf '%s\0' "${sources[@]}" |
    xargs -0 -n 4 -P 2 clang-tidy -p "$build" --quiet --extra-arg=-Wno-gnu-zero-variadic-macro-arguments 2>/dev/null
echo "tidy: ${#sources[@]} files clean"
