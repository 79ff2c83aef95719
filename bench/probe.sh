#!/usr/bin/env bash
# Measures per-file costs under Wine apart from any installer (bench/probe/
# file_probe.cpp), in the benchmark's Wine prefix with a warm wineserver:
#
#   bench/probe.sh [ROUNDS]       (default 5; medians are printed)
#
#   1. 5,000 files of 8 KiB in 10 x 10 folders (like many-small), with the
#      file date set on the writing handle, through a second open, or not at
#      all, and with the installer's two attribute tests added.
#   2. 4 files of 50 MiB (like few-large) written in pieces of 64 KiB, 1 MiB
#      and 50 MiB.
# Each round runs every case once, in turn, so that the machine's drift
# touches all alike. Every run writes into a new folder; all are deleted at
# the end (see clean in bench/run.sh for why).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
work=$root/build/bench
prefix=$work/wineprefix
rounds=${1:-5}

cases=(
  "create, write, close|5000 8192 65536 plain"
  "... + SetFileTime on that handle|5000 8192 65536 time"
  "... + second open for the time|5000 8192 65536 reopen"
  "... + two attribute tests|5000 8192 65536 checked"
  "4 x 50 MiB, WriteFile pieces of 64 KiB|4 52428800 65536 plain"
  "4 x 50 MiB, WriteFile pieces of 1 MiB|4 52428800 1048576 plain"
  "4 x 50 MiB, one WriteFile per file|4 52428800 52428800 plain"
)

if [ "${BX_PROBE_INNER:-}" = 1 ]; then
  probe=$work/file_probe.exe
  drive=$prefix/drive_c/probe
  rm -rf "$drive"
  mkdir -p "$drive"
  sync
  sleep 15
  results=$(mktemp)
  for round in $(seq 1 "$rounds"); do
    for i in "${!cases[@]}"; do
      read -r files size piece mode <<<"${cases[$i]#*|}"
      sync
      ms=$(wine "$probe" "C:\\probe\\$round-$i" "$files" "$size" "$piece" "$mode" </dev/null | tr -d '\r')
      printf '%s %s %s\n' "$i" "$files" "$ms" >>"$results"
    done
  done
  rm -rf "$drive"
  for i in "${!cases[@]}"; do
    awk -v i="$i" '$1 == i { print $3, $2 }' "$results" | sort -n | awk -v name="${cases[$i]%%|*}" '
      { t[NR] = $1; files = $2 } END { m = t[int((NR + 1) / 2)];
        printf "  %-40s %8.1f ms %9.1f us/file   (%s .. %s)\n", name, m, m * 1000 / files, t[1], t[NR] }'
  done
  rm -f "$results"
  exit 0
fi

mkdir -p "$work"
i686-w64-mingw32-g++-posix -O2 -municode -static -Wall -Wextra -Werror \
  -o "$work/file_probe.exe" "$root/bench/probe/file_probe.cpp"
bash "$root/scripts/setup.sh" --prefix-only "$prefix" >&2
echo "file_probe, median of $rounds rounds (min .. max):"
BX_PROBE_INNER=1 "$root/scripts/wine-session.sh" "$prefix" "${BASH_SOURCE[0]}" "$rounds"
