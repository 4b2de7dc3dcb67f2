#!/usr/bin/env bash
# Speed and memory of `tidemark-cli scan` beside jdupes, fdupes, rdfind, duff
# and rmlint on the same trees, warm and cold. See bench/README.md.
#
# Environment:
#   BENCH_BUILD_DIR  Release build directory (default /tmp/tidemark-bench-build)
#   BENCH_CLI        use this tidemark-cli instead of building one
#   BENCH_BEFORE     another tidemark-cli (an earlier build) to time in the
#                    same run, shown as "before" and not counted as a peer
#   BENCH_WORK_DIR   where the trees are generated (default: a new /tmp folder,
#                    removed at the end unless BENCH_KEEP=1)
#   BENCH_REPS       timed runs per tool, tree and cache state; the median
#                    wall time is kept (default 3)
#   BENCH_TREES      which trees to run, any of "a b c d e" (default all)
#   BENCH_SCALE      fraction of the file counts of trees b, c and e, for
#                    quicker runs (default 1)
#   BENCH_COLD       1 to also time with the page cache dropped before every
#                    run (default 1 when run as root, which it needs)
#   BENCH_PEERS      the other tools to run (default "jdupes fdupes rdfind duff rmlint")
#   BENCH_TIMEOUT    seconds after which one run is cut off (default 900)
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
build="${BENCH_BUILD_DIR:-/tmp/tidemark-bench-build}"
reps="${BENCH_REPS:-3}"
trees="${BENCH_TREES:-a b c d e}"
scale="${BENCH_SCALE:-1}"
peers="${BENCH_PEERS:-jdupes fdupes rdfind duff rmlint}"
limit="${BENCH_TIMEOUT:-900}"
if [ "$(id -u)" -eq 0 ]; then
    cold="${BENCH_COLD:-1}"
else
    cold=0
    [ "${BENCH_COLD:-0}" = 1 ] && echo "cold runs need root to drop the page cache; warm only" >&2
fi

bash "$root/scripts/deps.sh" $peers time python3

if [ -n "${BENCH_CLI:-}" ]; then
    cli="$BENCH_CLI"
else
    cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DTIDEMARK_SANITIZE=OFF -DTIDEMARK_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build" -j2 --target tidemark-cli >/dev/null
    cli="$build/cli/tidemark-cli"
fi

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

scaled() { awk -v n="$1" -v s="$scale" 'BEGIN { v = int(n * s); if (v % 2) v++; print (v < 2 ? 2 : v) }'; }

drop_caches() {
    sync
    echo 3 >/proc/sys/vm/drop_caches
}

# command_for TOOL PATH: the command line of one tool.
command_for() {
    case "$1" in
    tidemark) echo "$cli scan $2" ;;
    before) echo "$BENCH_BEFORE scan $2" ;;
    jdupes) echo "jdupes -r $2" ;;
    fdupes) echo "fdupes -r $2" ;;
    rdfind) echo "rdfind -makeresultsfile false $2" ;;
    duff) echo "duff -r $2" ;;
    rmlint) echo "rmlint -T df -o fdupes:/dev/null $2" ;;
    esac
}

# measure STATE CMD...: "median_wall max_rss_kib" over $reps timed runs.
# warm: after one untimed run; cold: the page cache dropped before each.
measure() {
    local state="$1" i left
    shift
    local -a walls=() rss=()
    if [ "$state" = warm ]; then
        (cd "$cwd" && timeout "$limit" "$@" >/dev/null 2>&1) || true
    fi
    for ((i = 0; i < reps; i++)); do
        [ "$state" = cold ] && drop_caches
        (cd "$cwd" && timeout "$limit" /usr/bin/time -f '%e %M' -o "$work/time.out" "$@" >/dev/null 2>&1) || true
        read -r w r < <(tail -n 1 "$work/time.out")
        walls+=("$w")
        rss+=("$r")
    done
    left="$(find "$cwd" -mindepth 1 -maxdepth 1 -printf '%f ')"
    if [ -n "$left" ]; then
        echo "warning: $1 left files behind in its working folder: $left" >&2
        find "$cwd" -mindepth 1 -delete
    fi
    printf '%s\n' "${walls[@]}" | sort -g | awk -v rs="${rss[*]}" '
        { w[NR] = $1 }
        END {
            n = split(rs, r, " "); m = 0
            for (i = 1; i <= n; i++) if (r[i] > m) m = r[i]
            printf "%s %d\n", (NR % 2 ? w[(NR + 1) / 2] : (w[NR / 2] + w[NR / 2 + 1]) / 2), m
        }'
}

