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
check "it holds both DLLs, the read-me and the checksums, nothing else" \
    test "$(unzip -Z1 "$zip" | sort | tr '\n' ' ')" = "README.txt SHA256SUMS x64/Quorvin.dll x86/Quorvin.dll "
check "the checksums cover both DLLs and verify" bash -c \
    "cd '$scratch/unpacked' && grep -c Quorvin.dll SHA256SUMS | grep -qx 2 && sha256sum -c SHA256SUMS"
check "x86 holds the 32-bit DLL built" cmp "$dll32" "$scratch/unpacked/x86/Quorvin.dll"
check "x64 holds the 64-bit DLL built" cmp "$dll64" "$scratch/unpacked/x64/Quorvin.dll"
check "the read-me says which DLL to pick" grep -q 'Program Files (x86)' "$scratch/unpacked/README.txt"
check "the read-me is Japanese first" grep -q '^■ インストール' "$scratch/unpacked/README.txt"
check "then English" grep -q '^Install' "$scratch/unpacked/README.txt"
check "with Windows line ends" grep -q $'\r$' "$scratch/unpacked/README.txt"
echo "$((9 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
