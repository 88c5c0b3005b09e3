#!/usr/bin/env bash
# Set up a fresh Debian machine, build everything and run every test.
#   scripts/test.sh            (build folder: build/)
# Environment: BUILD_DIR to choose the build folder, QM_WERROR=ON to fail on warnings.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_WERROR="${QM_WERROR:-OFF}"
cmake --build "$build_dir" -j "$(nproc)"
cd "$build_dir"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j "$(nproc)" --timeout 600
