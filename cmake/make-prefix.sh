#!/bin/sh
# Creates the build tree's own Wine prefix and tunes it for unattended tests:
# no window manager waits, and a crash ends the process instead of starting a debugger.
#   make-prefix.sh win32|win64 PREFIX STAMP
set -e
arch=$1 prefix=$2 stamp=$3
here=$(dirname "$0")
export WINEPREFIX="$prefix"
[ "$arch" = win64 ] && export WINEARCH=win64 || export WINEARCH=win32
mkdir -p "$prefix"
run() { "$here/wine-run.sh" "$arch" "$@"; }
run wineboot.exe -i >/dev/null 2>&1 || true
run reg.exe add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
run reg.exe add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f >/dev/null 2>&1
run reg.exe add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 1 /f >/dev/null 2>&1
"$here/wine-run.sh" "$arch" --server -w
touch "$stamp"
