#!/usr/bin/env bash
# Responsiveness of the installed notifier while the update service holds back a reply: the simulator delays
# its answer to the poll's getCurrentStateAsInt, and while that call is pending the script opens the tray
# menu (right click on the icon) or sends SIGTERM, and times how long the notifier takes.
# Stage as in tray-bench.sh: Xvfb, trayer, private buses, the notification recorder. Builds nothing.
#
# Usage: bench/stall-bench.sh [--build DIR] [--prefix DIR] [--runs N] [--delay MS] [--output DIR]
set -euo pipefail

cd "$(dirname "$0")/.."
repo=$PWD
build=
prefix=
runs=3
delay=60000
output=$repo/bench-output

usage() {
    cat <<'EOF'
usage: bench/stall-bench.sh [--build DIR] [--prefix DIR] [--runs N] [--delay MS] [--output DIR]
  --build DIR   build tree with the simulator, tray-probe and the recorder (default: build-demo, else build-bench)
  --prefix DIR  where that build was installed (default: DIR/prefix)
  --runs N      runs of each measurement (default 3)
  --delay MS    how long the simulator holds back the state reply (default 60000)
  --output DIR  where the report goes (default: bench-output/)
EOF
}

while [ $# -gt 0 ]; do
    case $1 in
    --build) build=$2; shift ;;
    --prefix) prefix=$2; shift ;;
    --runs) runs=$2; shift ;;
    --delay) delay=$2; shift ;;
    --output) output=$2; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "stall-bench: unknown argument: $1" >&2; usage >&2; exit 2 ;;
    esac
    shift
done

fail() {
    printf 'stall-bench: FAILED: %s\n' "$*" >&2
    exit 1
}
say() { printf '==> %s\n' "$*" >&2; }

if [ -z "$build" ]; then
    for candidate in build-demo build-bench; do
        [ -x "$candidate/bench/tray-probe" ] && { build=$candidate; break; }
    done
    [ -n "$build" ] || fail "no build found; run scripts/demo.sh or see bench/README.md"
fi
build=$(cd "$build" && pwd)
prefix=${prefix:-$build/prefix}
if ! [[ $runs =~ ^[0-9]+$ ]] || [ "$runs" -lt 1 ]; then fail "--runs needs a positive number"; fi
if ! [[ $delay =~ ^[0-9]+$ ]] || [ "$delay" -lt 5000 ]; then fail "--delay needs at least 5000 ms"; fi

notifier=$prefix/bin/zib-user-update-notifier
probe=$build/bench/tray-probe
simulator=$build/tools/tarno-update-service-sim
recorder=$build/tests/tools/notification-recorder
for program in "$notifier" "$probe" "$simulator" "$recorder"; do
    [ -x "$program" ] ||
        fail "$program is missing (configure with -DBUILD_TESTING=ON -DZIB_BUILD_BENCH=ON and install, see bench/README.md)"
done

# shellcheck source=scripts/processes.sh
. "$repo/scripts/processes.sh"

tmp=
stop_all_on_exit

mkdir -p "$output"
output=$(cd "$output" && pwd)
stamp=$(date +%Y%m%d-%H%M%S)
report=$output/stall-bench-$stamp.txt
tmp=$(mktemp -d /tmp/zib-stall.XXXXXX)

unset XDG_CURRENT_DESKTOP KDE_FULL_SESSION DESKTOP_SESSION QT_QPA_PLATFORMTHEME WAYLAND_DISPLAY
export LC_ALL=C.UTF-8 LANGUAGE='' QT_QPA_PLATFORM=xcb
say "Starting Xvfb, trayer, private buses, the notification recorder and the simulator (state 4)"
start xvfb Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp
wait_until 15 "$last_pid" "starting Xvfb" has_line "$tmp/xvfb.out"
DISPLAY=:$(head -n1 "$tmp/xvfb.out")
export DISPLAY
start_bus session
export DBUS_SESSION_BUS_ADDRESS=$bus_address
start recorder "$recorder"
wait_until 10 "$last_pid" "starting the recorder" has_ready "$tmp/recorder.out"
start trayer trayer --edge top --align right --widthtype request --height 24 --transparent false --tint 0x333333
timeout 10 xdotool search --sync --onlyvisible --classname '^panel$' >/dev/null || fail "trayer did not come up"
start_bus system
export DBUS_SYSTEM_BUS_ADDRESS=$bus_address
export ZIB_NOTIFIER_SYSROOT=$tmp/sysroot
mkdir -p "$ZIB_NOTIFIER_SYSROOT/etc"
echo 3.1.18 >"$ZIB_NOTIFIER_SYSROOT/etc/tarno_version"
start simulator "$simulator" --state 4 --date "$(date -d '+7 days' '+%H:%M %d.%m.%Y')" --version 3.1.19
wait_until 10 "$last_pid" "starting the simulator" has_ready "$tmp/simulator.out"
ctl() { "$simulator" ctl "$@" >/dev/null; }

# is_menu WINDOW: whether the window is a popup menu.
is_menu() { xprop -id "$1" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q '_NET_WM_WINDOW_TYPE_POPUP_MENU\b'; }
menu_shown() {
    local window
    for window in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        is_menu "$window" && return 0
    done
    return 1
}
state_call_pending() { "$simulator" ctl log 2>/dev/null | grep -q '^getCurrentStateAsInt'; }

