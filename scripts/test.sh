#!/usr/bin/env bash
# Builds lensdesk with its tests (installing what the build needs, warnings as errors)
# and runs the whole test suite headless.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${LENSDESK_TEST_BUILD_DIR:-$root/build-test}"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DLENSDESK_WERROR=ON
cmake --build "$build"

export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build" --output-on-failure
