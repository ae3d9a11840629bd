# Bounded waits for the demo and the benchmarks (sourced). The caller defines fail(); it may set
# wait_hint to something appended to the failure messages.

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
