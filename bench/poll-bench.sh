#!/usr/bin/env bash
# Poll latency and memory of the service client (bench-poll) against the update-service simulator in state 4,
# on a private system bus that this script starts and stops. Builds nothing.
#
# Usage: bench/poll-bench.sh [--build DIR] [--runs N] [-- BENCH-POLL ARGS...]
set -euo pipefail

cd "$(dirname "$0")/.."
repo=$PWD
build=
runs=1

usage() {
    cat <<'EOF'
usage: bench/poll-bench.sh [--build DIR] [--runs N] [-- BENCH-POLL ARGS...]
  --build DIR  build tree with bench-poll and the simulator (default: build-demo, else build-bench)
  --runs N     run bench-poll N times against the same simulator (default 1)
  after --      passed to bench-poll: [--polls N] (default 1000) [--rss-polls N] (default 10000)
EOF
}

while [ $# -gt 0 ]; do
    case $1 in
    --build) build=$2; shift ;;
    --runs) runs=$2; shift ;;
    --) shift; break ;;
    -h | --help) usage; exit 0 ;;
    *) echo "poll-bench: unknown argument: $1" >&2; usage >&2; exit 2 ;;
    esac
    shift
done

fail() {
    printf 'poll-bench: FAILED: %s\n' "$*" >&2
    exit 1
}

if [ -z "$build" ]; then
    for candidate in build-demo build-bench; do
        [ -x "$candidate/bench/bench-poll" ] && { build=$candidate; break; }
    done
    [ -n "$build" ] || fail "no build with bench-poll found; configure with -DZIB_BUILD_BENCH=ON (bench/README.md)"
fi
build=$(cd "$build" && pwd)
if ! [[ $runs =~ ^[0-9]+$ ]] || [ "$runs" -lt 1 ]; then fail "--runs needs a positive number"; fi
bench=$build/bench/bench-poll
simulator=$build/tools/tarno-update-service-sim
for program in "$bench" "$simulator"; do
    [ -x "$program" ] || fail "$program is missing (configure with -DZIB_BUILD_BENCH=ON, see bench/README.md)"
done

# shellcheck source=scripts/processes.sh
. "$repo/scripts/processes.sh"

tmp=
stop_all_on_exit
tmp=$(mktemp -d /tmp/zib-poll-bench.XXXXXX)

start_bus system
export DBUS_SYSTEM_BUS_ADDRESS=$bus_address
mkdir -p "$tmp/sysroot"
ZIB_NOTIFIER_SYSROOT=$tmp/sysroot start simulator "$simulator" --state 4 \
    --date "$(date -d '+7 days' '+%H:%M %d.%m.%Y')" --version 3.1.19
wait_until 10 "$last_pid" "starting the simulator" has_ready "$tmp/simulator.out"

for ((i = 1; i <= runs; i++)); do
    echo "bench-poll run $i of $runs, load $(cut -d' ' -f1-3 /proc/loadavg)"
    "$bench" "$@" || fail "bench-poll failed"
done
