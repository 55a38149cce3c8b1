#!/usr/bin/env bash
# Random input on the real program, on a virtual display, on the sanitizer
# build: fails on a crash, a sanitizer report, a hang or runaway memory.
#   scripts/monkey.sh [seconds, default 60] [seed, default 517]
# BUILD names another build folder (default build-asan).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
seed=${2:-517}
build=$(realpath -m "${BUILD:-$here/build-asan}")
exe=$build/app/517
[ -x "$exe" ] || { echo "monkey: build first (make build-asan)" >&2; exit 1; }
work=$(mktemp -d /tmp/monkey.XXXXXX)
echo "monkey: $seconds s, seed $seed, program $exe, work folder $work"
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1280x800x24" \
    /usr/bin/python3 "$here/scripts/monkey.py" "$exe" "$seconds" "$seed" "$work"
