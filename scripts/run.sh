#!/usr/bin/env bash
# Build Qmoor and start it.
#   scripts/run.sh [arguments for Qmoor, e.g. -w]
# Without a real removable medium it maps a demo folder as a removable media drive:
#   $HOME/.local/share/quillmoor-demo/media  as drive M:  (C: is /)
# The registry hive, window titles and autostart entry stay in their normal per-user
# places (~/.config/quillmoor, $XDG_RUNTIME_DIR, ~/.config/autostart).
# Without a display (DISPLAY and WAYLAND_DISPLAY unset) it runs under xvfb-run.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

scripts/install-deps.sh

build_dir=${BUILD_DIR:-build}
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j "$(nproc)" --target Qmoor

demo="$HOME/.local/share/quillmoor-demo"
has_removable_media() {
  local user=${USER:-$(id -un)}
  awk -v a="/media/$user/" -v b="/run/media/$user/" \
    'index($2, a) == 1 || index($2, b) == 1 { found = 1 } END { exit !found }' /proc/mounts
}

if [ -z "${QUILLMOOR_DRIVES:-}" ] && ! has_removable_media; then
  mkdir -p "$demo/media"
  export QUILLMOOR_DRIVES="C=fixed:/;M=removable:$demo/media"
  echo "No removable medium found: using the demo media drive M: = $demo/media"
fi

# The program folder holds the help pages; the demo gives it one beside the build.
if [ -z "${QUILLMOOR_PROGRAM_DIR:-}" ]; then
  mkdir -p "$demo/program"
  if [ -d "$repo/assets/help" ]; then
    ln -sfn "$repo/assets/help" "$demo/program/Help"
  fi
  export QUILLMOOR_PROGRAM_DIR="$demo/program"
fi

program="$repo/$build_dir/Qmoor"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found (DISPLAY and WAYLAND_DISPLAY unset): running under xvfb-run"
  exec xvfb-run -a -s "-screen 0 1280x1024x24" "$program" "$@"
fi
exec "$program" "$@"
