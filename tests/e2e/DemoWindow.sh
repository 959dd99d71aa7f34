#!/usr/bin/env bash
# make demo's window as a person uses it, with real X input: click into the
# window, press F5, wait longer than the test editor would before it closed
# the menu by itself, then press 1. The request for Hello.js, the sample's
# registered macro 0, must reach standard output, and the menu must end with
# the folder item in the editor's language. Then F5 again, Down and
# Shift+Enter, and F5 once more and a click with Ctrl held on the first item:
# each asks the editor to open Hello.js, and the menu offers to run it again.
# No call the stand-in's rules refuse may be printed. With the editor's
# settings in the registry, in INI files (make demo SETTINGS=ini), and in an
# English editor (make demo UI=en).
#   DemoWindow.sh <Windows build folder> <plug-in DLL> x86|x64
set -uo pipefail
windows_build="$1" dll="$2" arch="$3"
wine_root="${QUORVIN_E2E_STATE:?}"
state="$wine_root/$arch"
here="$(cd "$(dirname "$0")" && pwd)"
build="$(dirname "$wine_root")"
# Where this architecture's Wine cannot run, skipped for the reason it gives.
(source "$here/../../scripts/wine-env.sh" "$wine_root" "$arch") || exit $?
[ -s "$state/display" ] || { echo "SKIP: no X server for $arch (see e2e setup)"; exit 77; }
export DISPLAY="$(cat "$state/display")" XAUTHORITY="$state/xauthority"
# The window, not the headless screenshot, whatever the caller's shell says.
unset QUORVIN_DEMO_HEADLESS
mkdir -p "$build/demo"
passed=0
finish() {
    kill "$demo" 2>/dev/null
    echo "--- what the demo printed ($settings, $ui):"
    cat "$out"
    echo "$1"
    [ "$1" = "$passed passed, 0 failed" ]
    exit $?
}

for mode in registry:ja ini:ja registry:en; do
    settings="${mode%:*}" ui="${mode#*:}"
    folder_item='マクロフォルダを開く(&O) #9215' run_again='Hello.js を再実行(&R) #9214'
    [ "$ui" = en ] && folder_item='&Open Macro Folder #9215' run_again='&Run Hello.js Again #9214'
    out="$build/demo/window-test.$arch.$settings.$ui.out"
    QUORVIN_DEMO_SETTINGS=$settings QUORVIN_DEMO_UI=$ui \
        "$here/../../demo/run-demo.sh" "$build" "$windows_build" "$dll" "$arch" >"$out" 2>&1 &
    demo=$!
    window=""
    for _ in $(seq 150); do
        window="$(xdotool search --name 'stand-in editor' 2>/dev/null | head -n1)"
        [ -n "$window" ] && break
        sleep 0.2
    done
    [ -n "$window" ] || finish "FAIL no window appeared; $passed passed, 1 failed"
    sleep 1
    xdotool mousemove --window "$window" 240 200 click 1
    sleep 0.5
    xdotool key F5
    sleep 3  # twice the time after which the test editor presses Escape
    xdotool key 1
    for _ in $(seq 50); do
        grep -q 'Run registered macro 0: .*Hello\.js' "$out" && break
        sleep 0.2
    done
    grep -q 'Run registered macro 0: .*Hello\.js' "$out" ||
        finish "FAIL Hello.js was not asked for: the menu closed, or was never open; $passed passed, 1 failed"
    for _ in $(seq 25); do grep -qF "$folder_item" "$out" && break; sleep 0.2; done
    grep -qF "$folder_item" "$out" ||
        finish "FAIL the menu did not end with $folder_item; $passed passed, 1 failed"
    # The macro author's gestures: open Hello.js, by the keyboard, then the mouse.
    xdotool key F5
    sleep 1
    xdotool key Down shift+Return
    sleep 1
    xdotool key F5
    sleep 1
    xdotool mousemove_relative 24 10 keydown ctrl click 1 keyup ctrl
    opened='Open .*Hello\.js for editing'
    for _ in $(seq 25); do [ "$(grep -c "$opened" "$out")" = 2 ] && break; sleep 0.2; done
    [ "$(grep -c "$opened" "$out")" = 2 ] ||
        finish "FAIL Shift+Enter and Ctrl+click did not both open Hello.js; $passed passed, 1 failed"
    [ "$(grep -c 'Run registered macro 0: .*Hello\.js' "$out")" = 1 ] ||
        finish "FAIL a pick with a modifier ran the macro; $passed passed, 1 failed"
    grep -qF "$run_again" "$out" ||
        finish "FAIL the menu did not offer $run_again; $passed passed, 1 failed"
    ! grep -q "^Refused by the editor's rules" "$out" ||
        finish "FAIL the stand-in refused a call; $passed passed, 1 failed"
    xdotool key --window "$window" alt+F4
    for _ in $(seq 25); do kill -0 "$demo" 2>/dev/null || break; sleep 0.2; done
    kill "$demo" 2>/dev/null
    wait "$demo" 2>/dev/null
    passed=$((passed + 1))
done
finish "$passed passed, 0 failed"
