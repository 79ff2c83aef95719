#!/usr/bin/env bash
# Prepares a Debian 12 machine for building and testing, then makes the Wine
# prefixes of a win32 build tree.
#
#   scripts/setup.sh [PREFIX]                 packages, then the prefix(es)
#   scripts/setup.sh --prefix-only PREFIX     the prefix alone (scripts/wine-run.sh)
#
# Without PREFIX both prefixes of build/win32 are made: wineprefix (32-bit
# Windows) and wineprefix64 (64-bit Windows, where our 32-bit programs meet
# WoW64); a PREFIX whose name ends in "64" is a 64-bit one (scripts/wine-env.sh).
# Safe to run again and again:
# packages already installed and a prefix already complete are left alone, so a
# repeated run takes a fraction of a second.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
packages_too=1
if [ "${1:-}" = "--prefix-only" ]; then
  packages_too=0
  shift
fi
if [ $# -gt 0 ]; then
  prefixes=("$1")
else
  prefixes=("$root/build/win32/wineprefix" "$root/build/win32/wineprefix64")
fi
# shellcheck source=wine-env.sh
. "$root/scripts/wine-env.sh"

packages=(
  cmake ninja-build g++ zlib1g-dev googletest ccache
  mingw-w64 g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix libz-mingw-w64-dev
  g++-mingw-w64-x86-64-win32   # the 64-bit COM server of the install tests (tests/components)
  wine wine32:i386 wine64 fonts-wine xvfb xauth imagemagick
  fonts-wqy-microhei    # CJK glyphs for the wizard in the built-in Asian languages
  libtomlplusplus-dev   # the builder's manifest reader
  libdeflate-dev        # the builder's compressor
  clang libclang-rt-14-dev   # the fuzz preset: libFuzzer with ASan and UBSan
  nsis                  # the benchmark peer
  osslsigncode          # signing installers in the builder's tests
  msitools wixl         # the MSI package of the install-action tests
  python3-jsonschema python3-yaml   # the schema checks of the winget manifests and the SBOM
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
  # A mirror caught mid-sync fails one index now and then: try again, and go on
  # with the lists that did arrive (the install says what is still missing).
  local try
  for try in 1 2 3; do
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -q && break
    say "package lists incomplete (try $try of 3)"
    sleep 5
  done
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Some kernels run no 32-bit user programs (the i386 Wine loader then fails
# with "Exec format error"). There, 32-bit programs run through QEMU's user
# mode, registered with the kernel for i386 executables. Debian 12's QEMU 7.2
# crashes inside Wine; the static QEMU 10 of Debian 13 runs it, so that one
# package is taken from there, unpacked beside our other tools.
qemu_dir=/usr/local/lib/bastionix
qemu=$qemu_dir/qemu-i386

runs_i386() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

fetch_qemu() {
  [ -x "$qemu" ] && return 0
  local work lists
  work=$(mktemp -d)
  lists=$work/lists
  mkdir -p "$lists/partial"
  echo "deb http://deb.debian.org/debian trixie main" >"$work/sources.list"
  local apt_opts=(-o "Dir::Etc::sourcelist=$work/sources.list" -o Dir::Etc::sourceparts=/nonexistent
                  -o "Dir::State::Lists=$lists" -o APT::Sandbox::User=root)
  say "this kernel runs no 32-bit programs: fetching QEMU's user mode for Wine"
  as_root apt-get "${apt_opts[@]}" update -q >/dev/null
  (cd "$work" && as_root apt-get "${apt_opts[@]}" download -q qemu-user) >/dev/null
  dpkg -x "$work"/qemu-user_*.deb "$work/root"
  as_root mkdir -p "$qemu_dir"
  as_root install -m 0755 "$work/root/usr/bin/qemu-i386" "$qemu"
  rm -rf "$work"
}

register_qemu() {
  local misc=/proc/sys/fs/binfmt_misc
  [ -e "$misc/register" ] || as_root mount -t binfmt_misc binfmt_misc "$misc"
  [ -e "$misc/qemu-i386" ] && echo -1 | as_root tee "$misc/qemu-i386" >/dev/null
  # The i386 ELF header, with QEMU opened once now (F) and argv[0] kept (P).
  local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":qemu-i386:M::$magic:$mask:$qemu:PF" | as_root tee "$misc/register" >/dev/null
}

ensure_i386() {
  runs_i386 && return 0
  fetch_qemu
  register_qemu
  runs_i386 || { say "32-bit programs still do not run; Wine cannot start" >&2; exit 1; }
}

wine_in_prefix() {
  (bx_wine_env "$prefix" && WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" "$@" </dev/null)
}

# A prefix is complete once wineboot finished, the settings are in and the
# server wrote the registry; the marker is written only after that, so an
# interrupted run is simply done again.
make_prefix() {
  local prefix
  prefix=$(bx_wine_env "$1" && echo "$WINEPREFIX")
  local marker="$prefix/.bastionix-ready"
  [ -f "$marker" ] && return 0
  if [ -e "$prefix" ] && [ -n "$(ls -A "$prefix")" ] && [ ! -f "$prefix/system.reg" ]; then
    say "$prefix exists and is not a Wine prefix; not touching it" >&2
    exit 1
  fi

  say "preparing the Wine prefix $prefix ($(bx_wine_env "$prefix" && echo "$WINEARCH"))"
  mkdir -p "$prefix"
  # No Mono or Gecko: their installers would ask questions nobody answers.
  wine_in_prefix wineboot -i
  wine_in_prefix wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null
  wine_in_prefix wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d "$desktop_size" /f >/dev/null
  # No debugger on a crash: a test program that faults ends at once with its
  # error instead of leaving winedbg waiting and the test run hanging.
  # Auto 1: no question either, so that only our own crash handler shows anything.
  # A 64-bit prefix keeps a second AeDebug key for 32-bit programs (the 32-bit
  # registry view), and ours are 32-bit.
  local view views=("")
  [ "$(bx_wine_env "$prefix" && echo "$WINEARCH")" = win64 ] && views=(/reg:64 /reg:32)
  for view in "${views[@]}"; do
    wine_in_prefix wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f ${view:+"$view"} >/dev/null
    wine_in_prefix wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 1 /f ${view:+"$view"} >/dev/null
  done
  wine_in_prefix wineserver -w
  [ -f "$prefix/system.reg" ] || { say "wineboot left no registry in $prefix" >&2; exit 1; }
  touch "$marker"
}

# Windows links CJK fonts to its dialog fonts; Wine's links name those Windows
# fonts (MS UI Gothic, SimSun, Gulim, PMingLiU), which this machine lacks, so
# pages in Japanese, Korean or Chinese showed empty boxes. Debian's CJK font
# stands in for them. A step of its own, so that older prefixes get it too.
link_cjk_fonts() {
  local prefix
  prefix=$(bx_wine_env "$1" && echo "$WINEPREFIX")
  local marker="$prefix/.bastionix-cjk-fonts"
  [ -f "$marker" ] && return 0
  local face
  for face in "MS UI Gothic" "SimSun" "Gulim" "PMingLiU"; do
    wine_in_prefix wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d "WenQuanYi Micro Hei" /f >/dev/null
  done
  wine_in_prefix wineserver -w
  touch "$marker"
}

[ "$packages_too" = 1 ] && install_packages
ensure_i386
for prefix in "${prefixes[@]}"; do
  make_prefix "$prefix"
  link_cjk_fonts "$prefix"
done
