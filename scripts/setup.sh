#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, once; later runs only check.
set -euo pipefail
pkgs="wine wine32:i386 wine64 g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools xvfb xauth
      libz-mingw-w64-dev libwine-dev cmake ninja-build ccache dpkg-dev tcl gcc make python3 openssl
      librsvg2-bin imagemagick"
sudo=""; [ "$(id -u)" = 0 ] || sudo=sudo

missing=""
for p in $pkgs; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
srcs_ok=1
grep -qs 'deb-src' /etc/apt/sources.list /etc/apt/sources.list.d/* || srcs_ok=0

if [ -n "$missing" ] || [ $srcs_ok = 0 ]; then
  echo "setup.sh: installing:${missing:- (source entries only)}"
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  # the dependencies are built from Debian's source packages
  if [ $srcs_ok = 0 ]; then
    if [ -f /etc/apt/sources.list.d/debian.sources ]; then
      $sudo sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
    elif [ -f /etc/apt/sources.list ]; then
      $sudo sed -i -n 'p; s/^deb /deb-src /p' /etc/apt/sources.list
    fi
  fi
  $sudo apt-get update -q >/tmp/pelora-apt.log 2>&1 || { cat /tmp/pelora-apt.log >&2; echo "setup.sh: apt-get update failed" >&2; exit 1; }
  if [ -n "$missing" ]; then
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing >>/tmp/pelora-apt.log 2>&1 \
      || { tail -30 /tmp/pelora-apt.log >&2; echo "setup.sh: failed to install packages:$missing" >&2; exit 1; }
  fi
fi
# the deps cache and ccache live outside the work tree and must be writable
for d in /var/cache/pelora-deps /var/cache/pelora-ccache; do
  [ -w "$d" ] || $sudo install -d -o "$(id -u)" -g "$(id -g)" "$d"
done
