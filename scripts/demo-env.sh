# Sourced by scripts/run.sh: points everything a Qmoor run writes into one demo folder,
# so that trying the program leaves your account as it found it.
#   source scripts/demo-env.sh <demo folder>
# In the demo folder: the registry hives (registry/), the configuration with the
# start-at-login entry (config/, also XDG_CONFIG_HOME for Qt), caches, data and state
# (cache/, data/, state/: the list of a restore's temporary files lives there), the
# single-instance sockets (ipc/), the program folder with the help pages (program/),
# and, without a plugged-in removable medium, the media drive M: (media/), made a media
# drive when the demo folder makes it, so the first backup can go there at once. C: is
# / as usual, so backups read your files; only a restore you start writes to them.
demo_dir=$(realpath -m "$1")
demo_repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mkdir -p "$demo_dir"/{registry,config,cache,data,state,program}
mkdir -p -m 700 "$demo_dir/ipc"
export QUILLMOOR_REGISTRY_DIR="$demo_dir/registry"
export XDG_CONFIG_HOME="$demo_dir/config"
export XDG_CACHE_HOME="$demo_dir/cache"
export XDG_DATA_HOME="$demo_dir/data"
export XDG_STATE_HOME="$demo_dir/state"
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

# Writes the marker that makes the demo drive M: a media drive: the 24 bytes of
# Quillmoor\drives.dat (docs/FORMATS.md), stamped with the local date and time.
demo_mark_media_drive() {
  local folder=$1/Quillmoor days
  days=$(awk -v s="$(date +%s)" -v z="$(date +%z)" 'BEGIN {
    offset = (substr(z, 2, 2) * 3600 + substr(z, 4, 2) * 60) * (substr(z, 1, 1) == "-" ? -1 : 1)
    printf "%.9f", 25569 + (s + offset) / 86400 }')
  mkdir -p "$folder"
  perl -e 'print pack("C a3 x4 d< x8", 3, "M:\\", $ARGV[0])' "$days" >"$folder/drives.dat.qmpart"
  mv -f "$folder/drives.dat.qmpart" "$folder/drives.dat"
}

if [ -z "${QUILLMOOR_DRIVES:-}" ] && ! demo_has_removable_media; then
  # Marked only when the demo makes the folder: a drive the user has since made a
  # source drive on the Drives page stays one.
  if [ ! -d "$demo_dir/media" ]; then
    mkdir -p "$demo_dir/media"
    demo_mark_media_drive "$demo_dir/media"
  fi
  export QUILLMOOR_DRIVES="C=fixed:/;M=removable:$demo_dir/media"
  echo "No removable medium found: using the demo media drive M: = $demo_dir/media"
fi
