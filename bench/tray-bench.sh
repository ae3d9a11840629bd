#!/usr/bin/env bash
# Start-up, memory and idle cost of the installed notifier next to a bare Qt tray program (tray-floor),
# under Xvfb with trayer, private session and system buses and a recording notification server.
# Needs a Release build with its install (scripts/demo.sh makes one in build-demo/); builds nothing.
#
# Usage: bench/tray-bench.sh [--build DIR] [--prefix DIR] [--runs N] [--idle SECONDS] [--output DIR]
set -euo pipefail

cd "$(dirname "$0")/.."
repo=$PWD
build=
prefix=
runs=7
settle=10
idle=60
output=$repo/bench-output

usage() {
    cat <<'EOF'
usage: bench/tray-bench.sh [--build DIR] [--prefix DIR] [--runs N] [--idle SECONDS] [--output DIR]
  --build DIR     build tree with the simulator and the bench programs (default: build-demo, else build-bench)
  --prefix DIR    where that build was installed (default: DIR/prefix)
  --runs N        start-up runs of each program (default 7; use at least 5)
  --idle SECONDS  idle window for CPU time and context switches (default 60; must exceed 50 so it holds
                  the notifier's 60-s package check)
  --output DIR    where the report and the raw data go (default: bench-output/)
EOF
}

while [ $# -gt 0 ]; do
    case $1 in
    --build) build=$2; shift ;;
    --prefix) prefix=$2; shift ;;
    --runs) runs=$2; shift ;;
    --idle) idle=$2; shift ;;
    --output) output=$2; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "tray-bench: unknown argument: $1" >&2; usage >&2; exit 2 ;;
    esac
    shift
done

fail() {
    printf 'tray-bench: FAILED: %s\n' "$*" >&2
    exit 1
}
say() { printf '==> %s\n' "$*" >&2; }

if [ -z "$build" ]; then
    for candidate in build-demo build-bench; do
        [ -x "$candidate/bench/tray-floor" ] && { build=$candidate; break; }
    done
    [ -n "$build" ] || fail "no build found; run scripts/demo.sh or see bench/README.md"
fi
build=$(cd "$build" && pwd)
prefix=${prefix:-$build/prefix}
if ! [[ $runs =~ ^[0-9]+$ ]] || [ "$runs" -lt 1 ]; then fail "--runs needs a positive number"; fi
if ! [[ $idle =~ ^[0-9]+$ ]] || [ "$idle" -le 50 ]; then fail "--idle must be more than 50 s"; fi

notifier=$prefix/bin/zib-user-update-notifier
floor=$build/bench/tray-floor
probe=$build/bench/tray-probe
simulator=$build/tools/tarno-update-service-sim
recorder=$build/tests/tools/notification-recorder
for program in "$notifier" "$floor" "$probe" "$simulator" "$recorder"; do
    [ -x "$program" ] ||
        fail "$program is missing (configure with -DBUILD_TESTING=ON -DZIB_BUILD_BENCH=ON and install, see bench/README.md)"
done
grep -q 'CMAKE_BUILD_TYPE:STRING=Release' "$build/CMakeCache.txt" 2>/dev/null ||
    say "warning: $build is not a Release build"

# shellcheck source=scripts/processes.sh
. "$repo/scripts/processes.sh"

tmp=
stop_all_on_exit

mkdir -p "$output"
output=$(cd "$output" && pwd)
stamp=$(date +%Y%m%d-%H%M%S)
report=$output/tray-bench-$stamp.txt
tmp=$(mktemp -d /tmp/zib-bench.XXXXXX)

# --- The stage: X server, tray, session bus with a notification server -----------------------------------
unset XDG_CURRENT_DESKTOP KDE_FULL_SESSION DESKTOP_SESSION QT_QPA_PLATFORMTHEME WAYLAND_DISPLAY
export LC_ALL=C.UTF-8 LANGUAGE='' QT_QPA_PLATFORM=xcb
say "Starting Xvfb, trayer, a private session bus and the notification recorder"
start xvfb Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp
wait_until 15 "$last_pid" "starting Xvfb" has_line "$tmp/xvfb.out"
DISPLAY=:$(head -n1 "$tmp/xvfb.out")
export DISPLAY
start_bus session
export DBUS_SESSION_BUS_ADDRESS=$bus_address
start recorder "$recorder"
wait_until 10 "$last_pid" "starting the recorder" has_ready "$tmp/recorder.out"
start trayer trayer --edge top --align right --widthtype request --height 24 --transparent false --tint 0x333333
trayer_pid=$last_pid
timeout 10 xdotool search --sync --onlyvisible --classname '^panel$' >/dev/null || fail "trayer did not come up"

