# SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
# SPDX-License-Identifier: GPL-2.0-or-later

# Background processes and bounded waits for the demo and the benchmarks (sourced). The caller defines
# fail() and $tmp (where the processes' output goes); it may set wait_hint, appended to failure messages,
# and define record_command, which is told every command started.

# Millisecond clock.
now_ms() { local t=${EPOCHREALTIME/[.,]/}; echo $((t / 1000)); }

# True while the process runs (a zombie counts as gone).
alive() {
    local stat
    stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
    stat=${stat##*) }
    [ "${stat%% *}" != Z ]
}

# wait_until SECONDS PID WHAT COMMAND...: runs COMMAND every 50 ms until it succeeds. Fails when the
# process PID (if given) is gone or the time is up.
wait_until() {
    local limit=$1 pid=$2 what=$3
    shift 3
    local end=$(($(now_ms) + limit * 1000))
    until "$@"; do
        if [ -n "$pid" ] && ! alive "$pid"; then
            fail "$what: the process ended${wait_hint:-}"
        fi
        if [ "$(now_ms)" -ge "$end" ]; then
            fail "$what: nothing after ${limit} s${wait_hint:-}"
        fi
        sleep 0.05
    done
}

has_line() { [ -s "$1" ] && [ "$(wc -l <"$1")" -ge 1 ]; }
has_ready() { grep -qx ready "$1" 2>/dev/null; }

pids=()

# start NAME COMMAND...: runs COMMAND in the background with its output in $tmp/NAME.out and .err.
start() {
    local name=$1
    shift
    if declare -F record_command >/dev/null; then
        record_command "$@"
    fi
    "$@" >"$tmp/$name.out" 2>"$tmp/$name.err" &
    last_pid=$!
    pids+=("$last_pid")
}

# start_bus NAME: a private dbus-daemon; sets bus_address.
start_bus() {
    start "$1" dbus-daemon --config-file="$repo/scripts/demo-bus.conf" --nofork --nopidfile --print-address=1
    wait_until 10 "$last_pid" "starting the $1 bus" has_line "$tmp/$1.out"
    bus_address=$(head -n1 "$tmp/$1.out")
}

# stop_pid PID: SIGTERM, up to 5 s of grace, then SIGKILL; reaped either way.
stop_pid() {
    local pid=$1
    alive "$pid" && kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 100); do alive "$pid" || break; sleep 0.05; done
    alive "$pid" && kill -KILL "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null || true
}

# Stops everything start() started, the last first.
stop_all() {
    local i
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do stop_pid "${pids[i]}"; done
}

# For the benchmarks: when the script ends, however it ends, stop everything and remove $tmp if set.
stop_all_on_exit() {
    trap 'status=$?; trap - EXIT INT TERM; stop_all; [ -n "${tmp:-}" ] && rm -rf "$tmp"; exit "$status"' EXIT
    trap 'exit 130' INT TERM
}
