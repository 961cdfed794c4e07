#!/usr/bin/env bash
# The client's benchmarks in one run. Builds what they need in build-bench, starts the
# stand-in service and one Xvfb, and prints every figure with its goal, then a table that
# bench/RESULTS.md keeps.
#
#   bench/run.sh [--quick] [--runs N] [--mem-runs N] [--ticks N] [--idle SECONDS] [--no-build]
#   bench/run.sh --soak [MINUTES] [--report-period S] [--no-build]
#
#   --runs N      start-ups of each program (default 9; the median counts)
#   --mem-runs N  memory samples of each program (default 3; the median counts)
#   --ticks N     count-down ticks timed one by one (default 500)
#   --idle S      seconds of idle, signed in, for the CPU figure (default 60)
#   --quick       5 start-ups, 1 memory sample, 200 ticks, 10 s idle, 50 requests
#   --no-build    use build-bench as it is
#   --soak [M]    instead of all the above: a long day in M minutes (default 30), the signed-in
#                 window (bench_session --soak) with the online report every S seconds
#                 (--report-period, default 18: about 100 reports in 30 minutes) while the
#                 stand-in service misbehaves now and then; memory every minute, the requests
#                 the service saw report by report. Not part of the default run.
#
# Start-up and memory are measured against floors: programs of bench/floor that do the least
# Qt needs for the same window, run in the same Xvfb, interleaved with zq (one start of each
# in turn, the order rotating), so that whatever else the machine does hits all of them:
#
#   floor_window   an empty 1015 x 610 QWidget: the floor of the start-up goals
#   floor_texts    the same window with only what zq's first frame shows (zq's visible
#                  controls, built by zq's own layout code): what Qt costs to put these
#                  Chinese texts on screen; reported
#   floor_webview  the same window with a QWebEngineView, engine defaults, opening the same
#                  plan page two seconds after start, as zq does: the floor of the memory goal
#
# Each program logs "first shown" and "first frame painted" (zq.window) and its start-up steps
# with wall and CPU time (zq.window too); the breakdown below is made of those lines.
#
# Memory is PSS, which shares a page among all processes on the machine that map it: another
# program running the browser engine meanwhile lowers both figures (the ratio holds up
# better than the figures). USS, the pages the tree holds privately, is printed beside it.
#
# The real program's hosts are fixed when it is built. The service runs on 8731, the
# default, when that port is free; otherwise on a free port, and build-bench is configured
# (and the program rebuilt) for that port. As root the engine runs without its sandbox,
# which it refuses as root; as any other user with it, as users run the program.
#
# The machine should be quiet: the figures are medians, and the ratios compare programs
# measured side by side, but two cores shared with a compiler give noisy single runs. The
# load average is printed at the start and end of each part.
#
# Needs: cmake, ninja, Xvfb, curl, procps (ps). Linux only (/proc).
set -euo pipefail
export LC_ALL=C

root="$(cd "$(dirname "$0")/.." && pwd)"
build="${ZQ_BENCH_BUILD:-$root/build-bench}"
runs=9
mem_runs=3
ticks=500
idle=60
requests=200
do_build=1
soak=0
report_period=18
while [ $# -gt 0 ]; do
    case "$1" in
    --runs) runs=$2; shift ;;
    --mem-runs) mem_runs=$2; shift ;;
    --ticks) ticks=$2; shift ;;
    --idle) idle=$2; shift ;;
    --quick) runs=5; mem_runs=1; ticks=200; idle=10; requests=50 ;;
    --no-build) do_build=0 ;;
    --soak)
        soak=30
        if [[ ${2:-} =~ ^[0-9]+$ ]]; then soak=$2; shift; fi ;;
    --report-period) report_period=$2; shift ;;
    -h | --help) sed -n '2,48p' "$0"; exit 0 ;;
    *) echo "bench/run.sh: unknown option $1" >&2; exit 2 ;;
    esac
    shift
done

# As root the engine refuses its sandbox; as anyone else it keeps it, as users run the program.
sandbox_off=""
[ "$(id -u)" = 0 ] && sandbox_off=1
work="$(mktemp -d /tmp/zq-bench.XXXXXX)"
# The programs' own runtime folder: a zq the user has open does not meet the ones started here.
mkdir -m 700 "$work/runtime"
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
load() { cut -d' ' -f1-3 /proc/loadavg; }

