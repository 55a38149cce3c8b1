#!/usr/bin/env bash
# Starts the program on a virtual display from the demo data folder and saves
# a screenshot of the screen. With a route number, keys that route and a
# section (1 unless given) on the control panel's keypad, presses リセット and
# waits out the lamp test.
#   scripts/screenshot.sh [out.png] [route [section]]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$here/shots/board.png}")
route=${2:-}
section=${3:-1}
build=${BUILD:-$here/build}
exe="$build/app/517"
[ -x "$exe" ] || { echo "build first: make build" >&2; exit 1; }
mkdir -p "$(dirname "$out")"
export out route section exe data="$build/data" scripts="$here/scripts"
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    set -e
    cd "$data"
    "$exe" &
    pid=$!
    sleep 3
    if [ -n "$route" ]; then
        . "$scripts/panel.sh"
        panel_find
        panel_set_route "$route" "$section"
        sleep 4.5
    fi
    import -window root "$out"
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
'
echo "screenshot: $out"
