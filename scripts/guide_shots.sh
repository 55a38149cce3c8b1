#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the screenshots of the Japanese user guide (docs/ja/images/): starts the
# built program on virtual displays, works its windows with xdotool and crops
# every shot to the window it shows.
#   scripts/guide_shots.sh [out folder]
#   SESSIONS="zoom fullscreen beside web" scripts/guide_shots.sh   (only some of them)
# The web session needs chromium and the webshot tool (target webshot).
# The program runs as a copy in a temporary folder, with freshly made demo
# settings beside it and its own configuration folder, so the developer's own
# settings are neither used nor changed. Sound goes to SDL's dummy driver.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$here/build}

# --- inside a virtual display ---------------------------------------------

# Places inside the windows, measured as the fonts setup.sh installs lay them
# out: the options dialog's page selectors down its left side, the sound page's
# "放送前のサウンド..." button, a fare cell of the board.
selector_x=87 selector_y0=35 selector_dy=54
pre_sound_x=405 pre_sound_y=106
cell_x=140 cell_y=60

# Window id of the first visible window whose title matches, waiting for it.
wait_win() {
    local name=$1 tries=${2:-60} id
    for ((i = 0; i < tries; i++)); do
        id=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -n 1 || true)
        if [ -n "$id" ]; then
            echo "$id"
            return 0
        fi
        sleep 0.25
    done
    return 1
}

# Left, top, width and height of a window, as X Y W H.
geometry() {
    # shellcheck disable=SC2034 # WINDOW and SCREEN come along unused
    local WINDOW X Y WIDTH HEIGHT SCREEN
    eval "$(xdotool getwindowgeometry --shell "$1")"
    echo "$X $Y $WIDTH $HEIGHT"
}

# Clicks at x, y inside a window (client coordinates); button 1 unless given,
# twice with "double".
click_in() {
    local x y w h
    read -r x y w h < <(geometry "$1")
    xdotool mousemove $((x + $2)) $((y + $3))
    case ${4:-1} in
        double) xdotool click --repeat 2 --delay 80 1 ;;
        *) xdotool click "${4:-1}" ;;
    esac
    sleep 0.4
}

# Keys for the control panel; they work with the panel or the board in front.
panel_keys() {
    xdotool windowfocus --sync "$panel" 2>/dev/null || true
    for k in "$@"; do
        xdotool key "$k"
        sleep 0.3
    done
}

# Saves a picture small: strip what a PNG need not carry and take an 8-bit
# palette when the picture has few enough colours to stay exact.
save_png() {
    local from=$1 name=$2 colours
    colours=$(identify -format '%k' "$from")
    if [ "$colours" -le 256 ]; then
        convert "$from" -strip PNG8:"$out/$name"
    else
        convert "$from" -strip -dither None -colors 256 PNG8:"$out/$name"
    fi
    echo "  $name ($(identify -format '%wx%h' "$out/$name"), $(($(stat -c %s "$out/$name") / 1024)) KiB)"
}

# A shot of one window.
shot() {
    import -window "$1" "$TMPDIR/raw.png"
    save_png "$TMPDIR/raw.png" "$2"
}

# A shot of the screen area that covers all the given windows (a window with
# its pop-up menus).
shot_windows() {
    local name=$1 left=100000 top=100000 right=0 bottom=0 x y w h
    shift
    for id in "$@"; do
        read -r x y w h < <(geometry "$id")
        ((x < left)) && left=$x
        ((y < top)) && top=$y
        ((x + w > right)) && right=$((x + w))
        ((y + h > bottom)) && bottom=$((y + h))
    done
    shot_area "$left" "$top" $((right - left)) $((bottom - top)) "$name"
}

shot_area() {
    import -window root "$TMPDIR/root.png"
    convert "$TMPDIR/root.png" -crop "$3x$4+$1+$2" +repage "$TMPDIR/area.png"
    save_png "$TMPDIR/area.png" "$5"
}

# Visible windows that are not in the list given (pop-up menus just opened).
new_windows() {
    local before=" $* "
    for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        case $before in *" $id "*) ;; *) echo "$id" ;; esac
    done
}

start_program() {
    (cd "$build/data" && exec "$work/app/517" "$@") >"$work/program.log" 2>&1 &
    program=$!
    panel=$(wait_win '集中操作盤') || {
        echo "the control panel did not appear" >&2
        cat "$work/program.log" >&2
        exit 1
    }
    board=$(wait_win '型番:') || {
        echo "the board did not appear" >&2
        exit 1
    }
    sleep 1.5
}

