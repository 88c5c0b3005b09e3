#!/usr/bin/env bash
# Builds the window renderer and draws every window offscreen into PNG files: the small
# windows, and every page of the main window in both window sizes
# (main_<width>x<height>_<page>.png). It draws on a temporary machine of its own, never
# your registry, drives or home. To draw a new page with sample content, add a scene in
# tools/renderwindows/mainpages.cpp; a new window goes into tools/renderwindows/main.cpp.
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
