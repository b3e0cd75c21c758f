#!/usr/bin/env bash
# Sets up a fresh Debian or Ubuntu machine, builds Tessary, then starts it or runs every test.
#   ./dev.sh run    install what is missing, build, start the program
#   ./dev.sh test   install what is missing, build, run the test suite offscreen; then build
#                   it again with clang under AddressSanitizer and UndefinedBehaviorSanitizer
#                   and run it there too, with a bounded run of each fuzz target
set -euo pipefail

cd "$(dirname "$0")"
build_dir=${TESSARY_BUILD_DIR:-build}
checked_dir=${TESSARY_CHECKED_BUILD_DIR:-$build_dir-checked}

build_packages=(
    build-essential cmake ninja-build
    qt6-base-dev qt6-serialport-dev qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
    libgl-dev libudev-dev libmosquitto-dev libsystemd-dev pkg-config qt6-translations-l10n
    qt6-httpserver-dev qt6-websockets-dev libqrencode-dev tzdata
)
# The packaging checks: install tree, menu entry, AppStream data, the installed program under a
# virtual display, the Debian package and the Windows resources; the broker; the accessibility
# bus a screen reader listens on; a real browser for the front desk's page.
test_packages=(
    desktop-file-utils appstream dpkg-dev file util-linux
    xvfb xauth xdotool imagemagick binutils-mingw-w64-x86-64 strace systemd
    mosquitto mosquitto-clients openssl dbus at-spi2-core lintian iproute2
    chromium chromium-driver python3-selenium
)
# The checked build: clang with its sanitizer and libFuzzer runtimes, and the symbolizer that
# turns a report's addresses into source lines.
checked_packages=(clang-14 libclang-rt-14-dev llvm-14)

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

# Ninja for a new build folder; one made earlier keeps the generator it was made with.
generator() {
    [ -f "$1/CMakeCache.txt" ] || echo "-GNinja"
}

build() {
    # Configured for /usr, as a package is: the service's configuration then goes to /etc.
    cmake -S . -B "$build_dir" $(generator "$build_dir") -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_INSTALL_PREFIX=/usr
    cmake --build "$build_dir" --parallel "$(nproc)"
}

run_tests() {
    (cd "$1" && QT_QPA_PLATFORM=offscreen ctest --output-on-failure --parallel "$(nproc)")
}

checked_build() {
    cmake -S . -B "$checked_dir" $(generator "$checked_dir") -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_INSTALL_PREFIX=/usr \
        -DCMAKE_CXX_COMPILER=clang++-14 -DTESSARY_SANITIZE=ON -DTESSARY_FUZZ=ON \
        -DTESSARY_FUZZ_SECONDS="${TESSARY_FUZZ_SECONDS:-15}"
    cmake --build "$checked_dir" --parallel "$(nproc)"
}

case "${1:-}" in
run)
    install_missing "${build_packages[@]}"
    build
    exec "$build_dir/bin/tessary"
    ;;
test)
    install_missing "${build_packages[@]}" "${test_packages[@]}" "${checked_packages[@]}"
    build
    run_tests "$build_dir"
    checked_build
    # Any report fails the test that caused it; leaks are looked for when each test ends.
    export ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1
    export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
    export ASAN_SYMBOLIZER_PATH=/usr/lib/llvm-14/bin/llvm-symbolizer
    run_tests "$checked_dir"
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
