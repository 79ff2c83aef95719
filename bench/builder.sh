#!/usr/bin/env bash
# Builder benchmark: builds the standard payloads' installers with
# setup-builder and with makensis (zlib) in the same run, and prints seconds,
# MiB/s and peak memory side by side, then the size of setup.exe before any
# package beside NSIS's zlib stub. Not a test: nothing here runs in ctest.
#
#   bench/builder.sh [-n RUNS] [PAYLOAD...]     default: many-small few-large
#
# Payloads come from build/bench/payloads (bench/run.sh makes them; this
# script makes them the same way when they are missing). The payload
# "large-600" is few-large three times over (600 MiB, hard links, made for
# the run and removed after it): the builder's memory must not grow with it.
# With osslsigncode and openssl installed, each payload is also built with
# --sign (a self-signed certificate made for the run): signing must not hold
# the installer in memory either.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/bench/shared-dir.sh"
shared=$(bench_shared_dir "$root")
runs=1
if [ "${1:-}" = "-n" ]; then runs=$2; shift 2; fi
payloads=("$@")
[ ${#payloads[@]} -gt 0 ] || payloads=(many-small few-large)
builder=$root/build/host/setup-builder
stub=$root/build/win32/setup.exe
payload_dir=$root/build/bench/payloads
out=$root/build/bench/builder
for needed in "$builder" "$stub"; do
  [ -x "$needed" ] || [ -f "$needed" ] || { echo "builder.sh: build $needed first" >&2; exit 1; }
done
for payload in "${payloads[@]}" few-large; do
  [ -f "$payload_dir/$payload.sha256" ] || [ "$payload" = large-600 ] && continue
  mkdir -p "$payload_dir"
  "$shared/payload-gen.sh" "$payload_dir" >&2
  break
done
if [[ " ${payloads[*]} " == *" large-600 "* ]]; then
  rm -rf "$payload_dir/large-600"
  trap 'rm -rf "$payload_dir/large-600"' EXIT
  for copy in 1 2 3; do
    mkdir -p "$payload_dir/large-600/$copy"
    cp -al "$payload_dir/few-large/." "$payload_dir/large-600/$copy/"
  done
fi
mkdir -p "$out"
tools=(setup-builder makensis-zlib)
if command -v osslsigncode >/dev/null && command -v openssl >/dev/null; then
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Bastionix-Bench \
    -keyout "$out/key.pem" -out "$out/cert.pem" >/dev/null 2>&1
  sign="osslsigncode sign -certs $out/cert.pem -key $out/key.pem -in {file} -out {file}.s >/dev/null && mv {file}.s {file}"
  tools=(setup-builder setup-builder--sign makensis-zlib)
fi

# "seconds peak-KiB" of a command, its output discarded.
measure() { /usr/bin/time -f "%e %M" -o "$out/time" "$@" >/dev/null 2>&1 && cat "$out/time"; }
mib() { du -sb --apparent-size "$1" | awk '{ printf "%.1f", $1 / 1048576 }'; }

printf '%-12s %-22s %8s %9s %10s %10s\n' payload tool seconds MiB/s "peak MiB" "out MiB"
for payload in "${payloads[@]}"; do
  source=$payload_dir/$payload
  size=$(mib "$source")
  sed -e "s|@PAYLOAD@|$payload|g; s|@BLOCK_SIZE@|1048576|; s|@FILE_DATA@|inside|; s|@SOURCE@|$source|" \
    "$root/bench/manifests/bench.toml.in" >"$out/$payload.toml"
  for tool in "${tools[@]}"; do
    for ((i = 0; i < runs; i++)); do
      if [ "$tool" = setup-builder ]; then
        result=$(measure "$builder" "$out/$payload.toml" -o "$out/$payload-ours.exe" --stub "$stub")
        exe=$out/$payload-ours.exe
      elif [ "$tool" = setup-builder--sign ]; then
        result=$(measure "$builder" "$out/$payload.toml" -o "$out/$payload-signed.exe" --stub "$stub" --sign "$sign")
        exe=$out/$payload-signed.exe
      else
        result=$(measure "$shared/nsis-make.sh" "$source" zlib "$out/$payload-nsis.exe")
        exe=$out/$payload-nsis.exe
      fi
      read -r seconds peak <<<"$result"
      awk -v p="$payload" -v t="$tool" -v s="$seconds" -v m="$size" -v k="$peak" -v o="$(mib "$exe")" \
        'BEGIN { printf "%-12s %-22s %8.2f %9.1f %10.1f %10s\n", p, t, s, (s > 0 ? m / s : 0), k / 1024, o }'
    done
  done
done
nsis_stub=/usr/share/nsis/Stubs/zlib-x86-unicode
printf '\nsetup.exe before any package: %d KiB (NSIS zlib x86-unicode stub: %d KiB)\n' \
  $(($(stat -c %s "$stub") / 1024)) $(($(stat -c %s "$nsis_stub") / 1024))
