#!/usr/bin/env bash
# The Windows part of the test run. Always: the type-check of every source of the
# Windows program (scripts/win-typecheck.sh, a few minutes with nothing cached). When
# the cross toolchain is cached (scripts/win-toolchain.sh build, about 35 minutes, run
# once by hand): the Windows build and its zip, and the smoke run under Wine.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$root/scripts/win-typecheck.sh"

cache="$("$root/scripts/win-toolchain.sh" dir)"
if [ -e "$cache/stamps/complete" ]; then
    zip="$("$root/scripts/win-build.sh" | tail -n 1)"
    "$root/scripts/win-smoke.sh" "$zip"
else
    echo "No Windows toolchain in $cache: the Windows build and the Wine smoke run are skipped"
    echo "(scripts/win-toolchain.sh build makes it)."
fi
