#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 zib-user-update-notifier maintainers
# SPDX-License-Identifier: GPL-2.0-or-later

# Builds the fuzz targets (tests/fuzz/, clang with libFuzzer, ASan and UBSan) in build-fuzz/ and runs each
# for SECONDS (default 60), starting from its seeds in tests/fuzz/corpus/<target>/. New inputs go to
# build-fuzz/corpus/<target>/ (the seeds stay as they are); an input that breaks a target is kept as
# build-fuzz/crash-<target>-* and makes the script fail once every target has run.
# usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
[[ $seconds =~ ^[1-9][0-9]*$ ]] || { echo "usage: scripts/fuzz.sh [SECONDS] [TARGET...]" >&2; exit 2; }
shift $(($# > 0 ? 1 : 0))
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(upgrade_report version_stamp settings frame status core)
build=${ZIB_FUZZ_BUILD_DIR:-build-fuzz}

scripts/deps.sh

# The usual fuzzing build: -O1 and line tables only, which also build fastest.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE= -DCMAKE_CXX_FLAGS="-O1 -gline-tables-only" -DCMAKE_CXX_COMPILER=clang++ \
    -DZIB_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target fuzz >/dev/null

export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# As in a program built without ASan: an allocation that cannot be made throws std::bad_alloc.
export ASAN_OPTIONS=allocator_may_return_null=1
failed=()
printf '%-16s %10s %8s %7s %7s %7s  %s\n' target execs exec/s cov ft corpus result
for target in "${targets[@]}"; do
    corpus=$build/corpus/$target
    mkdir -p "$corpus"
    options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$build/crash-$target-")
    [ -f "tests/fuzz/$target.dict" ] && options+=(-dict="tests/fuzz/$target.dict")
    # The core starts a whole notifier per input: longer event sequences, and leaks are the soak's to find.
    [ "$target" = core ] && options+=(-max_len=256 -detect_leaks=0)
    log=$build/fuzz-$target.log
    result=ok
    "$build/tests/fuzz/fuzz_$target" "${options[@]}" "$corpus" "tests/fuzz/corpus/$target" >"$log" 2>&1 &
    pid=$!
    wait "$pid" || { result="FAILED, see $log"; failed+=("$target"); }
    # A target's files (tests/fuzz/FuzzApp.h); an input that crashed it left them behind.
    rm -rf "/dev/shm/zib-fuzz-$pid" "${TMPDIR:-/tmp}/zib-fuzz-$pid"
    stats=$(awk '/^#[0-9]+.*(DONE|pulse|NEW|REDUCE)/ { line = $0 } END { print line }' "$log")
    printf '%-16s %10s %8s %7s %7s %7s  %s\n' "$target" \
        "$(awk '/stat::number_of_executed_units/ { print $NF }' "$log")" \
        "$(awk '/stat::average_exec_per_sec/ { print $NF }' "$log")" \
        "$(grep -o 'cov: [0-9]*' <<<"$stats" | cut -d' ' -f2)" "$(grep -o 'ft: [0-9]*' <<<"$stats" | cut -d' ' -f2)" \
        "$(find "$corpus" -type f | wc -l)" "$result"
done
if [ ${#failed[@]} -gt 0 ]; then
    echo "fuzz.sh: FAILED: ${failed[*]}" >&2
    exit 1
fi
