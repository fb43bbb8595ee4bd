#!/bin/sh
# Second stage of the harness's guest, run as init inside the host's root: mounts the
# writable places, loads the USB gadget and host drivers (FunctionFS from the patched
# module), starts udev, runs the scenarios and powers off. Everything it reports goes
# to the results share, which the host reads.
export PATH=/usr/sbin:/usr/bin:/sbin:/bin
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mkdir -p /dev/pts /dev/shm
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /run
mount -t tmpfs tmpfs /tmp
mkdir -p /tmp/results
mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 results /tmp/results

arg() { sed -n "s/.*lensdesk\.$1=\([^ ]*\).*/\1/p" /proc/cmdline; }
build="$(arg build)"
out=/tmp/results
log="$out/guest.log"
exec >"$log" 2>&1

# Seconds since boot, dmesg's time base, before each step.
step() { echo "guest: [$(cut -d' ' -f1 /proc/uptime)] $*"; }

finish() {
    step "$1"
    echo "$1" >"$out/status"
    sync
    echo o >/proc/sysrq-trigger
    sleep 10
}

# The build folder comes as a share of its own, at its own path: under /tmp or /run the
# host root's copy is hidden by the tmpfs mounted there.
mkdir -p "$build"
mount -t 9p -o trans=virtio,version=9p2000.L,ro,cache=loose,msize=262144 build "$build" \
    || finish "cannot mount the build folder $build"

step "kernel $(uname -r)"
modprobe configfs && mount -t configfs none /sys/kernel/config || finish "no configfs"
# Ports: the camera, its upgrade volume, and an ordinary disk for the seat-access scenario.
modprobe dummy_hcd num=3 || finish "no dummy_hcd"
modprobe libcomposite || finish "no libcomposite"
insmod "$build/harness/module/usb_f_fs.ko" || finish "the patched usb_f_fs does not load"
for m in usb_f_mass_storage uvcvideo usb-storage sg sd_mod; do modprobe "$m" || finish "no $m"; done
# The package's udev rule, as an installation puts it beside the system's rules.
mkdir -p /run/udev/rules.d
cp "$build/harness/guest/70-lensdesk.rules" /run/udev/rules.d/ || finish "no udev rule to install"
step "udev"
/lib/systemd/systemd-udevd --daemon --resolve-names=never || finish "udevd does not start"
udevadm trigger --action=add
udevadm settle --timeout=600
ls /sys/class/udc

step "emulated devices"
export HOME=/tmp/home QT_QPA_PLATFORM=offscreen LENSDESK_BACKEND=linux
mkdir -p "$HOME"
"$build/harness/lensdesk_gadget" >"$out/gadget.log" 2>&1 &
gadget=$!
# Waits for the emulators' word or their end, however slow the machine: the VM's own
# limit is the only clock.
while [ ! -e /tmp/lensdesk-gadget.ready ] && kill -0 "$gadget" 2>/dev/null; do
    sleep 0.1
done
[ -e /tmp/lensdesk-gadget.ready ] || { cat "$out/gadget.log"; finish "the emulated devices do not start"; }
udevadm settle --timeout=600
ls -l /dev/video* /dev/sg* 2>/dev/null
step "scenarios"
scenarios="$build/harness/lensdesk_kernel_scenarios"
if [ -x "$scenarios" ]; then
    "$scenarios" -o "$out/scenarios.txt,txt" -o "$out/scenarios.xml,xml"
    echo "scenarios exit $?" >"$out/scenarios.rc"
fi
dmesg >"$out/dmesg.txt"
finish done
