#!/bin/sh
# Runs a Windows program under Wine in an isolated prefix, never in ~/.wine.
#   wine-run.sh win32|win64 program.exe [args...]
# WINEPREFIX must name the build tree's prefix; a missing or home prefix is refused.
arch=$1; shift
case "$WINEPREFIX" in
  ""|"$HOME/.wine"|"$HOME/.wine/") echo "wine-run: set WINEPREFIX to an isolated prefix" >&2; exit 2 ;;
esac
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ "$arch" = win64 ]; then
  if command -v wine64 >/dev/null 2>&1; then exec wine64 "$@"; fi
  exec /usr/lib/wine/wine64 "$@"
fi
exec wine "$@"
