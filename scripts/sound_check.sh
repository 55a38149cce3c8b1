#!/usr/bin/env bash
# Plays the demo on a virtual display with SDL's disk audio driver: keys route
# 1, section 1 and リセット on the keypad, waits out the lamp test, steps once,
# and checks that the audio written holds the route-set chime and then the
# step sound, as a newcomer's first start plays them. Exit 0 when heard in
# that order, 1 when not, 77 when xvfb-run or xdotool is missing.
#   scripts/sound_check.sh [build dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$here/build}")
for tool in xvfb-run xdotool; do
    command -v "$tool" >/dev/null || { echo "sound_check: $tool missing, skipped"; exit 77; }
done
[ -x "$build/app/517" ] || { echo "build first: make build" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy of the program with the demo's first settings, so that settings the
# user has beside the real one or in the config folder play no part.
export XDG_CONFIG_HOME="$work/config"
cp "$build/app/517" "$work/517"
"$build/tools/demoprofile" "$work/517" >/dev/null 2>&1
export exe="$work/517" data="$build/data" raw="$work/audio.raw"
scripts=$(cd "$(dirname "$0")" && pwd)
export scripts
xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    set -e
    cd "$data"
    SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$raw" "$exe" 2>/dev/null &
    pid=$!
    . "$scripts/panel.sh"
    panel_find
    sleep 1
    panel_set_route 1 1
    sleep 4
    panel_step_forward
    sleep 2.5
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
'
heard=$("$build/tools/tonescan" "$raw")
echo "$heard"
at() { awk -v n="$1" '$1 == n { print $2 }' <<<"$heard"; }
high=$(at chime-high) low=$(at chime-low) step=$(at step)
if [ "$high" = "-" ] || [ "$low" = "-" ] || [ "$step" = "-" ]; then
    echo "sound_check: a sound was not heard"
    exit 1
fi
if awk -v h="$high" -v l="$low" -v s="$step" 'BEGIN { exit !(h < l && l < s) }'; then
    echo "sound_check: route-set chime, then the step sound"
else
    echo "sound_check: the sounds came in the wrong order"
    exit 1
fi
