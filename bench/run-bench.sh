#!/usr/bin/env bash
# Builds the benchmark's trees (100, 1,000 and 10,000 macros, one non-macro
# file for every four macros, in folders three levels deep) and times the
# plug-in against the floor under Wine. Prints the table and writes it to
# <build>/bench/results.txt.
#   run-bench.sh <build folder> <Windows build folder> <plug-in DLL>
set -euo pipefail

build="$1" win32="$2" dll="$3"
out="$build/bench"
mkdir -p "$out"
export LC_ALL=C.UTF-8
source "$(dirname "$0")/../scripts/wine-env.sh" "$build/wine"

trees="$WINEPREFIX/drive_c/QuorvinBench"
rm -rf "$trees"
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
args=()
for size in 100 1000 10000; do
    make_tree $size
    args+=("C:\\QuorvinBench\\$size")
done

echo "Timing OnCommand until its menu opens, against the floor (median of 7 runs):"
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
    wine "$win32/MenuBench.exe" "$(windows_path "$dll")" "$(windows_path "$out/results.txt")" \
    "${args[@]}"
wineserver -k 2>/dev/null || true
machine="$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), $(nproc) cores, $(wine --version)"
echo "Machine: $machine" | tee -a "$out/results.txt"
echo "Written to $out/results.txt"
