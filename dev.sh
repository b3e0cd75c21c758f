#!/usr/bin/env bash
# Sets up a fresh Debian or Ubuntu machine, builds Tessary, then starts it or runs every test.
#   ./dev.sh run    install what is missing, build, start the program
#   ./dev.sh test   install what is missing, build, run the test suite offscreen
set -euo pipefail

cd "$(dirname "$0")"
build_dir=${TESSARY_BUILD_DIR:-build}

build_packages=(
    build-essential cmake
    qt6-base-dev qt6-serialport-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
    libgl-dev
)
# The packaging checks: install tree, menu entry, AppStream data, the installed program under a
# virtual display, the Debian package and the Windows resources.
test_packages=(
    desktop-file-utils appstream dpkg-dev file util-linux
    xvfb x11-utils xdotool imagemagick binutils-mingw-w64-x86-64
)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

install_missing() {
    local missing=()
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
    fi
}

build() {
    cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    cmake --build "$build_dir" --parallel "$(nproc)"
}

case "${1:-}" in
run)
    install_missing "${build_packages[@]}"
    build
    exec "$build_dir/bin/tessary"
    ;;
test)
    install_missing "${build_packages[@]}" "${test_packages[@]}"
    build
    cd "$build_dir"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)"
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
