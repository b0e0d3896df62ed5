#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
# Usage: tools/run-tests.sh [--sanitize]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
args=()
if [ "${1:-}" = "--sanitize" ]; then
    build=$root/build-sanitize
    args=(-DZOLT_SANITIZE=ON -DZOLT_BENCH=OFF)
fi
"$root/tools/setup.sh" "$build" "${args[@]}"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
