#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
build="${VOQ_BUILD_DIR:-$root/build}"
ctest --test-dir "$build" --output-on-failure -j"$(nproc)"
