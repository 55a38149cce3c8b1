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
export out route section exe data="$build/data"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    set -e
    cd "$data"
    "$exe" &
    pid=$!
    sleep 3
    if [ -n "$route" ]; then
        win=$(xdotool search --onlyvisible --name "集中操作盤" | head -n 1)
        eval "$(xdotool getwindowgeometry --shell "$win")"
        # Keypad key centres inside the keypad frame (4, 4): 3 columns, 46 px apart.
        key() {
            case $1 in
                sys) c=0 r=3 ;; sec) c=2 r=3 ;; 0) c=1 r=3 ;;
                *) c=$(( ($1 - 1) % 3 )) r=$(( ($1 - 1) / 3 )) ;;
            esac
            xdotool mousemove $((X + 4 + 18 + c * 46 + 15)) $((Y + 4 + 36 + r * 33 + 13)) click 1
            sleep 0.2
        }
        key sys
        for d in $(echo "$route" | grep -o .); do key "$d"; done
        key sec
        for d in $(echo "$section" | grep -o .); do key "$d"; done
        xdotool mousemove $((X + 4 + 18 + 61)) $((Y + 4 + 172 + 16)) click 1
        sleep 4.5
    fi
    import -window root "$out"
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
'
echo "screenshot: $out"
