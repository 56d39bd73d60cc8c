#!/bin/bash
# Installs what building and testing Kavrost needs on Debian, skipping what is
# already there. Run as root (or with sudo available).
set -euo pipefail

packages=(cmake make googletest g++-mingw-w64-i686 g++-mingw-w64-x86-64
          wine wine64 wine32:i386 fonts-wine xvfb xauth xdotool imagemagick)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" \
  </dev/null >/tmp/kavrost-apt.log 2>&1 || { tail -n 30 /tmp/kavrost-apt.log; exit 1; }
