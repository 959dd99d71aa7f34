#!/usr/bin/env bash
# Writes the release: dist/Quorvin-<version>.zip with Quorvin.dll, README.txt
# (Japanese, then English) and SHA256SUMS. The same sources give the same zip.
#   make-dist.sh <source folder> <DLL> <output folder>
set -euo pipefail
source="$1" dll="$2" out="$3"
version="$(head -n1 "$source/VERSION")"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
cp "$dll" "$stage/Quorvin.dll"
# UTF-8 with a byte order mark and Windows line ends, so that every Notepad
# reads the Japanese right; the version filled in.
{ printf '\357\273\277'; sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$source/docs/README.txt"; } \
    > "$stage/README.txt"
(cd "$stage" && sha256sum Quorvin.dll README.txt > SHA256SUMS)
touch -d '2000-01-01 00:00:00 UTC' "$stage"/*
zip="$out/Quorvin-$version.zip"
rm -f "$zip"
mkdir -p "$out"
(cd "$stage" && TZ=UTC zip -X -q "$zip" Quorvin.dll README.txt SHA256SUMS)
echo "Wrote $zip"
