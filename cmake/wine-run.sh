#!/bin/sh
# Runs a Windows program under Wine in an isolated prefix, never in ~/.wine.
#   wine-run.sh win32|win64 program.exe [args...]
#   wine-run.sh win32|win64 --probe       exit 0 when this host can run such programs
#   wine-run.sh win32|win64 --server ARGS  runs the prefix's wineserver with ARGS
# WINEPREFIX must name the build tree's prefix; a missing or home prefix is refused.
arch=$1; shift
if [ "$arch" = win64 ]; then
  loader=/usr/lib/wine/wine64
  command -v wine64 >/dev/null 2>&1 && loader=$(command -v wine64)
else
  loader=wine
fi
if [ "$1" = --probe ]; then
  "$loader" --version >/dev/null 2>&1
  exit $?
fi
case "$WINEPREFIX" in
  ""|"$HOME/.wine"|"$HOME/.wine/") echo "wine-run: set WINEPREFIX to an isolated prefix" >&2; exit 2 ;;
esac
if [ "$1" = --server ]; then
  shift
  for s in /usr/lib/wine/wineserver64 /usr/lib/wine/wineserver32 /usr/lib/wine/wineserver wineserver; do
    if [ -x "$s" ] || command -v "$s" >/dev/null 2>&1; then exec "$s" "$@"; fi
  done
  exit 1
fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec "$loader" "$@"
