#!/usr/bin/env bash
# Shows that scripts/check-layers.sh catches what it is for: a small checkout
# that follows the order passes; the same checkout with one wrong include
# fails and names the file, for each kind of file the check covers: a src/
# layer, a src/ test file, the builder in tools/, and the testkit.
set -uo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

mkdir -p "$tree/src/core" "$tree/src/records" "$tree/src/wizard" "$tree/src/setup" \
         "$tree/tools/builder" "$tree/tests/testkit" "$tree/tests/e2e"
echo 'set(BX_FOLDERS core records actions wizard setup)' >"$tree/src/CMakeLists.txt"
printf '#include "core/string.h"\n#include <gtest/gtest.h>\n' >"$tree/src/records/log.cpp"
printf '#include "records/log.h"\n#include "core/a.h"\n' >"$tree/src/setup/run.cpp"
printf '#include "wizard/pages.h"\n#include "testkit/testkit.h"\n' >"$tree/src/wizard/pages_wintest.cpp"
printf '#include "builder/product.h"\n#include "records/log.h"\n' >"$tree/tools/builder/product.cpp"
printf '#include "testkit/wait.h"\n#include "core/string.h"\n' >"$tree/tests/testkit/process_win.cpp"
printf '#include "builder/product.h"\n#include "setup/run.h"\n#include "testkit/testkit.h"\n' \
  >"$tree/tests/e2e/entry_wintest.cpp"

failed=0
if ! output=$("$here/check-layers.sh" "$tree" 2>&1); then
  echo "check-layers-test: a checkout that follows the order was refused: $output" >&2
  failed=1
fi

# Appends the include to the file, expects the check to fail naming it, and
# takes the include out again.
expect_refused() {
  local file=$1 include=$2 named=$3 output
  cp "$tree/$file" "$tree/$file.keep"
  printf '#include "%s"\n' "$include" >>"$tree/$file"
  if output=$("$here/check-layers.sh" "$tree" 2>&1); then
    echo "check-layers-test: $file including $include was let through" >&2
    failed=1
  elif ! grep -q "^$named" <<<"$output"; then
    echo "check-layers-test: $file including $include was not named ($named): $output" >&2
    failed=1
  fi
  mv "$tree/$file.keep" "$tree/$file"
}

expect_refused src/records/log.cpp setup/install_state.h 'src/records/log.cpp:3: records includes setup'
expect_refused src/wizard/pages_wintest.cpp builder/default_messages.h \
  'src/wizard/pages_wintest.cpp:3: wizard includes builder'
expect_refused src/wizard/pages_wintest.cpp setup/run.h 'src/wizard/pages_wintest.cpp:3: wizard includes setup'
expect_refused src/records/log.cpp testkit/files.h 'src/records/log.cpp:3: records includes testkit'
expect_refused tools/builder/product.cpp wizard/dib.h 'tools/builder/product.cpp:3: builder includes wizard'
expect_refused tools/builder/product.cpp testkit/testkit.h 'tools/builder/product.cpp:3: builder includes testkit'
expect_refused tests/testkit/process_win.cpp records/log.h 'tests/testkit/process_win.cpp:3: testkit includes records'

[ "$failed" = 0 ] && echo "check-layers-test: passed"
exit "$failed"
