#!/usr/bin/env bash
# The Windows program under Wine, with a real window (Qt's windows platform under Xvfb),
# against the stand-in service that scripts/test-windows.sh started (ZQ_TEST_SERVICE) on the
# port the program was built for: its window appears with the program's title, the service
# sees its software-information request, the plan page's request two seconds after start
# (no account) and again after signing in as demo from the login box, the plan area holds the
# browser control (no notice of a missing engine), the control's document mode is set for
# zq.exe in the registry, and Alt+F4 brings the close question in Chinese, whose OK ends the
# program with exit code 0.
# usage: smoke-windows.sh <zq.exe> <work folder> <service base URL the program was built for>
set -u
zq=$1 work=$2 base=$3
wine=/usr/lib/wine/wine64
title='栖木分分彩智能做号计划软件'

# The plan page's requests the service saw so far, as their queries.
plan_queries() {
    curl -s "${base}_test/log" | sed -n 's/.*"path":"\/plan\.php","query":"\([^"]*\)".*/\1/p'
}

if [ "${4:-}" = "--inside" ]; then
    # Qt's own messages to a file: a program without a console would send them to the debugger.
    WINEQT_FORCE_STDERR_LOGGING=1 WINEQT_QPA_PLATFORM=windows WINEQT_LOGGING_RULES='zq.browser.debug=true' \
        "$wine" "$zq" >"$work/zq.log" 2>&1 &
    pid=$!
    give_up() {
        echo "smoke: $1"
        kill -KILL "$pid" 2>/dev/null
        exit 1
    }
    # The first window whose title matches $1, waited for up to $2 tenths of a second while the
    # program runs.
    find_window() {
        local found
        for _ in $(seq "$2"); do
            found=$(xdotool search --name "$1" 2>/dev/null | head -1)
            [ -n "$found" ] && echo "$found" && return 0
            kill -0 "$pid" 2>/dev/null || return 1
            sleep 0.1
        done
        return 1
    }
    window=$(find_window "^$title" 200) || give_up "the window did not appear"
    # The plan page opens two seconds after start, for nobody yet.
    for _ in $(seq 150); do
        plan_queries | grep -qx 'u=&p=' && break
        sleep 0.1
    done
    plan_queries | grep -qx 'u=&p=' || give_up "no plan page request after start"
    # Signing in as a user does: the login link, the two fields, Enter. Places in the window's
    # pixels, from its layout table (twips / 15).
    xdotool mousemove --window "$window" 728 584 click 1
    sleep 0.5
    xdotool mousemove --window "$window" 660 573 click 1 key ctrl+a type --delay 20 demo
    xdotool mousemove --window "$window" 812 573 click 1 key ctrl+a type --delay 20 demo123
    xdotool key --window "$window" Return
    for _ in $(seq 150); do
        plan_queries | grep -qx 'u=demo&p=demo123' && break
        sleep 0.1
    done
    plan_queries | grep -qx 'u=demo&p=demo123' || give_up "no plan page request for demo after signing in"
    # Read back in the running program's Wine session, whose registry is not yet on disk.
    "$wine" reg query 'HKCU\Software\Microsoft\Internet Explorer\Main\FeatureControl\FEATURE_BROWSER_EMULATION' \
        /v zq.exe 2>/dev/null | tr -d '\r' | awk '$1 == "zq.exe" { print $3 }' >"$work/emulation.txt"
    sleep 0.5
    import -window root "$work/screenshot.png"
    xdotool key --window "$window" alt+F4
    question=$(find_window "^$title - 关闭提示\$" 100) || give_up "Alt+F4 brought no close question"
    import -window root "$work/question.png"
    xdotool key --window "$question" Return
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && give_up "the program did not end after the close question's OK"
    wait "$pid"
    code=$?
    echo "smoke: exit code $code"
    exit "$code"
fi

if [ -z "${ZQ_TEST_SERVICE:-}" ] || [ "$ZQ_TEST_SERVICE" != "$base" ]; then
    echo "smoke: the program was built for $base, the stand-in service runs at ${ZQ_TEST_SERVICE:-(none)}; skipped"
    exit 77
fi
mkdir -p "$work"
rm -f "$work"/*
curl -s -o /dev/null "${base}_test/clear"

# Wine binds its session to the X display it first met: a new one for this display, and
# after it one for the tests that follow, on the display of their own run.
wineserver -k 2>/dev/null
wineserver -w
# The sign-in saves the login beside the program; the build folder's own settings come back.
cfg="$(dirname "$zq")/cfg/cfg.ini"
[ -f "$cfg" ] && cp -p "$cfg" "$work/cfg.ini.before"
xvfb-run -a -s "-screen 0 1100x700x24" "$0" "$zq" "$work" "$base" --inside
code=$?
[ -f "$work/cfg.ini.before" ] && cp -p "$work/cfg.ini.before" "$cfg"
wineserver -k 2>/dev/null
wineserver -w
if [ "$code" -ne 0 ]; then
    echo "smoke: program failed with $code"
    tail -20 "$work/zq.log"
    exit 1
fi
if grep -q 'browser engine not loaded' "$work/zq.log" || ! grep -q 'browser control embedded' "$work/zq.log"; then
    echo "smoke: the plan area has no browser control"
    tail -20 "$work/zq.log"
    exit 1
fi
emulation=$(cat "$work/emulation.txt" 2>/dev/null)
if [ "$emulation" != "0x2af8" ]; then
    echo "smoke: the browser control's document mode for zq.exe is '${emulation}', not 0x2af8 (11000)"
    exit 1
fi
if ! curl -s "${base}_test/log" | grep -q 'caieventhandle.php'; then
    echo "smoke: the service saw no software-information request"
    exit 1
fi
echo "smoke: window shown, software information and plan page requested (u=&p=, then demo), browser control" \
    "embedded, document mode 11000, close question answered, exit code 0; screenshots in $work"
