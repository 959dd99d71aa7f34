#!/usr/bin/env bash
# Makes the release zip in a scratch folder and checks what a user gets.
#   CheckRelease.sh <source folder> <32-bit DLL> <64-bit DLL> <scratch folder>
set -euo pipefail
source="$1" dll32="$2" dll64="$3" scratch="$4"
rm -rf "$scratch" && mkdir -p "$scratch/unpacked"
"$source/scripts/make-dist.sh" "$source" "$dll32" "$dll64" "$scratch" >/dev/null
zip="$scratch/Quorvin-$(head -n1 "$source/VERSION").zip"
failures=0
check() {  # <what> <command...>
    if "${@:2}" >/dev/null 2>&1; then echo "ok   $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi
}
check "the zip is named after the version" test -f "$zip"
(cd "$scratch/unpacked" && unzip -q "$zip")
check "it holds both DLLs, the read-me, the licence, the changelog and the checksums, nothing else" \
    test "$(unzip -Z1 "$zip" | LC_ALL=C sort | tr '\n' ' ')" = "CHANGELOG.md LICENSE README.txt SHA256SUMS x64/Quorvin.dll x86/Quorvin.dll "
check "the checksums cover both DLLs and verify" bash -c \
    "cd '$scratch/unpacked' && grep -c Quorvin.dll SHA256SUMS | grep -qx 2 && sha256sum -c SHA256SUMS"
check "the zip's own hash lies beside it and matches it" bash -c \
    "cd '$scratch' && grep -q ' $(basename "$zip")\$' '$zip.sha256' && sha256sum -c '$zip.sha256'"
check "the licence is MIT's, with the copyright" grep -q '^Copyright (c) 2026 Merrow' "$scratch/unpacked/LICENSE"
check "the changelog goes back to the first DLL" grep -q 'the first DLL' "$scratch/unpacked/CHANGELOG.md"
check "the read-me gives the editor's menu path to add it" grep -q 'Customize Plug-ins' "$scratch/unpacked/README.txt"
check "and says what may stay behind" grep -q '^What may stay behind' "$scratch/unpacked/README.txt"
check "x86 holds the 32-bit DLL built" cmp "$dll32" "$scratch/unpacked/x86/Quorvin.dll"
check "x64 holds the 64-bit DLL built" cmp "$dll64" "$scratch/unpacked/x64/Quorvin.dll"
check "the read-me says which DLL to pick" grep -q 'Program Files (x86)' "$scratch/unpacked/README.txt"
check "the read-me is Japanese first" grep -q '^■ インストール' "$scratch/unpacked/README.txt"
check "then English" grep -q '^Install' "$scratch/unpacked/README.txt"
check "every text file with Windows line ends, on every line" bash -c \
    "cd '$scratch/unpacked' && ! grep -c -v \$'\\r\$' README.txt LICENSE CHANGELOG.md SHA256SUMS | grep -qv ':0\$'"
check "the read-me says it is tested under Wine, not yet on Windows" \
    grep -q 'tested under Wine, not yet on Windows' "$scratch/unpacked/README.txt"
epoch="${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct 2>/dev/null || echo 946684800)}"
# zip keeps local time in 2-second steps, an odd second rounded up; made with TZ=UTC.
stamp="$(TZ=UTC date -d "@$((epoch + epoch % 2))" +%Y%m%d.%H%M%S)"
check "every file dated by the last commit ($stamp)" bash -c \
    "[ \"\$(TZ=UTC zipinfo -T '$zip' | awk '/^-/ {print \$7}' | sort -u)\" = '$stamp' ]"
check "the read-me and the changelog start with a byte order mark" bash -c \
    "cd '$scratch/unpacked' && for f in README.txt CHANGELOG.md; do [ \"\$(head -c3 \$f | od -An -tx1 | tr -d ' ')\" = efbbbf ] || exit 1; done"
check "README.md shows the two commands on its first screen" bash -c \
    "head -n 40 '$source/README.md' | grep -q '^make demo' && head -n 40 '$source/README.md' | grep -q '^make test'"
echo "$((18 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
