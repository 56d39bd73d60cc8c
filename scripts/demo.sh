#!/bin/sh
# Demo of Kavrost: installs what is missing, builds, seeds a demo installation of
# the product in the build tree's own Wine prefix, turns Wine's Light theme on there
# and starts the program. Without a display it runs under Xvfb, saves screenshots of
# the English and the German dialog into docs/ and closes the program again.
#   scripts/demo.sh
set -e
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"

# ---- 1. whatever is missing (the same list as the test command) ----
[ "${1:-}" = --screenshots ] || scripts/install-deps.sh

# ---- 2. build ----
# The shipped 32-bit program is always built. Where this kernel cannot start
# 32-bit processes, 32-bit Wine cannot run either: then the 64-bit build of the
# same sources is what runs.
preset=i686 arch=win32
cmake/wine-run.sh win32 --probe || preset=x64 arch=win64
if [ "${1:-}" != --screenshots ]; then
  cmake --preset i686 >/dev/null
  cmake --build --preset i686
  if [ $preset = x64 ]; then
    echo "demo: this host cannot run 32-bit programs; running the x64 build"
    cmake --preset x64 >/dev/null
    cmake --build --preset x64
  fi
fi
build=$here/build/$preset
export WINEPREFIX=$build/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
wine() { "$here/cmake/wine-run.sh" $arch "$@"; }
wineserver_wait() { "$here/cmake/wine-run.sh" $arch --server -w; }

# ---- 3. a demo installation of the product ----
settings='HKCU\Software\dabro\Tessaline\1.0'
seed() {
  drive=$WINEPREFIX/drive_c
  rm -rf "$drive/dabro"
  for u in anna bert carla _guest; do
    mkdir -p "$drive/dabro/Tessaline/User/$u/rooms" "$drive/dabro/Agency/USER_SPC/$u"
    echo "room of $u" > "$drive/dabro/Tessaline/User/$u/rooms/lobby.dat"
    echo "profile of $u" > "$drive/dabro/Tessaline/User/$u/profile.ini"
    echo "shared space of $u" > "$drive/dabro/Agency/USER_SPC/$u/space.dat"
  done
  echo "not a user" > "$drive/dabro/Tessaline/User/readme.txt"
  wine reg.exe delete 'HKCU\Software\dabro' /f >/dev/null 2>&1 || true
  wine reg.exe add "$settings\\Directories" /v PathName /d 'C:\dabro\Tessaline\' /f >/dev/null
  wine reg.exe add "$settings\\Directories" /v Agency /d 'C:\dabro\Agency\' /f >/dev/null
  for u in anna bert carla _guest; do
    wine reg.exe add "HKCU\\Software\\dabro\\User\\$u" /v Name /d "$u" /f >/dev/null
  done
}
language() { wine reg.exe add "$settings\\Settings" /v ResourceDLL /d "$1" /f >/dev/null; }

# Wine's Light theme, so that the program looks as on a Windows with a theme: its
# manifest asks for the version 6 common controls, which draw in the theme's look.
# A new Wine 8 prefix has these values already; the demo does not rely on that.
light_theme() {
  msstyles=$WINEPREFIX/drive_c/windows/resources/themes/light/light.msstyles
  if [ ! -f "$msstyles" ]; then
    echo "demo: Wine's Light theme is missing: $msstyles" >&2
    exit 1
  fi
  key='HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager'
  wine reg.exe add "$key" /v ThemeActive /d 1 /f >/dev/null
  wine reg.exe add "$key" /v DllName /d 'C:\windows\resources\themes\light\light.msstyles' /f >/dev/null
  wine reg.exe add "$key" /v ColorName /d Blue /f >/dev/null
  wine reg.exe add "$key" /v SizeName /d NormalSize /f >/dev/null
}

# ---- 4. start the program ----
if [ -n "$DISPLAY" ] && [ "${1:-}" != --screenshots ]; then
  wineserver_wait
  seed
  light_theme
  language LangEN.dll
  echo "demo: starting Kavrost (demo users anna, bert, carla, _guest)"
  wine "$build/Kavrost.exe"
  exit 0
fi

if [ -z "$DISPLAY" ]; then
  # A wineserver started without the display would keep the windows off it.
  wineserver_wait
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --screenshots
fi

# Under Xvfb: one run per language, a screenshot of each dialog.
seed
light_theme
shoot() {
  language "$1"
  wine "$build/Kavrost.exe" &
  pid=$!
  win=$(xdotool search --sync --onlyvisible --name '^Kavrost$' | head -n 1)
  sleep 1
  import -window "$win" "$here/docs/$2"
  echo "demo: saved docs/$2"
  xdotool key Escape
  wait $pid || true
}
shoot LangEN.dll kavrost-en.png
shoot LangDE.dll kavrost-de.png

# Delete! at work: select bert, press Enter (Delete! is the default button), take the
# warning, answer Yes with Enter, and take the list of the remaining users.
status=0
language LangEN.dll
wine "$build/Kavrost.exe" &
pid=$!
win=$(xdotool search --sync --onlyvisible --name '^Kavrost$' | head -n 1)
sleep 1
xdotool mousemove --window "$win" 70 108 click 1
xdotool key Return
sleep 1
box=$(xdotool search --onlyvisible --name '^Kavrost$' | grep -v -x "$win" | head -n 1)
if [ -n "$box" ]; then
  import -window "$box" "$here/docs/kavrost-warning.png"
  echo "demo: saved docs/kavrost-warning.png"
  xdotool key Return
  sleep 1
  import -window "$win" "$here/docs/kavrost-after-delete.png"
  echo "demo: saved docs/kavrost-after-delete.png"
else
  echo "demo: the warning did not appear" >&2
  status=1
fi
xdotool key Escape
wait $pid || true
drive=$WINEPREFIX/drive_c
if [ ! -e "$drive/dabro/Tessaline/User/bert" ] && [ ! -e "$drive/dabro/Agency/USER_SPC/bert" ] &&
   ! wine reg.exe query 'HKCU\Software\dabro\User\bert' >/dev/null 2>&1; then
  echo "demo: bert is removed: both folders and the registry key are gone"
else
  echo "demo: bert was not removed completely" >&2
  status=1
fi
wine reg.exe add "$settings\\Settings" /v ResourceDLL /d LangEN.dll /f >/dev/null
wineserver_wait
exit $status
