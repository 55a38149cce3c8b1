#!/usr/bin/env bash
# Runs every benchmark and prints its figures. The scrolling figures need a
# real window, so they run on a virtual display.
#   scripts/bench.sh [build dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$here/build}")
echo "== fare data reader"
"$build/bench/bench_faredata"
echo
echo "== board update"
"$build/bench/bench_dispdata"
echo
echo "== stop-name display"
xvfb-run -a -s "-screen 0 1280x800x24" "$build/bench/bench_chimei"
echo
echo "== sound"
"$build/bench/bench_sound"
echo
echo "== speech"
"$build/bench/bench_speech"