# One private system bus per scenario; the simulator offers an update (4) or nothing (0), or is absent.
update_date=$(date -d '+7 days' '+%H:%M %d.%m.%Y')
declare -A system_bus
for scenario in s4 s0 none startup floor; do
    start_bus "system-$scenario"
    system_bus[$scenario]=$bus_address
done
for state in 4 0; do
    DBUS_SYSTEM_BUS_ADDRESS=${system_bus[s$state]} ZIB_NOTIFIER_SYSROOT=$tmp/sysroot \
        start "sim-s$state" "$simulator" --state "$state" --date "$update_date" --version 3.1.19
    wait_until 10 "$last_pid" "starting the simulator (state $state)" has_ready "$tmp/sim-s$state.out"
done
DBUS_SYSTEM_BUS_ADDRESS=${system_bus[startup]} ZIB_NOTIFIER_SYSROOT=$tmp/sysroot \
    start sim-startup "$simulator" --state 4 --date "$update_date" --version 3.1.19
wait_until 10 "$last_pid" "starting the simulator (start-up runs)" has_ready "$tmp/sim-startup.out"
mkdir -p "$tmp/sysroot/etc"
echo 3.1.18 >"$tmp/sysroot/etc/tarno_version"

# run_env NAME SCENARIO [hidden|shown]: environment of one program instance: its own settings and runtime
# directory. "shown" writes hideTray=false, so the notifier keeps its icon from the start like the floor.
run_env() {
    local dir=$tmp/run-$1
    rm -rf "$dir"
    mkdir -p "$dir/config" "$dir/runtime"
    chmod 700 "$dir/runtime"
    if [ "${3:-hidden}" = shown ]; then
        mkdir -p "$dir/config/TarnoLinux"
        printf '[%%General]\nhideTray=false\n' >"$dir/config/TarnoLinux/zib-update-notifier.conf"
    fi
    env_vars=(
        XDG_DATA_DIRS="$prefix/share:/usr/local/share:/usr/share"
        XDG_CONFIG_HOME="$dir/config"
        XDG_RUNTIME_DIR="$dir/runtime"
        ZIB_NOTIFIER_SYSROOT="$tmp/sysroot"
        DBUS_SYSTEM_BUS_ADDRESS="${system_bus[$2]}"
    )
}

# --- 1. Start-up: exec to embedded icon --------------------------------------------------------------------
# launch_once NAME SCENARIO PROGRAM [ARGS...]: prints the milliseconds from exec to the icon being embedded,
# and the program's CPU time until then.
launch_once() {
    local name=$1 scenario=$2
    shift 2
    run_env "$name" "$scenario" shown
    local out=$tmp/launch-$name.out
    env "${env_vars[@]}" "$probe" launch --timeout 20000 --child-log "$tmp/launch-$name.log" -- "$@" \
        >"$out" 2>>"$tmp/launch.err" &
    local probe_pid=$!
    local end=$(($(now_ms) + 25000))
    until grep -q '^DETECTED_BY=' "$out" 2>/dev/null; do
        alive "$probe_pid" || { cat "$tmp/launch.err" >&2; fail "$name: no embedded icon"; }
        [ "$(now_ms)" -lt "$end" ] || fail "$name: the probe hangs"
        sleep 0.02
    done
    local child
    child=$(sed -n 's/^PID=//p' "$out")
    kill -TERM "$child" 2>/dev/null || true
    wait "$probe_pid" 2>/dev/null || true
    grep -q '^DETECTED_BY=event$' "$out" || say "note: $name was found by the 50-ms re-check, not by an event"
    echo "$(sed -n 's/^EMBEDDED_MS=//p' "$out") $(sed -n 's/^CPU_MS=//p' "$out")"
    alive "$trayer_pid" || fail "trayer ended"
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

say "Start-up: $runs runs each (after one warm-up run each), the three programs in turn"
launch_once warm-floor floor "$floor" >/dev/null
launch_once warm-themed floor "$floor" --theme-icons >/dev/null
launch_once warm-notifier startup "$notifier" >/dev/null
declare -A wall cpu
for ((i = 1; i <= runs; i++)); do
    line="  run $i:"
    for kind in floor themed notifier; do
        case $kind in
        floor) result=$(launch_once "floor-$i" floor "$floor") ;;
        themed) result=$(launch_once "themed-$i" floor "$floor" --theme-icons) ;;
        notifier) result=$(launch_once "notifier-$i" startup "$notifier") ;;
        esac
        wall[$kind]+="${result% *} "
        cpu[$kind]+="${result#* } "
        line+=" $kind ${result% *} ms (CPU ${result#* } ms)"
    done
    say "$line"
