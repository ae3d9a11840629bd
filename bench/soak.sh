#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
# SPDX-License-Identifier: GPL-2.0-or-later

# Soak: the installed notifier runs for N minutes with default settings against the simulator, which moves
# through every state, error code, faulty reply (wrong type, D-Bus error), release-upgrade report and result
# stamp, and is restarted every 5 minutes. Between the samples the script acts as a user: a remind-later choice
# from the tray menu (keyboard), "Show more" and "Update on reboot" on the popup, and `--settings` from a second
# start, a click on the icon; the windows opened are closed again. Every minute it records RSS, open fds, threads, notifications sent
# and popups open per kind, and asks the notifier `--status`. It passes when RSS grows <= 1 MiB after the first
# 5 minutes (or after the first minute of a shorter run), fds and threads stay flat from then on, no two popups
# of one kind (the update state's, the error's) were ever open at once, and the notifier is alive and answered
# every time.
# usage: bench/soak.sh [--build DIR] [--prefix DIR] [--minutes N] [--output DIR]
#   --minutes N  how long the notifier runs (default 60; 2 for a quick try)
minutes=60
options=minutes
numbers=minutes
needs="bench/tray-probe tools/tarno-update-service-sim tests/tools/notification-recorder"
# shellcheck source=bench/stage.sh
. "$(dirname "$0")/stage.sh"
parse_options "$@"
[ -x "$notifier" ] || fail "$notifier is missing: install the build (see bench/README.md)"
[ "$minutes" -ge 2 ] || fail "--minutes must be at least 2"
report=$output/soak-$stamp.txt

start_desktop
start_service s4 4
sim_pid=$last_pid
program_env soak s4
start notifier env "${env_vars[@]}" "$notifier"
pid=$last_pid
t0=$(now_ms)

# popups [all]: notifications sent, and popups open now per kind (Notify minus its closing, from the
# recorder's log); with "all", the most open of one kind at any moment. "last": the id of the state's open one.
popups() {
    /usr/bin/python3 - "$tmp/notifications.jsonl" "${1:-}" <<'PY'
import json, os, sys
shown, sent, worst = {}, 0, 0
for line in open(sys.argv[1]) if os.path.exists(sys.argv[1]) else []:
    call = json.loads(line)
    if call["call"] == "Notify":
        sent += 1
        shown[call["id"]] = "error" if call["hints"].get("x-kde-eventId") == "prepareerror" else "state"
    elif call["call"] in ("CloseNotification", "NotificationClosed"):
        shown.pop(call["id"], None)
    worst = max([worst] + [list(shown.values()).count(kind) for kind in ("state", "error")])
kinds = list(shown.values())
if sys.argv[2] == "all":
    print(worst)
elif sys.argv[2] == "last":
    print(next((i for i, k in reversed(list(shown.items())) if k == "state"), ""))
else:
    print(f"{sent} {kinds.count('state')} {kinds.count('error')}")
PY
}

# The simulator, restarted as the service would be: its bus name goes and comes back.
restart_sim() {
    stop_pid "$sim_pid"
    DBUS_SYSTEM_BUS_ADDRESS=${system_bus[s4]} ZIB_NOTIFIER_SYSROOT=$tmp/sysroot start sim-s4 "$simulator" \
        --state "$1" --date "$(date -d '+7 days' '+%H:%M %d.%m.%Y')" --version 3.1.19
    sim_pid=$last_pid
    wait_until 10 "$sim_pid" "restarting the simulator" has_ready "$tmp/sim-s4.out"
}

# One minute's scenario: the state, the error code and the upgrade files, plus a fault now and then.
states=(4 5 0 -1 4 5 2 6 -2 -2 -2 4)
upgrades=("" "" "" "" "" "" "" "" ready activated forced off)
scenario() {
    local m=$1 i=$(($1 % 12)) due
    due=$(date -d "$([ $((m % 3)) -eq 0 ] && echo '-1 hour' || echo '+7 days')" '+%H:%M %d.%m.%Y')
    if [ $((m % 5)) -eq 0 ]; then restart_sim "${states[i]}"; fi
    sim s4 state "${states[i]}"
    sim s4 error $((m % 4))
    sim s4 date "$due"
    sim s4 version "3.1.$((19 + m % 3))"
    case ${upgrades[i]} in
    off) sim s4 upgrade off ;;
    ?*) sim s4 upgrade "${upgrades[i]}" 4.0 "$due" ;;
    esac
    case $((m % 4)) in
    0) sim s4 script getCurrentStateAsInt value s:wrong ;;
    1) sim s4 script getCurrentErrorAsInt error org.freedesktop.DBus.Error.Failed ;;
    2) sim s4 script getUpdateDateAsString value i:5 ;;
    3) sim s4 script getMinorUpdateVersion error "" ;;
    esac
    if [ $((m % 6)) -eq 0 ]; then
        if [ $((m / 6 % 4)) -eq 0 ]; then sim s4 stamp 0 1; else sim s4 stamp $((m / 6 % 4)); fi
    fi
}

