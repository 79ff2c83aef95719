#!/usr/bin/env bash
# Shows that scripts/check-layers.sh catches what it is for: a small source
# tree that follows the order passes, the same tree with one include of a
# higher layer fails and names the file.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

mkdir -p "$tree/core" "$tree/records" "$tree/setup"
echo 'set(BX_FOLDERS core records setup)' >"$tree/CMakeLists.txt"
printf '#include "core/string.h"\n#include <gtest/gtest.h>\n' >"$tree/records/log.cpp"
printf '#include "records/log.h"\n#include "core/a.h"\n' >"$tree/setup/run.cpp"

failed=0
if ! "$here/check-layers.sh" "$tree" >/dev/null; then
  echo "check-layers-test: a tree that follows the order was refused" >&2
  failed=1
fi
printf '#include "setup/install_state.h"\n' >>"$tree/records/log.cpp"
if output=$("$here/check-layers.sh" "$tree" 2>&1); then
  echo "check-layers-test: an include of a higher layer was let through" >&2
  failed=1
elif ! grep -q '^records/log.cpp:3: records includes setup' <<<"$output"; then
  echo "check-layers-test: the wrong include was not named: $output" >&2
  failed=1
fi
[ "$failed" = 0 ] && echo "check-layers-test: passed"
exit "$failed"
