#!/bin/sh
# Runs a test where a screen reader would find the program: a session bus of its own with the
# accessibility bus launched on it, a virtual display, and Qt's bridge to that bus switched on.
launcher=$(ls /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher 2>/dev/null | head -n 1)
[ -n "$launcher" ] || { echo "at-spi-bus-launcher not found (at-spi2-core)"; exit 1; }
export TESSARY_ACCESSIBILITY_BUS=1 QT_QPA_PLATFORM=xcb QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
exec dbus-run-session -- sh -c '"$0" --launch-immediately & exec xvfb-run -a "$@"' "$launcher" "$@"