# table TITLE PATH: runs every tool on PATH and prints one table.
table() {
    local title="$1" path="$2" files collected tool
    files="$(find "$path" -type f | wc -l)"
    collected="$(python3 "$here/gen_tree.py" count "$path")"
    echo
    echo "== $title: $path ($files regular files, $collected collected by tidemark), load $(cut -d' ' -f1-3 /proc/loadavg)"
    local -a names=(tidemark) warm=() coldr=()
    [ -n "${BENCH_BEFORE:-}" ] && names+=(before)
    names+=($peers)
    for tool in "${names[@]}"; do
        # shellcheck disable=SC2046
        warm+=("$(measure warm $(command_for "$tool" "$path"))")
        if [ "$cold" = 1 ]; then
            # shellcheck disable=SC2046
            coldr+=("$(measure cold $(command_for "$tool" "$path"))")
        else
            coldr+=("0 0")
        fi
    done
    paste -d' ' <(printf '%s\n' "${warm[@]}") <(printf '%s\n' "${coldr[@]}") |
        awk -v names="${names[*]}" -v collected="$collected" -v base="$base_rss" -v cold="$cold" '
        BEGIN { split(names, n, " ") }
        { ww[NR] = $1; wr[NR] = $2; cw[NR] = $3 }
        END {
            first = (n[2] == "before" ? 3 : 2)
            fw = ww[first]; fc = cw[first]
            for (i = first + 1; i <= NR; i++) { if (ww[i] < fw) fw = ww[i]; if (cw[i] < fc) fc = cw[i] }
            printf "| %-9s | %8s | %12s | %6s | %8s | %6s |\n", "tool", "warm s", "peak RSS KiB", "ratio", "cold s", "ratio"
            printf "|---|---:|---:|---:|---:|---:|\n"
            for (i = 1; i <= NR; i++)
                printf "| %-9s | %8.2f | %12d | %6.2f | %8s | %6s |\n", n[i], ww[i], wr[i],
                       (fw > 0 ? ww[i] / fw : 0), (cold ? sprintf("%.2f", cw[i]) : "-"),
                       (cold && fc > 0 ? sprintf("%.2f", cw[i] / fc) : "-")
            if (collected > 0)
                printf "tidemark: %.0f bytes of peak memory per collected file above the base of %d KiB\n",
                       (wr[1] - base) * 1024 / collected, base
            if (collected > 0 && n[2] == "before")
                printf "before:   %.0f bytes per collected file above the same base\n",
                       (wr[2] - base) * 1024 / collected
        }'
}

echo "Tidemark benchmark, $(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo) RAM, median of $reps, scale $scale, load $(cut -d' ' -f1-3 /proc/loadavg)"
for tool in $peers; do
    echo "  $tool $(dpkg-query -W -f='${Version}' "$tool" 2>/dev/null || echo '?')"
done
reps_saved="$reps"
reps=1
base_rss="$(measure warm "$cli" scan "$work/empty" | cut -d' ' -f2)"
reps="$reps_saved"
echo "base: tidemark-cli scanning an empty folder peaks at $base_rss KiB"

for tree in $trees; do
    t0=$SECONDS
    case "$tree" in
    a)
        table "(a) /usr/share as it stands" /usr/share
        ;;
    b)
        n="$(scaled 20000)"
        python3 "$here/gen_tree.py" lastbyte "$work/b" --count "$n" --size 16384 --parts 4
        table "(b) $n files of 16 KiB, one size, each differing in its last bytes" "$work/b"
        rm -rf "$work/b"
        ;;
    c)
        n="$(scaled 200000)"
        python3 "$here/gen_tree.py" small "$work/c" --count "$n" --max-size 4096 --dup 0.15 --depth 10
        table "(c) $n small files in folders 10 deep, 15% copies" "$work/c"
        rm -rf "$work/c"
        ;;
    d)
        python3 "$here/gen_tree.py" large "$work/d" --size $((64 << 20))
        table "(d) ten 64 MiB files: 4 identical, 3 differing at the head, 3 at the tail" "$work/d"
        rm -rf "$work/d"
        ;;
    e)
        n="$(scaled 1000000)"
        python3 "$here/gen_tree.py" pairs "$work/e" --count "$n"
        table "(e) $n tiny files in $((n / 2)) pairs" "$work/e"
        rm -rf "$work/e"
        ;;
    *)
        echo "unknown tree '$tree'" >&2
        exit 2
        ;;
    esac
    echo "(tree $tree took $((SECONDS - t0)) s, generation included)"
done
