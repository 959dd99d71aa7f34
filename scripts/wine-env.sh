# Sourced by the scripts that run programs under Wine. Sets up a private,
# 32-bit Wine prefix in "$1/wineprefix" (never ~/.wine), created once per
# build folder, without a display and without the Mono or Gecko installers.
export WINEPREFIX="$1/wineprefix"
export WINEARCH=win32  # the plug-in and everything around it is 32-bit
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

# A Linux path as Windows programs see it, through Wine's drive Z:.
windows_path() { local p="Z:$1"; printf '%s' "${p//\//\\}"; }

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the Wine prefix $WINEPREFIX (once per build folder)"
    mkdir -p "$1"
    DISPLAY= wineboot -i >"$1/wineboot.log" 2>&1
    wineserver -w
    [ -f "$WINEPREFIX/system.reg" ] || { cat "$1/wineboot.log"; exit 1; }
fi
