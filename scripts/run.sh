#!/usr/bin/env bash
# Starts the program from the demo data folder. Without a display it says how
# to run it on a virtual one instead of failing obscurely.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
exe=$(realpath "${1:-$here/build/app/517}")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<MSG
No display found (DISPLAY is not set), so the board cannot be shown here.
On a machine without a desktop, start it on a virtual display:
    xvfb-run -a -s "-screen 0 1280x800x24" $exe
or take a screenshot of it:
    make screenshot
MSG
    exit 2
fi
cd "$(dirname "$exe")/../data"
exec "$exe"