# The user's turn, half a minute after the state changed (a poll has seen it by then).
notifier_windows() { xdotool search --onlyvisible --pid "$pid" --name . 2>/dev/null || true; }
close_windows() {
    local window
    for window in $(notifier_windows); do
        xdotool windowfocus --sync "$window" key --clearmodifiers Escape 2>/dev/null || true
    done
}
# click_icon BUTTON: a click on the tray icon, when it is shown.
click_icon() {
    "$probe" wait-embedded --pid "$pid" --timeout 2000 >"$tmp/probe.out" 2>/dev/null || return 1
    eval "$(grep -E '^(X|Y|WIDTH|HEIGHT)=[0-9-]+$' "$tmp/probe.out")"
    xdotool mousemove 0 0 mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click "$1"
    sleep 0.5
}
remind_later() {
    click_icon 3 || return 0
    # The last entry is "Disable notifications"; its first is "in 1 hour".
    xdotool key Up Right Return
    sleep 0.5
    xdotool key Escape Escape
}
user_turn() {
    local id
    id=$(popups last)
    case $(($1 % 4)) in
    # A postponement holds back the update's popups for an hour or more: only now and then.
    0) if [ $(($1 % 20)) -eq 4 ]; then remind_later; else click_icon 1 || true; fi ;;
    1) [ -n "$id" ] && recorder InvokeAction "uint32:$id" string:default ;;
    2) env "${env_vars[@]}" "$notifier" --settings >/dev/null 2>&1 || true ;;
    3) [ -n "$id" ] && recorder InvokeAction "uint32:$id" string:1 ;;
    esac
    sleep 5
    close_windows
}
recorder() {
    dbus-send --session --print-reply --dest=org.freedesktop.Notifications /org/freedesktop/Notifications \
        "org.freedesktop.Notifications.$1" "${@:2}" >/dev/null 2>&1 || true
}

echo "minute RSS-KiB fds threads sent open-state open-error status postponed" >"$tmp/samples"
for ((minute = 1; minute <= minutes; minute++)); do
    while [ "$(now_ms)" -lt $((t0 + minute * 60000)) ]; do sleep 0.5; done
    alive "$pid" || fail "the notifier ended in minute $minute"
    answer=failed
    env "${env_vars[@]}" "$notifier" --status >"$tmp/status.out" 2>&1 && answer=ok
    sample="$minute $(awk '$1 == "VmRSS:" { print $2 }' "/proc/$pid/status") $(entries "/proc/$pid/fd")"
    sample+=" $(entries "/proc/$pid/task") $(popups) $answer $(awk '$1 == "postponed:" { print $2 }' "$tmp/status.out")"
    echo "$sample" >>"$tmp/samples"
    say "$(head -n1 "$tmp/samples"): $sample"
    [ "$minute" -lt "$minutes" ] || break
    scenario "$minute" >/dev/null || say "a step of minute $minute failed"
    while [ "$(now_ms)" -lt $((t0 + minute * 60000 + 35000)) ]; do sleep 0.5; done
    user_turn "$minute"
done

reference=$((minutes > 5 ? 5 : 1))
{
    echo "soak $stamp on $(uname -n), load $(cut -d' ' -f1-3 /proc/loadavg); $minutes minutes; $notifier"
    column -t "$tmp/samples" | sed 's/^/  /'
    awk -v ref="$reference" -v worst="$(popups all)" '
    function slope(col,   i, n, sx, sy, sxx, sxy) {
        for (i = 2; i <= NR; i++) if (m[i] >= ref) { n++; sx += m[i]; sy += v[i, col]; sxx += m[i] ^ 2; sxy += m[i] * v[i, col] }
        return n > 1 ? (n * sxy - sx * sy) / (n * sxx - sx * sx) : 0
    }
    NR > 1 {
        m[NR] = $1; v[NR, 2] = $2; v[NR, 3] = $3; v[NR, 4] = $4; if ($8 != "ok") silent++
        if ($1 == ref) { r = NR } else if ($1 > ref && ($3 != v[r, 3] || $4 != v[r, 4])) moved++
        if ($9 == "yes") postponed++
    } END {
        printf "  from minute %d, first -> last, slope per minute:\n", ref
        printf "    RSS     %d -> %d KiB, %.1f KiB/min\n", v[r, 2], v[NR, 2], slope(2)
        printf "    fds     %d -> %d, %.2f/min\n", v[r, 3], v[NR, 3], slope(3)
        printf "    threads %d -> %d, %.2f/min\n", v[r, 4], v[NR, 4], slope(4)
        printf "  notifications sent: %d; samples while postponed: %d\n", $5, postponed
        grow = v[NR, 2] - v[r, 2]
        printf "  RSS growth after minute %d: %d KiB (<= 1024): %s\n", ref, grow, grow <= 1024 ? "ok" : "FAIL"
        printf "  fds and threads flat after minute %d: %s\n", ref, moved ? "FAIL" : "ok"
        printf "  most popups of one kind open at once: %d (<= 1): %s\n", worst, worst <= 1 ? "ok" : "FAIL"
        printf "  --status unanswered: %d times: %s\n", silent, silent ? "FAIL" : "ok"
    }' "$tmp/samples"
} | tee "$report"
cp "$tmp/notifications.jsonl" "${report%.txt}.notifications.jsonl"
alive "$pid" || fail "the notifier ended"
! grep -q FAIL "$report" || fail "see $report"
say "passed; report: $report"
