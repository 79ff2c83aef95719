#!/usr/bin/env bash
# Runs a command in an X server of its own with one wineserver kept up for the
# whole of it, so that each Windows program starts in a few hundredths of a
# second instead of seconds:
#
#   scripts/wine-session.sh PREFIX COMMAND [ARGS...]
#
# PREFIX may be a 32-bit or a 64-bit prefix (scripts/wine-env.sh); ctest's
# Windows tests run in it. The command sees WINEPREFIX, WINEARCH, DISPLAY and
# the usual WINE* settings. The
# server, and every Windows program still running, is ended afterwards, also
# when the command fails; the exit status is the command's.
set -uo pipefail

# The size of the prefix's desktop (desktop_size in scripts/setup.sh).
screen="-screen 0 1280x1024x24"

if [ -z "${BX_WINE_SESSION_DISPLAY:-}" ]; then
  exec env BX_WINE_SESSION_DISPLAY=1 xvfb-run -a -s "$screen" "$0" "$@"
fi
unset BX_WINE_SESSION_DISPLAY

. "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
bx_wine_env "$1"
shift
prefix=$WINEPREFIX
# ctest's runner (scripts/wine-run.sh) takes this prefix, not the build tree's.
export BX_WINE_PREFIX=$prefix

"$(dirname "${BASH_SOURCE[0]}")/setup.sh" --prefix-only "$prefix" || exit 1
# A server left by an interrupted run would still talk to its dead display.
wineserver -k 2>/dev/null
wineserver -w
trap 'wineserver -k 2>/dev/null; wineserver -w' EXIT
wineserver -p
# Wine's background services start with the first program and inherit its
# output: start them here, so that no pipe the command reads stays open.
wine cmd.exe /c exit </dev/null >/dev/null 2>&1
"$@"
