#!/bin/sh
# Builds, once per machine, a Debian 12 root in which Wine runs 32-bit Windows programs: this
# kernel runs no 32-bit code, so Wine's 32-bit loader runs under qemu-i386 user-mode emulation.
#   make-root.sh [ROOT]     (default: $CORVANE_X86_ROOT, else /var/cache/corvane/x86-root)
# The root lives outside any clone, so every clone on the machine shares it; it is built anew
# only when this script or the preload library changes. Needs root and Debian's mirrors.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=${1:-${CORVANE_X86_ROOT:-/var/cache/corvane/x86-root}}
stamp=$(cat "$here/make-root.sh" "$here/trapno.c" | sha256sum | cut -c1-16)
if [ -f "$root/.corvane-ready" ] && [ "$(cat "$root/.corvane-ready")" = "$stamp" ]; then
  exit 0
fi

mkdir -p "$(dirname "$root")"
exec 9>"$root.lock"
flock 9
[ -f "$root/.corvane-ready" ] && [ "$(cat "$root/.corvane-ready")" = "$stamp" ] && exit 0

begun=$(date +%s)
work="$root.new"
rm -rf "$work" "$root"
echo "x86 root: building $root (once per machine, a few minutes)"
debootstrap --variant=minbase --arch=amd64 bookworm "$work" http://deb.debian.org/debian >/dev/null

# bookworm-backports' qemu (10.x) starts a 32-bit program in a third of a second; bookworm's own
# 7.2 takes over a minute. The backports Release file is past its validity date by this clock.
cat > "$work/etc/apt/sources.list" <<'EOF'
deb http://deb.debian.org/debian bookworm main
deb http://deb.debian.org/debian bookworm-updates main
deb http://deb.debian.org/debian-security bookworm-security main
deb http://deb.debian.org/debian bookworm-backports main
EOF
echo 'Acquire::Check-Valid-Until "false";' > "$work/etc/apt/apt.conf.d/99corvane"

# qemu leaves the trap number of its signal frames at -1; a preloaded library fills it in for the
# 32-bit loader, and an empty twin keeps 64-bit processes quiet (LD_PRELOAD names /usr/$LIB/).
mkdir -p "$work/usr/lib/i386-linux-gnu"
gcc -m32 -O2 -nostdlib -ffreestanding -fno-stack-protector -fPIC -shared \
  -o "$work/usr/lib/i386-linux-gnu/libcorvane-trapno.so" "$here/trapno.c"
gcc -O2 -nostdlib -ffreestanding -fPIC -shared -DTWIN \
  -o "$work/usr/lib/x86_64-linux-gnu/libcorvane-trapno.so" "$here/trapno.c"

"$here/in-root.sh" "$work" "$here" /bin/sh -eu -c '
  export DEBIAN_FRONTEND=noninteractive
  dpkg --add-architecture i386
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends wine64 wine32:i386 python3 xvfb xauth xdotool imagemagick \
    >/dev/null
  apt-get install -y -qq --no-install-recommends -t bookworm-backports qemu-user >/dev/null
  apt-get clean
  # The 32-bit loader moves aside for a script that runs it under qemu (-0 keeps its argv[0]).
  dpkg-divert --quiet --rename --add --divert /usr/lib/wine/wine.real /usr/lib/wine/wine
'
cat > "$work/usr/lib/wine/wine" <<'EOF'
#!/bin/sh
# The 32-bit Wine loader, run by qemu: this kernel runs no 32-bit code itself.
exec /usr/bin/qemu-i386 -0 "$0" /usr/lib/wine/wine.real "$@"
EOF
chmod 755 "$work/usr/lib/wine/wine"

echo "$stamp" > "$work/.corvane-ready"
mv "$work" "$root"
echo "x86 root: ready in $(( $(date +%s) - begun )) s, $(du -sh "$root" | cut -f1)"
