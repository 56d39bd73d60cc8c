#!/bin/sh
# Creates the build tree's own Wine prefix and tunes it for unattended tests:
# no window manager waits, and a crash ends the process instead of starting a debugger.
# It also gives the prefix Wine's Marlett font, which draws the caption buttons.
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
# Wine 8 on Debian does not load the fonts its package ships (fonts-wine), and
# without Marlett the close button shows an "r". The prefix's Fonts folder is loaded.
marlett=
for f in /usr/share/wine/fonts/marlett.ttf /usr/lib/wine/fonts/marlett.ttf \
         /usr/local/share/wine/fonts/marlett.ttf; do
  if [ -f "$f" ]; then marlett=$f; break; fi
done
if [ -z "$marlett" ]; then
  echo "make-prefix: Wine's marlett.ttf not found (Debian package fonts-wine)" >&2
  exit 1
fi
cp "$marlett" "$prefix/drive_c/windows/Fonts/marlett.ttf"
"$here/wine-run.sh" "$arch" --server -w
touch "$stamp"
