# Sourced by scripts/run.sh: points everything a Qmoor run writes into one demo folder,
# so that trying the program leaves your account as it found it.
#   source scripts/demo-env.sh <demo folder>
# In the demo folder: the registry hives (registry/), the configuration with the
# start-at-login entry (config/, also XDG_CONFIG_HOME for Qt), caches and data
# (cache/, data/), the single-instance sockets (ipc/), the program folder with the help
# pages (program/), and, without a plugged-in removable medium, the media drive M:
# (media/). C: is / as usual, so backups read your files; only a restore you start
# writes to them.
demo_dir=$(realpath -m "$1")
demo_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "$demo_dir"/{registry,config,cache,data,program}
mkdir -p -m 700 "$demo_dir/ipc"
export QUILLMOOR_REGISTRY_DIR="$demo_dir/registry"
export XDG_CONFIG_HOME="$demo_dir/config"
export XDG_CACHE_HOME="$demo_dir/cache"
export XDG_DATA_HOME="$demo_dir/data"
export QUILLMOOR_IPC_DIR="$demo_dir/ipc"
if [ -z "${QUILLMOOR_PROGRAM_DIR:-}" ]; then
  ln -sfn "$demo_repo/assets/help" "$demo_dir/program/Help"
  export QUILLMOOR_PROGRAM_DIR="$demo_dir/program"
fi

demo_has_removable_media() {
  local user=${USER:-$(id -un)}
  awk -v a="/media/$user/" -v b="/run/media/$user/" \
    'index($2, a) == 1 || index($2, b) == 1 { found = 1 } END { exit !found }' /proc/mounts
}

if [ -z "${QUILLMOOR_DRIVES:-}" ] && ! demo_has_removable_media; then
  mkdir -p "$demo_dir/media"
  export QUILLMOOR_DRIVES="C=fixed:/;M=removable:$demo_dir/media"
  echo "No removable medium found: using the demo media drive M: = $demo_dir/media"
fi
