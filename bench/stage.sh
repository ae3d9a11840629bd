# SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
# SPDX-License-Identifier: GPL-2.0-or-later

# shellcheck shell=bash disable=SC2034,SC2154 # the variables are the callers'
# Sourced by the benchmark scripts: their options, the build they use, and the stage they share (Xvfb with
# trayer, a private session bus with the notification recorder, private system buses with the simulator).
# The caller sets its defaults, `options` (the option names it takes besides build, prefix and output),
# `numbers` (those that must be positive integers) and `needs` (programs, relative to the build), then calls
# parse_options "$@". Nothing touches the machine's buses or the user's settings.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
build=
prefix=
output=$repo/bench-output
tmp=
# shellcheck source=scripts/processes.sh
. "$repo/scripts/processes.sh"

fail() {
    printf '%s: FAILED: %s\n' "${0##*/}" "$*" >&2
    exit 1
}
say() { printf '==> %s\n' "$*" >&2; }
# The script's header comment, without the leading "# ".
usage() { awk 'NR > 1 && !/^#/ { exit } NR > 1 { sub(/^# ?/, ""); print }' "$0"; }

find_build() {
    local candidate program
    for candidate in build-bench build-demo; do
        for program in $needs; do [ -x "$candidate/$program" ] || continue 2; done
        echo "$candidate"
        return
    done
}

parse_options() {
    local name
    while [ $# -gt 0 ]; do
        [[ $1 == -h || $1 == --help ]] && { usage; exit 0; }
        name=${1#--}
        name=${name//-/_}
        [[ $1 == --* && " build prefix output $options " == *" $name "* && $# -ge 2 ]] || { usage >&2; exit 2; }
        printf -v "$name" %s "$2"
        shift 2
    done
    for name in $numbers; do [[ ${!name} =~ ^[1-9][0-9]*$ ]] || fail "--${name//_/-} needs a positive number"; done
    build=${build:-$(find_build)}
    [ -n "$build" ] || fail "no build with $needs; see bench/README.md"
    build=$(cd "$build" && pwd)
    prefix=${prefix:-$build/prefix}
    notifier=$prefix/bin/zib-user-update-notifier
    simulator=$build/tools/tarno-update-service-sim
    probe=$build/bench/tray-probe
    for program in $needs; do
        [ -x "$build/$program" ] || fail "$build/$program is missing (see bench/README.md)"
    done
    mkdir -p "$output"
    output=$(cd "$output" && pwd)
    stamp=$(date +%Y%m%d-%H%M%S)
    stop_all_on_exit
    tmp=$(mktemp -d /tmp/zib-bench.XXXXXX)
    mkdir -p "$tmp/sysroot/etc"
    echo 3.1.18 >"$tmp/sysroot/etc/tarno_version"
}

# Xvfb, a session bus with the recorder (its log in $tmp/notifications.jsonl) and trayer.
start_desktop() {
    unset XDG_CURRENT_DESKTOP KDE_FULL_SESSION DESKTOP_SESSION QT_QPA_PLATFORMTHEME WAYLAND_DISPLAY
    export LC_ALL=C.UTF-8 LANGUAGE='' QT_QPA_PLATFORM=xcb
    say "Starting Xvfb, trayer, a private session bus and the notification recorder"
    start xvfb Xvfb -displayfd 1 -screen 0 640x480x24 -nolisten tcp
    wait_until 15 "$last_pid" "starting Xvfb" has_line "$tmp/xvfb.out"
    DISPLAY=:$(head -n1 "$tmp/xvfb.out")
    export DISPLAY
    start_bus session
    export DBUS_SESSION_BUS_ADDRESS=$bus_address
    start recorder "$build/tests/tools/notification-recorder" --log "$tmp/notifications.jsonl"
    wait_until 10 "$last_pid" "starting the recorder" has_ready "$tmp/recorder.out"
    start trayer trayer --edge top --align right --widthtype request --height 24 --transparent false --tint 0x333333
    timeout 10 xdotool search --sync --onlyvisible --classname '^panel$' >/dev/null || fail "trayer did not come up"
}

# start_service NAME STATE: a private system bus with the simulator in STATE ("none": no simulator);
# its address goes to system_bus[NAME].
declare -A system_bus
start_service() {
    start_bus "system-$1"
    system_bus[$1]=$bus_address
    [ "$2" = none ] && return
    DBUS_SYSTEM_BUS_ADDRESS=$bus_address ZIB_NOTIFIER_SYSROOT=$tmp/sysroot start "sim-$1" "$simulator" \
        --state "$2" --date "$(date -d '+7 days' '+%H:%M %d.%m.%Y')" --version 3.1.19
    wait_until 10 "$last_pid" "starting the simulator ($1)" has_ready "$tmp/sim-$1.out"
}
sim() { DBUS_SYSTEM_BUS_ADDRESS=${system_bus[$1]} "$simulator" ctl "${@:2}"; }

# program_env NAME SERVICE [shown]: env_vars for one program instance, with its own settings and runtime
# directories. "shown" writes hideTray=false, so that the notifier shows its icon from the start like the floor.
program_env() {
    local dir=$tmp/run-$1
    rm -rf "$dir"
    mkdir -p "$dir/config/TarnoLinux" "$dir/runtime"
    chmod 700 "$dir/runtime"
    [ "${3:-}" = shown ] && printf '[%%General]\nhideTray=false\n' >"$dir/config/TarnoLinux/zib-update-notifier.conf"
    env_vars=(XDG_DATA_DIRS="$prefix/share:/usr/local/share:/usr/share" XDG_CONFIG_HOME="$dir/config"
        XDG_RUNTIME_DIR="$dir/runtime" ZIB_NOTIFIER_SYSROOT="$tmp/sysroot"
        DBUS_SYSTEM_BUS_ADDRESS="${system_bus[$2]}")
}

# entries DIR: how many entries the directory has (open fds, threads).
entries() {
    local all=("$1"/*)
    echo "${#all[@]}"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
