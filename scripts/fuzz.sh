#!/usr/bin/env bash
# Builds the T-SQL engine's libFuzzer target with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into the sanitized suite's build (VOQ_FUZZ_BUILD_DIR, else
# VOQ_SANITIZE_BUILD_DIR, else build-sanitize) and runs it for
# VOQ_FUZZ_SECONDS (default 120) from a seed corpus made of the project's own SQL. A crash, a
# hang or a sanitizer finding fails the run and leaves the input under that build's findings/.
# Then voq-server's packet parsers get VOQ_FUZZ_TDS_SECONDS (default 60) of their own.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${VOQ_FUZZ_BUILD_DIR:-${VOQ_SANITIZE_BUILD_DIR:-$root/build-sanitize}}"
seconds="${VOQ_FUZZ_SECONDS:-120}"
tds_seconds="${VOQ_FUZZ_TDS_SECONDS:-60}"
"$root/scripts/install-deps.sh"
"$root/scripts/sanitizers/build.sh" "$build" tsql_fuzz tds_fuzz

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
