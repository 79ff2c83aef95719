# Sourced by the Wine helpers: bx_wine_env PREFIX exports the settings every
# Windows program of the tests runs with. A prefix whose folder name ends in
# "64" (build/win32/wineprefix64) is a 64-bit one, in which our 32-bit
# programs run as on 64-bit Windows (WoW64); any other is a 32-bit one.
# Wine refuses a WINEARCH that differs from an existing prefix's, and picks
# win64 for a new one once wine64 is installed, so it is always set.
bx_wine_env() {
  local prefix=${1%/}
  case "$prefix" in /*) ;; *) prefix=$PWD/$prefix ;; esac  # Wine takes absolute prefixes only
  export WINEPREFIX=$prefix
  case "$prefix" in *64) WINEARCH=win64 ;; *) WINEARCH=win32 ;; esac
  export WINEARCH
  export WINEDEBUG=${WINEDEBUG:--all} WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
}
