#!/usr/bin/env bash
# Runs the engine's random run sequences (tests/engine/modelruns_test.cpp) for longer than
# the test suite does: N sequences of OPS runs each, from seed FIRST on.
#   scripts/model-runs.sh [N=500] [FIRST=1] [OPS=60]      (build folder: build/)
# A failing sequence prints its seed and the runs it made; QM_MODEL_CHECK_EACH=1 with
# QM_MODEL_FIRST_SEED=<seed> QM_MODEL_SEEDS=1 checks after every run to find the one at fault.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${BUILD_DIR:-build}
cmake --build "$build_dir" --target engine_tests >/dev/null
export QM_MODEL_SEEDS=${1:-500} QM_MODEL_FIRST_SEED=${2:-1} QM_MODEL_OPS=${3:-60}
TMPDIR=${TMPDIR:-/dev/shm} "$build_dir/tests/engine_tests" \
    --gtest_filter='ModelRuns.*' --gtest_brief=1
