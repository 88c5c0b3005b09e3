#!/usr/bin/env bash
# Build Qmoor and start it for a try.
#   scripts/run.sh [arguments for Qmoor, e.g. -w]
# Everything the run writes goes into the demo folder, $BUILD_DIR/demo (build/demo), or
# $QUILLMOOR_DEMO_DIR when set: registry, settings, start-at-login entry, state (a
# restore's list of temporaries), sockets, and the demo media drive M: (a media drive
# from the start) when no removable medium is plugged in (see demo-env.sh).
# Your own registry hive, ~/.config and autostart entries stay as they are. Deleting
# the demo folder removes every trace of the run.
# Without a display (DISPLAY and WAYLAND_DISPLAY unset) it runs under xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

scripts/install-deps.sh

build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target Qmoor

# shellcheck source=scripts/demo-env.sh
source scripts/demo-env.sh "${QUILLMOOR_DEMO_DIR:-$repo/$build_dir/demo}"
echo "Demo folder (registry, settings, media drive): $demo_dir"

program="$repo/$build_dir/Qmoor"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found (DISPLAY and WAYLAND_DISPLAY unset): running under xvfb-run"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$program" "$@"
fi
exec "$program" "$@"
