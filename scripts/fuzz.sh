#!/usr/bin/env bash
# Builds the T-SQL engine's libFuzzer target with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into build-fuzz (VOQ_FUZZ_BUILD_DIR) and runs it for
# VOQ_FUZZ_SECONDS (default 120) from a seed corpus made of the project's own SQL. A crash, a
# hang or a sanitizer finding fails the run and leaves the input under build-fuzz/findings.
# Then voq-server's packet parsers get VOQ_FUZZ_TDS_SECONDS (default 60) of their own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${VOQ_FUZZ_BUILD_DIR:-$root/build-fuzz}"
seconds="${VOQ_FUZZ_SECONDS:-120}"
tds_seconds="${VOQ_FUZZ_TDS_SECONDS:-60}"
"$root/scripts/install-deps.sh"
if [ ! -f "$build/build.ninja" ]; then
    CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DVOQ_SANITIZE=ON -DVOQ_FUZZ=ON
fi
cmake --build "$build" -j"$(nproc)" --target tsql_fuzz tds_fuzz

rm -rf "$build/fuzz/seeds"
"$root/fuzz/make-seeds.sh" "$build/fuzz/seeds"
mkdir -p "$build/fuzz/corpus" "$build/findings"
export ASAN_OPTIONS="detect_leaks=1"
export LSAN_OPTIONS="suppressions=$root/scripts/sanitizers/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
"$build/fuzz/tsql_fuzz" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/findings/" \
    "$build/fuzz/corpus" "$build/fuzz/seeds"
mkdir -p "$build/fuzz/tds-corpus"
"$build/fuzz/tds_fuzz" -max_total_time="$tds_seconds" -timeout=20 -rss_limit_mb=2048 \
    -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/findings/tds-" \
    "$build/fuzz/tds-corpus"
