#!/bin/sh
# Runs a command inside the x86 root (see make-root.sh), in mount and PID namespaces of its own:
# its mounts and every process it starts, Wine's server included, end when it ends.
#   in-root.sh ROOT DIR CMD...
# DIR (the project) is seen inside at the same path and is the working folder; /tmp is shared,
# so the X server's socket and its authority file are too. The rest of the environment passes.
set -eu
root=$1
dir=$2
shift 2
exec unshare --mount --pid --fork --propagation private /bin/sh -eu -c '
  root=$1; dir=$2; shift 2
  mount -t proc proc "$root/proc"
  mount --rbind /dev "$root/dev"
  mount --bind /tmp "$root/tmp"
  mkdir -p "$root$dir"
  mount --bind "$dir" "$root$dir"
  exec chroot "$root" /usr/bin/env LD_PRELOAD="/usr/\$LIB/libcorvane-trapno.so" \
    PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root /bin/sh -c "cd \"\$0\" && exec \"\$@\"" "$dir" "$@"
' in-root "$root" "$dir" "$@"
