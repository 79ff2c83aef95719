#!/usr/bin/env bash
# Builds and tests everything, as CI does:
#   1. scripts/setup.sh (packages, Wine prefix), and the layering check
#      (scripts/check-layers.sh: no file includes a folder above its own)
#   2. configure and build the host, host-asan and win32 presets
#   3. host and host-asan unit tests, then the Windows tests under Wine in an
#      X server of their own (xvfb-run), with one wineserver kept up for the run:
#      every one in the 32-bit prefix, then those labelled "wow64" (the programs
#      that meet folders, the registry or components) again in the 64-bit prefix
#   4. a short fuzz pass: every fuzz target for 10 s (bench/fuzz.sh)
# Every step runs even when an earlier one failed, so one report shows all
# that is broken; the exit status is non-zero when anything failed.
#
#   scripts/test.sh            everything
#   BX_JOBS=4 scripts/test.sh  more build jobs (default 2)
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
jobs=${BX_JOBS:-2}

summary=()
failed=0

# step NAME COMMAND...: runs, times and records one step.
step() {
  local name=$1 start=$SECONDS status=ok
  shift
  printf '\n==> %s\n' "$name"
  "$@" || status=FAILED
  [ "$status" = ok ] || failed=1
  summary+=("$(printf '%-18s %-7s %5ds' "$name" "$status" $((SECONDS - start)))")
  [ "$status" = ok ]
}

# A compiler cache: clones of the same tree (a CI run after a session) compile
# only what differs. Paths are kept relative to the tree, so one cache serves
# every clone on the machine.
if command -v ccache >/dev/null 2>&1; then
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache CCACHE_BASEDIR="$root"
fi

build() {
  cmake --preset "$1" --log-level=WARNING >/dev/null &&
    cmake --build --preset "$1" -j "$jobs" -- --quiet
}

win32_tests() {
  scripts/wine-session.sh build/win32/wineprefix ctest --preset win32 </dev/null
}

# The same build's tests on 64-bit Windows, where our 32-bit programs meet
# WoW64 (scripts/wine-env.sh).
win64_tests() {
  scripts/wine-session.sh build/win32/wineprefix64 ctest --preset win32 -L wow64 </dev/null
}

print_summary() {
  printf '\n==> summary (%ds in all)\n' "$SECONDS"
  printf '  %s\n' "${summary[@]}"
  if [ "$failed" = 0 ]; then echo "ALL PASSED"; else echo "FAILED"; fi
}

if ! step "setup" bash scripts/setup.sh; then
  print_summary
  exit 1
fi
step "layering" bash -c 'scripts/check-layers-test.sh && scripts/check-layers.sh'
declare -A built
for preset in host host-asan win32; do
  step "build $preset" build "$preset" && built[$preset]=1
done
for preset in host host-asan win32; do
  if [ -z "${built[$preset]:-}" ]; then
    summary+=("$(printf '%-18s %-7s' "test $preset" skipped) (no build)")
  elif [ "$preset" = win32 ]; then
    step "test win32 32-bit" win32_tests
    step "test win32 64-bit" win64_tests
  else
    step "test $preset" ctest --preset "$preset" -j "$jobs" </dev/null
  fi
done
# A fixed seed: the short pass explores the same paths on every run, so a red
# run is a change's doing, not chance; bench/fuzz.sh alone explores anew.
step "fuzz" env BX_FUZZ_SEED="${BX_FUZZ_SEED:-1}" bash bench/fuzz.sh "${BX_FUZZ_SECONDS:-10}"
print_summary
exit "$failed"
