#!/usr/bin/env bash
# Plays the demo's announcements on a virtual display with SDL's disk audio
# driver: keys route 1, section 1 and リセット, waits out the lamp test,
# presses "送り" and checks that the audio written holds the chime before the
# first announcement and then speech, in that order. Exit 0 when heard so, 1
# when not, 77 when xvfb-run or xdotool is missing.
#   scripts/tape_sound_check.sh [build dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$here/build}")
for tool in xvfb-run xdotool; do
    command -v "$tool" >/dev/null || { echo "tape_sound_check: $tool missing, skipped"; exit 77; }
done
[ -x "$build/app/517" ] || { echo "build first: make build" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy of the program with the demo's first settings and the default voice,
# so that the user's own settings play no part.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
cp "$build/app/517" "$work/517"
"$build/tools/demoprofile" "$work/517" >/dev/null 2>&1
export exe="$work/517" data="$build/data" raw="$work/audio.raw"
scripts=$(cd "$(dirname "$0")" && pwd)
export scripts
play() {
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
    panel_announce_next
    sleep 6
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
'
}
# Two "xvfb-run -a" starting at the same moment can pick the same display,
# and then one of them never runs the program: try again when nothing at all
# was written.
for attempt in 1 2 3; do
    play || true
    [ -s "$raw" ] && break
    echo "tape_sound_check: no audio written (attempt $attempt)"
done
heard=$("$build/tools/tonescan" "$raw")
echo "$heard"
at() { awk -v n="$1" '$1 == n { print $2 }' <<<"$heard"; }
low=$(at pre-low) high=$(at pre-high) speech=$(at speech)
if [ "$low" = "-" ] || [ "$high" = "-" ] || [ "$speech" = "-" ]; then
    echo "tape_sound_check: the chime or the speech was not heard"
    exit 1
fi
if awk -v l="$low" -v h="$high" -v s="$speech" 'BEGIN { exit !(l < h && h < s) }'; then
    echo "tape_sound_check: the chime, then the announcement"
else
    echo "tape_sound_check: the chime and the speech came in the wrong order"
    exit 1
fi
