#!/usr/bin/env bash
# Builds the project a second time, with clang, AddressSanitizer and UndefinedBehaviorSanitizer, into
# build-sanitize (VOQ_SANITIZE_BUILD_DIR; the fuzzers' build too) and runs every test under them. A
# finding in a test or in any process a test starts fails the run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${VOQ_SANITIZE_BUILD_DIR:-$root/build-sanitize}"
"$root/scripts/install-deps.sh"
"$root/scripts/sanitizers/build.sh" "$build"

VOQ_SANITIZER_REPORTS=$(mktemp -d)
trap 'rm -rf "$VOQ_SANITIZER_REPORTS"' EXIT
source "$root/scripts/sanitizers/env.sh"
status=0
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" || status=$?
if sanitizer_reports_found; then
    echo "test-sanitized: the sanitizers reported the findings above" >&2
    status=1
fi
exit $status
