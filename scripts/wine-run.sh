#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix: wine-run.sh PREFIX PROGRAM [ARGS...]
# Used by ctest as the cross-compiling emulator. A build tree's first run makes
# its prefix (scripts/setup.sh --prefix-only), once, even when ctest starts
# several tests at the same time.
set -e
export WINEPREFIX="$1"; shift
export WINEARCH=win32
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
if [ ! -e "$WINEPREFIX/.bastionix-ready" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  # A prefix that exists without the marker may be in use; only warn then.
  flock "$WINEPREFIX.lock" bash -c '
    [ -e "$1/.bastionix-ready" ] && exit 0
    if [ -e "$1" ]; then
      echo "wine-run.sh: $1 was not made by scripts/setup.sh; run it for the test settings" >&2
    else
      "$2" --prefix-only "$1" >&2
    fi' _ "$WINEPREFIX" "$(dirname "${BASH_SOURCE[0]}")/setup.sh"
fi
exec wine "$@"
