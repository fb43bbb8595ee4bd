#!/usr/bin/env bash
# Runs one fuzz target for a while: scripts/fuzz.sh TARGET SECONDS (TARGET as in
# fuzz/CMakeLists.txt, e.g. rig_file; "list" names them). Builds the targets first
# (clang, libFuzzer, ASan + UBSan, in build-fuzz). The corpus grows in
# build-fuzz/corpus/TARGET, seeded from fuzz/corpus/TARGET; a crash, leak, time-out or
# sanitizer report fails the run, and the input that caused it is kept in
# build-fuzz/findings and printed in hexadecimal and base64.
#
# LENSDESK_FUZZ_NO_BUILD=1 skips the build; LENSDESK_FUZZ_CORPUS_DIR names another
# working corpus folder (scripts/test-fuzz.sh gives each run a fresh copy).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${LENSDESK_FUZZ_BUILD_DIR:-$root/build-fuzz}"

if [ "$#" -ne 2 ] && [ "${1:-}" != list ]; then
    echo "Usage: scripts/fuzz.sh TARGET SECONDS   (scripts/fuzz.sh list: the targets)" >&2
    exit 2
fi

if [ "${LENSDESK_FUZZ_NO_BUILD:-0}" != 1 ]; then
    "$root/scripts/install-deps.sh"
    launcher=()
    if command -v ccache > /dev/null; then
        launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ \
        -DLENSDESK_FUZZ=ON -DLENSDESK_WERROR=ON -DLENSDESK_BUILD_TESTS=OFF -DLENSDESK_BUILD_BENCH=OFF \
        "${launcher[@]}" > /dev/null
    cmake --build "$build" --target lensdesk_fuzz >&2
fi

if [ "$1" = list ]; then
    (cd "$build/bin/fuzz" && ls fuzz_* | sed 's/^fuzz_//')
    exit 0
fi

target="$1"
seconds="$2"
binary="$build/bin/fuzz/fuzz_$target"
if [ ! -x "$binary" ]; then
    echo "No fuzz target $target (scripts/fuzz.sh list names them)" >&2
    exit 2
fi

# The longest input each target takes: a little above its largest seed.
case "$target" in
    scsi_passthrough) max_len=40000 ;;
    package_listing | package_model | rig_file) max_len=8192 ;;
    upgrade_script | preset) max_len=4096 ;;
    *) max_len=1024 ;;
esac

corpus="${LENSDESK_FUZZ_CORPUS_DIR:-$build/corpus/$target}"
findings="$build/findings/$target"
mkdir -p "$corpus" "$findings"
cp -n "$root/fuzz/corpus/$target/"* "$corpus/" 2> /dev/null || true

# The targets' scratch folders in memory where the machine has it.
scratch_parent=/dev/shm
[ -d "$scratch_parent" ] && [ -w "$scratch_parent" ] || scratch_parent="${TMPDIR:-/tmp}"
scratch="$(mktemp -d "$scratch_parent/lensdesk-fuzz-$target-XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

dict=()
[ -f "$root/fuzz/$target.dict" ] && dict=(-dict="$root/fuzz/$target.dict")
# Qt's JSON parser leaks on duplicate keys (fuzz/lsan-json.supp says how this is limited).
lsan=""
case "$target" in
    rig_file | preset) lsan="suppressions=$root/fuzz/lsan-json.supp" ;;
esac
log="$findings/last-run.log"
echo "Fuzzing $target for $seconds s (corpus $corpus)"
status=0
TMPDIR="$scratch" QT_QPA_PLATFORM=offscreen LSAN_OPTIONS="${LSAN_OPTIONS:-$lsan}" \
    ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}" \
    UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}" \
    "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="$max_len" -len_control=0 \
    -print_final_stats=1 -artifact_prefix="$findings/" "${dict[@]}" "$corpus" \
    > "$log" 2>&1 || status=$?
grep -E "^(#[0-9]+ +DONE|Done [0-9]+ runs|stat::number_of_executed_units|stat::peak_rss_mb)" "$log" || true
if [ "$status" -ne 0 ]; then
    echo "FAILED: $target (exit $status); the fuzzer's report:" >&2
    grep -vE "^#[0-9]+ +(NEW|REDUCE|pulse|RELOAD)" "$log" | tail -n 80 >&2
    for input in $(grep -oE "(crash|leak|timeout|oom|slow-unit)-[0-9a-f]+" "$log" | sort -u); do
        file="$findings/$input"
        [ -f "$file" ] || continue
        echo "--- $input ($(stat -c %s "$file") bytes), hexadecimal:" >&2
        head -c 4096 "$file" | od -A x -t x1z -v >&2
        echo "--- $input, base64:" >&2
        base64 -w 0 "$file" >&2
        echo >&2
        echo "Reproduce: $binary $file" >&2
    done
    exit 1
fi
