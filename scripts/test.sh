#!/usr/bin/env bash
# Builds Tidemark with its tests (out of tree, in build-test) and runs every
# test through ctest; the exit status is ctest's.
#   --sanitize   build with AddressSanitizer and UBSan, in build-asan
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$root/build-test"
config=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIDEMARK_SANITIZE=OFF)

for arg in "$@"; do
    case "$arg" in
    --sanitize)
        build="$root/build-asan"
        config=(-DCMAKE_BUILD_TYPE=Debug -DTIDEMARK_SANITIZE=ON)
        ;;
    -h | --help)
        echo "usage: scripts/test.sh [--sanitize]"
        exit 0
        ;;
    *)
        echo "test.sh: unknown option '$arg'; usage: scripts/test.sh [--sanitize]" >&2
        exit 2
        ;;
    esac
done

bash "$root/scripts/deps.sh"

cmake -S "$root" -B "$build" "${config[@]}" -DTIDEMARK_BUILD_TESTS=ON
cmake --build "$build" -j2

# UBSan findings abort (-fno-sanitize-recover); show where they came from.
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1}"
# LeakSanitizer: allocations that system libraries keep for the process.
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$root/tests/lsan.supp}"
ctest --test-dir "$build" --output-on-failure
