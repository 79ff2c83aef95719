#!/usr/bin/env bash
# Fails when a file includes a header of a folder it may not depend on.
#
#   src/<layer>    The layers are BX_FOLDERS of src/CMakeLists.txt, lowest
#                  first. A file includes its own folder and the folders
#                  below it, never builder/, e2e/ or any folder of tests/.
#                  Test files (*_test.cpp, *_wintest.cpp, *_wintest.h,
#                  *_test_util.h) may also include testkit/, the Windows test
#                  driver, which depends on no layer; other files may not.
#                  A src/ test that needs the builder lives in tests/.
#   tools/builder  builder/ and the layers up to actions/ (the portable rules
#                  it checks a manifest by): never wizard/, uninstall/,
#                  setup/, nor testkit/ or e2e/. Its tests alike.
#   tests/testkit  testkit/ and core/ only: every Windows test links it.
#   tests/e2e, tests/wizard and the other tests/ folders sit above
#                  everything and may include any of it.
#
#   scripts/check-layers.sh [ROOT]   (default: the checkout holding this script)
set -uo pipefail

root=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
tools_ceiling=actions
testkit_ceiling=core

order=$(sed -n 's/^set(BX_FOLDERS \(.*\))$/\1/p' "$root/src/CMakeLists.txt" 2>/dev/null)
if [ -z "$order" ]; then
  echo "check-layers: no BX_FOLDERS list in $root/src/CMakeLists.txt" >&2
  exit 2
fi

declare -A rank
i=0
for folder in $order; do
  rank[$folder]=$i
  i=$((i + 1))
done
for ceiling in "$tools_ceiling" "$testkit_ceiling"; do
  if [ -z "${rank[$ceiling]:-}" ]; then
    echo "check-layers: $ceiling is not a layer of BX_FOLDERS: $order" >&2
    exit 2
  fi
done

is_test_file() {
  case "$1" in
    *_test.cpp | *_wintest.cpp | *_wintest.h | *_test_util.h) return 0 ;;
  esac
  return 1
}

# Prints the wrong includes of the files below $1 (as "file:line:text"
# lines on stdin); $2 names the area, $3 the highest layer it may include,
# $4 its own folder name besides the layers (empty for src/ layers).
wrong=0
check_area() {
  local dir=$1 area=$2 ceiling=$3 own=$4
  local file line text target reason
  while IFS=: read -r file line text; do
    target=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^/"]*\)\/.*/\1/p' <<<"$text")
    [ -n "$target" ] || continue
    reason=
    if [ -n "${rank[$target]:-}" ]; then
      [ "${rank[$target]}" -gt "${rank[$ceiling]}" ] && reason="a layer above $ceiling"
    elif [ "$target" = "$own" ]; then
      :
    elif [ "$target" = testkit ]; then
      if [ -n "$own" ] || ! is_test_file "$file"; then reason="the test driver, for src/ test files only"; fi
    elif [ "$target" = builder ] || [ "$target" = e2e ] || [ -d "$root/tests/$target" ]; then
      reason="a folder above every layer"
    fi
    if [ -n "$reason" ]; then
      echo "${file#"$root"/}:$line: $area includes $target, $reason: $text"
      wrong=$((wrong + 1))
    fi
  done < <(grep -rn --include='*.h' --include='*.cpp' -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$dir")
}

for folder in $order; do
  [ -d "$root/src/$folder" ] && check_area "$root/src/$folder" "$folder" "$folder" ""
done
[ -d "$root/tools/builder" ] && check_area "$root/tools/builder" builder "$tools_ceiling" builder
[ -d "$root/tests/testkit" ] && check_area "$root/tests/testkit" testkit "$testkit_ceiling" testkit

if [ "$wrong" -gt 0 ]; then
  echo "check-layers: $wrong include(s) against the layer order: $order" >&2
  exit 1
fi
echo "check-layers: every include follows the layer order ($order; tools/builder up to $tools_ceiling)"
