#!/usr/bin/env bash
# Builds everything with the address and undefined-behaviour sanitizers in build-asan/
# and runs every test with ctest. Fails on a failing test and on any sanitizer report,
# also from the programs the tests start (Qmoor, updater, setup), whose reports would
# otherwise go unseen.
#   scripts/sanitize.sh [ctest arguments ...]      e.g. -R FrmMainTest
# Environment: BUILD_DIR (default build-asan), JOBS (default: all cores).
# Address and leak reports are kept in <build folder>/sanitizer-logs/; GCC's
# undefined-behaviour runtime always writes to stderr, so the tests' whole output
# (Testing/Temporary/LastTest.log) is searched for its reports too.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build_dir=${BUILD_DIR:-build-asan}
flags="-fsanitize=address,undefined,float-cast-overflow,float-divide-by-zero -fno-omit-frame-pointer -D_GLIBCXX_ASSERTIONS"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_BUILD_BENCH=OFF \
    -DCMAKE_C_FLAGS="$flags" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="$flags" -DCMAKE_SHARED_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$build_dir" -j "${JOBS:-$(nproc)}"

build_dir=$(cd "$build_dir" && pwd)
logs=$build_dir/sanitizer-logs
rm -rf "$logs"
mkdir -p "$logs"
# Leaks are checked at every exit. Undefined behaviour stops the program like any
# other report, so a test cannot pass over it.
export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:log_path=$logs/asan"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Leaks of system libraries (scripts/lsan.supp) are not ours to mend.
export LSAN_OPTIONS="suppressions=$(pwd)/scripts/lsan.supp:print_suppressions=0"

status=0
(cd "$build_dir" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure \
    -j "${JOBS:-$(nproc)}" --timeout 600 "$@") || status=1

found=0
for report in "$logs"/*; do
    [ -e "$report" ] || continue
    echo "== $report"
    cat "$report"
    found=$((found + 1))
done
output=$build_dir/Testing/Temporary/LastTest.log
if grep -qE "runtime error:|ERROR: (Address|Leak)Sanitizer" "$output"; then
    echo "== reports in $output"
    grep -nE -A3 "runtime error:|ERROR: (Address|Leak)Sanitizer" "$output"
    found=$((found + 1))
fi
if [ $found -gt 0 ]; then
    echo "Sanitizers: reports found (above)" >&2
    exit 1
fi
if [ $status -eq 0 ]; then
    echo "Sanitizers: every test clean"
fi
exit $status
