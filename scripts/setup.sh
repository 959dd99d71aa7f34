#!/usr/bin/env bash
# Installs the Debian packages the build (and, with "test", the tests) need,
# only where something is missing. Runs apt as root, or through sudo.
set -euo pipefail

want_tests=0
[ "${1:-}" = "test" ] && want_tests=1

packages=()
need() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed' || packages+=("$1"); }

need make
need cmake
need g++-mingw-w64-i686
need binutils-mingw-w64-i686
need mingw-w64-i686-dev
if [ "$want_tests" = 1 ]; then
    need g++
    need libgtest-dev
    need googletest
fi

[ "${#packages[@]}" -eq 0 ] && exit 0

as_root=()
[ "$(id -u)" -ne 0 ] && as_root=(sudo)
echo "Installing: ${packages[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${packages[@]}"
