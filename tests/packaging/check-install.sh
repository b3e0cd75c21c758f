#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks it as a desktop would: the files, the menu
# entry, the AppStream data, and the installed program started from an unrelated folder by a user
# who cannot write to it.
#   check-install.sh <build folder>
set -euo pipefail

build=$1
scratch=$(mktemp -d)
trap 'kill ${xvfb_pid:-} 2>/dev/null || true; rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
root=$scratch/root
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null

fail() { echo "FAIL: $*" >&2; exit 1; }

app=example.corvane.tessary
expected=(
    usr/bin/tessary
    usr/share/tessary/translations/LanguageData_en.qm
    usr/share/tessary/translations/LanguageData_fr.qm
    usr/share/applications/$app.desktop
    usr/share/metainfo/$app.metainfo.xml
    usr/share/icons/hicolor/scalable/apps/$app.svg
)
for size in 16 22 24 32 48 64 128 256; do
    expected+=(usr/share/icons/hicolor/${size}x${size}/apps/$app.png)
done
for file in "${expected[@]}"; do
    [ -f "$root/$file" ] || fail "not installed: $file"
done
for size in 16 22 24 32 48 64 128 256; do
    file $root/usr/share/icons/hicolor/${size}x${size}/apps/$app.png | grep -q "$size x $size" ||
        fail "icon $size is not $size pixels"
done
desktop-file-validate "$root/usr/share/applications/$app.desktop"
grep -q '^Categories=AudioVideo;Audio;$' "$root/usr/share/applications/$app.desktop" ||
    fail "desktop entry categories"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app.metainfo.xml"

# The installed program, run by a user who cannot write to its folder, from the root folder.
home=$scratch/home
settings="$home/.config/tessary/Tessary - Generic Edition.cfg"
mkdir -p "$(dirname "$settings")"
run_as=()
if [ "$(id -u)" -eq 0 ]; then
    run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    chown -R 65534:65534 "$home"
else
    chmod -R a-w "$root/usr/bin"
fi

display=99
while [ -e /tmp/.X$display-lock ] || [ -e /tmp/.X11-unix/X$display ]; do display=$((display + 1)); done
Xvfb :$display -screen 0 1024x768x24 -ac -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=:$display
for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

# Starts the program in French with the menus' language set to French, takes a picture of its
# window, and leaves through File > Exit.
run_french() {
    local picture=$1
    printf 'KVX11.00 by hand\n\n\n*\nDevice\n*\nGaldris\n*\nSerial Port\n*\n\n*\nBaudrate\n*\n9600\n*\nAuto-connect\n*\n0\n*\nLanguage\n*\nFrench\n*\nPlayer ID\n*\n3\n' >"$settings"
    [ "$(id -u)" -ne 0 ] || chown 65534:65534 "$settings"
    (cd / && env -i DISPLAY="$DISPLAY" HOME="$home" LANG=fr_FR.UTF-8 PATH=/usr/bin:/bin \
        "${run_as[@]}" "$root/usr/bin/tessary" >/dev/null 2>&1) &
    local pid=$!
    local window
    window=$(timeout 20 xdotool search --sync --onlyvisible --name 'Tessary - Generic Edition' | head -n 1)
    sleep 0.5
    import -window "$window" "$picture"
    xdotool windowfocus --sync "$window" key ctrl+q
    timeout 20 tail --pid=$pid -f /dev/null || fail "the program did not leave on Ctrl+Q"
}

run_french "$scratch/with-catalogues.png"
[ "$(head -n 1 "$settings")" = KVX11.00 ] || fail "settings not written to the per-user file"
sed -n 23p "$settings" | grep -qx French || fail "language not kept"
[ ! -e "$root/usr/bin/Tessary - Generic Edition.cfg" ] || fail "settings written beside the program"

# Without its catalogues the same window shows other texts: the French ones came from them.
mv "$root/usr/share/tessary/translations" "$scratch/translations"
run_french "$scratch/without-catalogues.png"
if compare -metric AE "$scratch/with-catalogues.png" "$scratch/without-catalogues.png" null: 2>/dev/null; then
    fail "the installed program did not find its French catalogue"
fi
echo "installed tree, menu entry, AppStream data and installed program: all good"
