#!/usr/bin/env bash
# Builder benchmark: builds the standard payloads' installers with
# setup-builder (on one core, two and every core) and with makensis (zlib) in
# the same run, and prints the medians of seconds, CPU, MiB/s, peak memory,
# output size and speed against makensis side by side, under the machine's
# facts, then the size of setup.exe before any package beside NSIS's zlib
# stub. Not a test: nothing here runs in ctest.
#
#   bench/builder.sh [-n RUNS] [PAYLOAD...]     default: many-small few-large sample
#
# Payloads come from build/bench/payloads (bench/run.sh makes them; this
# script makes them the same way when they are missing). The payload
# "large-600" is few-large three times over (600 MiB, hard links, made for
# the run and removed after it): the builder's memory must not grow with it.
# The payload "sample" is the sample product (samples/sample-product).
# With osslsigncode and openssl installed, each payload is also built with
# --sign (a self-signed certificate made for the run): signing must not hold
# the installer in memory either.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
. "$root/bench/shared-dir.sh"
. "$root/bench/machine.sh"
shared=$(bench_shared_dir "$root")
runs=1
if [ "${1:-}" = "-n" ]; then runs=$2; shift 2; fi
payloads=("$@")
[ ${#payloads[@]} -gt 0 ] || payloads=(many-small few-large sample)
builder=$root/build/host/setup-builder
stub=$root/build/win32/setup.exe
payload_dir=$root/build/bench/payloads
out=$root/build/bench/builder
for needed in "$builder" "$stub"; do
  [ -x "$needed" ] || [ -f "$needed" ] || { echo "builder.sh: build $needed first" >&2; exit 1; }
done
for payload in "${payloads[@]}" few-large; do
  [ -f "$payload_dir/$payload.sha256" ] || [ "$payload" = large-600 ] || [ "$payload" = sample ] && continue
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
# The sample product builds from its own manifest; NSIS packs its files.
source_of() { if [ "$1" = sample ]; then echo "$root/samples/sample-product/files"; else echo "$payload_dir/$1"; fi; }
manifest_of() { if [ "$1" = sample ]; then echo "$root/samples/sample-product/manifest.toml"; else echo "$out/$1.toml"; fi; }
# Our builder on one core, on two and on every core (the default), beside
# makensis, which compresses on one.
cores=$(nproc)
tools=(setup-builder-j1 setup-builder-j2)
[ "$cores" -le 2 ] || tools+=("setup-builder-j$cores")
if command -v osslsigncode >/dev/null && command -v openssl >/dev/null; then
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=Bastionix-Bench \
    -keyout "$out/key.pem" -out "$out/cert.pem" >/dev/null 2>&1
  sign="osslsigncode sign -certs $out/cert.pem -key $out/key.pem -in {file} -out {file}.s >/dev/null && mv {file}.s {file}"
  tools+=(setup-builder--sign)
fi
tools+=(makensis-zlib)

# "seconds user system peak-KiB" of a command, its output discarded.
measure() { /usr/bin/time -f "%e %U %S %M" -o "$out/time" "$@" >/dev/null 2>&1 && cat "$out/time"; }

# exe_of PAYLOAD TOOL: the installer TOOL builds.
exe_of() {
  case $2 in
    setup-builder-j*) echo "$out/$1-ours.exe" ;;
    setup-builder--sign) echo "$out/$1-signed.exe" ;;
    *) echo "$out/$1-nsis.exe" ;;
  esac
}

# build PAYLOAD TOOL: one build, measured.
build() {
  local exe
  exe=$(exe_of "$1" "$2")
  case $2 in
    setup-builder-j*) measure "$builder" "$(manifest_of "$1")" -o "$exe" --stub "$stub" --jobs "${2#setup-builder-j}" ;;
    setup-builder--sign) measure "$builder" "$(manifest_of "$1")" -o "$exe" --stub "$stub" --sign "$sign" ;;
    *) measure "$shared/nsis-make.sh" "$(source_of "$1")" zlib "$exe" ;;
  esac
}

facts=$(machine_facts)
results=$out/results.tsv
: >"$results"
for payload in "${payloads[@]}"; do
  source=$(source_of "$payload")
  [ "$payload" = sample ] ||
    sed -e "s|@PAYLOAD@|$payload|g; s|@BLOCK_SIZE@|1048576|; s|@FILE_DATA@|inside|; s|@SOURCE@|$source|" \
      "$root/bench/manifests/bench.toml.in" >"$out/$payload.toml"
  # Runs alternate between the tools, so that a change in the machine's load
  # falls on all of them alike.
  for ((i = 0; i < runs; i++)); do
    for tool in "${tools[@]}"; do
      read -r seconds user system peak <<<"$(build "$payload" "$tool")"
      printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$payload" "$(du -sb --apparent-size "$source" | cut -f1)" "$tool" "$seconds" "$user" \
        "$system" "$peak" "$(stat -c %s "$(exe_of "$payload" "$tool")")" >>"$results"
      printf 'builder.sh: %s %s run %d: %s s\n' "$payload" "$tool" $((i + 1)) "$seconds" >&2
    done
  done
done

printf '%s\n' "$facts"
printf 'setup-builder of %s; median of %d runs\n\n' "$(git -C "$root" describe --always --dirty)" "$runs"
python3 - "$results" <<'PY'
import statistics, sys
rows = {}
for line in open(sys.argv[1]):
    payload, size, tool, secs, user, system, peak, out = line.split("\t")
    rows.setdefault((payload, int(size)), {}).setdefault(tool, []).append(
        (float(secs), float(user) + float(system), int(peak) / 1024, int(out) / 1024))
print("%-22s %-20s %8s %7s %9s %9s %12s %8s" % (
    "payload", "tool", "seconds", "cpu s", "MiB/s", "peak MiB", "out KiB", "speed"))
for (payload, size), tools in rows.items():
    median = {t: [statistics.median(r[i] for r in runs) for i in range(4)] for t, runs in tools.items()}
    nsis = median.get("makensis-zlib")
    for tool, (secs, cpu, peak, out) in median.items():
        speed = "%.2fx" % (nsis[0] / secs) if nsis and secs > 0 else "-"
        print("%-22s %-20s %8.2f %7.2f %9.1f %9.1f %12s %8s" % (
            payload + " (%.1f MiB)" % (size / 1048576) if size >= 1048576 else payload, tool, secs, cpu,
            size / 1048576 / secs if secs > 0 else 0, peak, "{:,.0f}".format(out), speed))
print()
print("seconds: wall time; cpu s: user + system; speed: makensis's seconds / the tool's (above 1: faster).")
print("setup-builder-jN: --jobs N; setup-builder--sign: every core, signed (peak: osslsigncode's).")
PY
nsis_stub=/usr/share/nsis/Stubs/zlib-x86-unicode
printf '\nsetup.exe before any package: %d KiB (NSIS zlib x86-unicode stub: %d KiB)\n' \
  $(($(stat -c %s "$stub") / 1024)) $(($(stat -c %s "$nsis_stub") / 1024))
