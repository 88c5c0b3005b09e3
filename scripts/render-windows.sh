#!/usr/bin/env bash
# Builds the window renderer and draws every small window and the main window's pages
# (over a sandbox machine with a media drive) offscreen into PNG files.
#   scripts/render-windows.sh <output folder>
# Environment: BUILD_DIR to choose the build folder (default build/).
set -euo pipefail
if [ $# -ne 1 ]; then
  echo "usage: $0 <output folder>" >&2
  exit 2
fi
out=$(realpath -m "$1")
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
if [ ! -f "$build_dir/CMakeCache.txt" ]; then
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$build_dir" -j8 --target renderwindows
mkdir -p "$out"
QT_QPA_PLATFORM=offscreen "$build_dir/tools/renderwindows" "$out"
echo "Windows rendered to $out"
