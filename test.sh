#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds zq and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh build
export QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1
(cd build && ctest --output-on-failure -j2)
if [ -x scripts/test-sanitizers.sh ]; then
    scripts/test-sanitizers.sh
fi
