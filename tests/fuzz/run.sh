#!/usr/bin/env bash
# Builds the fuzz targets (clang, AddressSanitizer, UBSan) and runs each for
# a bounded time on a seed corpus: the project's fixture files and the seeds
# fuzz_seeds writes. A crash, a sanitizer report, a leak or a hang fails the
# run and leaves the input in build-fuzz/crashes/<target>/.
#   tests/fuzz/run.sh [seconds per target, default 10]
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds="${1:-10}"
build=build-fuzz

cmake -S . -B "$build" -DTERVALA_FUZZ=ON -DBUILD_TESTING=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j"$(nproc)" >/dev/null

seeds="$build/seeds"
rm -rf "$seeds"
"$build/tests/fuzz/fuzz_seeds" "$seeds"
fixtures=tests/fixtures
add() { # target, files...
    local target="$1"
    shift
    mkdir -p "$seeds/$target"
    for f in "$@"; do [ -f "$f" ] && cp "$f" "$seeds/$target/"; done
    return 0
}
shopt -s nullglob
add xlsx "$fixtures"/*.xlsx
add xls "$fixtures"/*.xls
add text_table "$fixtures"/*.txt "$fixtures"/*.csv tests/mainwindow/data/*
add profile "$fixtures"/*.ini
add jet_sql
# DBF inputs start with the length of a memo file (none here).
for f in "$fixtures"/*.dbf; do
    { printf '\0\0'; cat "$f"; } >"$seeds/dbf/$(basename "$f")"
done
add dbf "$fixtures"/dbf_*.bin

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
status=0
for target in text_table xlsx xls dbf profile jet_sql; do
    crashes="$build/crashes/$target"
    mkdir -p "$crashes" "$build/corpus/$target"
    log="$build/fuzz_$target.log"
    if "$build/tests/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -max_len=65536 -artifact_prefix="$crashes/" "$build/corpus/$target" "$seeds/$target" >"$log" 2>&1; then
        echo "fuzz_$target: $(grep -o 'Done [0-9]* runs' "$log" | tail -1 | cut -d' ' -f2) executions, no fault"
    else
        echo "fuzz_$target: FAULT (see $log and $crashes)"
        tail -40 "$log"
        status=1
    fi
done
exit $status
