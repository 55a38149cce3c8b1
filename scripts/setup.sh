#!/usr/bin/env bash
# Installs the Debian/Ubuntu packages that building, running and testing need.
# Safe to run again: apt skips what is already installed.
set -euo pipefail

packages=(
    # build
    make cmake ninja-build g++ ccache pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    # the panel tests queue input as the window system does (qpa headers)
    qt6-base-private-dev
    # Japanese texts of Qt's own dialogs and buttons
    qt6-translations-l10n
    # reading GTFS feeds (.zip) in hy3tool
    libzip-dev
    # barcodes on the ticket preview
    libzxing-dev
    # faces of the digit cells, ticket numbers and stop-name dots
    fonts-dseg fonts-dejavu-core fonts-unifont fonts-ipafont-gothic fonts-ipafont-mincho
    # sound: SDL2_mixer mixes the channels; every file streams on a channel of
    # its own, MP3 decoded by libmpg123 and MIDI synthesised by fluidsynth with
    # a small General MIDI soundfont; lame makes the MP3 test files
    libsdl2-dev libsdl2-mixer-dev libmpg123-dev libfluidsynth-dev timgm6mb-soundfont lame
    # running and screenshots without a display; the monkey test
    xvfb xauth imagemagick xdotool python3 python3-xlib
    # two monitors on one virtual display (the guide's screenshots)
    x11-xserver-utils
    # the Debian package (dpkg-shlibdeps) and checking the desktop entry and metadata
    dpkg-dev desktop-file-utils appstream lintian
    # speech: Open JTalk with its dictionary (its voice comes below), and
    # espeak-ng with MeCab readings where Open JTalk is missing
    open-jtalk open-jtalk-mecab-naist-jdic
    espeak-ng libespeak-ng-dev libmecab-dev mecab-ipadic-utf8
    # the web view: Qt's HTTP server and WebSockets
    qt6-httpserver-dev qt6-websockets-dev
)
# The web view's browser test drives Debian's chromium, headless; Ubuntu's is
# a snap, and the test is skipped there.
if grep -qi '^ID=debian' /etc/os-release 2>/dev/null; then
    packages+=(chromium)
fi
# Open JTalk's voice; Debian keeps it in contrib, Ubuntu in universe.
voice=hts-voice-nitech-jp-atr503-m001

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi

installed() {
    dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}

# The system's own Debian archive as "URI suite", read from the deb822 file of
# Debian 12 or from the classic sources.list.
debian_source() {
    local f=/etc/apt/sources.list.d/debian.sources
    if [ -r "$f" ]; then
        awk '
            /^[[:space:]]*$/ { if (uri && suite && deb) { print uri, suite; exit } uri = suite = ""; deb = 0; next }
            tolower($1) == "types:" { for (i = 2; i <= NF; i++) if ($i == "deb") deb = 1 }
            tolower($1) == "uris:" { uri = $2 }
            tolower($1) == "suites:" { suite = $2 }
            END { if (uri && suite && deb) print uri, suite }
        ' "$f" | head -n 1
        return
    fi
    if [ -r /etc/apt/sources.list ]; then
        awk '$1 == "deb" && $2 !~ /^\[/ { print $2, $3; exit }
             $1 == "deb" && $2 ~ /^\[/ { for (i = 2; i <= NF; i++) if ($i ~ /\]$/) { print $(i+1), $(i+2); exit } }' \
            /etc/apt/sources.list
    fi
}

# Installs the voice from Debian's contrib component without changing the
# system's package sources: a one-line sources list in a temporary folder,
# with its own package lists, used for this one update and install.
install_voice_from_contrib() {
    local source uri suite tmp
    source=$(debian_source)
    if [ -z "$source" ]; then
        echo "setup: no Debian source found; install $voice by hand" >&2
        return 1
    fi
    read -r uri suite <<<"$source"
    tmp=$(mktemp -d)
    # apt downloads as its own user, who must reach the lists folder.
    chmod 755 "$tmp"
    mkdir -p "$tmp/parts" "$tmp/lists/partial"
    echo "deb $uri $suite contrib" >"$tmp/contrib.list"
    local opts=(-o "Dir::Etc::SourceList=$tmp/contrib.list" -o "Dir::Etc::SourceParts=$tmp/parts"
                -o "Dir::State::Lists=$tmp/lists")
    local rc=0
    "${sudo_cmd[@]}" apt-get "${opts[@]}" update -qq &&
        "${sudo_cmd[@]}" apt-get "${opts[@]}" install -y -qq --no-install-recommends "$voice" ||
        rc=$?
    "${sudo_cmd[@]}" rm -rf "$tmp"
    return $rc
}

install_voice() {
    installed "$voice" && return 0
    # Ubuntu (universe), or a Debian whose sources already name contrib.
    if [ -n "$(apt-cache policy "$voice" 2>/dev/null | awk '/Candidate:/ { if ($2 != "(none)") print $2 }')" ]; then
        "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "$voice"
        return
    fi
    if grep -qi '^ID=debian' /etc/os-release 2>/dev/null; then
        install_voice_from_contrib
        return
    fi
    echo "setup: $voice not found; Open JTalk needs a voice (see README)" >&2
    return 1
}

missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done

export DEBIAN_FRONTEND=noninteractive
if [ ${#missing[@]} -eq 0 ] && installed "$voice"; then
    echo "setup: all packages present"
    exit 0
fi

"${sudo_cmd[@]}" apt-get update -qq
if [ ${#missing[@]} -gt 0 ]; then
    echo "setup: installing ${missing[*]}"
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
# Without the voice the program still speaks, with espeak-ng: not fatal.
install_voice || echo "setup: continuing without $voice" >&2
