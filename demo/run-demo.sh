#!/usr/bin/env bash
# Shows the plug-in in the stand-in editor under Wine, with the sample macros.
# With a display: a real window. Without one (or QUORVIN_DEMO_HEADLESS=1): a
# screenshot of the menu in build/demo/menu.png and the menu printed as text.
# QUORVIN_DEMO_SETTINGS=ini: the editor keeps its settings in INI files of its
# own, as a portable editor, instead of the registry. QUORVIN_DEMO_UI=en: the
# editor's interface is in English (ja, the default: Japanese), and so are the
# plug-in's own texts.
#   run-demo.sh <build folder> <Windows build folder> <plug-in DLL> x86|x64
# The DLL, the stand-in editor of the Windows build folder and Wine are all of
# the one architecture.
set -euo pipefail

build="$1" windows_build="$2" dll="$3" arch="$4"
here="$(cd "$(dirname "$0")" && pwd)"
out="$build/demo"
mkdir -p "$out"
# The system code page 932, as on a Japanese Windows.
export LC_ALL=ja_JP.UTF-8
source "$here/../scripts/wine-env.sh" "$build/wine" "$arch"
macros="$WINEPREFIX/drive_c/QuorvinDemo/Macros"
rm -rf "$macros" && mkdir -p "$macros" && cp -R "$here/macros/." "$macros/"
editor=("$windows_build/QuorvinEditor.exe" "$(windows_path "$dll")" 'C:\QuorvinDemo\Macros')
unset QUORVIN_STANDIN_INI
case "${QUORVIN_DEMO_UI:-ja}" in
    ja) export QUORVIN_STANDIN_LANGUAGE=0x0411 ;;
    en) export QUORVIN_STANDIN_LANGUAGE=0x0409 ;;
    *) echo "run-demo.sh: UI is ja or en, not ${QUORVIN_DEMO_UI}" >&2; exit 2 ;;
esac
if [ "${QUORVIN_DEMO_SETTINGS:-registry}" = ini ]; then
    rm -rf "$WINEPREFIX/drive_c/QuorvinDemo/Settings"
    export QUORVIN_STANDIN_INI='C:\QuorvinDemo\Settings'
    echo "The editor keeps its settings in INI files in $QUORVIN_STANDIN_INI."
fi

if [ -n "${DISPLAY:-}" ] && [ -z "${QUORVIN_DEMO_HEADLESS:-}" ]; then
    echo "Click the button or press F5 in the stand-in editor's window."
    wine "${editor[@]}"
    exit 0
fi

rm -f "$out/menu.bmp" "$out/menu.png"
# Wine stops before its X server does, or each of its processes reports the
# server's end as an error.
xvfb-run -a -s "-screen 0 640x400x24 -nolisten tcp" bash -c \
    '"$@"; status=$?; wineserver -k 2>/dev/null; wineserver -w; exit $status' - \
    "$WINELOADER" "${editor[@]}" --screenshot "$(windows_path "$out/menu.bmp")"
/usr/bin/convert "$out/menu.bmp" "$out/menu.png"
rm -f "$out/menu.bmp"
echo "Screenshot: $out/menu.png"
