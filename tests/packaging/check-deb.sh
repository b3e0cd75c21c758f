#!/usr/bin/env bash
# Builds the Debian package from the build folder and checks its control data and contents.
#   check-deb.sh <build folder>
set -euo pipefail

build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch" >/dev/null
deb=$scratch/tessary_1.0.0_$(dpkg --print-architecture).deb
[ -f "$deb" ] || fail "no $(basename "$deb")"

info=$(dpkg-deb --info "$deb")
grep -q '^ Package: tessary$' <<<"$info" || fail "package name"
grep -q '^ Version: 1.0.0$' <<<"$info" || fail "version"
grep -q '^ Maintainer: .*<support@corvane.example>$' <<<"$info" || fail "maintainer"
depends=$(grep '^ Depends:' <<<"$info") || fail "no Depends line"
for library in libqt6core6 libqt6gui6 libqt6widgets6 libqt6serialport6; do
    grep -q "$library" <<<"$depends" || fail "Depends does not name $library"
done

contents=$(dpkg-deb --contents "$deb")
for file in ./usr/bin/tessary ./usr/bin/tessary-send ./usr/share/man/man1/tessary-send.1.gz \
    ./usr/share/tessary/translations/LanguageData_fr.qm \
    ./usr/share/applications/example.corvane.tessary.desktop \
    ./usr/share/metainfo/example.corvane.tessary.metainfo.xml \
    ./usr/share/icons/hicolor/48x48/apps/example.corvane.tessary.png; do
    grep -q " $file\$" <<<"$contents" || fail "not in the package: $file"
done
echo "$depends"