done
median_of() { tr ' ' '\n' <<<"$1" | grep . | median; }

# --- 2. Idle: memory after the settle time, CPU time and context switches over the idle window --------------
# All run at once, each with its own directories and the default settings. Besides the floor, which never
# wakes up, "schedule" is the floor woken on the notifier's timers doing the least of the same work.
idle_names=(floor schedule s4 s0 none)
say "Idle: floor, floor on the notifier's schedule, notifiers in state 4, state 0 and without service; $((settle + idle)) s"
declare -A idle_pid
for name in "${idle_names[@]}"; do
    case $name in
    floor) command=("$floor"); scenario=floor ;;
    schedule) command=("$floor" --schedule); scenario=s4 ;;
    *) command=("$notifier"); scenario=$name ;;
    esac
    run_env "idle-$name" "$scenario" hidden
    start "idle-$name" env "${env_vars[@]}" "${command[@]}"
    idle_pid[$name]=$last_pid
done

# Evidence that the window holds a package check, and what it costs in system calls: one more notifier,
# traced (its CPU figures would be distorted, so it is not one of the measured four).
traced=
if command -v strace >/dev/null; then
    run_env idle-traced s4 hidden
    traced_start=$EPOCHREALTIME
    # The shell writes its pid and becomes the notifier, so the notifier itself can be stopped (strace would
    # only detach on SIGTERM).
    # shellcheck disable=SC2016 # the inner shell expands $$, $1 and $@
    start idle-traced env "${env_vars[@]}" strace -f -ttt -e trace=%file,%process -o "$tmp/traced.strace" \
        sh -c 'echo $$ >"$1"; shift; exec "$@"' sh "$tmp/traced.pid" "$notifier"
    wait_until 10 "$last_pid" "starting the traced notifier" has_line "$tmp/traced.pid"
    traced=$(cat "$tmp/traced.pid")
    pids+=("$traced")
fi

