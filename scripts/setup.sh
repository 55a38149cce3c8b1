#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages that building, running and testing need.
# Safe to run again: apt skips what is already installed.
set -euo pipefail

packages=(
    # build
    make cmake ninja-build g++ ccache pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    # Japanese texts of Qt's own dialogs and buttons
    qt6-translations-l10n
    # reading GTFS feeds (.zip) in hy3tool
    libzip-dev
    # barcodes on the ticket preview
    libzxing-dev
    # faces of the digit cells, ticket numbers and stop-name dots
    fonts-dseg fonts-dejavu-core fonts-unifont fonts-ipafont-gothic fonts-ipafont-mincho
    # sound: SDL2_mixer, a small General MIDI soundfont, lame for the MP3 test file
    libsdl2-dev libsdl2-mixer-dev timgm6mb-soundfont lame
    # running and screenshots without a display; the monkey test
    xvfb xauth imagemagick xdotool python3 python3-xlib
    # two monitors on one virtual display (the guide's screenshots)
    x11-xserver-utils
    # the Debian package (dpkg-shlibdeps) and checking the desktop entry and metadata
    dpkg-dev desktop-file-utils appstream
)

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all packages present"
    exit 0
fi

echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
