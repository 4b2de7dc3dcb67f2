#!/usr/bin/env bash
# Speed and memory of `tidemark-cli scan` beside jdupes, fdupes and rmlint on
# the same trees, warm cache. See bench/README.md for the trees and figures.
#
# Environment:
#   BENCH_BUILD_DIR  Release build directory (default /tmp/tidemark-bench-build)
#   BENCH_WORK_DIR   where the trees are generated (default: a new /tmp folder,
#                    removed at the end unless BENCH_KEEP=1)
#   BENCH_REPS       timed runs per tool and tree, best wall time kept (default 1)
#   BENCH_TREES      which trees to run, any of "a b c" (default all)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
build="${BENCH_BUILD_DIR:-/tmp/tidemark-bench-build}"
reps="${BENCH_REPS:-1}"
trees="${BENCH_TREES:-a b c}"

bash "$root/scripts/deps.sh" jdupes fdupes rmlint time python3

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTIDEMARK_SANITIZE=OFF -DTIDEMARK_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j2 --target tidemark-cli tidemark-gui-bench >/dev/null
cli="$build/cli/tidemark-cli"
gui="$build/bench/tidemark-gui-bench"

if [ -n "${BENCH_WORK_DIR:-}" ]; then
    work="$BENCH_WORK_DIR"
    mkdir -p "$work"
else
    work="$(mktemp -d /tmp/tidemark-bench.XXXXXX)"
fi
cleanup() {
    if [ "${BENCH_KEEP:-0}" != 1 ]; then
        rm -rf "$work"
    fi
}
trap cleanup EXIT

# Every tool runs in an empty folder, so anything it writes there shows up.
cwd="$work/cwd"
mkdir -p "$cwd" "$work/empty"

# measure CMD...: prints "wall_seconds peak_rss_kib" of the best of $reps
# timed runs, after one untimed run that warms the cache.
measure() {
    local best="" line left i
    (cd "$cwd" && "$@" >/dev/null 2>&1) || true
    for ((i = 0; i < reps; i++)); do
        (cd "$cwd" && /usr/bin/time -f '%e %M' -o "$work/time.out" "$@" >/dev/null 2>&1) || true
        line="$(tail -n 1 "$work/time.out")"
        if [ -z "$best" ] || awk -v a="$line" -v b="$best" 'BEGIN { split(a, x, " "); split(b, y, " "); exit !(x[1] < y[1]) }'; then
            best="$line"
        fi
    done
    left="$(find "$cwd" -mindepth 1 -maxdepth 1 -printf '%f ')"
    if [ -n "$left" ]; then
        echo "warning: $1 left files behind in its working folder: $left" >&2
        find "$cwd" -mindepth 1 -delete
    fi
    echo "$best"
}

# table TITLE PATH: runs the four tools on PATH and prints one table.
table() {
    local title="$1" path="$2" files collected
    files="$(find "$path" -type f | wc -l)"
    collected="$(python3 "$here/gen_tree.py" count "$path")"
    echo
    echo "== $title: $path ($files regular files, $collected collected by tidemark)"
    local -a names=(tidemark jdupes fdupes rmlint) results=()
    results+=("$(measure "$cli" scan "$path")")
    results+=("$(measure jdupes -r "$path")")
    results+=("$(measure fdupes -r "$path")")
    results+=("$(measure rmlint -T df -o fdupes:/dev/null "$path")")
    printf '%s\n' "${results[@]}" | awk -v names="${names[*]}" -v collected="$collected" -v base="$base_rss" '
        BEGIN { split(names, n, " ") }
        { wall[NR] = $1; rss[NR] = $2 }
        END {
            fastest = wall[2]
            for (i = 3; i <= NR; i++) if (wall[i] < fastest) fastest = wall[i]
            printf "%-10s %10s %14s %16s\n", "tool", "wall s", "peak RSS KiB", "ratio to peer"
            for (i = 1; i <= NR; i++)
                printf "%-10s %10.2f %14d %16.2f\n", n[i], wall[i], rss[i], (fastest > 0 ? wall[i] / fastest : 0)
            if (collected > 0)
                printf "tidemark: %.0f bytes of peak memory per collected file above the base of %d KiB\n",
                       (rss[1] - base) * 1024 / collected, base
        }'
}

echo "Tidemark benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo) RAM, best of $reps"
base_rss="$(measure "$cli" scan "$work/empty" | cut -d' ' -f2)"
echo "base: tidemark-cli scanning an empty folder peaks at $base_rss KiB"

for tree in $trees; do
    case "$tree" in
    a)
        table "(a) /usr/share as it stands" /usr/share
        ;;
    b)
        python3 "$here/gen_tree.py" lastbyte "$work/b" --count 20000 --size 16384 --parts 4
        table "(b) 20,000 files of 16 KiB differing only in the last byte" "$work/b"
        # Linearity: the same tree by quarters. The memory slope between the
        # smallest and the largest part leaves out fixed costs such as the
        # read buffers, which an empty folder never allocates.
        echo "tidemark on parts of (b):"
        first_n="" first_rss=""
        for parts in "part0" "part0 part1" "part0 part1 part2 part3"; do
            paths=()
            for p in $parts; do paths+=("$work/b/$p"); done
            n="$(python3 "$here/gen_tree.py" count "${paths[@]}")"
            read -r wall rss < <(measure "$cli" scan "${paths[@]}")
            awk -v n="$n" -v w="$wall" -v r="$rss" \
                'BEGIN { printf "  %6d files: %6.2f s, %8.1f us per file, %d KiB peak\n", n, w, w * 1e6 / n, r }'
            if [ -z "$first_n" ]; then
                first_n="$n" first_rss="$rss"
            fi
        done
        awk -v n0="$first_n" -v r0="$first_rss" -v n="$n" -v r="$rss" \
            'BEGIN { printf "  memory slope: %.0f bytes per added file\n", (r - r0) * 1024 / (n - n0) }'
        rm -rf "$work/b"
        ;;
    c)
        python3 "$here/gen_tree.py" small "$work/c" --count 200000 --max-size 4096 --dup 0.10 --depth 10
        table "(c) 200,000 small files in folders 10 deep" "$work/c"
        # The same scan driven through the window (offscreen), from the Scan
        # command to the results page, against the command line's wall time.
        read -r cli_wall _ < <(measure "$cli" scan "$work/c")
        gui_wall="$(QT_QPA_PLATFORM=offscreen "$gui" "$work/c" 2>/dev/null | tail -n 1)"
        awk -v g="$gui_wall" -v c="$cli_wall" \
            'BEGIN { printf "window: %.2f s for the same scan, %.2f times tidemark-cli (%.2f s)\n", g, g / c, c }'
        rm -rf "$work/c"
        ;;
    *)
        echo "unknown tree '$tree'" >&2
        exit 2
        ;;
    esac
done
