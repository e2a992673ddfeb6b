#!/usr/bin/env bash
# Builds the libFuzzer targets (preset "fuzz", clang-14) and runs each for N seconds.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     default: 60 seconds, every fuzz/*_fuzz.cpp
#
# Each target starts from its seeds in fuzz/corpus/NAME and keeps what it finds in
# build-fuzz/corpus/NAME (the seeds in git stay as they are). A crash, leak, sanitizer report or
# broken check stops the target, leaves the input as build-fuzz/findings/NAME/crash-* and makes
# the script exit 1. One line per target tells its executions: "fuzz: NAME execs=N seconds=S ok".
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
build_dir=build-fuzz
export CCACHE_BASEDIR=$PWD

targets=("$@")
if ((${#targets[@]} == 0)); then
    for source in fuzz/*_fuzz.cpp; do
        name=$(basename "$source" .cpp)
        targets+=("${name%_fuzz}")
    done
fi

cmake --preset fuzz >/dev/null || exit 1
cmake --build "$build_dir" -j"$(nproc)" --target "${targets[@]/%/_fuzz}" >/dev/null || exit 1

failed=0
for name in "${targets[@]}"; do
    corpus=$build_dir/corpus/$name
    findings=$build_dir/findings/$name
    log=$build_dir/fuzz-$name.log
    mkdir -p "$corpus" "$findings"
    seeds=()
    [[ -d fuzz/corpus/$name ]] && seeds=("fuzz/corpus/$name")
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
        "$build_dir/fuzz/${name}_fuzz" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$findings/" "$corpus" "${seeds[@]}" >"$log" 2>&1
    status=$?
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    if ((status == 0)); then
        echo "fuzz: $name execs=${execs:-0} seconds=$seconds ok"
    else
        failed=1
        echo "fuzz: $name execs=${execs:-?} seconds=$seconds FINDING (exit $status), see $log"
        grep -E "ERROR|SUMMARY|runtime error|Test unit written" "$log" | head -5
    fi
done
exit "$failed"
