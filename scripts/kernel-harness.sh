#!/usr/bin/env bash
# Runs lensdesk's Linux backend against the real kernel drivers (uvcvideo, usb-storage,
# sg, udev) in a QEMU virtual machine whose USB cameras are emulated with the gadget
# framework on dummy_hcd.
#
#   scripts/kernel-harness.sh [BUILD_DIR]
#
# Builds, in BUILD_DIR/harness, the FunctionFS module patched for video-class devices
# (from Debian's linux-source of the same version as the kernel image), the emulators,
# the scenarios and a small initramfs; boots the kernel with the host's root shared
# read-only; collects the guest's logs in BUILD_DIR/harness/results and ends with
# "N passed, M failed". Any failure, and a machine that cannot run the harness, exits
# non-zero. LENSDESK_HARNESS_NO_INSTALL=1 skips the install step (the packages are
# there already); LENSDESK_HARNESS_TIMEOUT sets the VM's limit in seconds (900: the VM
# runs about 90 s on a quiet two-core machine, 190 s at a load of 6 and 320 s at 8).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$(cd "${1:-$root/build}" && pwd)"
work="$build/harness"
results="$work/results"
harness="$root/tests/harness"

refuse() {
    echo "kernel harness: $*" >&2
    echo "harness: 0 passed, 1 failed"
    exit 1
}

if [ -z "${LENSDESK_HARNESS_NO_INSTALL:-}" ]; then
    "$root/scripts/install-deps.sh" || refuse "the install step failed"
fi

for tool in qemu-system-x86_64 busybox cpio make patch tar; do
    command -v "$tool" >/dev/null || refuse "$tool is missing (scripts/debian-packages.txt installs it)"
done

# One kernel version for the image, the headers and the source.
version_of() { dpkg-query -W -f='${Version}' "$1" 2>/dev/null || true; }
source_version="$(version_of linux-source-6.1)"
[ -n "$source_version" ] || refuse "linux-source-6.1 is not installed"
abi=""
for image in /boot/vmlinuz-6.1.*-amd64; do
    [ -e "$image" ] || continue
    candidate="${image#/boot/vmlinuz-}"
    if [ "$(version_of "linux-image-$candidate")" = "$source_version" ] \
        && [ "$(version_of "linux-headers-$candidate")" = "$source_version" ]; then
        abi="$candidate"
    fi
done
[ -n "$abi" ] || refuse "no kernel image with headers of the version of linux-source-6.1 ($source_version);" \
    "install linux-image-amd64, linux-headers-amd64 and linux-source-6.1 from one release"
[ -r "/boot/vmlinuz-$abi" ] || refuse "cannot read /boot/vmlinuz-$abi (run as root)"
echo "kernel harness: kernel $abi ($source_version)"

for program in lensdesk_gadget lensdesk_kernel_scenarios; do
    [ -x "$work/$program" ] || refuse "$work/$program is not built (cmake --build $build)"
done
# The initramfs has no libraries: its busybox must be the static one.
if ldd /bin/busybox >/dev/null 2>&1; then
    refuse "/bin/busybox is not static (install busybox-static)"
fi

mkdir -p "$work"

# The patched FunctionFS module, rebuilt when the source or the patch changes.
module="$work/module"
stamp="$source_version $(sha256sum "$harness/f_fs-video-class.patch" | cut -d' ' -f1)"
if [ ! -f "$module/usb_f_fs.ko" ] || [ "$(cat "$module/stamp" 2>/dev/null)" != "$stamp" ]; then
    rm -rf "$module" && mkdir -p "$module/src"
    tar -xJf /usr/src/linux-source-6.1.tar.xz -C "$module/src" --strip-components=1 \
        linux-source-6.1/drivers/usb/gadget/function/f_fs.c \
        linux-source-6.1/drivers/usb/gadget/function/u_fs.h \
        linux-source-6.1/drivers/usb/gadget/u_f.h \
        linux-source-6.1/drivers/usb/gadget/u_os_desc.h \
        linux-source-6.1/drivers/usb/gadget/configfs.h \
        || refuse "cannot unpack f_fs.c from linux-source-6.1"
    patch -d "$module/src" -p1 <"$harness/f_fs-video-class.patch" || refuse "the f_fs.c patch does not apply"
    cp "$module/src/drivers/usb/gadget/function/f_fs.c" "$module/src/drivers/usb/gadget/function/u_fs.h" \
        "$module/src/drivers/usb/gadget/u_f.h" "$module/src/drivers/usb/gadget/u_os_desc.h" \
        "$module/src/drivers/usb/gadget/configfs.h" "$module/"
    printf 'obj-m := usb_f_fs.o\nusb_f_fs-y := f_fs.o\n' >"$module/Kbuild"
    make -s -C "/lib/modules/$abi/build" M="$module" modules >"$module/build.log" 2>&1 \
        || { cat "$module/build.log" >&2; refuse "the patched usb_f_fs module does not build"; }
    echo "$stamp" >"$module/stamp"