# cpu_ticks PID: utime + stime of the whole process (all threads, live or ended), in clock ticks.
cpu_ticks() {
    local stat
    stat=$(cat "/proc/$1/stat")
    stat=${stat##*) }
    awk '{ print $12 + $13 }' <<<"$stat"
}
# run_ns PID: time on a CPU of the live threads, in nanoseconds (schedstat; finer than the ticks).
run_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ s += $1 } END { printf "%d\n", s }'; }
# switches PID: voluntary + involuntary context switches of the live threads.
switches() {
    cat /proc/"$1"/task/*/status 2>/dev/null | awk '/^(non)?voluntary_ctxt_switches:/ { s += $2 } END { print s }'
}
threads() {
    local tasks=(/proc/"$1"/task/*)
    echo "${#tasks[@]}"
}
memory_kb() { awk -v key="$2:" '$1 == key { print $2 }' "/proc/$1/smaps_rollup"; }

declare -A rss pss ticks0 ns0 sw0 ticks1 ns1 sw1 nthreads
sleep "$settle"
for name in "${idle_names[@]}"; do
    pid=${idle_pid[$name]}
    alive "$pid" || fail "$name ended during the settle time"
    rss[$name]=$(memory_kb "$pid" Rss)
    pss[$name]=$(memory_kb "$pid" Pss)
    ticks0[$name]=$(cpu_ticks "$pid")
    ns0[$name]=$(run_ns "$pid")
    sw0[$name]=$(switches "$pid")
done
window_start=$(now_ms)
sleep "$idle"
for name in "${idle_names[@]}"; do
    pid=${idle_pid[$name]}
    alive "$pid" || fail "$name ended during the idle window"
    ticks1[$name]=$(cpu_ticks "$pid")
    ns1[$name]=$(run_ns "$pid")
    sw1[$name]=$(switches "$pid")
    nthreads[$name]=$(threads "$pid")
done
window_end=$(now_ms)

# Did the package check fall into the window? It runs 60 s after the core starts (about at exec).
package_note="not traced (strace missing)"
if [ -n "$traced" ]; then
    stop_pid "$traced"
    # Lines: pid, time, call. The check stats dpkg-query (found through PATH) and the dpkg database.
    package_note=$(awk -v t0="$traced_start" -v a="$settle" -v b="$((settle + idle))" '
        { t = $2 - t0 }
        t > 5 && /"\/var\/lib\/dpkg\/status"/ { n++; if (t >= a && t <= b) inside++; when = when sprintf(" %.2f", t) }
        t > 5 && /execve\(/ { runs++ }
        t > 5 && (/dpkg/ || /"\/(usr\/)?(local\/)?s?bin\//) { calls[sprintf("%.0f", t)]++ }
        END {
            printf "%d look(s) at the dpkg database after start-up, %d inside the idle window, at s:%s;", n, inside, when
            for (s in calls) list = list sprintf(" %s s: %d", s, calls[s])
            printf " processes started after start-up: %d; file-system calls on dpkg files and PATH per check:%s", runs + 0, list
        }' "$tmp/traced.strace")
fi

# --- Report -------------------------------------------------------------------------------------------------
tick_ms=$((1000 / $(getconf CLK_TCK)))
{
    echo "tray-bench $stamp on $(uname -n), $(nproc) CPUs, load $(cut -d' ' -f1-3 /proc/loadavg); build $build"
    echo
    echo "Start-up: exec to the icon embedded in trayer (window with _XEMBED_INFO and the program's _NET_WM_PID,"
    echo "reparented into the tray and viewable), seen by X events (about one X round trip, well under 1 ms);"
    echo "$runs runs each after a warm-up, notifier with hideTray=false and the simulator in state 4."
    printf '  %-24s %-60s %s\n' "" "wall ms, each run" "median wall / CPU ms"
    for kind in floor themed notifier; do
        case $kind in
        floor) label="tray-floor" ;;
        themed) label="tray-floor --theme-icons" ;;
        notifier) label="notifier" ;;
        esac
        printf '  %-24s %-60s %6.1f / %5.1f\n' "$label" "${wall[$kind]}" "$(median_of "${wall[$kind]}")" \
            "$(median_of "${cpu[$kind]}")"
    done
    awk -v f="$(median_of "${wall[floor]}")" -v n="$(median_of "${wall[notifier]}")" \
        -v fc="$(median_of "${cpu[floor]}")" -v nc="$(median_of "${cpu[notifier]}")" 'BEGIN {
        printf "  ratio notifier / floor: wall %.2f (target <= 1.30): %s; CPU time %.2f\n", n / f, n / f <= 1.3 ? "met" : "MISSED", nc / fc }'
    echo
    echo "Idle (default settings; memory after ${settle} s; CPU and switches over ${idle} s after that):"
    printf '  %-26s %9s %9s %12s %14s %10s %8s\n' program "RSS KiB" "PSS KiB" "CPU ms(tick)" "CPU ms(sched)" switches threads
    for name in "${idle_names[@]}"; do
        case $name in
        floor) label="tray-floor" ;;
        schedule) label="tray-floor --schedule" ;;
        s4) label="notifier, state 4" ;;
        s0) label="notifier, state 0 (hidden)" ;;
        none) label="notifier, no service" ;;
        esac
        printf '  %-26s %9d %9d %12d %14.1f %10d %8d\n' "$label" "${rss[$name]}" "${pss[$name]}" \
            $(((ticks1[$name] - ticks0[$name]) * tick_ms)) \
            "$(awk -v a="${ns0[$name]}" -v b="${ns1[$name]}" 'BEGIN { print (b - a) / 1e6 }')" \
            $((sw1[$name] - sw0[$name])) "${nthreads[$name]}"
    done
    echo
    cpu_ns() { echo $((ns1[$1] - ns0[$1])); }
    for name in s4 s0 none; do
        awk -v name="$name" -v r="${rss[$name]}" -v rf="${rss[floor]}" -v c="$(cpu_ns "$name")" \
            -v cf="$(cpu_ns floor)" -v cs="$(cpu_ns schedule)" 'BEGIN {
            d = (r - rf) / 1024; q = cf > 0 ? c / cf : 0; qs = cs > 0 ? c / cs : 0
            printf "  %-5s RSS floor + %.2f MiB (target <= 4): %s;  idle CPU %.1f x the floor (target <= 2): %s;" \
                " %.1f x the floor on the same schedule\n", name, d, d <= 4 ? "met" : "MISSED", q, q <= 2 ? "met" : "MISSED", qs }'
    done
    echo
    echo "Package check (tarno-upgrade, every 60 s): $package_note"
    echo "Its cost in the program's own code (bench-package-check):"
    "$build/bench/bench-package-check" 2>&1 | sed 's/^/  /' 
    echo "Idle window: $(((window_end - window_start) / 1000)) s, from ${settle} s to $((settle + idle)) s after start."
} | tee "$report"
cp "$tmp/traced.strace" "$output/tray-bench-$stamp.strace" 2>/dev/null || true
say "Report: $report"
