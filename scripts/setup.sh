#!/usr/bin/env bash
# Prepares a Debian 12 machine for building and testing, then makes the Wine
# prefix of a win32 build tree.
#
#   scripts/setup.sh [PREFIX]                 packages, then the prefix
#   scripts/setup.sh --prefix-only PREFIX     the prefix alone (scripts/wine-run.sh)
#
# PREFIX defaults to build/win32/wineprefix. Safe to run again and again:
# packages already installed and a prefix already complete are left alone, so a
# repeated run takes a fraction of a second.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
packages_too=1
if [ "${1:-}" = "--prefix-only" ]; then
  packages_too=0
  shift
fi
prefix=${1:-$root/build/win32/wineprefix}
case "$prefix" in /*) ;; *) prefix=$PWD/$prefix ;; esac  # Wine takes absolute prefixes only

packages=(
  cmake ninja-build g++ zlib1g-dev googletest
  mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix libz-mingw-w64-dev
  wine wine32:i386 fonts-wine xvfb xauth imagemagick
  libtomlplusplus-dev   # the builder's manifest reader
  nsis                  # the benchmark peer
)

# Wine's own desktop window inside the X screen: the test screen has no window
# manager, and without one Wine waits two seconds for every window it hides
# and draws no title bars in screenshots. Same size as the xvfb-run screen of
# scripts/test.sh.
desktop_size=1280x1024

say() { printf 'setup: %s\n' "$*"; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    say "missing packages need root: $*" >&2
    exit 1
  fi
}

is_installed() {
  dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null | grep -q '^ii'
}

all_installed() {
  local status
  status=$(dpkg-query -W -f='${db:Status-Abbrev}\n' "${packages[@]}" 2>/dev/null) || return 1
  ! grep -qv '^ii' <<<"$status"
}

install_packages() {
  all_installed && return 0
  local missing=() p
  for p in "${packages[@]}"; do
    is_installed "$p" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  say "installing ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
  fi
  # A fresh machine has no package lists, and i386 needs its own: update before
  # every install so that a stale list never breaks it.
  as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

wine_in_prefix() {
  WINEPREFIX="$prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$@" </dev/null
}

# A prefix is complete once wineboot finished, the settings are in and the
# server wrote the registry; the marker is written only after that, so an
# interrupted run is simply done again.
make_prefix() {
  local marker="$prefix/.bastionix-ready"
  [ -f "$marker" ] && return 0
  if [ -e "$prefix" ] && [ -n "$(ls -A "$prefix")" ] && [ ! -f "$prefix/system.reg" ]; then
    say "$prefix exists and is not a Wine prefix; not touching it" >&2
    exit 1
  fi

  say "preparing the Wine prefix $prefix"
  mkdir -p "$prefix"
  # No Mono or Gecko: their installers would ask questions nobody answers.
  wine_in_prefix wineboot -i
  wine_in_prefix wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
  wine_in_prefix wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$desktop_size" /f >/dev/null
  # No debugger on a crash: a test program that faults ends at once with its
  # error instead of leaving winedbg waiting and the test run hanging.
  wine_in_prefix wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f >/dev/null
  WINEPREFIX="$prefix" wineserver -w
  [ -f "$prefix/system.reg" ] || { say "wineboot left no registry in $prefix" >&2; exit 1; }
  touch "$marker"
}

[ "$packages_too" = 1 ] && install_packages
make_prefix
