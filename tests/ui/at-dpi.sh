#!/bin/sh
# at-dpi.sh <dpi> <wine-run.sh> win32|win64 <program> [arguments...]: the program run at another
# display DPI, which Wine takes from the prefix when a process starts; the setting is put back.
dpi=$1 run=$2 arch=$3; shift 3
reg() { verb=$1; shift; "$run" "$arch" reg.exe "$verb" 'HKCU\Control Panel\Desktop' /v LogPixels "$@" 2>/dev/null; }
old=$(reg query | tr -d '\r' | awk '$1 == "LogPixels" { print $3 }')
trap 'if [ -n "$old" ]; then reg add /t REG_DWORD /d $((old)) /f; else reg delete /f; fi >/dev/null' EXIT
reg add /t REG_DWORD /d "$dpi" /f >/dev/null || exit 1
KAVROST_EXPECTED_DPI=$dpi "$run" "$arch" "$@"
