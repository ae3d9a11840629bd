#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
# SPDX-License-Identifier: GPL-2.0-or-later

# Poll latency and memory of the service client (bench-poll) against the simulator in state 4, on a private
# system bus.
# usage: bench/poll-bench.sh [--build DIR] [--runs N] [--polls N] [--rss-polls N]
#   --runs N       runs of bench-poll against the same simulator (default 1)
#   --polls N      timed polls of each series (default 1000)
#   --rss-polls N  polls of the memory phase (default 10000)
runs=1
polls=1000
rss_polls=10000
options="runs polls rss_polls"
numbers=$options
needs="bench/bench-poll tools/tarno-update-service-sim"
# shellcheck source=bench/stage.sh
. "$(dirname "$0")/stage.sh"
parse_options "$@"

start_service s4 4
for ((i = 1; i <= runs; i++)); do
    echo "bench-poll run $i of $runs, load $(cut -d' ' -f1-3 /proc/loadavg)"
    DBUS_SYSTEM_BUS_ADDRESS=${system_bus[s4]} "$build/bench/bench-poll" --polls "$polls" --rss-polls "$rss_polls" ||
        fail "bench-poll failed"
done