stop_program() {
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
}

# Route 1 from section 1, waiting out the lamp test.
set_route_1() {
    panel_keys r 1 s 1 Return
    sleep 4.5
}

session_main() {
    start_program
    shot "$panel" panel-start.png

    panel_keys r 1 s 1 Return
    sleep 1.5 # within the three seconds of the lamp test
    shot "$board" board-lamptest.png
    sleep 3
    shot "$board" board-route1.png
    shot "$panel" panel-route1.png

    panel_keys Right Right Right
    sleep 1
    shot "$board" board-step.png

    # The options dialog, page by page (selector buttons down its left side).
    click_in "$panel" 44 235
    local option
    option=$(wait_win 'オプション')
    sleep 0.5
    local pages=(options-data.png options-panel.png options-degit.png options-chimei.png
        options-sound.png options-seiri.png)
    for i in 0 1 2 3 4 5; do
        click_in "$option" "$selector_x" $((selector_y0 + i * selector_dy))
        sleep 0.3
        shot "$option" "${pages[$i]}"
    done
    # The sound page's second half: the sounds before an announcement.
    click_in "$option" "$selector_x" $((selector_y0 + 4 * selector_dy))
    click_in "$option" "$pre_sound_x" "$pre_sound_y"
    shot "$option" options-sound-pre.png
    xdotool key Escape
    sleep 0.5
    if xdotool search --onlyvisible --name 'オプション' >/dev/null 2>&1; then
        xdotool key Return # OK is the dialog's default button
        sleep 0.5
    fi

    # The ticket preview pane.
    click_in "$panel" 341 236
    sleep 1
    shot "$panel" panel-preview.png

    # The voice dialog, where announcements can be spoken.
    click_in "$panel" 200 233
    local voice
    if voice=$(wait_win '音声の調節' 12); then
        sleep 0.5
        shot "$voice" voice.png
        xdotool key Escape
        sleep 0.5
    else
        echo "  voice.png: skipped (調整 stays disabled: no speech engine, or no announcements for route 1)"
    fi

    # The board's menu (right click).
    local before
    before=$(xdotool search --onlyvisible --name '' 2>/dev/null | tr '\n' ' ')
    click_in "$board" 380 40 3
    sleep 0.5
    # shellcheck disable=SC2046,SC2086 # lists of window ids
    shot_windows board-menu.png "$board" $(new_windows $before)
    xdotool key Escape
    sleep 0.3

    # The digit settings of a fare cell (double click).
    click_in "$board" "$cell_x" "$cell_y" double
    local digits
    if digits=$(wait_win '数字表示の設定' 12); then
        sleep 0.3
        shot "$digits" digit-settings.png
        xdotool key Escape
    else
        echo "  digit-settings.png: skipped (the double click opened no dialog)"
    fi
    stop_program
}

session_zoom() {
    start_program
    set_route_1
    panel_keys Right Right Right
    sleep 1
    # Right click, then the third item of the menu: "表示倍率 2 倍".
    click_in "$board" 380 40 3
    xdotool key Down Down Down Return
    sleep 1
    shot "$board" board-zoom2.png
    # And 4 times: the fifth item.
    click_in "$board" 380 40 3
    xdotool key Down Down Down Down Down Return
    sleep 1
    shot "$board" board-zoom4.png
    stop_program
}

session_beside() {
    # The route editor on demo route 1 (its stops, then its fares), then
    # the 運行 bar over the board.
    start_program --edit 1
    local editor
    editor=$(wait_win '^路線エディター') || {
        echo "the route editor did not appear" >&2
        exit 1
    }
    sleep 1
    shot "$editor" editor-stops.png
    xdotool windowfocus --sync "$editor" 2>/dev/null || true
    xdotool key ctrl+2
    sleep 0.5
    shot "$editor" editor-fares.png
    xdotool key ctrl+w
    sleep 0.5
    set_route_1
    panel_keys u
    local bar
    bar=$(wait_win '^運行$') || {
        echo "the run bar did not appear" >&2
        exit 1
    }
    sleep 0.5
    shot "$bar" runbar.png
    stop_program
}

