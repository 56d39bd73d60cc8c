#!/bin/bash
# Builds Kavrost and runs every test under Wine, in the build trees' own prefixes.
# Installs whatever is missing first. Usage: scripts/test.sh [ctest arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

# Every Wine process of the run must see the same display: a session of the prefix
# that starts without one keeps all later windows off the screen. So without a
# display the whole run, not only ctest, goes under one Xvfb.
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
fi

# Layering first: no layer includes one above it, fs/ and product/ use no window.
scripts/check-layers.sh

# The shipped program is 32-bit. Its tests run where Wine can start 32-bit
# programs; on a host whose kernel cannot, the same sources are tested as a
# 64-bit build, and the resource test also checks the 32-bit program.
cmake --preset i686 >/dev/null
cmake --build --preset i686
if cmake/wine-run.sh win32 --probe; then
  preset=i686
else
  echo "This host cannot start 32-bit programs: testing the 64-bit build of the same sources."
  preset=x64
  cmake --preset x64 -DKAVROST_RESOURCE_CHECK_EXE="$PWD/build/i686/Kavrost.exe" >/dev/null
  cmake --build --preset x64
fi

arch=win32; [ "$preset" = x64 ] && arch=win64
export WINEPREFIX="$PWD/build/$preset/wineprefix"
# One wineserver for the whole run instead of one per test program.
cmake/wine-run.sh "$arch" --server -p >/dev/null 2>&1 || true
trap 'cmake/wine-run.sh "$arch" --server -k >/dev/null 2>&1 || true' EXIT

# The prefix's own HKCU\Software\dabro must be the same after the run as before:
# unit tests redirect the hive, end-to-end tests clean up what they seed.
snapshot() {
  cmake/wine-run.sh "$arch" reg.exe export 'HKCU\Software\dabro' "$1" /y >/dev/null 2>&1 || echo absent >"$1"
}
snapshot "$WINEPREFIX/dabro-before.reg"
status=0
ctest --preset "$preset" "$@" || status=$?
snapshot "$WINEPREFIX/dabro-after.reg"
if ! cmp -s "$WINEPREFIX/dabro-before.reg" "$WINEPREFIX/dabro-after.reg"; then
  echo "FAILED: the test run changed HKCU\Software\dabro of the test prefix" >&2
  status=1
fi
exit $status
