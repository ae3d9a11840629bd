#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
# SPDX-License-Identifier: GPL-2.0-or-later

# Builds and installs the notifier, then runs it against the update-service simulator, which offers an update.
# With a usable X display the notifier runs in your desktop session until it exits or you press Ctrl+C.
# Without one (or with --headless) it runs under Xvfb with a tray, and the demo leaves screenshots and a log.
# Nothing touches the machine's system bus or your own notifier settings.
#
# Usage: scripts/demo.sh [--headless] [--output DIR]
set -euo pipefail

usage() {
    cat <<'EOF'
usage: scripts/demo.sh [--headless] [--output DIR]
  --headless    run under Xvfb even when a display is usable; leaves tray.png, menu.png, info-ready.png,
                info-set.png and demo.log
  --output DIR  where results, logs and the demo's private settings go (default: demo-output/)
EOF
}

start_dir=$PWD
cd "$(dirname "$0")/.."
repo=$PWD
build=$repo/build-demo
prefix=$build/prefix
output=$repo/demo-output
headless=0

while [ $# -gt 0 ]; do
    case $1 in
    --headless) headless=1 ;;
    --output)
        [ $# -ge 2 ] || { usage >&2; exit 2; }
        output=$2
        shift
        ;;
    --output=*) output=${1#--output=} ;;
    -h | --help) usage; exit 0 ;;
    *) echo "demo: unknown argument: $1" >&2; usage >&2; exit 2 ;;
    esac
    shift
done

say() { printf '==> %s\n' "$*"; }
fail() {
    printf 'demo: FAILED: %s\n' "$*" >&2
    exit 1
}

# shellcheck source=scripts/processes.sh
. "$repo/scripts/processes.sh"

# --- Processes and clean-up ------------------------------------------------------------------------------
tmp=
log_written=1
cleanup() {
    local status=$?
    trap - EXIT INT TERM HUP
    # The log while the simulator can still answer.
    [ "$log_written" -eq 1 ] || write_log
    stop_all
    [ -n "$tmp" ] && rm -rf "$tmp"
    exit "$status"
}
trap cleanup EXIT
trap 'echo; say "Stopping."; exit 130' INT TERM

# Writes a section of demo.log.
logfile=
section() { printf '\n===== %s =====\n' "$1" >>"$logfile"; }
record() { printf '$ %s\n' "$*" >>"$logfile"; }
record_command() {
    local quoted
    quoted=$(printf '%q ' "$@")
    record "${quoted% }"
}

# --- 1. Packages -----------------------------------------------------------------------------------------
say "Checking the Debian packages (scripts/deps.sh)"
scripts/deps.sh || fail "installing the packages failed"

