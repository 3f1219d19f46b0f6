#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build="${VOQ_BUILD_DIR:-$root/build}"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"

# Further checks named in VOQ_CHECKS (CI's .ci/run names them): "sanitizers", the suite once
# more under the sanitizers; "fuzz", the engine's fuzzer for its bounded time.
for check in ${VOQ_CHECKS:-}; do
    case "$check" in
        sanitizers) "$root/scripts/test-sanitized.sh" ;;
        fuzz) "$root/scripts/fuzz.sh" ;;
        *) echo "test.sh: unknown check '$check' in VOQ_CHECKS" >&2; exit 2 ;;
    esac
done
