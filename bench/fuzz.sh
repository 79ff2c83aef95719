#!/usr/bin/env bash
# Runs every fuzz target for SECONDS each (default 60) and prints, per
# target, the executions, the coverage reached and the findings; the exit
# status is non-zero when any target found something.
#
#   bench/fuzz.sh            60 s per target
#   bench/fuzz.sh 10         the short pass of scripts/test.sh
# The fuzz preset is configured and built first; the seed corpora are made
# by make_seeds from the sample products. Each target keeps its corpus in
# build/fuzz/corpus/<target>, so that later runs start where earlier ones
# ended; crashing inputs land in build/fuzz/findings/<target>.
set -uo pipefail

seconds=${1:-60}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root" || exit 1
tree=build/fuzz
jobs=${BX_JOBS:-2}

cmake --preset fuzz --log-level=WARNING >/dev/null && cmake --build --preset fuzz -j "$jobs" -- --quiet || exit 1
"$tree/fuzz/make_seeds" samples "$tree/seeds" >/dev/null || exit 1

total=0
found=0
printf '%-16s %12s %8s %8s %s\n' target executions coverage features findings
for program in "$tree"/fuzz/fuzz_*; do
  target=${program##*/fuzz_}
  corpus=$tree/corpus/$target
  findings=$tree/findings/$target
  mkdir -p "$corpus" "$findings"
  seeds=()
  [ -d "$tree/seeds/$target" ] && seeds=("$tree/seeds/$target")
  log=$tree/findings/$target.log
  # One process, no forking: a finding ends the run with its input saved.
  "$program" -max_total_time="$seconds" ${BX_FUZZ_SEED:+-seed="$BX_FUZZ_SEED"} -timeout=10 -rss_limit_mb=2048 -max_len=262144 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$corpus" "${seeds[@]}" >"$log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  artifacts=$(find "$findings" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o \
    -name 'oom-*' -o -name 'slow-unit-*' \) | wc -l)
  if [ "$status" != 0 ]; then
    found=1
    printf '%-16s %12s %8s %8s FOUND (exit %s, %s inputs in %s; see %s)\n' "$target" "${runs:-?}" "${cov:-?}" \
      "${ft:-?}" "$status" "$artifacts" "$findings" "$log"
  else
    printf '%-16s %12s %8s %8s none\n' "$target" "${runs:-?}" "${cov:-?}" "${ft:-?}"
  fi
  total=$((total + ${runs:-0}))
done
printf '%-16s %12s\n' all "$total"
exit "$found"
