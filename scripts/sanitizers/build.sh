#!/usr/bin/env bash
# The one clang build with AddressSanitizer and UndefinedBehaviorSanitizer that the sanitized suite
# and the fuzzers share, so that CI compiles the project twice, not three times: configures the
# directory $1 (the fuzz targets in, the benchmarks out) unless it is already configured so, then
# builds the targets named after it, or everything.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build="$1"
shift
if ! grep -qs '^VOQ_FUZZ:BOOL=ON' "$build/CMakeCache.txt"; then
    CC=clang CXX=clang++ cmake --fresh -S "$root" -B "$build" -G Ninja \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" \
        -DVOQ_SANITIZE=ON -DVOQ_FUZZ=ON -DVOQ_BENCH=OFF
fi
targets=()
[ $# -gt 0 ] && targets=(--target "$@")
cmake --build "$build" -j"$(nproc)" "${targets[@]}"
