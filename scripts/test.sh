#!/usr/bin/env bash
# Builds lensdesk with its tests (installing what the build needs, warnings as errors)
# and runs the whole test suite headless; then the Windows checks (scripts/test-windows.sh:
# the type-check of the Windows sources, and the Windows build with its Wine smoke run
# where the cross toolchain is cached).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${LENSDESK_TEST_BUILD_DIR:-$root/build-test}"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DLENSDESK_WERROR=ON
cmake --build "$build"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure

"$root/scripts/test-windows.sh"
