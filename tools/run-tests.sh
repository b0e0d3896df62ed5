#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite.
# Usage: tools/run-tests.sh [--sanitize] [--werror]
#   --sanitize  AddressSanitizer (with leak checking) and UndefinedBehaviorSanitizer
#   --werror    warnings are errors (continuous integration builds so)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build
args=(-DZOLT_WERROR=OFF)
for option in "$@"; do
    case "$option" in
    --sanitize)
        build=$root/build-sanitize
        args+=(-DZOLT_SANITIZE=ON -DZOLT_BENCH=OFF)
        ;;
    --werror) args+=(-DZOLT_WERROR=ON) ;;
    *)
        echo "usage: $0 [--sanitize] [--werror]" >&2
        exit 2
        ;;
    esac
done
"$root/tools/setup.sh" "$build" "${args[@]}"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$root/tools/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
