#!/usr/bin/env bash
# Runs the end-to-end tests under Wine, in a private prefix under the build
# folder, one per architecture, with one X server from xvfb-run shared by the
# architecture's whole test run.
#   wine-run.sh ARCH setup               boot the prefix (once per build folder), start the X server
#   wine-run.sh ARCH test NAME EXE DLL   run one test of EXE against the plug-in DLL
#   wine-run.sh ARCH cleanup             stop Wine and the X server
# ARCH is x86 or x64; EXE and DLL are of that architecture.
set -uo pipefail

wine_root="${QUORVIN_E2E_STATE:?set QUORVIN_E2E_STATE to a folder under the build folder}"
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../scripts/wine-env.sh" "$wine_root" "$1"
state="$WINE_STATE"
shift

case "$1" in
setup)
    rm -f "$state/display"
    setsid xvfb-run -a -f "$state/xauthority" -s "-screen 0 1280x800x24 -nolisten tcp" \
        bash -c 'echo "$DISPLAY" > "$0"; exec sleep 3600' "$state/display" \
        >/dev/null 2>&1 < /dev/null &
    echo $! > "$state/xvfb-run.pid"
    for _ in $(seq 100); do [ -s "$state/display" ] && break; sleep 0.1; done
    [ -s "$state/display" ] || { echo "the X server did not start"; exit 1; }
    echo "X server on $(cat "$state/display")"
    # One Wine server, with its services and desktop, for the whole run: a new
    # one per test costs seconds. They must not hold CTest's output pipes.
    wineserver -p >/dev/null 2>&1 </dev/null
    DISPLAY="$(cat "$state/display")" XAUTHORITY="$state/xauthority" \
        wine cmd.exe /c exit >/dev/null 2>&1 </dev/null
    ;;
test)
    name="$2" exe="$3" dll="$4"
    DISPLAY="$(cat "$state/display")" || { echo "no X server: run setup first"; exit 1; }
    export DISPLAY XAUTHORITY="$state/xauthority"
    drive_c="$WINEPREFIX/drive_c"
    rm -rf "$drive_c/quorvin-e2e"
    mkdir -p "$drive_c/quorvin-e2e/$name"
    # Trees that only the Linux side can make (symbolic links).
    if [ -f "$here/trees/$name.sh" ]; then
        (cd "$drive_c/quorvin-e2e/$name" && bash "$here/trees/$name.sh") || exit 1
    fi
    timeout 120 "$WINELOADER" "$exe" "$(windows_path "$dll")" "$name"
    ;;
cleanup)
    wineserver -k 2>/dev/null
    [ -f "$state/xvfb-run.pid" ] && kill -- -"$(cat "$state/xvfb-run.pid")" 2>/dev/null
    rm -f "$state/display" "$state/xvfb-run.pid"
    exit 0
    ;;
*)
    echo "usage: $0 x86|x64 setup | test NAME EXE DLL | cleanup"
    exit 2
    ;;
esac
