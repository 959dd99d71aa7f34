#!/usr/bin/env bash
# Writes the release: dist/Quorvin-<version>.zip with x86/Quorvin.dll (for the
# 32-bit editor), x64/Quorvin.dll (for the 64-bit editor), README.txt
# (Japanese, then English), LICENSE, CHANGELOG.md and SHA256SUMS (of the files
# inside); and beside it Quorvin-<version>.zip.sha256, the zip's own SHA-256,
# which it prints. The same commit gives the same zip: every file is dated by
# SOURCE_DATE_EPOCH, by default the time of the source's last commit.
#   make-dist.sh <source folder> <32-bit DLL> <64-bit DLL> <output folder>
set -euo pipefail
source="$1" dll32="$2" dll64="$3" out="$4"
version="$(head -n1 "$source/VERSION")"
epoch="${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct 2>/dev/null || true)}"
# Outside a git checkout, and with no date given: the fixed date of old.
epoch="${epoch:-946684800}"
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
files=(x86/Quorvin.dll x64/Quorvin.dll README.txt LICENSE CHANGELOG.md SHA256SUMS)
mkdir -p "$stage/x86" "$stage/x64"
cp "$dll32" "$stage/x86/Quorvin.dll"
cp "$dll64" "$stage/x64/Quorvin.dll"
# UTF-8 with a byte order mark and Windows line ends, so that every Notepad
# reads the Japanese right; the version filled in.
{ printf '\357\273\277'; sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$source/docs/README.txt.in"; } \
    > "$stage/README.txt"
# Every text file with Windows line ends, as Notepad shows them; the
# changelog, which holds non-ASCII names, with a byte order mark too.
sed -e 's/\r$//' -e 's/$/\r/' "$source/LICENSE" > "$stage/LICENSE"
{ printf '\357\273\277'; sed -e 's/\r$//' -e 's/$/\r/' "$source/CHANGELOG.md"; } > "$stage/CHANGELOG.md"
(cd "$stage" && sha256sum "${files[@]:0:5}" | sed 's/$/\r/' > SHA256SUMS)
(cd "$stage" && touch -d "@$epoch" "${files[@]}")
zip="$out/Quorvin-$version.zip"
rm -f "$zip"
mkdir -p "$out"
# -D: the files alone, no entries for their folders.
(cd "$stage" && TZ=UTC zip -X -D -q "$zip" "${files[@]}")
(cd "$out" && sha256sum "$(basename "$zip")" > "$(basename "$zip").sha256")
echo "Wrote $zip"
echo "SHA-256: $(cut -d' ' -f1 "$zip.sha256")  (also in $zip.sha256)"
