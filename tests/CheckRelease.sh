#!/usr/bin/env bash
# Makes the release zip in a scratch folder and checks what a user gets.
#   CheckRelease.sh <source folder> <DLL> <scratch folder>
set -euo pipefail
source="$1" dll="$2" scratch="$3"
rm -rf "$scratch" && mkdir -p "$scratch/unpacked"
"$source/scripts/make-dist.sh" "$source" "$dll" "$scratch" >/dev/null
zip="$scratch/Quorvin-$(head -n1 "$source/VERSION").zip"
failures=0
check() {  # <what> <command...>
    if "${@:2}" >/dev/null 2>&1; then echo "ok   $1"; else echo "FAIL $1"; failures=$((failures + 1)); fi
}
check "the zip is named after the version" test -f "$zip"
(cd "$scratch/unpacked" && unzip -q "$zip")
check "it holds the DLL, the read-me and the checksums, nothing else" \
    test "$(cd "$scratch/unpacked" && ls | tr '\n' ' ')" = "Quorvin.dll README.txt SHA256SUMS "
check "the checksums verify" bash -c "cd '$scratch/unpacked' && sha256sum -c SHA256SUMS"
check "the DLL is the one built" cmp "$dll" "$scratch/unpacked/Quorvin.dll"
check "the read-me is Japanese first" grep -q '^■ インストール' "$scratch/unpacked/README.txt"
check "then English" grep -q '^Install' "$scratch/unpacked/README.txt"
check "with Windows line ends" grep -q $'\r$' "$scratch/unpacked/README.txt"
echo "$((7 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
