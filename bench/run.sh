#!/usr/bin/env bash
# The client's benchmarks in one run: builds what they need in build-bench, starts the
# stand-in service, and prints every figure with its goal, then a table.
#
#   bench/run.sh [--quick] [--runs N] [--ticks N] [--idle SECONDS] [--no-build]
#
#   --runs N      start-up runs of the real program (default 7; the median counts)
#   --ticks N     count-down ticks timed one by one (default 500)
#   --idle S      seconds of idle, signed in, for the CPU figure (default 60)
#   --quick       3 runs, 200 ticks, 10 s idle, 50 requests per round trip
#   --no-build    use build-bench as it is
#
# The real program's hosts are fixed when it is built. The service runs on 8731, the
# default, when that port is free; otherwise on a free port, and build-bench is
# configured (and the program rebuilt) for that port.
#
# Needs: cmake, ninja, Xvfb, curl, procps (ps). Linux only (/proc).
set -euo pipefail
export LC_ALL=C

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ZQ_BENCH_BUILD:-$root/build-bench}"
runs=7
ticks=500
idle=60
requests=200
do_build=1
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) runs=$2; shift ;;
    --ticks) ticks=$2; shift ;;
    --idle) idle=$2; shift ;;
    --quick) runs=3; ticks=200; idle=10; requests=50 ;;
    --no-build) do_build=0 ;;
    -h | --help) sed -n '2,17p' "$0"; exit 0 ;;
    *) echo "bench/run.sh: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done

work="$(mktemp -d /tmp/zq-bench.XXXXXX)"
service_pid=""
xvfb_pid=""
client_pid=""
cleanup() {
    [ -n "$client_pid" ] && kill -KILL "$client_pid" 2>/dev/null || true
    [ -n "$service_pid" ] && kill "$service_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

say() { printf '%s\n' "$*"; }
# awk does the arithmetic: calc 'expression'
calc() { awk "BEGIN { printf \"%s\", $1 }"; }
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR == 0) print "nan"; else if (NR % 2) print v[(NR + 1) / 2]; else printf "%.1f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

rows=()
# row FIGURE MEASURED GOAL MET   (MET: yes, NO or "report")
row() { rows+=("$1|$2|$3|$4"); }
met_if() { if [ "$(calc "($1) ? 1 : 0")" = 1 ]; then echo yes; else echo NO; fi; }

say "zq benchmarks, $(date '+%Y-%m-%d %H:%M %Z')"
say "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), \
$(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo) memory, $(uname -sr)"
say "build: $build; load average at start: $(cut -d' ' -f1-3 /proc/loadavg)"
say ""

# --- build and service --------------------------------------------------------------

