#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
# SPDX-License-Identifier: GPL-2.0-or-later

# Responsiveness of the installed notifier while the update service holds back a reply: the simulator delays
# its answer to the first poll's getCurrentStateAsInt; while that call is pending the script opens the tray menu
# (right click) and then sends SIGTERM, or sends SIGTERM alone, and times the notifier.
# usage: bench/stall-bench.sh [--build DIR] [--prefix DIR] [--runs N] [--delay MS] [--output DIR]
#   --runs N      runs of each measurement (default 3)
#   --delay MS    how long the simulator holds back the reply (default 60000)
#   (--build, --prefix, --output as for tray-bench.sh)
runs=3
delay=60000
options="runs delay"
numbers="runs delay"
needs="bench/tray-probe tools/tarno-update-service-sim tests/tools/notification-recorder"
# shellcheck source=bench/stage.sh
. "$(dirname "$0")/stage.sh"
parse_options "$@"
[ -x "$notifier" ] || fail "$notifier is missing: install the build (see bench/README.md)"
report=$output/stall-bench-$stamp.txt
limit=$((delay + 5000))

start_desktop
start_service s4 4
sim_log_has() { sim s4 log 2>/dev/null | grep -q "^$1"; }

# stalled_notifier NAME [answered]: starts the notifier with its icon shown and waits for the first poll's
# state call, held back (with "answered": for the whole poll, answered at once); sets pid, X, Y, WIDTH, HEIGHT.
stalled_notifier() {
    sim s4 clear-scripts >/dev/null
    [ "${2:-}" = answered ] || sim s4 script getCurrentStateAsInt delay "$delay" >/dev/null
    sim s4 clear-log >/dev/null
    program_env "$1" s4 shown
    start "notifier-$1" env "${env_vars[@]}" "$notifier"
    pid=$last_pid
    wait_until 15 "$pid" "$1: waiting for the first poll" sim_log_has \
        "$([ "${2:-}" = answered ] && echo getMinorUpdateVersion || echo getCurrentStateAsInt)"
    sleep 0.3
    # The geometry now: trayer may move an icon after embedding it.
    "$probe" wait-embedded --pid "$pid" --timeout 5000 >"$tmp/probe.out" || fail "$1: no tray icon"
    eval "$(grep -E '^(X|Y|WIDTH|HEIGHT)=[0-9-]+$' "$tmp/probe.out")"
}

# elapsed T0: ms since T0, or ">LIMIT" when the limit was reached.
elapsed() { local ms=$(($(now_ms) - $1)); [ "$ms" -lt "$limit" ] && echo "$ms" || echo ">$limit"; }
menu_shown() {
    local window
    for window in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
        xprop -id "$window" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q '_NET_WM_WINDOW_TYPE_POPUP_MENU\b' && return
    done
    return 1
}
# open_menu: right click on the icon; prints the ms until a visible POPUP_MENU window of the notifier.
open_menu() {
    # --sync waits for a movement: a pointer already on the spot (from the run before) would wait 15 s.
    xdotool mousemove 0 0 mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    local t0
    t0=$(now_ms)
    xdotool click 3
    until menu_shown || [ $(($(now_ms) - t0)) -ge "$limit" ]; do alive "$pid" || fail "the notifier ended"; done
    elapsed "$t0"
    xdotool key Escape
}
# terminate: SIGTERM; prints the ms until the process is gone.
terminate() {
    local t0
    t0=$(now_ms)
    kill -TERM "$pid"
    while alive "$pid" && [ $(($(now_ms) - t0)) -lt "$limit" ]; do sleep 0.01; done
    elapsed "$t0"
    stop_pid "$pid"
}

menu=() reference=() term_after_menu=() term=()
for ((i = 1; i <= runs; i++)); do
    # Reference: the same right click with every reply answered, which is what the method itself costs.
    stalled_notifier "reference-$i" answered
    reference+=("$(open_menu)")
    stop_pid "$pid"
    stalled_notifier "menu-$i"
    menu+=("$(open_menu)")
    term_after_menu+=("$(terminate)")
    stalled_notifier "term-$i"
    term+=("$(terminate)")
    say "run $i: menu ${menu[-1]} ms (reference ${reference[-1]} ms), then SIGTERM ${term_after_menu[-1]} ms;" \
        "SIGTERM alone ${term[-1]} ms"
done

verdict() { # LIMIT_MS VALUES...
    local value
    for value in "${@:2}"; do [[ $value != ">"* && $value -le $1 ]] || { echo MISSED; return; }; done
    echo met
}
{
    echo "stall-bench $stamp on $(uname -n), $(nproc) CPUs, load $(cut -d' ' -f1-3 /proc/loadavg); build $build"
    echo "The simulator holds back getCurrentStateAsInt for $delay ms; each action 0.3 s after the call. ms, $runs runs:"
    echo "  right click to menu shown:     ${menu[*]} (target <= 1000): $(verdict 1000 "${menu[@]}")"
    echo "  the same, nothing held back:   ${reference[*]} (the method's own delay)"
    echo "  then SIGTERM to process gone:  ${term_after_menu[*]} (target <= 2000): $(verdict 2000 "${term_after_menu[@]}")"
    echo "  SIGTERM alone to process gone: ${term[*]} (target <= 2000): $(verdict 2000 "${term[@]}")"
} | tee "$report"
say "Report: $report"
