#!/usr/bin/env bash
# Installs the Debian packages the build (and, with "test", the tests) need,
# only where something is missing. Runs apt as root, or through sudo.
set -euo pipefail

# "test" adds what the tests need, "demo" what the demo needs, "dist" what
# the release needs, "format" clang-format.
want_tests=0 want_demo=0 want_dist=0 want_format=0
[ "${1:-}" = "test" ] && want_tests=1
[ "${1:-}" = "demo" ] && want_demo=1
[ "${1:-}" = "dist" ] && want_dist=1
[ "${1:-}" = "format" ] && want_format=1

packages=()
need() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed' || packages+=("$1"); }

need make
need cmake
need g++-mingw-w64-i686
need binutils-mingw-w64-i686
need mingw-w64-i686-dev
# The 64-bit DLL: the win32 thread model, as for the 32-bit one.
need g++-mingw-w64-x86-64-win32
need binutils-mingw-w64-x86-64
need mingw-w64-x86-64-dev
if [ "$want_tests" = 1 ]; then
    need g++
    # clang builds the tests, for its sanitizers and libFuzzer.
    need clang
    need libclang-rt-14-dev
    need libgtest-dev
    need googletest
    # The DLL's own checks and the release.
    need python3-pefile
    need pev
    need zip
    need git
fi
if [ "$want_tests" = 1 ] || [ "$want_demo" = 1 ]; then
    # Under Wine: 32-bit and 64-bit Wine, an X server, the Japanese locale.
    need wine
    need wine32:i386
    need wine64
    need xvfb
    need xauth
    need locales
    # A Japanese font with a bold face, for the current macro's item.
    need fonts-noto-cjk
    need xdotool
fi
if [ "$want_demo" = 1 ]; then
    need imagemagick
fi
if [ "$want_dist" = 1 ]; then
    need zip
fi
if [ "$want_format" = 1 ]; then
    need clang-format
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null 2>&1; then
        missing="${packages[*]}"
        if [ -n "$missing" ] || { [ "$want_tests$want_demo" != 00 ] &&
            ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; }; then
            echo "setup: not root and no sudo; run as root first: su -c 'scripts/setup.sh ${1:-}'" >&2
            exit 1
        fi
    fi
    as_root=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive

# A mirror in mid-sync fails one index ("File has unexpected size ... Mirror
# sync in progress?"), and apt-get update then exits non-zero although every
# other index is fresh. Go on without that index; if the install then fails
# (an update from the failed index that the rest expect), install once more
# from the release's own suite, which every mirror serves in one piece.
install_packages() {
    local log failed="" codename
    log="$(mktemp)"
    if ! "${as_root[@]}" apt-get update -q 2>&1 | tee "$log"; then
        failed="$(sed -n 's/^E: Failed to fetch \([^ ]*\).*/\1/p' "$log" | head -n1)"
        echo "setup: apt-get update could not fetch ${failed:-an index}; going on without it"
    fi
    rm -f "$log"
    if "${as_root[@]}" apt-get install -y -q --no-install-recommends "$@"; then
        return 0
    fi
    codename="$(. /etc/os-release 2>/dev/null && echo "${VERSION_CODENAME:-}")"
    if [ -n "$codename" ]; then
        echo "setup: the install failed; trying once more from the release's own suite ($codename)"
        if "${as_root[@]}" apt-get install -y -q --no-install-recommends -t "$codename" "$@"; then
            return 0
        fi
    fi
    echo "setup: could not install the packages${failed:+ (the index that failed: $failed)}; try by hand: apt-get update; apt-get install -t ${codename:-<your release>} $*" >&2
    exit 1
}

if [ "${#packages[@]}" -gt 0 ]; then
    if [[ " ${packages[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${as_root[@]}" dpkg --add-architecture i386
    fi
    echo "Installing: ${packages[*]}"
    install_packages "${packages[@]}"
fi

if [ "$want_tests$want_demo" != 00 ] && ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf-\?8'; then
    echo "Generating the ja_JP.UTF-8 locale"
    "${as_root[@]}" localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
