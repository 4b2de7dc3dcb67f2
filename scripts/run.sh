#!/usr/bin/env bash
# Builds Tidemark (Release, out of tree) and starts it.
#   scripts/run.sh                 the desktop program
#   scripts/run.sh scan|clean|restore ...   the command-line front end instead
# Build directory: $TIDEMARK_BUILD_DIR, else build-release in the repository.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${TIDEMARK_BUILD_DIR:-$root/build-release}"

bash "$root/scripts/deps.sh"

# Build chatter goes to stderr so that the program's own output stays clean.
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTIDEMARK_BUILD_TESTS=OFF >&2
if [ "${1:-}" = scan ] || [ "${1:-}" = clean ] || [ "${1:-}" = restore ]; then
    cmake --build "$build" -j2 --target tidemark-cli >&2
    exec "$build/cli/tidemark-cli" "$@"
fi
cmake --build "$build" -j2 --target Tidemark >&2
exec "$build/Tidemark.app/Contents/MacOS/Tidemark" "$@"
