#!/usr/bin/env bash
# Builds the benchmark's trees (100, 1,000, 10,000 and 77,000 macros, one
# non-macro file for every four macros, in folders three levels deep; the
# last is just under the walk's cap of 100,000 entries) and times under
# Wine the plug-in, the limit (a bare walk in UTF-16) and the floor (the bare
# narrow walk), each run in a fresh process, the three taking turns. Does so
# for each architecture given, in its own Wine prefix. Prints the medians and
# writes them to <build>/bench/results.txt.
#   run-bench.sh <build folder> ARCH <Windows build folder> <plug-in DLL> [ARCH ...]
set -euo pipefail

build="$1"
shift
runs="${BENCH_RUNS:-11}"
out="$build/bench"
mkdir -p "$out"
export LC_ALL=C.UTF-8
here="$(cd "$(dirname "$0")" && pwd)"

# One X server for every run, and one Wine server an architecture.
state="$out/x"
mkdir -p "$state"
rm -f "$state/display"
setsid xvfb-run -a -f "$state/xauthority" -s "-screen 0 1024x768x24 -nolisten tcp" \
    bash -c 'echo "$DISPLAY" > "$0"; exec sleep 3600' "$state/display" >/dev/null 2>&1 </dev/null &
xvfb=$!
trap 'kill -- -"$xvfb" 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$state/display" ] && break; sleep 0.1; done
export DISPLAY="$(cat "$state/display")" XAUTHORITY="$state/xauthority"

make_tree() {  # <macros>
    local macros=$1 root="$trees/$1" per_leaf=25 made=0 i=0
    mkdir -p "$root"
    while [ "$made" -lt "$macros" ]; do
        local leaf="$root/a$((i / 100))/b$((i / 10 % 10))/c$((i % 10))"
        mkdir -p "$leaf"
        for j in $(seq 1 $per_leaf); do
            [ "$made" -lt "$macros" ] || break
            : > "$leaf/macro$j.js"
            made=$((made + 1))
            [ $((made % 4)) -eq 0 ] && : > "$leaf/notes$j.txt"
        done
        i=$((i + 1))
    done
}

bench_arch() {  # <arch> <Windows build folder> <DLL>, in a subshell of its own
    arch="$1" windows_build="$2" dll="$3"
    source "$here/../scripts/wine-env.sh" "$build/wine" "$arch"
    trap 'wineserver -k 2>/dev/null || true' EXIT
    wineserver -p >/dev/null 2>&1 </dev/null
    wine cmd.exe /c exit >/dev/null 2>&1 </dev/null
    wine --version > "$out/$arch.wine"
    trees="$WINEPREFIX/drive_c/QuorvinBench"
    rm -rf "$trees"
    : > "$out/$arch.table"
    run() {  # <mode> <tree>: prints "<ms> <entries>"
        wine "$windows_build/MenuBench.exe" "$(windows_path "$dll")" "$1" "C:\\QuorvinBench\\$2" | tr -d '\r'
    }
    median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

    for size in ${BENCH_SIZES:-100 1000 10000 77000}; do
        make_tree $size
        for mode in plugin limit floor; do run $mode $size >/dev/null; done  # warms the disk cache
        : > "$out/$arch-$size.times"
        for i in $(seq "$runs"); do
            # Alternate which goes first, so that no one always follows another.
            case $((i % 3)) in
                0) order="plugin limit floor" ;;
                1) order="limit floor plugin" ;;
                2) order="floor plugin limit" ;;
            esac
            for mode in $order; do echo "$mode $(run $mode $size)" >> "$out/$arch-$size.times"; done
        done
        plugin=$(awk '$1 == "plugin" { print $2 }' "$out/$arch-$size.times" | median)
        limit=$(awk '$1 == "limit" { print $2 }' "$out/$arch-$size.times" | median)
        floor=$(awk '$1 == "floor" { print $2 }' "$out/$arch-$size.times" | median)
        entries=$(awk '$1 == "limit" { print $3; exit }' "$out/$arch-$size.times")
        line=$(awk -v m="$size" -v e="$entries" -v p="$plugin" -v l="$limit" -v f="$floor" \
            'BEGIN { printf "%8d %8d %12.1f %10.1f %10.1f %15.2f %15.2f", m, e, p, l, f, p / l, p / f }')
        echo "$line"
        echo "$line" >> "$out/$arch.table"
    done
}

header="  macros  entries   plug-in ms   limit ms   floor ms   plug-in/limit   plug-in/floor"
echo "Timing each walk until its menu opens, in a fresh process a run ($runs runs each):"
tables=""
while [ $# -ge 3 ]; do
    arch="$1"
    echo "$arch:"
    echo "$header"
    set +e
    (bench_arch "$1" "$2" "$3")
    status=$?
    set -e
    if [ "$status" -eq 0 ]; then
        tables="$tables$arch, $(cat "$out/$arch.wine"):"$'\n'"$header"$'\n'"$(cat "$out/$arch.table")"$'\n'
    elif [ "$status" -eq 77 ]; then
        tables="$tables$arch: not timed, its Wine cannot run on this machine"$'\n'
    else
        exit "$status"
    fi
    shift 3
done
machine="$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(nproc) cores"
{
    echo "Median of $runs runs, each in a fresh process, after one warm-up run"
    printf '%s' "$tables"
    echo "Machine: $machine"
} > "$out/results.txt"
echo "Machine: $machine"
echo "Written to $out/results.txt"
