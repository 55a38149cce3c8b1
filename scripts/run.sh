#!/usr/bin/env bash
# Starts the program from the demo data folder. Without a display it says how
# to run it on a virtual one instead of failing obscurely.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
exe=$(realpath "${1:-$here/build/app/517}")
data=$(realpath "$(dirname "$exe")/../data")
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<MSG
画面が見つかりません (DISPLAY が設定されていません)。ここでは表示器を出せません。
デスクトップのないマシンでは、仮想の画面の上で起動できます:
    cd $data && xvfb-run -a -s "-screen 0 1280x800x24" $exe
画面の写真を撮るだけなら:
    make screenshot
MSG
    exit 2
fi
cd "$data"
exec "$exe"
