#!/usr/bin/env bash
# Builds the fuzz targets (scripts/fuzz.sh: clang, libFuzzer, ASan + UBSan) and runs each
# for LENSDESK_FUZZ_SECONDS (20) from a fresh copy of its seed corpus with its
# dictionary. Any crash, leak, time-out or sanitizer report fails the run, after every
# target has had its turn; the failing inputs are printed (hexadecimal and base64).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${LENSDESK_FUZZ_BUILD_DIR:-$root/build-fuzz}"
export LENSDESK_FUZZ_BUILD_DIR="$build"
seconds="${LENSDESK_FUZZ_SECONDS:-20}"
started=$SECONDS

# Built first, apart: a build that fails must fail the run, not leave no target to run.
names="$("$root/scripts/fuzz.sh" list)"
mapfile -t targets <<< "$names"
if [ -z "$names" ] || [ "${#targets[@]}" -eq 0 ]; then
    echo "No fuzz target was built" >&2
    exit 1
fi
echo "Fuzz targets built in $((SECONDS - started)) s: ${targets[*]}"

work="$(mktemp -d "${TMPDIR:-/tmp}/lensdesk-fuzz-corpus-XXXXXX")"
trap 'rm -rf "$work"' EXIT
failed=()
for target in "${targets[@]}"; do
    if ! LENSDESK_FUZZ_NO_BUILD=1 LENSDESK_FUZZ_CORPUS_DIR="$work/$target" \
        "$root/scripts/fuzz.sh" "$target" "$seconds"; then
        failed+=("$target")
    fi
done
echo "Fuzzing took $((SECONDS - started)) s in all"
if [ "${#failed[@]}" -ne 0 ]; then
    echo "Fuzz targets that failed: ${failed[*]}" >&2
    exit 1
fi
echo "${#targets[@]} passed, 0 failed"
