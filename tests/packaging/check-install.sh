#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks it as a desktop would: the files, the menu
# entry, the AppStream data, and the installed program started from an unrelated folder by a user
# who cannot write to it. Then builds the Debian package and checks that it holds the same files,
# with the control data apt needs.
#   check-install.sh <build folder> [the configuration's folder as configured: /etc/tessary]
set -euo pipefail
# The whole check runs on a virtual display of its own, open to the user the program runs as.
[ -n "${TESSARY_ON_XVFB:-}" ] ||
    exec env TESSARY_ON_XVFB=1 xvfb-run -a -s '-ac -nolisten tcp' "$0" "$@"

build=$1
config_dir=${2:-/etc/tessary}
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
chmod 755 "$scratch"
root=$scratch/root
DESTDIR=$root cmake --install "$build" --prefix /usr >/dev/null
fail() { echo "FAIL: $*" >&2; exit 1; }

app=example.corvane.tessary
for file in bin/tessary bin/tessary-send bin/tessaryd share/man/man1/tessary-send.1.gz \
    share/man/man1/tessary.1.gz share/man/man8/tessaryd.8.gz lib/systemd/system/tessaryd.service lib/systemd/system/tessaryd@.service \
    share/doc/tessary/copyright share/doc/tessary/changelog.gz \
    share/tessary/translations/LanguageData_{en,fr}.qm share/man/man5/tessary-installation.5.gz share/doc/tessary/examples/{installation.txt,tessaryd.conf} \
    share/applications/$app.desktop share/metainfo/$app.metainfo.xml \
    share/icons/hicolor/{16x16,22x22,24x24,32x32,48x48,64x64,128x128,256x256}/apps/$app.png \
    share/icons/hicolor/scalable/apps/$app.svg; do
    [ -f "$root/usr/$file" ] || fail "not installed: $file"
done
desktop-file-validate "$root/usr/share/applications/$app.desktop"
grep -q '^Categories=AudioVideo;Audio;$' "$root/usr/share/applications/$app.desktop" ||
    fail "desktop entry categories"
appstreamcli validate --no-net "$root/usr/share/metainfo/$app.metainfo.xml"
[ -f "$root$config_dir/tessaryd.conf" ] || fail "not installed: $config_dir/tessaryd.conf"
# The sender and the service run where there is no window system.
for program in tessary-send tessaryd; do
    ! ldd "$root/usr/bin/$program" | grep -E 'libQt6(Gui|Widgets)' || fail "$program loads the GUI"
done
# Every line of the unit known to systemd (the program itself is not installed on this system).
if command -v systemd-analyze >/dev/null; then
    sed 's|^ExecStart=/usr/bin/tessaryd|ExecStart=/bin/true|' \
        "$root/usr/lib/systemd/system/tessaryd.service" >"$scratch/tessaryd.service"
    said=$(systemd-analyze verify --man=no "$scratch/tessaryd.service" 2>&1) && [ -z "$said" ] ||
        fail "the service's unit: $said"
fi
zcat "$root/usr/share/man/man1/tessary-send.1.gz" | grep -q 'dry.-run' || fail "man page"

# The installed program, run from the root folder by a user who cannot write to its folder,
# keeps its settings in that user's home.
home=$scratch/home
settings="$home/.config/tessary/Tessary - Generic Edition.cfg"
mkdir -p "$(dirname "$settings")"
printf 'KVX11.00 by hand\n\n\n*\nDevice\n*\nGaldris\n*\nSerial Port\n*\n\n*\nBaudrate\n*\n9600\n*\nAuto-connect\n*\n0\n*\nLanguage\n*\nFrench\n*\nPlayer ID\n*\n3\n' >"$settings"
run_as=()
if [ "$(id -u)" -eq 0 ]; then
    run_as=(setpriv --reuid=65534 --regid=65534 --clear-groups)
    chown -R 65534:65534 "$home"
else
    chmod -R a-w "$root/usr/bin"
fi
# Runs it until its window shows, then sends it a signal: it closes as Ctrl+Q does.
run() { # SIGNAL FILE-SIZE-LIMIT
    (cd / && exec env -i DISPLAY="$DISPLAY" HOME="$home" PATH=/usr/bin:/bin "${run_as[@]}" \
        sh -c 'ulimit -f "$0" && exec "$@"' "$2" "$root/usr/bin/tessary" \
        >/dev/null 2> >(cat >"$scratch/said")) &
    pid=$!
    timeout 20 xdotool search --sync --onlyvisible --name 'Tessary - Generic Edition' >/dev/null
    kill -"$1" $pid
    timeout 20 tail --pid=$pid -f /dev/null || fail "the program did not leave on SIG$1"
}
run TERM unlimited
[ "$(sed -n '1p;7p;23p;27p' "$settings" | paste -sd,)" = "KVX11.00,Galdris,French,3" ] ||
    fail "settings not kept in the per-user file"
# Beyond a file-size limit the save fails, says so, and leaves the file whole.
before=$(cat "$settings")
run INT 0
said() { grep -q "Tessary - Generic Edition.cfg: File too large" "$scratch/said"; } # in French
for _ in 1 2 3 4 5 6 7 8 9 10; do said && break || sleep 0.2; done
said || fail "a failed save not said"
[ "$(cat "$settings")" = "$before" ] || fail "settings file changed by a failed save"
[ ! -e "$root/usr/bin/Tessary - Generic Edition.cfg" ] || fail "settings written beside the program"

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/deb" >/dev/null
deb=$scratch/deb/tessary_1.0.0_$(dpkg --print-architecture).deb
info=$(dpkg-deb --info "$deb") || fail "no $(basename "$deb")"
for field in 'Package: tessary' 'Version: 1.0.0' 'Maintainer: .*<support@corvane.example>' \
    'Depends: .*libqt6core6.*' 'Depends: .*libqt6serialport6.*' 'Depends: .*libqt6widgets6.*'; do
    grep -q "^ $field\$" <<<"$info" || fail "control: no $field"
done
# The unit exposes no more than it needs, by systemd's own measure.
if command -v systemd-analyze >/dev/null; then
    exposure=$(systemd-analyze security --offline=true "$root/usr/lib/systemd/system/tessaryd.service" 2>/dev/null |
        sed -n 's/.*Overall exposure level for tessaryd.service: \([0-9.]*\).*/\1/p')
    [ -n "$exposure" ] && awk -v e="$exposure" 'BEGIN { exit !(e <= 1.5) }' ||
        fail "the unit's exposure is ${exposure:-unknown}, more than 1.5"
fi
# Where lintian is installed, the package passes it without an error or a warning.
if command -v lintian >/dev/null; then
    said=$(lintian --tag-display-limit 0 --fail-on error,warning "$deb" 2>&1) ||
        fail "lintian: $said"
fi
[ "$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $6}' | sort)" = \
    "$(cd "$root" && find . -type f | sort)" ] || fail "the package and the install tree differ"
echo "installed tree, menu entry, AppStream data, installed program and package: all good"
