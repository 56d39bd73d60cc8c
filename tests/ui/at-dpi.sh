#!/bin/sh
# Runs a test program in the prefix at another display DPI, and puts back what was set:
# Wine takes HKCU\Control Panel\Desktop\LogPixels when a process starts.
#   at-dpi.sh <dpi> <wine-run.sh> win32|win64 <program> [arguments...]
dpi=$1 run=$2 arch=$3; shift 3
key='HKCU\Control Panel\Desktop'
reg() { "$run" "$arch" reg.exe "$@" >/dev/null 2>&1; }
old=$("$run" "$arch" reg.exe query "$key" /v LogPixels 2>/dev/null | tr -d '\r' | awk '$1 == "LogPixels" { print $3 }')
restore() {
  if [ -n "$old" ]; then reg add "$key" /v LogPixels /t REG_DWORD /d "$(printf %d "$old")" /f
  else reg delete "$key" /v LogPixels /f; fi
}
trap restore EXIT
trap 'exit 1' INT TERM
reg add "$key" /v LogPixels /t REG_DWORD /d "$dpi" /f || exit 1
KAVROST_EXPECTED_DPI=$dpi "$run" "$arch" "$@"
