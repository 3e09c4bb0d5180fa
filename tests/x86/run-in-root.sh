#!/bin/sh
# Runs a command inside the x86 root with the project seen at its own path: run-in-root.sh CMD...
set -eu
here=$(cd "$(dirname "$0")" && pwd)
exec "$here/in-root.sh" "${CORVANE_X86_ROOT:-/var/cache/corvane/x86-root}" "$(cd "$here/../.." && pwd)" "$@"
