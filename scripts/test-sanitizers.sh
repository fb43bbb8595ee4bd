#!/usr/bin/env bash
# Builds the test suite twice more, under AddressSanitizer + UndefinedBehaviorSanitizer
# and under ThreadSanitizer, each in a build directory of its own (without the
# benchmarks, which no test runs), and runs the whole suite headless under each. Any
# sanitizer report fails the run.
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
# checker reads tests/lsan.supp (ctest sets LSAN_OPTIONS).
configure_and_build "$asan" address,undefined
UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    ctest --test-dir "$asan" --output-on-failure

# A thread-sanitizer report makes the test exit with 66; suppressions come from
# tests/tsan.supp (ctest sets TSAN_OPTIONS).
configure_and_build "$tsan" thread
ctest --test-dir "$tsan" --output-on-failure