fi

# The initramfs: busybox and what mounting the host's root over virtio-9p needs.
initramfs="$work/initramfs.cpio.gz"
staging="$work/initramfs"
rm -rf "$staging" && mkdir -p "$staging"/{bin,proc,sys,dev,newroot,modules}
cp /bin/busybox "$staging/bin/busybox"
ln -s busybox "$staging/bin/sh"
cp "$harness/initramfs-init.sh" "$staging/init"
: >"$staging/modules/order"
for m in virtio_pci 9pnet_virtio 9p; do
    modprobe -S "$abi" --show-depends "$m" | awk '$1 == "insmod" { print $2 }'
done | awk '!seen[$0]++' | while read -r ko; do
    cp "$ko" "$staging/modules/"
    basename "$ko" >>"$staging/modules/order"
done
(cd "$staging" && find . | cpio -o -H newc --quiet | gzip -1) >"$initramfs"

# What the guest takes from the source tree, in the build folder it mounts.
mkdir -p "$work/guest"
cp "$root/packaging/70-lensdesk.rules" "$work/guest/"

# Boot. The guest shares the host's root read-only, and the build folder on its own (the
# guest mounts tmpfs on /tmp and /run, which would hide a build folder there); it writes
# into the results folder.
rm -rf "$results" && mkdir -p "$results"
timeout_s="${LENSDESK_HARNESS_TIMEOUT:-900}"
# KVM, where /dev/kvm exists at all here, refuses the CPU model (an MSR write fails): TCG.
accel=(-accel tcg)
echo "kernel harness: booting ($(printf '%s ' "${accel[@]}"))"
start=$(date +%s)
set +e
timeout "$timeout_s" qemu-system-x86_64 "${accel[@]}" -cpu max -smp 1 -m 2048 \
    -kernel "/boot/vmlinuz-$abi" -initrd "$initramfs" \
    -append "console=ttyS0 quiet panic=-1 lensdesk.stage2=$harness/guest-run.sh lensdesk.build=$build" \
    -virtfs local,path=/,mount_tag=root,security_model=none,readonly=on,multidevs=remap \
    -virtfs "local,path=$build,mount_tag=build,security_model=none,readonly=on,multidevs=remap" \
    -virtfs "local,path=$results,mount_tag=results,security_model=none" \
    -display none -serial "file:$results/console.txt" -no-reboot -nodefaults \
    </dev/null
qemu_rc=$?
set -e
echo "kernel harness: the VM ran $(( $(date +%s) - start )) s (qemu exit $qemu_rc)"
[ "$qemu_rc" -ne 124 ] || echo "kernel harness: the VM did not finish within $timeout_s s" >&2

status="$(cat "$results/status" 2>/dev/null || echo "no status")"
[ -f "$results/guest.log" ] && sed 's/^/guest| /' "$results/guest.log"
passed=0
failed=0
if [ -f "$results/scenarios.txt" ]; then
    cat "$results/scenarios.txt"
    passed=$(grep -c '^PASS   :' "$results/scenarios.txt" || true)
    failed=$(grep -c '^FAIL!  :' "$results/scenarios.txt" || true)
fi
if [ "$status" != "done" ]; then
    echo "kernel harness: the guest did not finish its run: $status" >&2
    tail -n 40 "$results/console.txt" >&2 || true
    failed=$((failed + 1))
elif ! grep -q '^scenarios exit 0$' "$results/scenarios.rc" 2>/dev/null; then
    [ "$failed" -gt 0 ] || failed=1
fi
echo "harness: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
