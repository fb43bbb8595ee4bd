#!/usr/bin/env bash
# Builds the test suite again under AddressSanitizer + UndefinedBehaviorSanitizer and,
# with LENSDESK_TSAN=1, under ThreadSanitizer, each in a build directory of its own
# (without the benchmarks, which no test runs), and runs the whole suite headless under
# each. Any sanitizer report fails the run.
#
# ThreadSanitizer is not on by default yet: Debian's Qt is not instrumented and its
# internal functions carry no names, so the hand-over of queued events inside Qt (the
# posted-event list and the thread pool of its smooth image scaling) is still reported
# and cannot be suppressed by function name.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
asan="${LENSDESK_ASAN_BUILD_DIR:-$root/build-asan}"
tsan="${LENSDESK_TSAN_BUILD_DIR:-$root/build-tsan}"

"$root/scripts/install-deps.sh"
export QT_QPA_PLATFORM=offscreen

configure_and_build() {
    cmake -S "$root" -B "$1" -G Ninja -DLENSDESK_WERROR=ON -DLENSDESK_BUILD_BENCH=OFF \
        -DLENSDESK_SANITIZE="$2"
    cmake --build "$1"
}

# Undefined behaviour ends the test that hit it, as an address error does; the leak
# checker reads tests/lsan.supp (ctest sets LSAN_OPTIONS). The kernel harness (label
# "kernel") boots a VM with the unsanitized build and runs once, in scripts/test.sh.
configure_and_build "$asan" address,undefined
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --test-dir "$asan" --output-on-failure -LE kernel

# A thread-sanitizer report makes the test exit with 66; suppressions come from
# tests/tsan.supp (ctest sets TSAN_OPTIONS).
if [ "${LENSDESK_TSAN:-0}" = 1 ]; then
    configure_and_build "$tsan" thread
    ctest --test-dir "$tsan" --output-on-failure -LE kernel
fi
