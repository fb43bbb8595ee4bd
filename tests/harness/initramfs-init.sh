#!/bin/sh
# First stage of the harness's guest: mounts the host's root (read-only, over 9p) and
# switches into it, so that the guest runs the host's own Qt, FFmpeg, udev and builds.
/bin/busybox --install -s /bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
while read -r m; do insmod "/modules/$m" 2>/dev/null; done < /modules/order
mkdir -p /newroot
if ! mount -t 9p -o trans=virtio,version=9p2000.L,ro,cache=loose,msize=262144 root /newroot; then
    echo "lensdesk-harness: cannot mount the host root"
    echo o > /proc/sysrq-trigger
fi
stage2="$(sed -n 's/.*lensdesk\.stage2=\([^ ]*\).*/\1/p' /proc/cmdline)"
umount /proc /sys /dev
exec switch_root /newroot /bin/sh "$stage2"
