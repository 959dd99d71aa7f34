#!/usr/bin/env bash
# Builds the plug-in a second time, from a copy of the sources in a folder of
# its own, and checks that the DLL is the same to the byte.
#   CheckReproducible.sh <source folder> <the DLL built there> <scratch folder> <toolchain file>
set -euo pipefail
source="$1" dll="$2" scratch="$3" toolchain="$4"
rm -rf "$scratch"
copy="$scratch/elsewhere/another-checkout"
mkdir -p "$copy"
(cd "$source" && git ls-files -z --cached --others --exclude-standard | xargs -0 cp --parents -t "$copy")
cmake -S "$copy" -B "$scratch/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_BUILD_TYPE=Release -DQUORVIN_WERROR=ON >/dev/null
cmake --build "$scratch/build" --target Quorvin -j "$(nproc)" >/dev/null
a=$(sha256sum < "$dll") b=$(sha256sum < "$scratch/build/Quorvin.dll")
echo "here:      $a"
echo "elsewhere: $b"
[ "$a" = "$b" ] || { echo "FAIL the two builds differ"; cmp -l "$dll" "$scratch/build/Quorvin.dll" | head; exit 1; }
echo "1 passed, 0 failed"
