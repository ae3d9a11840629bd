#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
# SPDX-License-Identifier: GPL-2.0-or-later

# The update service ends and returns: how long the installed notifier's tooltip (asked with `--status` every
# 100 ms) still shows what is no longer true. Each round waits a random 0 to 29 s, stops the simulator and times
# until the tooltip says the service is unreachable, then starts it again (timed from its "ready") and times until
# the tooltip offers the update again.
# usage: bench/outage-bench.sh [--build DIR] [--prefix DIR] [--runs N] [--output DIR]
#   --runs N  outages (default 5)
runs=5
options=runs
numbers=runs
needs="tools/tarno-update-service-sim tests/tools/notification-recorder"
# shellcheck source=bench/stage.sh
. "$(dirname "$0")/stage.sh"
parse_options "$@"
[ -x "$notifier" ] || fail "$notifier is missing: install the build (see bench/README.md)"
report=$output/outage-bench-$stamp.txt
unreachable="Unable to connect to the service tarno-update-service"
available="New system update is available"

start_desktop
start_service s4 4
sim_pid=$last_pid
program_env outage s4 shown
start notifier env "${env_vars[@]}" "$notifier"
tooltip_is() { env "${env_vars[@]}" "$notifier" --status 2>/dev/null | grep -qxF "tooltip: $1"; }
# until_tooltip TEXT: the ms until the tooltip shows TEXT, counted from $t0.
until_tooltip() {
    until tooltip_is "$1"; do
        [ $(($(now_ms) - t0)) -lt 60000 ] || fail "no \"$1\" after 60 s"
        sleep 0.1
    done
    echo $(($(now_ms) - t0))
}
t0=$(now_ms)
until_tooltip "$available" >/dev/null
gone=() back=()
for ((i = 1; i <= runs; i++)); do
    sleep $((RANDOM % 30))
    t0=$(now_ms)
    stop_pid "$sim_pid"
    gone+=("$(until_tooltip "$unreachable")")
    DBUS_SYSTEM_BUS_ADDRESS=${system_bus[s4]} ZIB_NOTIFIER_SYSROOT=$tmp/sysroot start "sim-$i" "$simulator" \
        --state 4 --date "$(date -d '+7 days' '+%H:%M %d.%m.%Y')" --version 3.1.19
    sim_pid=$last_pid
    wait_until 10 "$sim_pid" "restarting the simulator" has_ready "$tmp/sim-$i.out"
    t0=$(now_ms)
    back+=("$(until_tooltip "$available")")
    say "round $i: unreachable shown after ${gone[-1]} ms, the update again after ${back[-1]} ms"
done
stats() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { printf "median %d ms, max %d ms", v[int((NR + 1) / 2)], v[NR] }'; }
{
    echo "outage-bench $stamp on $(uname -n), load $(cut -d' ' -f1-3 /proc/loadavg); $runs rounds; $notifier"
    echo "  service ended -> unreachable tooltip: $(stats "${gone[@]}") (${gone[*]})"
    echo "  service back  -> update tooltip:      $(stats "${back[@]}") (${back[*]})"
} | tee "$report"
