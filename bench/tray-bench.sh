#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
# SPDX-License-Identifier: GPL-2.0-or-later

# Start-up, memory and idle CPU of the installed notifier next to a bare Qt tray program (tray-floor).
# usage: bench/tray-bench.sh [--build DIR] [--prefix DIR] [--runs N] [--idle SECONDS] [--output DIR]
#   --build DIR     build with the bench programs, the simulator and the recorder (default build-bench, build-demo)
#   --prefix DIR    where that build is installed (default DIR/prefix)
#   --runs N        start-up runs of each program after one warm-up (default 7)
#   --idle SECONDS  idle window for CPU time, from 10 s after start (default 60)
#   --output DIR    where the report goes (default bench-output/)
runs=7
idle=60
options="runs idle"
numbers="runs idle"
needs="bench/tray-probe bench/tray-floor tools/tarno-update-service-sim tests/tools/notification-recorder"
# shellcheck source=bench/stage.sh
. "$(dirname "$0")/stage.sh"
parse_options "$@"
[ -x "$notifier" ] || fail "$notifier is missing: install the build (see bench/README.md)"
report=$output/tray-bench-$stamp.txt
floor=$build/bench/tray-floor
settle=10

start_desktop
start_service s4 4
start_service s0 0
start_service none none
# What each kind of run starts, on which system bus.
declare -A program=([floor]=$floor [notifier]=$notifier [s4]=$notifier [s0]=$notifier [none]=$notifier)
declare -A service=([floor]=none [notifier]=s4 [s4]=s4 [s0]=s0 [none]=none)

# launch_once NAME KIND: prints the ms from exec to the embedded icon and the CPU ms until then.
launch_once() {
    program_env "$1" "${service[$2]}" shown
    local out=$tmp/launch-$1.out
    env "${env_vars[@]}" "$probe" launch --child-log "$tmp/launch-$1.log" -- "${program[$2]}" >"$out" \
        2>>"$tmp/launch.err" &
    local probe_pid=$!
    wait_until 25 "$probe_pid" "$1: no embedded icon (see $tmp/launch.err)" grep -q '^DETECTED_BY=' "$out"
    kill -TERM "$(sed -n 's/^PID=//p' "$out")"
    wait "$probe_pid" || true
    grep -q '^DETECTED_BY=event$' "$out" || say "note: $1 was found by the 50-ms re-check, not by an event"
    echo "$(sed -n 's/^EMBEDDED_MS=//p' "$out") $(sed -n 's/^CPU_MS=//p' "$out")"
}

say "Start-up: $runs runs each after a warm-up, the programs in turn"
launch_once warm-floor floor >/dev/null
launch_once warm-notifier notifier >/dev/null
declare -A wall cpu
for ((i = 1; i <= runs; i++)); do
    line="run $i:"
    for kind in floor notifier; do
        result=$(launch_once "$kind-$i" "$kind")
        wall[$kind]+="${result% *} "
        cpu[$kind]+="${result#* } "
        line+=" $kind ${result% *} ms"
    done
    say "$line"
done
median_of() { tr ' ' '\n' <<<"$1" | grep . | median; }

# Idle: all side by side with the default settings (the notifier in state 0 keeps its icon hidden).
idle_names=(floor s4 s0 none)
say "Idle: the floor and the notifier in state 4, state 0 and without service, $((settle + idle)) s"
declare -A idle_pid
for name in "${idle_names[@]}"; do
    program_env "idle-$name" "${service[$name]}"
    start "idle-$name" env "${env_vars[@]}" "${program[$name]}"
    idle_pid[$name]=$last_pid
done
# oncpu_ns PID: time on a CPU of the live threads (schedstat); switches PID: voluntary + involuntary.
oncpu_ns() { cat /proc/"$1"/task/*/schedstat | awk '{ s += $1 } END { printf "%d\n", s }'; }
switches() { cat /proc/"$1"/task/*/status | awk '/^(non)?voluntary_ctxt_switches:/ { s += $2 } END { print s }'; }
declare -A rss pss ns0 sw0 ns1 sw1 threads
sleep "$settle"
for name in "${idle_names[@]}"; do
    pid=${idle_pid[$name]}
    alive "$pid" || fail "$name ended during the settle time"
    rss[$name]=$(awk '$1 == "Rss:" { print $2 }' "/proc/$pid/smaps_rollup")
    pss[$name]=$(awk '$1 == "Pss:" { print $2 }' "/proc/$pid/smaps_rollup")
    ns0[$name]=$(oncpu_ns "$pid") sw0[$name]=$(switches "$pid")
done
sleep "$idle"
for name in "${idle_names[@]}"; do
    pid=${idle_pid[$name]}
    alive "$pid" || fail "$name ended during the idle window"
    ns1[$name]=$(oncpu_ns "$pid") sw1[$name]=$(switches "$pid")
    threads[$name]=$(entries "/proc/$pid/task")
done

{
    echo "tray-bench $stamp on $(uname -n), $(nproc) CPUs, load $(cut -d' ' -f1-3 /proc/loadavg); build $build"
    echo "Start-up, exec to the icon embedded in trayer; $runs runs, notifier with hideTray=false, simulator in state 4:"
    for kind in floor notifier; do
        printf '  %-9s wall %6.1f ms, CPU %5.1f ms (medians); wall each run: %s\n' "$kind" \
            "$(median_of "${wall[$kind]}")" "$(median_of "${cpu[$kind]}")" "${wall[$kind]}"
    done
    awk -v f="$(median_of "${wall[floor]}")" -v n="$(median_of "${wall[notifier]}")" 'BEGIN {
        printf "  ratio notifier / floor %.2f (target <= 1.30): %s\n", n / f, n / f <= 1.3 ? "met" : "MISSED" }'
    echo "Idle, default settings: memory ${settle} s after start, then CPU time and switches over ${idle} s:"
    printf '  %-22s %8s %8s %12s %9s %8s\n' program "RSS KiB" "PSS KiB" "CPU ms/min" switches threads
    for name in "${idle_names[@]}"; do
        printf '  %-22s %8d %8d %12.2f %9d %8d\n' "$name" "${rss[$name]}" "${pss[$name]}" \
            "$(awk -v d=$((ns1[$name] - ns0[$name])) -v s="$idle" 'BEGIN { print d / 1e6 * 60 / s }')" \
            $((sw1[$name] - sw0[$name])) "${threads[$name]}"
    done
    for name in s4 s0 none; do
        awk -v n="$name" -v r="${rss[$name]}" -v rf="${rss[floor]}" -v c=$((ns1[$name] - ns0[$name])) \
            -v cf=$((ns1[floor] - ns0[floor])) 'BEGIN { d = (r - rf) / 1024
            q = cf > 0 ? sprintf("%.1f", c / cf) : "inf"
            printf "  %-5s RSS floor + %.2f MiB (target <= 4): %s; idle CPU %s x the floor (target <= 2): %s\n",
                n, d, d <= 4 ? "met" : "MISSED", q, c <= 2 * cf ? "met" : "MISSED" }'
    done
} | tee "$report"
say "Report: $report"
