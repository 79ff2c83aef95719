#!/usr/bin/env bash
# Runs a Windows program under Wine in the given prefix: wine-run.sh PREFIX PROGRAM [ARGS...]
# Used by ctest as the cross-compiling emulator. Inside scripts/wine-session.sh
# the session's prefix (BX_WINE_PREFIX) is taken instead, so that one build
# tree's tests run in the 32-bit or the 64-bit prefix alike. A prefix's first
# run makes it (scripts/setup.sh --prefix-only), once, even when ctest starts
# several tests at the same time.
set -e
. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
bx_wine_env "${BX_WINE_PREFIX:-$1}"
shift
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