session_fullscreen() {
    # Two monitors side by side on one screen, as a desktop with a second
    # monitor has them (Xvfb's own Xinerama puts every head at 0,0).
    xrandr --setmonitor S1 1280/339x800/212+0+0 screen >/dev/null
    xrandr --setmonitor S2 1024/271x768/203+1280+0 none >/dev/null
    start_program
    set_route_1
    panel_keys Right Right Right
    sleep 1
    # Right click on the board, then through its menu by keyboard: the last
    # item opens the screens, the second of which is taken.
    local before
    before=$(xdotool search --onlyvisible --name '' 2>/dev/null | tr '\n' ' ')
    click_in "$board" 380 40 3
    sleep 0.4
    xdotool key Up Right
    sleep 0.4
    xdotool key Down
    sleep 0.3
    # shellcheck disable=SC2046,SC2086 # lists of window ids
    shot_windows board-menu-screens.png "$board" $(new_windows $before)
    xdotool key Return
    sleep 1.5
    shot_area 1280 0 1024 768 board-fullscreen.png
    stop_program
}

session_web() {
    # The web view as a browser shows it: the program serves its pages for
    # this run (--serve prints their addresses), headless chromium takes them.
    start_program --serve
    local board_url panel_url ready='window.rutomiaBoard && rutomiaBoard.wholes > 0'
    board_url=$(sed -n 's/^ボード: \(http:\/\/127\.0\.0\.1[^ ]*\)$/\1/p' "$work/program.log" | head -n 1)
    panel_url=$(sed -n 's/^操作盤: \(http:\/\/127\.0\.0\.1[^ ]*\)$/\1/p' "$work/program.log" | head -n 1)
    if [ -z "$board_url" ] || [ -z "$panel_url" ]; then
        echo "the program printed no addresses of its web pages" >&2
        cat "$work/program.log" >&2
        exit 1
    fi
    set_route_1
    panel_keys Right Right Right
    sleep 1
    # The board at twice its size, in a window just as large.
    "$webshot" "$board_url&zoom=2" "$TMPDIR/web.png" --size 1408x498 --ready "$ready" --settle 800
    save_png "$TMPDIR/web.png" web-board-zoom2.png
    # As a stream's browser source takes it: the whole board on a key colour,
    # in a 16:9 frame.
    "$webshot" "$board_url&bg=chroma" "$TMPDIR/web.png" --size 704x396 --ready "$ready" --settle 800
    save_png "$TMPDIR/web.png" web-board-chroma.png
    # The control page on a phone.
    "$webshot" "$panel_url" "$TMPDIR/web.png" --size 390x844 --scale 2 --mobile \
        --ready "window.rutomiaPanel && rutomiaPanel.ready && $ready" --settle 800
    save_png "$TMPDIR/web.png" web-panel-phone.png
    stop_program
}

if [ "${1:-}" = --inside ]; then
    "session_$2"
    exit 0
fi

# --- outside: set up, then one virtual display per session ----------------

for tool in xvfb-run xdotool xrandr import convert identify; do
    command -v "$tool" >/dev/null || {
        echo "guide_shots: $tool is missing (bash scripts/setup.sh installs it)" >&2
        exit 1
    }
done
if ! [ -x "$build/app/517" ] || ! [ -x "$build/tools/demoprofile" ] || ! [ -f "$build/data/1.hy3" ]; then
    echo "guide_shots: build first (make build)" >&2
    exit 1
fi
webshot=$build/tests/webshot
case " ${SESSIONS:-main zoom fullscreen beside web} " in
    *" web "*)
        if ! [ -x "$webshot" ] || ! command -v chromium >/dev/null; then
            echo "guide_shots: the web session needs chromium and webshot" \
                "(cmake --build build --target webshot)" >&2
            exit 1
        fi
        ;;
esac

out=$(realpath -m "${1:-$here/docs/ja/images}")
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/app" "$work/tmp"

mkdir -m 700 "$work/runtime"
export build out work webshot TMPDIR="$work/tmp" XDG_RUNTIME_DIR="$work/runtime" SDL_AUDIODRIVER=dummy
echo "guide_shots: into $out"
for session in ${SESSIONS:-main zoom fullscreen beside web}; do
    # Each session starts afresh: new demo settings, empty configuration folder.
    rm -rf "$work/app/"* "$work/config"
    cp "$build/app/517" "$work/app/517"
    XDG_CONFIG_HOME="$work/config" "$build/tools/demoprofile" "$work/app/517" >/dev/null
    case $session in
        # -noreset: the monitors must outlive the xrandr calls that make them.
        fullscreen) screens="-noreset -screen 0 2304x800x24" ;;
        zoom) screens="-screen 0 2900x1100x24" ;;
        *) screens="-screen 0 1280x1024x24" ;;
    esac
    XDG_CONFIG_HOME="$work/config" xvfb-run -a -s "$screens" "$0" --inside "$session"
done