rows=()
# row FIGURE MEASURED GOAL MET   (MET: yes, NO or "report")
row() { rows+=("$1|$2|$3|$4"); }
met_if() { if [ "$(calc "($1) ? 1 : 0")" = 1 ]; then echo yes; else echo NO; fi; }
# The rows as the Markdown table that bench/RESULTS.md keeps, and how many goals were missed.
print_table() {
    local missed=0 f m g ok
    say "| figure | measured | goal | met? |"
    say "|---|---|---|---|"
    for r in "${rows[@]}"; do
        IFS='|' read -r f m g ok <<<"$r"
        say "| $f | $m | $g | $ok |"
        [ "$ok" = NO ] && missed=$((missed + 1))
    done
    say ""
    say "$missed goal(s) missed. Load average at the end: $(load)"
}

say "zq benchmarks, $(date '+%Y-%m-%d %H:%M %Z')"
say "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'), \
$(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo) memory, $(uname -sr)"
say "build: $build; user: $(id -un); load average at start: $(load)"
if [ "$(calc "($(cut -d' ' -f1 /proc/loadavg) > 1.0) ? 1 : 0")" = 1 ]; then
    say "NOTE: the machine is busy (load average above 1 on $(nproc) cores); single runs will scatter."
fi
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
# A second service on a taken port would fail or share its connections, so 8731 is used only
# when nobody listens there. The soak tells its window the address and counts every request
# the service sees: on the default port, any program built for it (another checkout's zq or
# tests, started meanwhile) would add its own, so the soak's service takes a free port.
port_taken() { (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }
if [ "$soak" -gt 0 ] || port_taken 8731 || ! start_service 8731; then
    start_service 0 || { say "bench: the stand-in service did not start"; cat "$work/service.log"; exit 1; }
fi
port=$(awk '/listening on/ { print $3 }' "$work/service.log")
base="http://127.0.0.1:$port/"
plan_page="${base}plan.php?u=&p="
say "stand-in service: $base (pid $service_pid)"

# session ARGS...: bench_session against the service, offscreen.
session() {
    (
        [ -n "$sandbox_off" ] && export QTWEBENGINE_DISABLE_SANDBOX=1
        unset QTWEBENGINE_CHROMIUM_FLAGS
        QT_QPA_PLATFORM=offscreen exec "$bin/bench_session" --service "$base" "$@"
    )
}

# --- the soak: a long day, on its own ----------------------------------------------------

if [ "$soak" -gt 0 ]; then
    # bench_session is given the service's address: the build's fixed hosts do not matter.
    build_targets bench_session
    say ""
    say "Soak (bench_session --soak: the real window and browser engine, offscreen), $soak minutes:"
    say "    load average before: $(load)"
    curl -s -o /dev/null "${base}_test/clear"
    set +e
    session --soak "$soak" --report-period "$report_period" 2>"$work/soak.err" | tee "$work/soak.log" | grep --line-buffered -v '^@@ ' | sed -u 's/^/    /'
    soak_status=${PIPESTATUS[0]}
    set -e
    if [ "$soak_status" != 0 ]; then
        say "    bench_session --soak ended with $soak_status; its error output ends with:"
        tail -10 "$work/soak.err" | sed 's/^/        /'
    fi
    say "    load average after: $(load)"
    say ""
    figure() { sed -n "s/^@@ $1 //p" "$work/soak.log"; }
    growth=$(figure soak_pss_growth_mib)
    last_minute=$(figure soak_last_minute)
    if [ -n "$growth" ]; then
        row "memory, PSS of the process tree, minute 1 to $last_minute ($(figure soak_pss_first_mib) → \
$(figure soak_pss_last_mib) MiB)" "$growth MiB" "< 5 MiB" "$(met_if "$growth < 5")"
        row "memory, its anonymous and shared-memory part, minute 1 to $last_minute (client \
$(figure soak_client_anon_growth_mib), browser $(figure soak_browser_anon_growth_mib) MiB; the browser's fell \
$(figure soak_browser_anon_falls) times)" "$(figure soak_anon_growth_mib) MiB" "report" report
    else
        row "memory, PSS of the process tree, minute 1 to $soak" "no figure" "< 5 MiB" NO
    fi
    reports=$(figure soak_reports)
    if [ -n "$reports" ]; then
        row "online reports in $(figure soak_periods) periods of $report_period s (gaps \
$(figure soak_min_gap_s)–$(figure soak_max_gap_s) s)" "$reports" "report" report
        row "online requests within any half report period" "$(figure soak_max_online_in_half_period)" "exactly 1" \
            "$(met_if "$(figure soak_max_online_in_half_period) == 1")"
        row "software-information posts per report, at most" "$(figure soak_max_softinfo)" "<= 2" \
            "$(met_if "$(figure soak_max_softinfo) <= 2")"
        row "time-source reads per report, at most" "$(figure soak_max_time_reads)" "report" report
        row "the service's requests within any one second, at most (plan page aside)" \
            "$(figure soak_max_requests_in_second)" "report" report
        row "CPU of the process tree over the soak" "$(figure soak_cpu_percent)% of a core" "report" report
    fi
    row "window up, signed in, plan page mirrored at the end (no crash)" \
        "$(if [ "$(figure soak_window_up)" = 1 ]; then echo yes; else echo no; fi)" "yes" \
        "$(if [ "$(figure soak_window_up)" = 1 ] && [ "$soak_status" = 0 ]; then echo yes; else echo NO; fi)"
    print_table
    exit 0
fi

built_base=$(sed -n 's/^ZQ_SERVICE_BASE:STRING=//p' "$build/CMakeCache.txt")
if [ "$built_base" != "$base" ]; then
    [ "$do_build" = 1 ] || { say "bench: build-bench was built for $built_base, the service is on $base"; exit 1; }
    say "configuring build-bench for $base"
    configure -DZQ_SERVICE_BASE="$base" -DZQ_TIME_SOURCE_URL="$base" -DZQ_REG_SITE="$base" -DZQ_DOWNLOAD_SITE="$base"
fi
build_targets zq zq_webengine floor_window floor_texts floor_webview bench_http bench_session
say ""

# --- programs under one Xvfb ---------------------------------------------------------

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.05
done
[ -s "$work/display" ] || { say "bench: Xvfb did not start"; cat "$work/xvfb.log"; exit 1; }
display=":$(head -1 "$work/display")"

# launch LOG PROGRAM [ARGS...]: starts it; the time just before exec goes to $work/t0
# (seconds, microseconds).
launch() {
    local log=$1
    shift
    (
        export DISPLAY="$display" QT_LOGGING_RULES="zq.window.debug=true" XDG_RUNTIME_DIR="$work/runtime"
        [ -n "$sandbox_off" ] && export QTWEBENGINE_DISABLE_SANDBOX=1
        unset QT_QPA_PLATFORM QTWEBENGINE_CHROMIUM_FLAGS
        exec >"$log" 2>&1
        printf '%s\n' "$EPOCHREALTIME" >"$work/t0"
        exec "$@"
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

program_of() {
    case "$1" in
    zq) echo "$bin/zq" ;;
    *) echo "$bin/$1" ;;
    esac
}

# --- start-up --------------------------------------------------------------------------

say "Start-up: exec to first shown / to first frame painted, ms (Xvfb $display), $runs runs of each, interleaved"
say "    load average before: $(load)"
startup_programs=(floor_window floor_texts zq)
: >"$work/marks"
for i in $(seq "$runs"); do
    line="    run $i:"
    # The order rotates, so that no program always comes first after a pause.
    n=${#startup_programs[@]}
    for k in $(seq 0 $((n - 1))); do
        name=${startup_programs[$(((i + k) % n))]}
        log="$work/start-$name-$i.log"
        launch "$log" "$(program_of "$name")"
        painted=""
        for _ in $(seq 500); do
            grep -q "first frame painted at" "$log" && { painted=1; break; }
            kill -0 "$client_pid" 2>/dev/null || break
            sleep 0.01
        done
        code=0
        stop_client || code=$?
        t0=$(cat "$work/t0")
        if [ -z "$painted" ]; then
            line="$line $name: no frame (exit $code);"
            say "    $name, run $i: no \"first frame painted\" line; the program said:"
            tail -5 "$log" | sed 's/^/        /'
            continue
        fi
        # name|run|step|wall ms since exec|process CPU ms
        awk -v t0="$t0" -v name="$name" -v run="$i" '
            /zq[.]window: start-up step / {
                sub(/.*zq[.]window: start-up step /, ""); split($0, a, " at "); split(a[2], b, " cpu ")
                printf "%s|%s|%s|%.3f|%.3f\n", name, run, a[1], b[1] / 1000 - t0 * 1000, b[2] / 1000 }
            /zq[.]window: first shown at / { sub(/.* first shown at /, ""); printf "%s|%s|SHOWN|%.3f|\n", name, run, $1 - t0 * 1000 }
            /zq[.]window: first frame painted at / { sub(/.* painted at /, ""); printf "%s|%s|PAINTED|%.3f|\n", name, run, $1 - t0 * 1000 }
        ' "$log" >>"$work/marks"
        shown=$(awk -F'|' -v n="$name" -v r="$i" '$1 == n && $2 == r && $3 == "SHOWN" { printf "%.0f", $4 }' "$work/marks")
        paint=$(awk -F'|' -v n="$name" -v r="$i" '$1 == n && $2 == r && $3 == "PAINTED" { printf "%.0f", $4 }' "$work/marks")
        line="$line $name $shown/$paint;"
    done
    say "$line"
done
say "    load average after: $(load)"

# figure NAME STEP: the median of one logged moment over the runs (ms since exec)
figure_of() {
    local m
    m=$(awk -F'|' -v n="$1" -v s="$2" '$1 == n && $3 == s { print $4 }' "$work/marks" | median)
    if [ "$m" = nan ]; then echo nan; else printf '%.0f' "$m"; fi
}
declare -A shown painted
for name in "${startup_programs[@]}"; do
    shown[$name]=$(figure_of "$name" SHOWN)
    painted[$name]=$(figure_of "$name" PAINTED)
done
say ""
say "    median, ms            first shown   first frame painted"
for name in "${startup_programs[@]}"; do
    say "$(printf '    %-20s %11s   %19s' "$name" "${shown[$name]}" "${painted[$name]}")"
done
ratio() { if [ "$1" = nan ] || [ "$2" = nan ]; then echo nan; else calc "sprintf(\"%.2f\", $1 / $2)"; fi; }
shown_ratio=$(ratio "${shown[zq]}" "${shown[floor_window]}")
paint_ratio=$(ratio "${painted[zq]}" "${painted[floor_window]}")
say "    zq / floor_window: ${shown_ratio}x to first show (${shown[zq]} / ${shown[floor_window]} ms), \
${paint_ratio}x to first frame (${painted[zq]} / ${painted[floor_window]} ms); goal: at most 1.10x"
say "    zq / floor_texts:  $(ratio "${shown[zq]}" "${shown[floor_texts]}")x to first show, \
$(ratio "${painted[zq]}" "${painted[floor_texts]}")x to first frame (reported)"
goal_met() { if [ "$1" = nan ]; then echo NO; else met_if "$1 <= 1.10"; fi; }
row "start-up, exec to first show: zq / floor_window (${shown[zq]} / ${shown[floor_window]} ms)" \
    "${shown_ratio}x" "<= 1.10x" "$(goal_met "$shown_ratio")"
row "start-up, exec to first frame painted: zq / floor_window (${painted[zq]} / ${painted[floor_window]} ms)" \
    "${paint_ratio}x" "<= 1.10x" "$(goal_met "$paint_ratio")"
row "start-up, exec to first show / first frame: floor_texts (the same Chinese texts, nothing else)" \
    "${shown[floor_texts]} / ${painted[floor_texts]} ms" "report" report

# The breakdown: per step, the median over the runs of the time since the step before.
say ""
say "    Where the time goes (median over the runs of each step's share, wall ms / process CPU ms):"
awk -F'|' -v progs="${startup_programs[*]}" '
    $3 == "SHOWN" || $3 == "PAINTED" { next }
    {
        key = $1 "|" $2
        if (!(key in count)) { count[key] = 0 }
        i = ++count[key]; step[key, i] = $3; wall[key, i] = $4; cpu[key, i] = $5
        if (!(($1, $3) in known)) { known[$1, $3] = 1; order[$1] = order[$1] "|" $3 }
        runs[$1] = runs[$1] " " $2
    }
    function med(list,   n, v, a, b, x) {
        n = split(list, v, " "); if (n == 0) return "";
        for (a = 2; a <= n; a++) { x = v[a]; b = a - 1; while (b > 0 && v[b] + 0 > x + 0) { v[b + 1] = v[b]; b-- } v[b + 1] = x }
        return (n % 2) ? v[(n + 1) / 2] : (v[n / 2] + v[n / 2 + 1]) / 2
    }
    END {
        np = split(progs, p, " ")
        for (k = 1; k <= np; k++) {
            name = p[k]; printf "    %s\n", name
            ns = split(substr(order[name], 2), steps, "|")
            for (s = 1; s <= ns; s++) { dw = ""; dc = "" 
                for (key in count) {
                    split(key, kk, "|"); if (kk[1] != name) continue
                    prevw = 0; prevc = 0; found = 0
                    for (i = 1; i <= count[key]; i++) {
                        if (step[key, i] == steps[s]) { dw = dw " " (wall[key, i] - prevw); dc = dc " " (cpu[key, i] - prevc); found = 1; break }
                        prevw = wall[key, i]; prevc = cpu[key, i]
                    }
                }
                printf "        %-28s %7.1f %7.1f\n", (s == 1 ? "exec -> " : "-> ") steps[s], med(dw), med(dc)
            }
        }
    }' "$work/marks" | tee "$work/breakdown"
say ""

# --- memory ----------------------------------------------------------------------------

# The process and all its descendants, one pid a line, the process first.
descendants() {
    ps -eo pid=,ppid= | awk -v root="$1" '
        { kids[$2] = kids[$2] " " $1 }
        END { q[1] = root; n = 1
              for (i = 1; i <= n; i++) { print q[i]; m = split(kids[q[i]], a, " "); for (j = 1; j <= m; j++) q[++n] = a[j] } }'
}
kib() { awk -v key="$2" '$1 == key { print $2; found = 1 } END { if (!found) print 0 }' "$1" 2>/dev/null || echo 0; }
mib() { printf '%.0f' "$(calc "$1 / 1024")"; }

say "Memory: PSS of the whole process tree 10 s after start, plan page opened at 2 s, $mem_runs samples of each"
say "    load average before: $(load)"
memory_programs=(floor_webview zq)
: >"$work/memory"
for i in $(seq "$mem_runs"); do
    for name in "${memory_programs[@]}"; do
        curl -s -o /dev/null "${base}_test/clear"
        if [ "$name" = zq ]; then
            launch "$work/memory-$name-$i.log" "$bin/zq"
        else
            launch "$work/memory-$name-$i.log" "$bin/floor_webview" "$plan_page"
        fi
        sleep 10
        total=0 total_rss=0 total_uss=0 parts=""
        for pid in $(descendants "$client_pid"); do
            pss=$(kib "/proc/$pid/smaps_rollup" "Pss:")
            rss=$(kib "/proc/$pid/status" "VmRSS:")
            uss=$(($(kib "/proc/$pid/smaps_rollup" "Private_Clean:") + $(kib "/proc/$pid/smaps_rollup" "Private_Dirty:")))
            [ "$pss" = 0 ] && continue
            total=$((total + pss)) total_rss=$((total_rss + rss)) total_uss=$((total_uss + uss))
            parts="$parts $(cat "/proc/$pid/comm" 2>/dev/null || echo gone) $(mib "$pss");"
        done
        if curl -s "${base}_test/log" | grep -q '"path":"/plan.php'; then page="page loaded"; else page="PLAN PAGE NOT REQUESTED"; fi
        tree=$(descendants "$client_pid")
        stop_client || true
        # A helper left behind would share its pages with, and so lower the PSS of, every later
        # sample. The engine's helpers end on their own shortly after the program.
        for _ in $(seq 40); do
            left=$(for pid in $tree; do if kill -0 "$pid" 2>/dev/null; then echo "$pid"; fi; done)
            [ -z "$left" ] && break
            sleep 0.05
        done
        if [ -n "$left" ]; then
            say "    ($name left $(echo $left | wc -w) processes behind; ended)"
            kill -KILL $left 2>/dev/null || true
        fi
        echo "$name|$total|$total_rss|$total_uss" >>"$work/memory"
        say "    $(printf '%-14s sample %d: %4s MiB PSS (USS %4s, RSS %4s MiB), %s;%s' "$name" "$i" "$(mib "$total")" \
            "$(mib "$total_uss")" "$(mib "$total_rss")" "$page" "$parts")"
    done
done
say "    load average after: $(load)"
# PSS shares a page among every process on the machine that maps it: another program running
# the engine at the same time lowers both figures alike. USS (the pages only this process
# tree's processes hold privately) does not depend on other programs.
mem_of() { awk -F'|' -v n="$1" -v c="$2" '$1 == n { print $c }' "$work/memory" | median; }
mem_zq=$(mem_of zq 2)
mem_floor=$(mem_of floor_webview 2)
mem_ratio=$(ratio "$mem_zq" "$mem_floor")
uss_zq=$(mem_of zq 4)
uss_floor=$(mem_of floor_webview 4)
say "    median PSS: zq $(mib "$mem_zq") MiB, floor_webview $(mib "$mem_floor") MiB: ${mem_ratio}x; goal: at most 0.90x"
say "    median USS: zq $(mib "$uss_zq") MiB, floor_webview $(mib "$uss_floor") MiB: $(ratio "$uss_zq" "$uss_floor")x (reported)"
row "memory, PSS of the process tree at 10 s, plan page loaded: zq / floor_webview ($(mib "$mem_zq") / \
$(mib "$mem_floor") MiB)" "${mem_ratio}x" "<= 0.90x" "$(if [ "$mem_ratio" = nan ]; then echo NO; else met_if "$mem_ratio <= 0.90"; fi)"
row "memory, USS of the process tree (private pages only): zq / floor_webview ($(mib "$uss_zq") / $(mib "$uss_floor") MiB)" \
    "$(ratio "$uss_zq" "$uss_floor")x" "report" report
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
row "CPU of one 10-s wait on a silent server" "${wait_cpu:-?} ms" "<= 50 ms" "$(met_if "${wait_cpu:-1e9} <= 50")"
row "getWebContent/curl, loopback answering after 20 ms ($(median_of getWebContent "$work/http.log" 2) / \
$(median_of "curl, same URL, one process" "$work/http.log" 2) ms)" "${ratios[1]:-?}x" "<= 1.05x" \
    "$(met_if "${ratios[1]:-1e9} <= 1.05")"
row "getWebContent/curl, loopback answering at once: Qt's fixed cost ($(median_of getWebContent "$work/http.log" 1) / \
$(median_of "curl, same URL, one process" "$work/http.log" 1) ms)" "${ratios[0]:-?}x" "report" report
row "getWebContent/curl, stand-in service ($(median_of getWebContent "$work/http-service.log" 1) / \
$(median_of "curl, same URL, one process" "$work/http-service.log" 1) ms)" "${ratio_service:-?}x" "report" report
say ""

# --- signed in: bench_session ------------------------------------------------------------

say "Signed in (bench_session: the real window and browser engine, offscreen):"
say "    load average before: $(load)"
curl -s -o /dev/null "${base}_test/clear"
set +e
session --ticks "$ticks" --idle "$idle" >"$work/session.log" 2>"$work/session.err"
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
        "$(printf '%.3f' "$tick_p99") ms" "<= 1 ms" "$(met_if "$tick_p99 <= 1")"
    row "tick to its page read answered, p99 (async)" "$(figure tick_read_p99_ms) ms" "report" report
else
    row "count-down tick, main thread, p99" "no figure" "<= 1 ms" NO
fi
if [ -n "$idle_pct" ]; then
    row "CPU idle signed in, ${idle} s (client $(figure idle_client_ms) + browser $(figure idle_browser_ms) ms)" \
        "$(printf '%.2f' "$idle_pct")% of a core" "<= 0.5%" "$(met_if "$idle_pct <= 0.5")"
else
    row "CPU idle signed in, ${idle} s" "no figure" "<= 0.5%" NO
fi
say "    load average after: $(load)"
say ""

# --- the table --------------------------------------------------------------------------

print_table
