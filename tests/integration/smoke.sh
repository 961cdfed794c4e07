#!/usr/bin/env bash
# Starts the built program under Xvfb against the stand-in service, waits for its window,
# takes a screenshot, starts it a second time (that start must end at once with 0, leave one
# window and send the service nothing), ends it with SIGTERM and checks the exit code and the
# service's log: one software-information request, and the plan page fetched by the browser
# engine, which the program loads from its module when it opens the page.
# usage: smoke.sh <zq> <zq-devservice> <work folder> <service base URL>
set -u
zq=$1 dev=$2 work=$3 base=$4
port=$(printf '%s' "$base" | sed -nE 's#^http://127\.0\.0\.1:([0-9]+)/.*#\1#p')

if [ "${5:-}" = "--inside" ]; then
    # A real X window, whatever platform the test run chose for the other tests.
    export QT_QPA_PLATFORM=xcb
    # The single-copy guard says in the log when a later start asked the window forward.
    QT_LOGGING_RULES="zq.desktop.debug=true" "$zq" >"$work/zq.log" 2>&1 &
    pid=$!
    shown=""
    for _ in $(seq 200); do
        if xwininfo -root -tree 2>/dev/null | grep -q '栖木分分彩智能做号计划软件'; then
            shown=yes
            break
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    if [ -z "$shown" ]; then
        echo "smoke: the window did not appear"
        kill -KILL "$pid" 2>/dev/null
        exit 1
    fi
    # The plan page opens two seconds after start.
    for _ in $(seq 150); do
        curl -s "http://127.0.0.1:$port/_test/log" | grep -q '/plan.php' && break
        sleep 0.1
    done
    import -window root "$work/screenshot.png"
    windows=$(xwininfo -root -tree | grep -c '栖木分分彩智能做号计划软件')
    # A second start beside the first: it ends at once, and the first stays with its window.
    timeout 20 "$zq" >"$work/second.log" 2>&1
    second=$?
    if [ "$second" -ne 0 ] || ! kill -0 "$pid" 2>/dev/null; then
        echo "smoke: a second start ended with $second (the first is $(kill -0 "$pid" 2>/dev/null && echo running || echo gone))"
        cat "$work/second.log"
        kill -KILL "$pid" 2>/dev/null
        exit 1
    fi
    if [ "$(xwininfo -root -tree | grep -c '栖木分分彩智能做号计划软件')" -ne "$windows" ]; then
        echo "smoke: a second start changed the windows"; xwininfo -root -tree | grep '栖木'
        kill -KILL "$pid" 2>/dev/null
        exit 1
    fi
    for _ in $(seq 50); do
        grep -q 'another start asked this copy to come to the front' "$work/zq.log" && break
        sleep 0.1
    done
    if ! grep -q 'another start asked this copy to come to the front' "$work/zq.log"; then
        echo "smoke: the running copy was not asked to come forward"
        kill -KILL "$pid" 2>/dev/null
        exit 1
    fi
    kill -TERM "$pid"
    wait "$pid"
    code=$?
    echo "smoke: exit code $code"
    exit "$code"
fi

if [ -z "$port" ]; then
    echo "smoke: the program was built for $base, not the local stand-in service; skipped"
    exit 77
fi
mkdir -p "$work"
rm -rf "${work:?}"/*
# A runtime folder of the run's own, where the program's single-copy socket lives: a copy the
# developer has open is not the one this run starts.
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"

"$dev" "$port" >"$work/devservice.log" 2>&1 &
devpid=$!
trap 'kill "$devpid" 2>/dev/null' EXIT
for _ in $(seq 100); do
    grep -q "listening on" "$work/devservice.log" 2>/dev/null && break
    sleep 0.1
done
if ! grep -q "listening on" "$work/devservice.log"; then
    echo "smoke: the stand-in service did not start on port $port"
    cat "$work/devservice.log"
    exit 1
fi

xvfb-run -a -s "-screen 0 1100x700x24" "$0" "$zq" "$dev" "$work" "$base" --inside
code=$?
if [ "$code" -ne 0 ]; then
    echo "smoke: program failed with $code"; tail -20 "$work/zq.log"
    exit 1
fi
[ -s "$work/screenshot.png" ] || { echo "smoke: no screenshot"; exit 1; }
log=$(curl -s "http://127.0.0.1:$port/_test/log")
requests=$(printf '%s\n' "$log" | grep -c 'caieventhandle.php')
if [ "$requests" -ne 1 ]; then
    echo "smoke: the service saw $requests software-information requests, not the first start's one"
    exit 1
fi
if ! printf '%s' "$log" | grep -q '/plan.php'; then
    echo "smoke: the browser engine never fetched the plan page"; tail -20 "$work/zq.log"
    exit 1
fi
echo "smoke: window shown, screenshot at $work/screenshot.png, a second start ended at once, exit code 0, software information requested once, plan page fetched"
