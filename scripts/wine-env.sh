# Sourced by the scripts that run programs under Wine, with the Wine folder
# under the build folder and the architecture:
#   source wine-env.sh <wine folder> x86|x64
# Sets up a private prefix of that architecture in "<wine folder>/<arch>"
# (never ~/.wine), created once per build folder, without a display and
# without the Mono or Gecko installers. Every variable that steers Wine is set
# here, so nothing from the caller's shell changes a run.
wine_arch="$2"
export WINE_STATE="$1/$wine_arch"
export WINEPREFIX="$WINE_STATE/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
case "$wine_arch" in
x86)
    export WINEARCH=win32
    # Debian's wrapper runs the 32-bit loader whenever it is installed.
    export WINELOADER="$(command -v wine)"
    ;;
x64)
    export WINEARCH=win64
    WINELOADER=/usr/lib/wine/wine64
    [ -x "$WINELOADER" ] || WINELOADER="$(command -v wine64)"
    export WINELOADER
    ;;
*)
    echo "wine-env.sh: the architecture is x86 or x64, not '$wine_arch'" >&2
    exit 2
    ;;
esac
wine() { "$WINELOADER" "$@"; }

# A Linux path as Windows programs see it, through Wine's drive Z:.
windows_path() { local p="Z:$1"; printf '%s' "${p//\//\\}"; }

# A kernel built without IA-32 emulation runs no 32-bit program, 32-bit Wine
# included: then nothing 32-bit can run here, which is not a failure of the
# plug-in. Exits 77, which the tests report as skipped.
if ! "$WINELOADER" --version >/dev/null 2>&1; then
    if [ "$wine_arch" = x86 ]; then
        echo "SKIP: this machine runs no 32-bit program ($WINELOADER --version fails;" \
            "the kernel may lack IA-32 emulation)"
    else
        echo "SKIP: $wine_arch Wine cannot run on this machine ($WINELOADER --version fails)"
    fi
    exit 77
fi

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Creating the $WINEARCH Wine prefix $WINEPREFIX (once per build folder)"
    mkdir -p "$WINE_STATE"
    DISPLAY= wine wineboot -i >"$WINE_STATE/wineboot.log" 2>&1
    wineserver -w
    [ -f "$WINEPREFIX/system.reg" ] || { cat "$WINE_STATE/wineboot.log"; exit 1; }
fi