configure() {
    if [ ! -f "$build/CMakeCache.txt" ]; then
        cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZQ_BUILD_TESTS=OFF \
            -DZQ_BUILD_BENCH=ON "$@" >"$work/cmake.log" || { cat "$work/cmake.log"; exit 1; }
    elif [ $# -gt 0 ]; then
        cmake "$build" "$@" >"$work/cmake.log" || { cat "$work/cmake.log"; exit 1; }
    fi
}
build_targets() {
    [ "$do_build" = 1 ] || return 0
    cmake --build "$build" -j2 --target "$@" >"$work/build.log" 2>&1 || { tail -40 "$work/build.log"; exit 1; }
}

if [ "$do_build" = 1 ]; then
    configure
    build_targets zq-devservice
fi
bin="$build/bin"

start_service() {
    : >"$work/service.log"
    "$bin/zq-devservice" "$1" >"$work/service.log" 2>&1 &
    service_pid=$!
    for _ in $(seq 100); do
        grep -q "listening on" "$work/service.log" && return 0
        kill -0 "$service_pid" 2>/dev/null || break
        sleep 0.05
    done
    kill "$service_pid" 2>/dev/null || true
    wait "$service_pid" 2>/dev/null || true
    service_pid=""
    return 1
}
# cpp-httplib binds with SO_REUSEPORT: a second service on a taken port would start and share
# its connections with the first. So 8731 is used only when nobody listens there.
port_taken() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
if port_taken 8731 || ! start_service 8731; then
    start_service 0 || { say "bench: the stand-in service did not start"; cat "$work/service.log"; exit 1; }
fi
port=$(awk '/listening on/ { print $3 }' "$work/service.log")
base="http://127.0.0.1:$port/"
say "stand-in service: $base (pid $service_pid)"

built_base=$(sed -n 's/^ZQ_SERVICE_BASE:STRING=//p' "$build/CMakeCache.txt")
if [ "$built_base" != "$base" ]; then
    [ "$do_build" = 1 ] || { say "bench: build-bench was built for $built_base, the service is on $base"; exit 1; }
    say "configuring build-bench for $base"
    configure -DZQ_SERVICE_BASE="$base" -DZQ_TIME_SOURCE_URL="$base" -DZQ_REG_SITE="$base" -DZQ_DOWNLOAD_SITE="$base"
fi
build_targets zq bench_http bench_session
say ""

# --- the real program under one Xvfb: start-up and memory ----------------------------

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
[ -s "$work/display" ] || { say "bench: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
display=":$(head -1 "$work/display")"

# Starts the program; the time just before exec goes to $work/t0 (seconds, microseconds).
launch() {
    (
        export DISPLAY="$display" QTWEBENGINE_DISABLE_SANDBOX=1 QT_LOGGING_RULES="zq.app.debug=true"
        unset QT_QPA_PLATFORM
        exec >"$1" 2>&1
        printf '%s\n' "$EPOCHREALTIME" >"$work/t0"
        exec "$bin/zq"
    ) &
    client_pid=$!
}
stop_client() {
    local code=0
    kill -TERM "$client_pid" 2>/dev/null || true
    for _ in $(seq 200); do
        kill -0 "$client_pid" 2>/dev/null || break
        sleep 0.05
    done
    kill -KILL "$client_pid" 2>/dev/null && say "    (the program did not end on SIGTERM within 10 s)"
    wait "$client_pid" || code=$?
    client_pid=""
    return "$code"
}

say "Start-up: exec to the window first shown (real program, Xvfb $display), $runs runs"
: >"$work/startups"
for i in $(seq "$runs"); do
    launch "$work/start$i.log"
    shown=""
    for _ in $(seq 600); do
        shown=$(sed -n 's/.*first shown at \([0-9]*\) ms since the epoch.*/\1/p' "$work/start$i.log")
        [ -n "$shown" ] && break
        kill -0 "$client_pid" 2>/dev/null || break
        sleep 0.02
    done
    code=0
    stop_client || code=$?
    if [ -z "$shown" ]; then
        say "    run $i: no \"first shown\" line; the program said:"
        tail -5 "$work/start$i.log" | sed 's/^/        /'
        continue
    fi
    ms=$(calc "$shown - $(cat "$work/t0") * 1000")
    ms=$(printf '%.0f' "$ms")
    echo "$ms" >>"$work/startups"
    say "    run $i: $ms ms (exit code $code)"
done
startup=$(median <"$work/startups")
say "    median: $startup ms   (goal: under 300 ms)"
if [ "$startup" = nan ]; then
    row "start-up, exec to first show (median of $runs)" "no figure" "< 300 ms" NO
else
    row "start-up, exec to first show (median of $runs)" "$startup ms" "< 300 ms" "$(met_if "$startup < 300")"
fi
say ""

# The process and all its descendants, one pid a line, the process first.
descendants() {
    ps -eo pid=,ppid= | awk -v root="$1" '
        { kids[$2] = kids[$2] " " $1 }
        END { q[1] = root; n = 1
              for (i = 1; i <= n; i++) { print q[i]; m = split(kids[q[i]], a, " "); for (j = 1; j <= m; j++) q[++n] = a[j] } }'
}
kib() { awk -v key="$2" '$1 == key { print $2; found = 1 } END { if (!found) print 0 }' "$1" 2>/dev/null || echo 0; }

say "Memory with the plan page loaded (real program, anonymous page opened 2 s after start)"
curl -s -o /dev/null "${base}_test/clear"
launch "$work/memory.log"
sleep 6
client_pss=0 browser_pss=0 client_rss=0 browser_rss=0 nbrowser=0
for pid in $(descendants "$client_pid"); do
    pss=$(kib "/proc/$pid/smaps_rollup" "Pss:")
    rss=$(kib "/proc/$pid/status" "VmRSS:")
    name=$(cat "/proc/$pid/comm" 2>/dev/null || echo gone)
    say "    $(printf '%-18s pid %-7s PSS %7.1f MiB  RSS %7.1f MiB' "$name" "$pid" "$(calc "$pss / 1024")" "$(calc "$rss / 1024")")"
    if [ "$pid" = "$client_pid" ]; then
        client_pss=$pss client_rss=$rss
    else
        browser_pss=$((browser_pss + pss)) browser_rss=$((browser_rss + rss)) nbrowser=$((nbrowser + 1))
    fi
done
if curl -s "${base}_test/log" | grep -q '"path":"/plan.php'; then page="plan page requested"; else page="PLAN PAGE NOT REQUESTED"; fi
stop_client || true
mib() { printf '%.0f' "$(calc "$1 / 1024")"; }
say "    client $(mib "$client_pss") MiB PSS ($(mib "$client_rss") MiB RSS); $nbrowser browser processes \
$(mib "$browser_pss") MiB PSS ($(mib "$browser_rss") MiB RSS); total $(mib $((client_pss + browser_pss))) MiB PSS; $page"
row "memory, client process (PSS)" "$(mib "$client_pss") MiB" "report" report
row "memory, $nbrowser browser processes (PSS)" "$(mib "$browser_pss") MiB" "report" report
row "memory, total (PSS; RSS $(mib $((client_rss + browser_rss))) MiB)" "$(mib $((client_pss + browser_pss))) MiB" \
    "report" report
kill "$xvfb_pid" 2>/dev/null || true
wait "$xvfb_pid" 2>/dev/null || true
xvfb_pid=""
say ""

# --- requests: bench_http ---------------------------------------------------------------

say "Requests (bench_http, in-process loopback servers):"
"$root/bench/http/run.sh" "$build" --requests "$requests" | tee "$work/http.log" | sed 's/^/    /'
online="${base}spcenter/zqsso.php?a=online&code=zq_softinfo&u=demo&con=0&mac=0&&ver=v1.7&t=0"
say "Requests (bench_http against the stand-in service):"
"$root/bench/http/run.sh" "$build" --skip-wait --requests "$requests" --url "$online" | tee "$work/http-service.log" \
    | sed 's/^/    /'
wait_cpu=$(sed -n 's/^CPU time during one wait on a silent server: \([0-9.]*\) ms.*/\1/p' "$work/http.log")
ratios=($(sed -n 's/.*ratio of the medians: \([0-9.]*\).*/\1/p' "$work/http.log"))
ratio_service=$(sed -n 's/.*ratio of the medians: \([0-9.]*\).*/\1/p' "$work/http-service.log")
median_of() { sed -n "s/.*$1: *median \([0-9.]*\) ms.*/\1/p" "$2" | sed -n "${3}p"; }
row "CPU of one 10-s wait on a silent server" "${wait_cpu:-?} ms" "< 50 ms" "$(met_if "${wait_cpu:-1e9} < 50")"
row "getWebContent/curl, stand-in service ($(median_of getWebContent "$work/http-service.log" 1) / \
$(median_of "curl, same URL, one process" "$work/http-service.log" 1) ms)" "${ratio_service:-?}x" "<= 1.2x" \
    "$(met_if "${ratio_service:-1e9} <= 1.2")"
row "getWebContent/curl, loopback answering at once ($(median_of getWebContent "$work/http.log" 1) / \
$(median_of "curl, same URL, one process" "$work/http.log" 1) ms)" "${ratios[0]:-?}x" "<= 1.2x" \
    "$(met_if "${ratios[0]:-1e9} <= 1.2")"
row "getWebContent/curl, loopback answering after 20 ms ($(median_of getWebContent "$work/http.log" 2) / \
$(median_of "curl, same URL, one process" "$work/http.log" 2) ms)" "${ratios[1]:-?}x" "<= 1.2x" \
    "$(met_if "${ratios[1]:-1e9} <= 1.2")"
say ""

# --- signed in: bench_session ------------------------------------------------------------

say "Signed in (bench_session: the real window and browser engine, offscreen):"
curl -s -o /dev/null "${base}_test/clear"
set +e
QT_QPA_PLATFORM=offscreen QTWEBENGINE_DISABLE_SANDBOX=1 "$bin/bench_session" --service "$base" --ticks "$ticks" \
    --idle "$idle" >"$work/session.log" 2>"$work/session.err"
session_status=$?
set -e
grep -v '^@@ ' "$work/session.log" | sed 's/^/    /'
if [ "$session_status" != 0 ]; then
    say "    bench_session failed ($session_status); its error output ends with:"
    tail -10 "$work/session.err" | sed 's/^/        /'
fi
figure() { sed -n "s/^@@ $1 //p" "$work/session.log"; }
tick_p99=$(figure tick_p99_ms)
idle_pct=$(figure idle_percent)
if [ -n "$tick_p99" ]; then
    row "count-down tick, main thread, p99 wall (p50 $(printf '%.3f' "$(figure tick_p50_ms)") ms; p99 CPU \
$(printf '%.3f' "$(figure tick_cpu_p99_ms)") ms)" \
        "$(printf '%.3f' "$tick_p99") ms" "< 1 ms" "$(met_if "$tick_p99 < 1")"
    row "tick to its page read answered, p99 (async)" "$(figure tick_read_p99_ms) ms" "report" report
else
    row "count-down tick, main thread, p99" "no figure" "< 1 ms" NO
fi
if [ -n "$idle_pct" ]; then
    row "CPU idle signed in, ${idle} s (client $(figure idle_client_ms) + browser $(figure idle_browser_ms) ms)" \
        "$(printf '%.2f' "$idle_pct")% of a core" "< 1%" "$(met_if "$idle_pct < 1")"
else
    row "CPU idle signed in, ${idle} s" "no figure" "< 1%" NO
fi
say ""

# --- the table --------------------------------------------------------------------------

say "| figure | measured | goal | met? |"
say "|---|---|---|---|"
missed=0
for r in "${rows[@]}"; do
    IFS='|' read -r f m g ok <<<"$r"
    say "| $f | $m | $g | $ok |"
    [ "$ok" = NO ] && missed=$((missed + 1))
done
say ""
say "$missed goal(s) missed. Load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
