#!/usr/bin/env bash
# Starts the program on a virtual display and saves a screenshot of the screen.
#   scripts/screenshot.sh [out.png] [seconds to wait]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(realpath -m "${1:-$here/shots/board.png}")
wait_s=${2:-3}
exe="$here/build/app/517"
[ -x "$exe" ] || { echo "build first: make build" >&2; exit 1; }
mkdir -p "$(dirname "$out")"
xvfb-run -a -s "-screen 0 1280x800x24" bash -c "
    cd '$here/data' 2>/dev/null || cd '$here'
    '$exe' &
    pid=\$!
    sleep $wait_s
    import -window root '$out'
    kill \$pid 2>/dev/null || true
    wait \$pid 2>/dev/null || true
"
echo "screenshot: $out"
