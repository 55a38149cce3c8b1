#!/usr/bin/env bash
# Builds the Debian package from a build folder, unpacks it into a scratch
# root and starts the installed program there as a newcomer would after
# installing it: no settings anywhere, a working folder of its own, on a
# virtual display, through the rutomia link. Keys route 1, section 1 and
# リセット and checks that the board shows the demo route from the installed
# data (a lit fare, no message box), that the model number is still 517, and
# that the route-set chime played. The screenshot is kept as
# <build>/shots/package.png. Exit 0 when all holds, 1 when not, 77 when a
# tool is missing.
#   scripts/package_check.sh [build dir]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=$(realpath "${1:-$here/build}")
for tool in cpack dpkg-deb dpkg-shlibdeps xvfb-run xdotool import convert; do
    command -v "$tool" >/dev/null || { echo "package_check: $tool missing, skipped"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "package_check: $*"; exit 1; }

# The package, as `make package` makes it.
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    fail "cpack failed"
fi
deb=$(find "$work/out" -maxdepth 1 -name 'rutomia_*.deb' | head -n 1)
[ -n "$deb" ] || fail "no package made"
info=$(dpkg-deb --field "$deb" Package Version Depends Recommends)
echo "$info"
depends=$(dpkg-deb --field "$deb" Depends)
for dep in libqt6widgets6 libsdl2-mixer fonts-dseg qt6-translations-l10n; do
    grep -q "$dep" <<<"$depends" || fail "Depends lacks $dep"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
for f in bin/517 bin/rutomia bin/rutomia-hy3tool bin/rutomia-plgtool \
    share/rutomia/1.hy3 share/rutomia/2.hy3 \
    share/rutomia/sounds/route-set.wav share/rutomia/plugins/horote.4SP \
    share/applications/org.rutomia.Rutomia.desktop \
    share/icons/hicolor/scalable/apps/org.rutomia.Rutomia.svg \
    share/metainfo/org.rutomia.Rutomia.metainfo.xml \
    share/doc/rutomia/copyright share/doc/rutomia/changelog.gz \
    share/doc/rutomia/README.md share/doc/rutomia/ja/guide.md \
    share/doc/rutomia/ja/format-hy3.md share/doc/rutomia/ja/format-tpcsv.md \
    share/doc/rutomia/ja/images/panel-route1.png share/doc/rutomia/plugin-format.md \
    share/man/man1/517.1.gz share/man/man1/rutomia.1.gz \
    share/man/man1/rutomia-hy3tool.1.gz share/man/man1/rutomia-plgtool.1.gz; do
    [ -e "$root/usr/$f" ] || fail "usr/$f not in the package"
done
if command -v appstreamcli >/dev/null; then
    appstreamcli validate-tree --no-net --no-color "$root" || fail "the installed tree does not validate"
fi
# No error and no warning but those the package overrides on purpose.
if command -v lintian >/dev/null; then
    lint=$(lintian --tag-display-limit 0 "$deb" 2>&1 | grep -v 'running with root privileges' || true)
    [ -z "$lint" ] || { echo "$lint"; fail "lintian found faults"; }
fi
# The installed tools work: a demo route back to CSV and the sample plugin.
"$root/usr/bin/rutomia-hy3tool" decode "$root/usr/share/rutomia/1.hy3" "$work/1.csv" >/dev/null ||
    fail "rutomia-hy3tool cannot decode the demo route"
grep -q '駅前ターミナル' "$work/1.csv" || fail "rutomia-hy3tool wrote no stops"
"$root/usr/bin/rutomia-plgtool" check "$root/usr/share/rutomia/plugins/horote.4SP" >/dev/null ||
    fail "rutomia-plgtool refuses the sample plugin"

# A first start: an empty home, no settings, started elsewhere than the data.
mkdir -p "$work/home" "$work/cwd"
scripts=$(cd "$(dirname "$0")" && pwd)
export HOME="$work/home" exe="$root/usr/bin/rutomia" work scripts
unset XDG_CONFIG_HOME
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE="$work/audio.raw"
cd "$work/cwd"
env -u QT_QPA_PLATFORM xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    set -e
    "$exe" >"$work/program.log" 2>&1 &
    pid=$!
    # Whatever stops this script, the program goes with it: left running it
    # would hold what the script held (a build lock, the display).
    trap "kill $pid 2>/dev/null || true" EXIT
    board=$(timeout 30 xdotool search --sync --onlyvisible --name "^ルトミア - " | head -n 1)
    panel=$(timeout 30 xdotool search --sync --onlyvisible --name "集中操作盤" | head -n 1)
    sleep 1
    xdotool getwindowname "$board" >"$work/caption"
    xdotool getwindowgeometry --shell "$board" | sed "s/^/BOARD_/" >"$work/board"
    . "$scripts/panel.sh"
    eval "$(xdotool getwindowgeometry --shell "$panel")"
    panel_set_route 1 1
    sleep 4.5                                           # the lamp test
    # Any message box (a missing route, sound or plugin) is titled ルトミア.
    xdotool search --onlyvisible --name "^ルトミア$" >"$work/messages" || true
    panel_preview                                       # >>: the ticket preview
    sleep 1
    import -window root "$work/shot.png"
    kill $pid 2>/dev/null || true
    wait $pid 2>/dev/null || true
'
mkdir -p "$build/shots"
cp "$work/shot.png" "$build/shots/package.png"
echo "package_check: screenshot $build/shots/package.png"

caption=$(cat "$work/caption")
echo "caption: $caption"
[[ $caption == *"型番:517" ]] || fail "the model number is not 517"
[ ! -s "$work/messages" ] || fail "a message box appeared"
# Fare cell 1 (ticket 1) shows the first stop's fare: amber segments lit.
source "$work/board"
lit=$(convert "$work/shot.png" -crop "52x20+$((BOARD_X + 121))+$((BOARD_Y + 45))" +repage \
    -fx "r > 0.8 && g > 0.6 && b < 0.6" -format "%[fx:round(mean * w * h)]" info:)
echo "lit pixels in fare cell 1: $lit"
[ "$lit" -gt 20 ] || fail "the board shows no fare"
if [ -x "$build/tools/tonescan" ]; then
    heard=$("$build/tools/tonescan" "$work/audio.raw")
    awk '$1 == "chime-high" && $2 != "-" { found = 1 } END { exit !found }' <<<"$heard" ||
        fail "the route-set chime was not heard"
fi
echo "package_check: the installed program starts on its demo data"
