#!/usr/bin/env bash
# The set-up on a mirror in mid-sync, with apt-get replaced by a stub that
# fails as apt does: one index that cannot be fetched, an install that then
# fails, and one from the release's own suite that works or fails too.
#   CheckSetup.sh <source folder> <scratch folder>
set -uo pipefail
source="$1" scratch="$2"
rm -rf "$scratch" && mkdir -p "$scratch/bin"
codename="$(. /etc/os-release && echo "$VERSION_CODENAME")"
# Nothing is installed, the locale is there; apt-get logs its calls and
# fails as the scenario says.
cat > "$scratch/bin/dpkg-query" <<'STUB'
#!/bin/sh
exit 1
STUB
cat > "$scratch/bin/dpkg" <<'STUB'
#!/bin/sh
[ "$1" = --print-foreign-architectures ] && echo i386
exit 0
STUB
cat > "$scratch/bin/locale" <<'STUB'
#!/bin/sh
echo ja_JP.utf8
STUB
cat > "$scratch/bin/apt-get" <<'STUB'
#!/bin/sh
echo "apt-get $*" >> "$APT_LOG"
case "$*" in
*update*)
    [ "$UPDATE_FAILS" = 1 ] || exit 0
    echo "Err:6 http://deb.example/debian-security bookworm-security/main i386 Packages"
    echo "E: Failed to fetch http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz  File has unexpected size (374820 != 376004). Mirror sync in progress?" >&2
    echo "E: Some index files failed to download. They have been ignored, or old ones used instead." >&2
    exit 100 ;;
*" -t "*) exit "$SUITE_INSTALL_EXIT" ;;
*install*) exit "$INSTALL_EXIT" ;;
esac
STUB
chmod +x "$scratch/bin/"*
failures=0 passed=0
# <what> <update fails> <install exit> <suite install exit> <expected exit>
#   <installs apt-get is asked for> <expected output...>
scenario() {
    local what="$1" log="$scratch/apt.log" out status installs
    rm -f "$log"
    out="$(cd "$source" && PATH="$scratch/bin:$PATH" APT_LOG="$log" UPDATE_FAILS="$2" \
        INSTALL_EXIT="$3" SUITE_INSTALL_EXIT="$4" scripts/setup.sh test 2>&1)"
    status=$?
    installs="$(grep -c '^apt-get .*install' "$log" 2>/dev/null)"
    local ok=1
    [ "$status" = "$5" ] || ok=0
    [ "$installs" = "$6" ] || { ok=0; out+=$'\n'"(apt-get asked to install ${installs:-0} times, not $6)"; }
    for expected in "${@:7}"; do grep -qF -- "$expected" <<<"$out" || ok=0; done
    if [ "$ok" = 1 ]; then
        echo "ok   $what"; passed=$((passed + 1))
    else
        echo "FAIL $what (exit $status)"; sed 's/^/     /' <<<"$out"; failures=$((failures + 1))
    fi
}
index=http://deb.example/debian-security/dists/bookworm-security/main/binary-i386/Packages.xz
scenario "a clean update installs once" 0 0 0 0 1 "Installing:"
scenario "a failed index: goes on, and the install works" 1 0 1 0 1 \
    "setup: apt-get update could not fetch $index; going on without it"
scenario "the install then fails: tried once more from the release's suite" 1 100 0 0 2 \
    "trying once more from the release's own suite ($codename)"
scenario "both fail: stops, naming the index and the command to try" 1 100 100 1 2 \
    "the index that failed: $index" "try by hand: apt-get update; apt-get install -t $codename"
echo "$passed passed, $failures failed"
[ "$failures" -eq 0 ]
