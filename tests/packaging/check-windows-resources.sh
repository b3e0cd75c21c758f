#!/usr/bin/env bash
# Compiles the Windows resource script with the MinGW resource compiler and checks what the
# executable will carry: the program icon in the order Windows picks from, and the manifest.
#   check-windows-resources.sh <tessary.rc>
set -euo pipefail
windres=x86_64-w64-mingw32-windres
command -v $windres >/dev/null || { echo "FAIL: $windres not found: install binutils-mingw-w64-x86-64" >&2; exit 1; }
fail() { echo "FAIL: $*" >&2; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
(cd "$(dirname "$1")" && $windres --preprocessor=cpp -O res "$(basename "$1")" -o "$scratch/res")
$windres -J res -O rc "$scratch/res" >"$scratch/rc"

# The group: width, height and bits per pixel of each image, and the 256-pixel one as PNG.
group=$(sed -n '/"IDI_ICON1" 14 \/\* RT_GROUP_ICON \*\//,/^END/p' "$scratch/rc" |
    sed -n 's/^ *"\\\([0-7]*\)\\\([0-7]*\)\\[0-7]*\\[0-7]*", 1, \([0-9]*\),.*/\1 \2 \3/p' |
    while read -r w h bits; do echo "$((8#$w)) $((8#$h)) $bits"; done | paste -sd,)
[ "$group" = "32 32 4,16 16 4,48 48 8,32 32 8,16 16 8,0 0 32,48 48 32,32 32 32,16 16 32" ] ||
    fail "icon group: $group"
grep -A2 '^6 3 /\* RT_ICON \*/' "$scratch/rc" | grep -q '0x474e5089L' || fail "256-pixel image is not PNG"
grep -q '^LANGUAGE 9, 1$' "$scratch/rc" || fail "resources are not English (United States)"

grep -q '^1 24 /\* RT_MANIFEST \*/' "$scratch/rc" || fail "no manifest 1"
grep -q 'requestedExecutionLevel level=""asInvoker"" uiAccess=""false""' "$scratch/rc" ||
    fail "manifest: execution level"
grep -q 'name=""Microsoft.Windows.Common-Controls"" version=""6.0.0.0""' "$scratch/rc" ||
    fail "manifest: common controls 6"
echo "icon group and manifest: all good"
