#!/usr/bin/env bash
# Builds zq for Windows (scripts/build-windows.sh) and runs its tests under Wine:
#   scripts/test-windows.sh [folder]          (folder: build-windows/)
# The tests are CTest's own list of the Windows build, run one at a time with wine64 in a
# new temporary prefix whose ANSI code page is 936, as on a Chinese Windows, on an X server of
# their own, each with the environment CTest gives it. Tests that need the stand-in service use the Linux
# zq-devservice, started here and named to them in ZQ_TEST_SERVICE. Then the installer's
# test, where there is one. Ends with the line "N passed, N failed".
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows}
wine=/usr/lib/wine/wine64
start=$SECONDS

scripts/setup.sh
scripts/build-windows.sh "$dir"
# The stand-in service is a Linux program; it comes from the Linux build folder.
if [ ! -f build/build.ninja ]; then
    cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build build --target zq-devservice -j2 >/dev/null
built=$SECONDS

# Wine takes its ANSI code page from the Unix locale: without zh_CN.UTF-8 it would be 1252.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf-\?8'; then
    echo "test-windows: the zh_CN.UTF-8 locale is missing (scripts/setup.sh makes it)" >&2
    exit 1
fi

work=$(mktemp -d /tmp/zq-windows-tests.XXXXXX)
mkdir -p "$work/home" "$work/results"
service_pid=""
xvfb_pid=""
cleanup() {
    [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null || true
    WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

# An X server of the run's own: the browser control's tests embed it in real native windows,
# which Wine makes only where it has a display. The other tests draw offscreen.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
if [ ! -s "$work/display" ]; then
    echo "test-windows: Xvfb did not start" >&2
    exit 1
fi
export DISPLAY=":$(head -n 1 "$work/display")"

# Wine's own folders and the user's (AppData, the desktop) inside the temporary folder.
export WINEPREFIX="$work/prefix" WINEARCH=win64 WINEDEBUG=-all HOME="$work/home"
LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8 "$wine" wineboot --init >/dev/null 2>&1
wineserver -w

# The stand-in service on the port the program was built for, where that is the local stand-in
# service, so that the program itself can run against it too; on any free port where it is
# not, or where that port is taken (then the program's own test is skipped).
start_service() {
    build/bin/zq-devservice "$1" >"$work/service.out" 2>"$work/service.err" &
    service_pid=$!
    port=""
    for _ in $(seq 100); do
        port=$(sed -n 's/^listening on \([0-9]*\)$/\1/p' "$work/service.out")
        [ -n "$port" ] && return 0
        kill -0 "$service_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill "$service_pid" 2>/dev/null || true
    service_pid=""
    return 1
}
base=$(sed -n 's/^ZQ_SERVICE_BASE:[A-Z]*=//p' "$dir/CMakeCache.txt")
service_port=$(printf '%s' "$base" | sed -nE 's#^http://127\.0\.0\.1:([0-9]+)/$#\1#p')
if ! start_service "${service_port:-0}" && ! { [ -n "$service_port" ] && start_service 0; }; then
    echo "test-windows: zq-devservice did not start" >&2
    cat "$work/service.err" >&2
    exit 1
fi
export ZQ_TEST_SERVICE="http://127.0.0.1:$port/"

ctest --test-dir "$dir" --show-only=json-v1 >"$work/tests.json"
cmake -DJSON="$work/tests.json" -DOUT="$work/tests.list" -P cmake/list-tests.cmake

passed=0
failed=0
skipped=0
rows_passed=0
rows_failed=0
rows_skipped=0
failures=()
while IFS=$'\x1e' read -r name timeout folder environment command; do
    IFS=$'\x1f' read -r -a words <<<"$command"
    IFS=$'\x1f' read -r -a variables <<<"$environment"
    # Wine hands a Unix variable named QT_... to Windows programs only as WINEQT_...
    settings=(LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8)
    for variable in "${variables[@]}"; do
        case $variable in
        QT_*) settings+=("WINE$variable") ;;
        *) settings+=("$variable") ;;
        esac
    done
    result="$work/results/$name.txt"
    began=$SECONDS
    status=0
    if [[ ${words[0]} == *.exe ]]; then
        # QTest's console output does not reach a Unix terminal from Wine: it goes to a file.
        (cd "${folder:-.}" && env "${settings[@]}" timeout -k 10 "$timeout" \
            "$wine" "${words[@]}" -o "Z:$result,txt" >"$work/results/$name.out" 2>&1) || status=$?
    else
        (cd "${folder:-.}" && env "${settings[@]}" timeout -k 10 "$timeout" "${words[@]}" >"$result" 2>&1) || status=$?
    fi
    totals=$(grep -m1 '^Totals:' "$result" 2>/dev/null || true)
    if [[ $totals =~ ^Totals:\ ([0-9]+)\ passed,\ ([0-9]+)\ failed,\ ([0-9]+)\ skipped ]]; then
        rows_passed=$((rows_passed + BASH_REMATCH[1]))
        rows_failed=$((rows_failed + BASH_REMATCH[2]))
        rows_skipped=$((rows_skipped + BASH_REMATCH[3]))
    fi
    if [ "$status" -eq 77 ] && [[ ${words[0]} != *.exe ]]; then
        skipped=$((skipped + 1))
        printf '%-24s skipped %4d s  %s\n' "$name" $((SECONDS - began)) "$(tail -n 1 "$result")"
    elif [ "$status" -eq 0 ]; then
        passed=$((passed + 1))
        if [ -n "$totals" ]; then
            printf '%-24s passed  %4d s  %s\n' "$name" $((SECONDS - began)) "${totals#Totals: }"
        else
            printf '%-24s passed  %4d s  %s\n' "$name" $((SECONDS - began)) "$(tail -n 1 "$result")"
        fi
    else
        failed=$((failed + 1))
        failures+=("$name")
        printf '%-24s FAILED  %4d s  exit %d  %s\n' "$name" $((SECONDS - began)) "$status" "${totals#Totals: }"
        if [[ ${words[0]} == *.exe ]]; then
            grep -A4 -E '^(FAIL!|QFATAL)' "$result" 2>/dev/null | sed 's/^/    /' || true
            tail -n 20 "$work/results/$name.out" 2>/dev/null | sed 's/^/    /' || true
        else
            tail -n 20 "$result" | sed 's/^/    /' || true
        fi
    fi
done <"$work/tests.list"
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
tested=$SECONDS

# The installer: built from this folder, installed and removed in a Wine prefix of its own
# (none is set for it); the stand-in service still runs for it, on the port the program was
# built for, named in ZQ_TEST_SERVICE, and HOME is still the temporary one.
if [ -x scripts/test-installer.sh ]; then
    began=$SECONDS
    if env -u WINEPREFIX scripts/test-installer.sh "$dir"; then
        passed=$((passed + 1))
        printf '%-24s passed  %4d s\n' "installer" $((SECONDS - began))
    else
        failed=$((failed + 1))
        failures+=("installer")
        printf '%-24s FAILED  %4d s\n' "installer" $((SECONDS - began))
    fi
fi

kill "$service_pid" 2>/dev/null || true
wait "$service_pid" 2>/dev/null || true
service_pid=""

echo "windows: build $((built - start)) s, tests $((tested - built)) s, installer $((SECONDS - tested)) s;" \
    "rows $rows_passed passed, $rows_failed failed, $rows_skipped skipped; tests skipped: $skipped"
[ ${#failures[@]} -eq 0 ] || echo "windows: failed: ${failures[*]}"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
