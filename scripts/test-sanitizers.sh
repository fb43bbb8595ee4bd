#!/usr/bin/env bash
# Builds the test suite again under AddressSanitizer + UndefinedBehaviorSanitizer and
# under ThreadSanitizer, each in a build directory of its own (without the benchmarks,
# which no test runs), and runs the whole suite headless under each. Any sanitizer report
# fails the run. LENSDESK_TSAN=0 leaves out the thread sanitizer, whose run first builds
# an instrumented QtCore (scripts/qt-tsan.sh, once per Qt version).
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
# "kernel") boots a VM with the unsanitized build and runs once, in scripts/test.sh; so do
# the Ansible tests (label "ansible"), whose Python modules no sanitizer sees and whose
# lensdeskctl runs the lensdeskctl tests already make under the sanitizers.
configure_and_build "$asan" address,undefined
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --test-dir "$asan" --output-on-failure -LE "kernel|ansible"

# A thread-sanitizer report makes the test exit with 66; suppressions come from
# tests/tsan.supp (ctest sets TSAN_OPTIONS). The tests run on a QtCore built with the
# sanitizer (scripts/qt-tsan.sh), so that Qt's own locks are seen. The session-bus test
# (label "dbus") is left out: Qt D-Bus and libdbus hand over between their own threads
# where no sanitizer sees it; the lock's watcher itself runs on one thread.
if [ "${LENSDESK_TSAN:-1}" = 1 ]; then
    qt_lib="$("$root/scripts/qt-tsan.sh" | tail -n 1)"
    configure_and_build "$tsan" thread
    export LD_LIBRARY_PATH="$qt_lib${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}"
    # Read whole before it is searched: grep -q leaves at the first match, and under
    # pipefail the loader's next line would then fail the pipe.
    deps="$(ldd "$tsan/tests/tst_clock")"
    if ! grep -qF "$qt_lib/libQt5Core.so.5" <<< "$deps"; then
        echo "The tests do not load the instrumented QtCore from $qt_lib" >&2
        exit 1
    fi
    ctest --test-dir "$tsan" --output-on-failure -LE "kernel|ansible|dbus"
fi
