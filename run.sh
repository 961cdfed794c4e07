#!/usr/bin/env bash
# Sets up, builds, starts the stand-in service (unless it already runs) and the client.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
scripts/build.sh build
port=8731
started=""
if ! curl -s -o /dev/null --max-time 1 "http://127.0.0.1:$port/_test/ping"; then
    build/bin/zq-devservice "$port" >/tmp/zq-devservice.log 2>&1 &
    started=$!
    for _ in $(seq 50); do
        curl -s -o /dev/null --max-time 1 "http://127.0.0.1:$port/_test/ping" && break
        sleep 0.1
    done
fi
# The browser engine's sandbox refuses to start as root.
[ "$(id -u)" -eq 0 ] && export QTWEBENGINE_DISABLE_SANDBOX=1
stop_service() { [ -n "$started" ] && kill "$started" 2>/dev/null || true; }
trap stop_service EXIT
status=0
build/bin/zq || status=$?
exit $status