[[ $output == /* ]] || output=$start_dir/$output
mkdir -p "$output" || fail "cannot create $output"
output=$(cd "$output" && pwd)
wait_hint=" (see $output/demo.log)"
rm -rf "$output/config" "$output/tray.png" "$output/menu.png" "$output/info-ready.png" "$output/info-set.png" \
    "$output/notifications.jsonl"
logfile=$output/demo.log
: >"$logfile"
tmp=$(mktemp -d /tmp/zib-demo.XXXXXX)
section "demo started $(date '+%F %T') in $repo"

# --- 2. Build and install --------------------------------------------------------------------------------
buildlog=$output/build.log
say "Building a Release build in build-demo/ (log: $buildlog)"
# Only what the demo runs: neither the tests nor the other benchmarks.
targets=(zib-user-update-notifier translations tarno-update-service-sim notification-recorder x-screenshot tray-probe)
{
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON -DZIB_BUILD_BENCH=ON &&
        cmake --build "$build" -j"$(nproc)" --target "${targets[@]}" &&
        cmake --install "$build" --prefix "$prefix"
} >"$buildlog" 2>&1 || {
    tail -n 30 "$buildlog" >&2
    fail "the build failed; the full log is $buildlog"
}
record "cmake -S . -B build-demo -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=ON -DZIB_BUILD_BENCH=ON"
record "cmake --build build-demo --target ${targets[*]}; cmake --install build-demo --prefix build-demo/prefix"

notifier=$prefix/bin/zib-user-update-notifier
simulator=$build/tools/tarno-update-service-sim
recorder=$build/tests/tools/notification-recorder
screenshot=$build/tests/tools/x-screenshot
probe=$build/bench/tray-probe
for program in "$notifier" "$simulator" "$recorder" "$screenshot" "$probe"; do
    [ -x "$program" ] || fail "$program was not built"
done

# --- 3. Private system bus, sysroot, simulator -----------------------------------------------------------
say "Starting a private system bus and the update-service simulator"
start_bus system-bus
export DBUS_SYSTEM_BUS_ADDRESS=$bus_address
section "private system bus: $DBUS_SYSTEM_BUS_ADDRESS"

export ZIB_NOTIFIER_SYSROOT=$tmp/sysroot
mkdir -p "$ZIB_NOTIFIER_SYSROOT/etc"
echo "3.1.18" >"$ZIB_NOTIFIER_SYSROOT/etc/tarno_version"
record "echo 3.1.18 > \$ZIB_NOTIFIER_SYSROOT/etc/tarno_version   (ZIB_NOTIFIER_SYSROOT=$ZIB_NOTIFIER_SYSROOT)"

update_date=$(date -d '+7 days' '+%H:%M %d.%m.%Y')
start simulator "$simulator" --state 4 --date "$update_date" --version 3.1.19
simulator_pid=$last_pid
log_written=0
wait_until 10 "$simulator_pid" "starting the simulator" has_ready "$tmp/simulator.out"

# The notifier follows release upgrades only while the package tarno-upgrade is installed. This dpkg-query,
# first on the notifier's PATH, counts it installed while the upgrade's configuration exists, which
# "ctl upgrade MODE ..." writes and "ctl upgrade off" removes. The notifier keeps dpkg-query's answer until
# the folder DPKG_ADMINDIR changes, so that points at the configuration's folder.
upgrade_config_dir=$ZIB_NOTIFIER_SYSROOT/usr/share/tarno-upgrade
mkdir -p "$tmp/bin"
cat >"$tmp/bin/dpkg-query" <<EOF
#!/bin/sh
for package; do :; done
[ "\$package" = tarno-upgrade ] || { echo "dpkg-query: no packages found matching \$package" >&2; exit 1; }
if [ -f '$upgrade_config_dir/target.conf.yaml' ]; then
    echo 'ii tarno-upgrade'
else
    echo 'rc tarno-upgrade'
fi
EOF
chmod +x "$tmp/bin/dpkg-query"

# The notifier's own environment: the installed data, private settings and a private runtime directory
# (so an instance you already run does not make this one step aside as "already running").
mkdir -p "$output/config" "$tmp/runtime"
chmod 700 "$tmp/runtime"
notifier_env=(
    PATH="$tmp/bin:$PATH"
    DPKG_ADMINDIR="$upgrade_config_dir"
    XDG_DATA_DIRS="$prefix/share:${XDG_DATA_DIRS:-/usr/local/share:/usr/share}"
    XDG_CONFIG_HOME="$output/config"
    XDG_RUNTIME_DIR="$tmp/runtime"
)

ctl_line() { printf "  DBUS_SYSTEM_BUS_ADDRESS='%s' %s ctl %s\n" "$DBUS_SYSTEM_BUS_ADDRESS" "$simulator" "$1"; }

# Appends the notifier's output, the simulator's call log and the notifications to demo.log.
log_notifier_output() {
    section "notifier stdout$1"
    cat "$tmp/notifier.out" >>"$logfile" 2>/dev/null || true
    section "notifier stderr$1"
    cat "$tmp/notifier.err" >>"$logfile" 2>/dev/null || true
}
write_log() {
    log_written=1
    log_notifier_output ""
    section "simulator state (ctl show)"
    "$simulator" ctl show >>"$logfile" 2>&1 || echo "(the simulator did not answer)" >>"$logfile"
    section "simulator call log (ctl log)"
    "$simulator" ctl log >>"$logfile" 2>&1 || echo "(the simulator did not answer)" >>"$logfile"
    section "simulator stderr"
    cat "$tmp/simulator.err" >>"$logfile" 2>/dev/null || true
    if [ -f "$output/notifications.jsonl" ]; then
        section "notifications received by the recorder ($output/notifications.jsonl)"
        cat "$output/notifications.jsonl" >>"$logfile"
    fi
}

simulator_called() { "$simulator" ctl log 2>/dev/null | grep -q "^$1("; }
simulator_polled() { simulator_called getCurrentStateAsInt; }

# --- 4. In the current desktop session ------------------------------------------------------------------
# SIGHUP restarts the notifier, which reads the result stamps only at its start.
session_notifier=
session_restart=0
restart_notifier() {
    session_restart=1
    [ -n "$session_notifier" ] && kill -TERM "$session_notifier" 2>/dev/null
}
run_in_session() {
    if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
        local user_bus=${XDG_RUNTIME_DIR:-/run/user/$(id -u)}/bus
        if [ -S "$user_bus" ]; then
            export DBUS_SESSION_BUS_ADDRESS=unix:path=$user_bus
        else
            say "No session bus found: using a private one, so notifications will not be shown"
            start_bus session-bus
            export DBUS_SESSION_BUS_ADDRESS=$bus_address
        fi
    fi
    section "desktop session: DISPLAY=$DISPLAY, session bus $DBUS_SESSION_BUS_ADDRESS"
    trap restart_notifier HUP

    say "Starting the notifier in your desktop session (DISPLAY=$DISPLAY)"
    start notifier env "${notifier_env[@]}" QT_QPA_PLATFORM=xcb "$notifier"
    session_notifier=$last_pid
    wait_until 15 "$session_notifier" "waiting for the notifier's first poll" simulator_polled

    local upgrade_end
    upgrade_end=$(date -d '+14 days' '+%H:%M %d.%m.%Y')
    cat <<EOF

The notifier is running (pid $session_notifier). Its tray icon shows an available update, version 3.1.19,
due $update_date. It asks the simulator every 30 s; a change shows at the next poll.
Switch the simulator from another shell:
$(ctl_line "state 0")          # no update
$(ctl_line "state 4")          # update available
$(ctl_line "state 5")          # update set for the next reboot
$(ctl_line "error 1")          # service error 1: "Not enough free space for update"
$(ctl_line "error 0")          # no error
$(ctl_line "register off")     # the service vanishes from the bus ("register on" brings it back)
$(ctl_line "show")             # what the simulator answers now ("log" lists the calls it received)
A release upgrade to 4.0, seen within 70 s (the notifier looks for the upgrade tool every 60 s):
$(ctl_line "upgrade ready 4.0 '$upgrade_end'")   # ready, forced on that date
$(ctl_line "upgrade activated 4.0")              # set for the next reboot ("forced": cannot be postponed)
$(ctl_line "upgrade off")                        # the tool is gone; "state 4" then ends the service's
                                                 # "managed from outside" state
The last reboot's result, told when the notifier starts:
$(ctl_line "stamp 1")          # update done ("stamp 0 1": failed, "stamp 2": upgrade aborted, "stamp 3": done)
  kill -HUP $$          # restarts the notifier, which then tells the stamps left
Switch on your desktop's do-not-disturb mode: the tray still follows a change, and the popup waits until the
mode ends; then the one due comes.

Notifier output: $output/demo.log when the demo ends. Settings: $output/config.
Press Ctrl+C to stop the demo (or quit the notifier).
EOF
    local status
    while :; do
        status=0
        wait "$session_notifier" || status=$?
        [ "$session_restart" -eq 1 ] || break
        # The HUP interrupted the wait: let the notifier end, then start it again.
        wait "$session_notifier" 2>/dev/null || true
        session_restart=0
        log_notifier_output " (before a restart)"
        say "Restarting the notifier"
        start notifier env "${notifier_env[@]}" QT_QPA_PLATFORM=xcb "$notifier"
        session_notifier=$last_pid
        say "The notifier is running again (pid $session_notifier)"
    done
    say "The notifier exited with status $status"
    section "notifier exit status: $status"
    write_log
}

# --- 5. Headless, under Xvfb with a tray ----------------------------------------------------------------
# find_window PID TYPE [TITLE]: a visible window of the process with _NET_WM_WINDOW_TYPE_<TYPE> (and that
# title), in found_window.
found_window=
find_window() {
    local window
    found_window=
    for window in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
        if xprop -id "$window" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q "_NET_WM_WINDOW_TYPE_$2\b" &&
            { [ $# -lt 3 ] || [ "$(xprop -notype -id "$window" WM_NAME 2>/dev/null)" = "WM_NAME = \"$3\"" ]; }; then
            found_window=$window
            return 0
        fi
    done
    return 1
}
menu_gone() { ! find_window "$1" POPUP_MENU; }
notified() { grep -qF "\"body\":\"$1\"" "$output/notifications.jsonl" 2>/dev/null; }
update_notified() { notified "New system update is available"; }
# Mapped is not yet painted: wait_painted WINDOW WHAT waits for the light background to fill half of it.
wait_painted() {
    local WIDTH HEIGHT
    eval "$(xdotool getwindowgeometry --shell "$1" | grep -E '^(WIDTH|HEIGHT)=[0-9]+$')"
    record "tray-probe wait-color --window $1 --color EFEFEF   (painted $2)"
    "$probe" wait-color --window "$1" --color EFEFEF --min-pixels $((WIDTH * HEIGHT / 2)) --timeout 10000 \
        >>"$logfile" 2>&1 || fail "$2 was not painted"
}

run_headless() {
    # A clean desktop-less environment: no desktop platform theme, no Wayland, English texts.
    unset XDG_CURRENT_DESKTOP KDE_FULL_SESSION DESKTOP_SESSION QT_QPA_PLATFORMTHEME WAYLAND_DISPLAY
    export LC_ALL=C.UTF-8 LANGUAGE=''
    export XDG_RUNTIME_DIR=$tmp/tools-runtime
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    local width=480 height=320

    say "Starting Xvfb, a private session bus, the notification recorder and trayer"
    start xvfb Xvfb -displayfd 1 -screen 0 "${width}x${height}x24" -nolisten tcp
    wait_until 15 "$last_pid" "starting Xvfb" has_line "$tmp/xvfb.out"
    DISPLAY=:$(head -n1 "$tmp/xvfb.out")
    export DISPLAY
    start_bus session-bus
    export DBUS_SESSION_BUS_ADDRESS=$bus_address
    section "headless: DISPLAY=$DISPLAY, session bus $DBUS_SESSION_BUS_ADDRESS"

    start recorder "$recorder" --log "$output/notifications.jsonl"
    wait_until 10 "$last_pid" "starting the notification recorder" has_ready "$tmp/recorder.out"
    start trayer trayer --edge top --align right --widthtype request --height 24 --transparent false \
        --tint 0x333333
    local trayer_pid=$last_pid
    record "xdotool search --sync --onlyvisible --classname '^panel\$'"
    timeout 10 xdotool search --sync --onlyvisible --classname '^panel$' >/dev/null ||
        fail "trayer's panel did not appear within 10 s"

    say "Starting the notifier"
    start notifier env "${notifier_env[@]}" QT_QPA_PLATFORM=xcb "$notifier"
    local notifier_pid=$last_pid

    # With the default settings the icon is hidden at start and shown by the first poll (3 s after start),
    # which finds the update: then the notification goes out and the icon shows the "update available" picture.
    say "Waiting for the first poll (3 s after start) and the tray icon"
    wait_until 15 "$notifier_pid" "waiting for the \"update available\" notification" update_notified
    local probe_out=$tmp/probe.out
    record "tray-probe wait-embedded --pid $notifier_pid --timeout 15000"
    "$probe" wait-embedded --pid "$notifier_pid" --timeout 15000 >"$probe_out" 2>>"$logfile" ||
        fail "the tray icon was not embedded in trayer within 15 s"
    local WINDOW X Y WIDTH HEIGHT
    eval "$(grep -E '^(WINDOW|X|Y|WIDTH|HEIGHT)=[0-9a-fx-]+$' "$probe_out")"
    record "tray-probe wait-color --window $WINDOW --color FFF44F --timeout 10000   (the yellow update picture)"
    "$probe" wait-color --window "$WINDOW" --color FFF44F --timeout 10000 >>"$logfile" 2>&1 ||
        fail "the tray icon did not change to the \"update available\" picture"
    alive "$trayer_pid" || fail "trayer ended"
    say "The tray icon shows the update"

    # Geometry again: the panel may have moved the icon since it was embedded.
    "$probe" wait-embedded --pid "$notifier_pid" --timeout 5000 >"$probe_out" 2>>"$logfile" ||
        fail "the tray icon left the tray"
    eval "$(grep -E '^(WINDOW|X|Y|WIDTH|HEIGHT)=[0-9a-fx-]+$' "$probe_out")"
    # Hovering shows the tooltip; the picture is taken with it if it comes.
    record "xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))"
    xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    local end=$(($(now_ms) + 5000))
    until find_window "$notifier_pid" TOOLTIP || [ "$(now_ms)" -ge "$end" ]; do sleep 0.05; done
    if [ -n "$found_window" ]; then
        "$probe" wait-color --window "$found_window" --color 000000 --min-pixels 20 --timeout 5000 >/dev/null 2>&1 || true
    else
        echo "(no tooltip appeared within 5 s)" >>"$logfile"
    fi
    record "x-screenshot tray.png"
    "$screenshot" "$output/tray.png" 2>>"$logfile" || fail "the screenshot tray.png failed"

    say "Opening the tray menu"
    record "xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3"
    xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 3
    wait_until 10 "$notifier_pid" "waiting for the tray menu" find_window "$notifier_pid" POPUP_MENU
    wait_painted "$found_window" "the tray menu"
    record "x-screenshot menu.png"
    "$screenshot" "$output/menu.png" 2>>"$logfile" || fail "the screenshot menu.png failed"
    record "xdotool key Escape"
    xdotool key Escape
    wait_until 10 "$notifier_pid" "closing the tray menu" menu_gone "$notifier_pid"

    say "Opening the information window"
    record "xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1"
    xdotool mousemove --sync $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click 1
    wait_until 10 "$notifier_pid" "waiting for the information window" \
        find_window "$notifier_pid" DIALOG "System update"
    local info_window=$found_window
    wait_painted "$info_window" "the information window"
    # A fresh window gives the focus to OK; the state button is the one before it (the disabled "Reboot now"
    # between them is skipped). The focus frame in info-ready.png shows what the space bar will press.
    record "xdotool windowfocus --sync $info_window key shift+Tab"
    xdotool windowfocus --sync "$info_window" key shift+Tab || fail "the information window took no focus"
    # The focus frame is blue, as is the default button's thinner frame.
    record "tray-probe wait-color --window $info_window --color 26709E --min-pixels 600   (focus frame)"
    "$probe" wait-color --window "$info_window" --color 26709E --min-pixels 600 --timeout 5000 >>"$logfile" 2>&1 ||
        fail "the \"Update on reboot\" button did not take the keyboard focus"
    record "x-screenshot info-ready.png"
    "$screenshot" "$output/info-ready.png" 2>>"$logfile" || fail "the screenshot info-ready.png failed"

    say "Pressing \"Update on reboot\" and waiting for the update to be set for the next reboot"
    record "xdotool key space"
    xdotool key space
    wait_until 5 "$notifier_pid" "pressing \"Update on reboot\": the simulator got no enableUpgradeOnReboot" \
        simulator_called enableUpgradeOnReboot
    # The simulator sets state 5 at once; the notifier polls 5 s after the request and tells the new state.
    wait_until 20 "$notifier_pid" "waiting for the \"set for the next reboot\" notification" \
        notified "The system will be updated on the next reboot"
    # The same poll refreshes the window, which the wait had greyed out: black text means it is drawn again.
    record "tray-probe wait-color --window $info_window --color 000000 --min-pixels 300   (text drawn again)"
    "$probe" wait-color --window "$info_window" --color 000000 --min-pixels 300 --timeout 10000 >>"$logfile" 2>&1 ||
        fail "the information window did not show the new state"
    record "x-screenshot info-set.png"
    "$screenshot" "$output/info-set.png" 2>>"$logfile" || fail "the screenshot info-set.png failed"

    say "Stopping the notifier"
    record "kill -TERM $notifier_pid"
    kill -TERM "$notifier_pid"
    local status=0
    wait "$notifier_pid" || status=$?
    section "notifier exit status after SIGTERM: $status"
    write_log
    [ "$status" -eq 0 ] || fail "the notifier exited with status $status after SIGTERM"

    cat <<EOF

Done. In $output:
  tray.png             the tray with the "update available" icon
  menu.png             the tray menu
  info-ready.png       the information window offering the update
  info-set.png         the information window after "Update on reboot": set for the next reboot
  demo.log             what ran, the notifier's output, the simulator's call log, the notifications
  notifications.jsonl  the notifications as the recorder received them
  build.log            the build
EOF
}

if [ "$headless" -eq 0 ] && [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    run_in_session
else
    [ "$headless" -eq 1 ] || say "No usable display (DISPLAY=${DISPLAY:-unset}): running headless under Xvfb"
    run_headless
fi
