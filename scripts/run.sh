#!/usr/bin/env bash
# Builds lensdesk (installing what the build needs) and starts it. Without
# LENSDESK_BACKEND it runs on the built-in simulated camera rig; LENSDESK_BACKEND=linux
# drives real cameras.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${LENSDESK_BUILD_DIR:-$root/build-app}"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DLENSDESK_BUILD_TESTS=OFF -DLENSDESK_BUILD_BENCH=OFF
cmake --build "$build" --target lensdesk

export LENSDESK_BACKEND="${LENSDESK_BACKEND:-sim}"
exec "$build/bin/lensdesk" "$@"
