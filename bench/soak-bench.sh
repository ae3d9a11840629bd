#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
# SPDX-License-Identifier: GPL-2.0-or-later

# Soak: the installed notifier runs for N minutes with default settings while the simulator changes its state and
# error code every minute (update available, set for the next reboot, none; error 1 every other minute), so that
# popups are sent, replaced and closed. Every minute it records RSS, open fds, threads, notifications sent and
# popups open, and asks the notifier `--status`. It passes when RSS grows <= 1 MiB after the first 5 minutes (or
# after the first minute of a shorter run), fds and threads stay flat from then on, no two popups of one kind
# (the update state's, the error's) were ever open at once, and the notifier is alive and answered every time.
# usage: bench/soak-bench.sh [--build DIR] [--prefix DIR] [--minutes N] [--output DIR]
#   --minutes N  how long the notifier runs (default 60; 2 for a quick try)
minutes=60
options=minutes
numbers=minutes
needs="tools/tarno-update-service-sim tests/tools/notification-recorder"
# shellcheck source=bench/stage.sh
. "$(dirname "$0")/stage.sh"
parse_options "$@"
[ -x "$notifier" ] || fail "$notifier is missing: install the build (see bench/README.md)"
[ "$minutes" -ge 2 ] || fail "--minutes must be at least 2"
report=$output/soak-bench-$stamp.txt

start_desktop
start_service s4 4
program_env soak s4
start notifier env "${env_vars[@]}" "$notifier"
pid=$last_pid
t0=$(now_ms)

# popups [all]: notifications sent, and popups open now per kind (Notify minus CloseNotification, from the
# recorder's log); with "all", the most open of one kind at any moment.
popups() {
    /usr/bin/python3 - "$tmp/notifications.jsonl" "${1:-}" <<'EOF'
import json, os, sys
shown, sent, worst = {}, 0, 0
for line in open(sys.argv[1]) if os.path.exists(sys.argv[1]) else []:
    call = json.loads(line)
    if call["call"] == "Notify":
        sent += 1
        shown[call["id"]] = "error" if call["hints"].get("x-kde-eventId") == "prepareerror" else "state"
    elif call["call"] == "CloseNotification":
        shown.pop(call["id"], None)
    worst = max([worst] + [list(shown.values()).count(kind) for kind in ("state", "error")])
kinds = list(shown.values())
print(worst if sys.argv[2] else f"{sent} {kinds.count('state')} {kinds.count('error')}")
EOF
}

states=(4 5 0)
echo "minute RSS-KiB fds threads sent open-state open-error status" >"$tmp/samples"
for ((minute = 1; minute <= minutes; minute++)); do
    while [ "$(now_ms)" -lt $((t0 + minute * 60000)) ]; do sleep 0.5; done
    alive "$pid" || fail "the notifier ended in minute $minute"
    answer=failed
    env "${env_vars[@]}" "$notifier" --status >"$tmp/status.out" 2>&1 && answer=ok
    sample="$minute $(awk '$1 == "VmRSS:" { print $2 }' "/proc/$pid/status") $(entries "/proc/$pid/fd")"
    sample+=" $(entries "/proc/$pid/task") $(popups) $answer"
    echo "$sample" >>"$tmp/samples"
    say "$(head -n1 "$tmp/samples"): $sample"
    sim s4 state "${states[minute % 3]}" >/dev/null
    sim s4 error $((minute % 2)) >/dev/null
done

reference=$((minutes > 5 ? 5 : 1))
{
    echo "soak-bench $stamp on $(uname -n), load $(cut -d' ' -f1-3 /proc/loadavg); $minutes minutes; $notifier"
    column -t "$tmp/samples" | sed 's/^/  /'
    awk -v ref="$reference" -v worst="$(popups all)" 'NR > 1 {
        m[NR] = $1; rss[NR] = $2; fds[NR] = $3; thr[NR] = $4; if ($8 != "ok") silent++
        if ($1 >= ref) { n++; sx += $1; sy += $2; sxx += $1 * $1; sxy += $1 * $2 }
        if ($1 == ref) { r = NR } else if ($1 > ref && (fds[NR] != fds[r] || thr[NR] != thr[r])) moved++
    } END {
        slope = n > 1 ? (n * sxy - sx * sy) / (n * sxx - sx * sx) : 0
        printf "  RSS %d -> %d KiB, slope %.1f KiB/min from minute %d; fds %d -> %d; threads %d -> %d\n",
            rss[2], rss[NR], slope, ref, fds[2], fds[NR], thr[2], thr[NR]
        grow = rss[NR] - rss[r]
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
