#!/usr/bin/env bash
# Builds the libFuzzer programs with clang in build-fuzz/ and runs each of them for N
# seconds (default 60) on its seed corpus, one after the other.
#   scripts/fuzz.sh [seconds] [target ...]     targets: catalogue archive journal hive region
#                                              mounttable answerscript (default: all)
# New inputs go to build-fuzz/corpus/<target>/; every crash, leak or time-out is copied
# to tests/data/fuzz/<target>/ under the name libFuzzer gave it. Rename it after the
# fault it shows once you know it; the replay test in tests/fuzz runs it from then on.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    targets=(catalogue archive journal hive region mounttable answerscript)
fi

build_dir=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQM_FUZZ=ON -DQM_BUILD_TESTS=OFF -DQM_BUILD_BENCH=OFF >/dev/null
cmake --build "$build_dir" -j "${JOBS:-8}" --target qm_fuzzers

# The targets make and empty their sandbox folder for every input: keep it in memory.
if [ -z "${TMPDIR:-}" ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi

status=0
for target in "${targets[@]}"; do
    seeds=tests/data/fuzz/$target
    corpus=$build_dir/corpus/$target
    artifacts=$build_dir/artifacts/$target
    mkdir -p "$corpus" "$artifacts"
    extra=()
    case $target in
    catalogue) extra=(-max_len=8192) ;;
    archive) extra=(-max_len=16384) ;;
    journal) extra=(-max_len=8192) ;;
    # Every unanswered question is reported on stderr; libFuzzer keeps its own reports.
    answerscript) extra=(-close_fd_mask=2) ;;
    esac
    echo "== $target: $seconds s"
    if ! "$build_dir/fuzz/${target}_fuzzer" "$corpus" "$seeds" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2560 -print_final_stats=1 -artifact_prefix="$artifacts/" \
        "${extra[@]}" 2>"$build_dir/$target.log"; then
        status=1
        tail -n 40 "$build_dir/$target.log"
    fi
    for crash in "$artifacts"/*; do
        [ -e "$crash" ] || continue
        cp -n "$crash" "$seeds/"
        echo "   kept $seeds/$(basename "$crash")"
    done
    grep -E "^stat::number_of_executed_units|^Done" "$build_dir/$target.log" || true
done
exit $status