poll_answered() { "$simulator" ctl log 2>/dev/null | grep -q '^getMinorUpdateVersion'; }

# stalled_notifier NAME [answered]: starts the notifier with its icon shown from the start, waits for the icon
# and for the poll's state call, which the simulator holds back (with "answered": for the whole poll, answered
# at once); sets notifier_pid, X, Y, WIDTH, HEIGHT.
stalled_notifier() {
    local dir=$tmp/run-$1
    mkdir -p "$dir/config/TarnoLinux" "$dir/runtime"
    chmod 700 "$dir/runtime"
    printf '[%%General]\nhideTray=false\n' >"$dir/config/TarnoLinux/zib-update-notifier.conf"
    ctl clear-scripts
    [ "${2:-}" = answered ] || ctl script getCurrentStateAsInt delay "$delay"
    ctl clear-log
    start "notifier-$1" env XDG_DATA_DIRS="$prefix/share:/usr/local/share:/usr/share" \
        XDG_CONFIG_HOME="$dir/config" XDG_RUNTIME_DIR="$dir/runtime" "$notifier"
    notifier_pid=$last_pid
    # The first poll comes 3 s after start; its state call then stays unanswered for --delay ms.
    if [ "${2:-}" = answered ]; then
        wait_until 15 "$notifier_pid" "$1: waiting for the first poll" poll_answered
    else
        wait_until 15 "$notifier_pid" "$1: waiting for the state call" state_call_pending
    fi
    sleep 0.3
    # Geometry now: trayer may move an icon after embedding it.
    "$probe" wait-embedded --pid "$notifier_pid" --timeout 5000 >"$dir/probe.out" 2>>"$tmp/probe.err" ||
        fail "$1: no tray icon"
    eval "$(grep -E '^(X|Y|WIDTH|HEIGHT)=[0-9-]+$' "$dir/probe.out")"
}

# until_gone PID LIMIT_MS: milliseconds until the process is gone, or "more than LIMIT".
until_gone() {
    local t0 end
    t0=$(now_ms)
    end=$((t0 + $2))
    while alive "$1"; do
        [ "$(now_ms)" -lt "$end" ] || { echo ">$2"; return; }
        sleep 0.01
    done
    echo $(($(now_ms) - t0))
}

limit=$((delay + 5000))
# open_menu NAME: right click on the icon; sets menu_ms, the time until a visible POPUP_MENU window.
open_menu() {
    xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    local t0 end
    t0=$(now_ms)
    xdotool click 3
    end=$((t0 + limit))
    until menu_shown "$notifier_pid"; do
        alive "$notifier_pid" || fail "$1: the notifier ended"
        [ "$(now_ms)" -lt "$end" ] || break
    done
    menu_ms=$(($(now_ms) - t0))
    [ "$menu_ms" -lt "$limit" ] || menu_ms=">$limit"
    xdotool key Escape
}

menu_times=() term_times=() term_after_menu=() reference_times=()
for ((i = 1; i <= runs; i++)); do
    # Reference: the same right click with every reply answered, which is what the method itself costs.
    stalled_notifier "reference-$i" answered
    open_menu "reference-$i"
    reference_times+=("$menu_ms")
    stop_pid "$notifier_pid"

    # Right click on the icon while the reply is held back.
    stalled_notifier "menu-$i"
    open_menu "menu-$i"
    kill -TERM "$notifier_pid"
    term_after=$(until_gone "$notifier_pid" "$limit")
    stop_pid "$notifier_pid"
    menu_times+=("$menu_ms")
    term_after_menu+=("$term_after")

    # SIGTERM while the reply is held back.
    stalled_notifier "term-$i"
    kill -TERM "$notifier_pid"
    term_ms=$(until_gone "$notifier_pid" "$limit")
    stop_pid "$notifier_pid"
    term_times+=("$term_ms")
    say "run $i: menu shown after ${menu_times[-1]} ms (reference ${reference_times[-1]} ms), then SIGTERM: gone" \
        "after $term_after ms; SIGTERM alone: gone after $term_ms ms"
done

verdict() { # VALUES... LIMIT_MS
    local limit=${*: -1} value
    for value in "${@:1:$#-1}"; do
        [[ $value != ">"* ]] && [ "$value" -le "$limit" ] || { echo MISSED; return; }
    done
    echo met
}
{
    echo "stall-bench $stamp on $(uname -n), $(nproc) CPUs, load $(cut -d' ' -f1-3 /proc/loadavg); build $build"
    echo "The simulator holds back the reply to getCurrentStateAsInt for $delay ms; each action starts 0.3 s after"
    echo "the notifier sent that call. Times in ms, $runs runs; the menu is looked for about every 20-40 ms."
    echo "  right click to menu shown:      ${menu_times[*]}  (target <= 1000): $(verdict "${menu_times[@]}" 1000)"
    echo "  the same, nothing held back:    ${reference_times[*]}  (the method's own delay)"
    echo "  then SIGTERM to process gone:   ${term_after_menu[*]}  (target <= 2000): $(verdict "${term_after_menu[@]}" 2000)"
    echo "  SIGTERM alone to process gone:  ${term_times[*]}  (target <= 2000): $(verdict "${term_times[@]}" 2000)"
} | tee "$report"
say "Report: $report"
