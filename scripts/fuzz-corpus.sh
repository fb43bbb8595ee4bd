#!/usr/bin/env bash
# Makes the fuzzers' seed corpus again (fuzz/corpus/<target>/) from the tests' own
# generators: builds and runs tst_fuzzcorpus in the ordinary build (build-test, as
# scripts/test.sh) with LENSDESK_FUZZ_CORPUS pointing at fuzz/corpus.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${LENSDESK_TEST_BUILD_DIR:-$root/build-test}"

"$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DLENSDESK_WERROR=ON > /dev/null
cmake --build "$build" --target tst_fuzzcorpus
QT_QPA_PLATFORM=offscreen LENSDESK_BACKEND=sim LENSDESK_FUZZ_CORPUS="$root/fuzz/corpus" \
    "$build/tests/tst_fuzzcorpus"
echo "Seeds written to $root/fuzz/corpus"
