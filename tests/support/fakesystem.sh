#!/bin/sh
# A system of the test's own, where USB serial adapters come and go without hardware: a private
# mount and network namespace with a /sys/class/tty, a /dev and a /run of its own and a udev
# daemon's control file, so that libudev lists and watches what the test plugs in.
#   fakesystem.sh TEST [ARGS...]      runs the test inside (root only; exit 77, skipped, without)
#   fakesystem.sh plug NAME SLAVE     inside: /dev/NAME appears, backed by the pty slave SLAVE
#   fakesystem.sh unplug NAME         inside: it goes (the test tells udev listeners itself)
set -e
adapter=/sys/devices/uprobe/usb1/1-1
case "$1" in
plug)
    touch "/dev/$2" && mount --bind "$3" "/dev/$2"
    mkdir -p "$adapter/$2"
    printf 'MAJOR=188\nMINOR=%s\nDEVNAME=%s\n' "${2#ttyUSB}" "$2" >"$adapter/$2/uevent"
    ln -sfn /sys/class/tty "$adapter/$2/subsystem"
    ln -sfn "$adapter/$2" "/sys/class/tty/$2" ;;
unplug)
    rm -f "/sys/class/tty/$2"; umount "/dev/$2"; rm -f "/dev/$2" ;;
inside)
    shift
    work=/mnt # a tmpfs of the namespace's own: nothing is left behind
    mount -t tmpfs work "$work"
    mkdir "$work/tty" "$work/dev"
    mount -t tmpfs tty "$work/tty"
    for e in /sys/class/tty/*; do ln -s "$(readlink -f "$e")" "$work/tty/${e##*/}"; done
    mount -t tmpfs devices /sys/devices/uprobe
    mkdir -p "$adapter" /sys/devices/uprobe/drivers/ftdi_sio /sys/devices/uprobe/bus/usb-serial
    printf 'DEVTYPE=usb_interface\nDRIVER=ftdi_sio\n' >"$adapter/uevent"
    ln -s /sys/devices/uprobe/drivers/ftdi_sio "$adapter/driver"
    ln -s /sys/devices/uprobe/bus/usb-serial "$adapter/subsystem"
    mount --bind "$work/tty" /sys/class/tty
    mount --rbind /dev "$work/dev"
    mount -t tmpfs -o mode=755 dev /dev
    for n in null zero urandom tty; do touch "/dev/$n"; mount --bind "$work/dev/$n" "/dev/$n"; done
    mkdir /dev/pts && mount --rbind "$work/dev/pts" /dev/pts && ln -s pts/ptmx /dev/ptmx
    mount -t tmpfs -o mode=755 run /run
    mkdir -m 1777 /run/lock && mkdir /run/udev && touch /run/udev/control
    ip link set lo up 2>/dev/null || true
    exec env SYSTEMD_DEVICE_VERIFY_SYSFS=0 TESSARY_FAKE_SYSTEM="$0" "$@" ;;
*)
    [ "$(id -u)" -eq 0 ] && unshare --mount --net true 2>/dev/null || {
        echo "a system of its own needs root and namespaces: skipped"
        exit 77
    }
    exec unshare --mount --net --propagation private "$0" inside "$@" ;;
esac
