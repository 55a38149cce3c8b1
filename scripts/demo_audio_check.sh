#!/usr/bin/env bash
# Plays the demo on a virtual display with SDL's disk audio driver, as a
# newcomer's first start plays it: keys route 1, section 1 and リセット on the
# keypad, waits out the lamp test, then
#   step      steps once: the route-set chime, then the step sound;
#   announce  presses the announcement "送り": its chime, then speech;
#   stopreq   presses 降車: after the route-set chime, the stop-request chime;
# and checks that the audio written holds those sounds in that order. Exit 0
# when heard so, 1 when not, 77 when xvfb-run or xdotool is missing.
#   scripts/demo_audio_check.sh step|announce|stopreq [build dir]
set -euo pipefail
name=demo_audio_check
case ${1:-} in
    step) press=panel_step_forward listen=2.5 sounds="chime-high chime-low step" ;;
    announce) press=panel_announce_next listen=6 sounds="pre-low pre-high speech" ;;
    stopreq) press=panel_stop_request listen=2 sounds="chime-low stop-high stop-low" ;;
    *) echo "usage: $0 step|announce|stopreq [build dir]" >&2; exit 2 ;;
esac
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${2:-$here/build}")
for tool in xvfb-run xdotool; do
    command -v "$tool" >/dev/null || { echo "$name: $tool missing, skipped"; exit 77; }
done
[ -x "$build/app/517" ] || { echo "build first: make build" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A copy of the program with the demo's first settings and the default voice,
# so that the user's own settings play no part.
export XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data"
cp "$build/app/517" "$work/517"
"$build/tools/demoprofile" "$work/517" >/dev/null 2>&1
export exe="$work/517" data="$build/data" raw="$work/audio.raw" press listen
scripts=$(cd "$(dirname "$0")" && pwd)
export scripts
play() {
    # The program must show real windows there, whatever platform the caller chose.
    env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
        set -e
        cd "$data"
        SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$raw" "$exe" 2>/dev/null &
        pid=$!
        . "$scripts/panel.sh"
        panel_find
        sleep 1
        panel_set_route 1 1
        sleep 4
        $press
        sleep $listen
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
    echo "$name: no audio written (attempt $attempt)"
done
heard=$("$build/tools/tonescan" "$raw")
echo "$heard"
# The time each expected sound was first heard, in the order expected.
times=()
for s in $sounds; do
    t=$(awk -v n="$s" '$1 == n { print $2 }' <<<"$heard")
    if [ -z "$t" ] || [ "$t" = "-" ]; then
        echo "$name: $s was not heard"
        exit 1
    fi
    times+=("$t")
done
if awk -v a="${times[0]}" -v b="${times[1]}" -v c="${times[2]}" 'BEGIN { exit !(a < b && b < c) }'; then
    echo "$name: heard $sounds, in that order"
else
    echo "$name: $sounds came in the wrong order"
    exit 1
fi
