#!/usr/bin/env bash
# make-bound-lib.sh NM AS AR IMPORT_LIB DLL INDEX OUTPUT: writes OUTPUT, a library
# that stands in for mingw's plain 32-bit import library IMPORT_LIB of DLL in
# setup.exe. Each function's import slot starts empty and is listed, with the
# function's and the library's names, in the table that setup.exe fills at
# start-up (setup/import_binding_main_win.cpp) once it has narrowed the DLL
# search to the system folder; the loader, which looks beside the program
# first, never sees these libraries. One member per function, so that only the
# functions setup.exe calls take room in it.
set -euo pipefail
nm=$1
as=$2
ar=$3
implib=$4
dll=$5
index=$6
out=$7

stem=${dll%.dll}
work=$out.d
rm -rf "$work" "$out"
mkdir -p "$work"
# An entry: the slot, then the name's image-relative address with INDEX in its
# top byte. i686 symbols: __imp__Name@N (the slot) and _Name@N, whose exported name is
# Name; entries sort into the table by library (the linker orders .data\$
# sections by name, and the table's ends are .data\$bxi_0 and .data\$bxi_zzz).
"$nm" "$implib" | sed -n 's/^.* I __imp__//p' | sort -u | awk -v stem="$stem" -v lib_index="$index" -v work="$work" '{
  name = $0; sub(/@[0-9]+$/, "", name)
  file = sprintf("%s/f%05d.s", work, NR)
  printf "  .section .data$bxi_%s,\"w\"\n  .balign 4\n  .globl \"__imp__%s\"\n\"__imp__%s\":\n  .long 0\n  .rva 1f + %d * 0x1000000\n", stem, $0, $0, lib_index > file
  printf "  .section .rdata$bxn,\"dr\"\n1:\n  .asciz \"%s\"\n", name > file
  # Calls to the function itself rather than through its slot; the
  # linker drops this when nothing makes them.
  printf "  .section .text$bxt,\"xr\"\n  .globl \"_%s\"\n\"_%s\":\n  jmp *\"__imp__%s\"\n", $0, $0, $0 > file
  close(file)
}'
(cd "$work" && ls ./*.s | xargs -n 64 sh -c 'for f; do "$0" -o "${f%.s}.o" "$f"; done' "$as")
(cd "$work" && ls ./*.o | xargs "$ar" qcs "$out")
rm -rf "$work"
