# shellcheck shell=bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Clicking the control panel from a script on a virtual display; sourced
# by the scripts that drive the real program. Positions are the panel's own
# layout (keypad frame at 4, 4; keys 46 px apart in 3 columns).

# Sets X, Y, WIDTH, HEIGHT to the control panel window's.
panel_find() {
    local win
    win=$(timeout 30 xdotool search --sync --onlyvisible --name "集中操作盤" | head -n 1)
    eval "$(xdotool getwindowgeometry --shell "$win")"
}

panel_click() {
    xdotool mousemove "$1" "$2" click 1
    sleep 0.2
}

# One keypad key: a digit, sys (系統) or sec (区間).
panel_key() {
    local c r
    case $1 in
        sys) c=0 r=3 ;; sec) c=2 r=3 ;; 0) c=1 r=3 ;;
        *) c=$(( ($1 - 1) % 3 )) r=$(( ($1 - 1) / 3 )) ;;
    esac
    panel_click $((X + 4 + 18 + c * 46 + 15)) $((Y + 4 + 36 + r * 33 + 13))
}

# Keys a route and a section on the keypad and presses リセット.
panel_set_route() {
    local d
    panel_key sys
    for d in $(echo "$1" | grep -o .); do panel_key "$d"; done
    panel_key sec
    for d in $(echo "${2:-1}" | grep -o .); do panel_key "$d"; done
    panel_click $((X + 4 + 18 + 61)) $((Y + 4 + 172 + 16))
}

panel_step_forward() { panel_click $((X + 268 + 43)) $((Y + 4 + 22)); }
panel_announce_next() { panel_click $((X + 180 + 72 + 16)) $((Y + 204 + 16 + 13)); }
panel_preview() { panel_click $((X + WIDTH - 18)) $((Y + HEIGHT - 16)); }
panel_stop_request() { panel_click $((X + 288 + 33)) $((Y + 51 + 10)); }
