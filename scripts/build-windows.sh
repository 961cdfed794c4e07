#!/usr/bin/env bash
# Builds zq for Windows from Linux with MinGW-w64: scripts/build-windows.sh [folder] [extra cmake args...]
# The folder defaults to build-windows/; Qt is the MinGW Qt in ../shared/windows/qt6-mingw, or
# the one ZQ_WINDOWS_QT names. The programs land in <folder>/bin with the DLLs, plugins and
# catalogues they need beside them, ready for Windows or Wine. The same build without this
# script: cmake -S . -B <folder> -G Ninja with the toolchain options below.
# ZQ_WARNINGS_AS_ERRORS=ON in the environment (as CI has it) stops the build at any warning.
set -euo pipefail
cd "$(dirname "$0")/.."
qt=${ZQ_WINDOWS_QT:-../shared/windows/qt6-mingw}
if [ ! -f "$qt/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
    echo "build-windows: no Qt for MinGW in $qt (set ZQ_WINDOWS_QT)" >&2
    exit 1
fi
qt=$(cd "$qt" && pwd)
dir=${1:-build-windows}
shift || true
werror=()
[ -n "${ZQ_WARNINGS_AS_ERRORS:-}" ] && werror=("-DZQ_WARNINGS_AS_ERRORS=$ZQ_WARNINGS_AS_ERRORS")
if [ ! -f "$dir/build.ninja" ]; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_TOOLCHAIN_FILE="$qt/lib/cmake/Qt6/qt.toolchain.cmake" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake "${werror[@]}" "$@" >/dev/null
elif [ ${#werror[@]} -gt 0 ]; then
    cmake "$dir" "${werror[@]}" >/dev/null
fi
cmake --build "$dir" -j2
