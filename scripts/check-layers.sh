#!/usr/bin/env bash
# Fails when a file under src/ includes a header of a folder above its own.
# The order is BX_FOLDERS of src/CMakeLists.txt, lowest first; a file may
# include its own folder and the folders below it.
#
#   scripts/check-layers.sh [SRC_DIR]   (default: the src/ beside this script)
set -uo pipefail

src=${1:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../src" && pwd)}
order=$(sed -n 's/^set(BX_FOLDERS \(.*\))$/\1/p' "$src/CMakeLists.txt")
if [ -z "$order" ]; then
  echo "check-layers: no BX_FOLDERS list in $src/CMakeLists.txt" >&2
  exit 2
fi

declare -A rank
i=0
for folder in $order; do
  rank[$folder]=$i
  i=$((i + 1))
done

wrong=0
for folder in $order; do
  [ -d "$src/$folder" ] || continue
  while IFS=: read -r file line text; do
    target=$(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^/"]*\)\/.*/\1/p' <<<"$text")
    [ -n "$target" ] || continue
    [ -n "${rank[$target]:-}" ] || continue   # not a layer (e.g. testkit, gtest)
    if [ "${rank[$target]}" -gt "${rank[$folder]}" ]; then
      echo "${file#"$src"/}:$line: $folder includes $target, a layer above it: $text"
      wrong=$((wrong + 1))
    fi
  done < <(grep -rn --include='*.h' --include='*.cpp' -E '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$src/$folder")
done

if [ "$wrong" -gt 0 ]; then
  echo "check-layers: $wrong include(s) against the layer order: $order" >&2
  exit 1
fi
echo "check-layers: every include follows the layer order"
