#!/usr/bin/env bash
# Installs the benchmark payloads silently under Wine with our installer and
# with NSIS, and prints seconds, MiB/s and peak memory side by side.
#
#   bench/run.sh [options]
#
#   -n, --runs N           timed runs per installer and payload (default 3,
#                          or $BX_BENCH_RUNS); the median is reported
#   -p, --payload NAME     many-small, few-large or tiny (repeatable; default
#                          many-small and few-large)
#   --only ours|nsis       time one installer only
#   --block-size BYTES     our package's file-data block size (default 1048576)
#   --file-data inside|after   where our package keeps its file data (default inside)
#   --host-dir DIR         host build tree with setup-builder (default build/host)
#   --win32-dir DIR        win32 build tree with setup.exe (default build/win32)
#   --no-build             use the build trees as they are
#   --no-build-host        build only the win32 tree (the CMake target's way)
#   --ram                  install into memory (/dev/shm) instead of the disk:
#                          the installers' own costs without the file system's
#   --trace CHANNELS       one extra, untimed run of ours per payload with
#                          WINEDEBUG=CHANNELS, its output in build/bench/trace-*.txt
#
# Options may also come from $BX_BENCH_ARGS, ahead of the command line's (the
# CMake target `bench` takes them that way):
#   BX_BENCH_ARGS="-n 5" cmake --build --preset host --target bench
#
# Everything it makes lives in build/bench: payloads (made once, about three
# CPU-minutes), installers (rebuilt when setup.exe, setup-builder, the manifest
# or the payload change), a Wine prefix of its own and the results.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
bench=$root/bench
shared=${BX_BENCH_SHARED:-/work/shared/bench}
work=$root/build/bench
prefix=$work/wineprefix
python=/usr/bin/python3

say() { printf 'bench: %s\n' "$*" >&2; }
die() { say "$*"; exit 1; }

usage() { sed -n '2,/^set -euo/p' "${BASH_SOURCE[0]}" | sed '$d; s/^# \{0,1\}//'; }

# ---------------------------------------------------------------- options ----
if [ -n "${BX_BENCH_ARGS:-}" ]; then
  read -ra extra <<<"$BX_BENCH_ARGS"
  set -- "${extra[@]}" "$@"
  unset BX_BENCH_ARGS
fi
runs=${BX_BENCH_RUNS:-3}
payloads=()
only=""
block_size=1048576
file_data=inside
host_dir=$root/build/host
win32_dir=$root/build/win32
build_host=1
build_win32=1
trace=""
ram=0
inner=0

while [ $# -gt 0 ]; do
  case $1 in
    -n|--runs) runs=${2:?}; shift ;;
    -p|--payload) payloads+=("${2:?}"); shift ;;
    --only) only=${2:?}; shift ;;
    --block-size) block_size=${2:?}; shift ;;
    --file-data) file_data=${2:?}; shift ;;
    --host-dir) host_dir=$(realpath -m "${2:?}"); shift ;;
    --win32-dir) win32_dir=$(realpath -m "${2:?}"); shift ;;
    --no-build) build_host=0; build_win32=0 ;;
    --no-build-host) build_host=0 ;;
    --trace) trace=${2:?}; shift ;;
    --ram) ram=1 ;;
    --inner) inner=1 ;;
    -h|--help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
  shift
done
[ ${#payloads[@]} -gt 0 ] || payloads=(many-small few-large)
case $runs in ''|*[!0-9]*|0) die "--runs takes a positive number" ;; esac
case $only in ''|ours|nsis) ;; *) die "--only takes ours or nsis" ;; esac
case $file_data in inside|after) ;; *) die "--file-data takes inside or after" ;; esac
for p in "${payloads[@]}"; do
  case $p in many-small|few-large|tiny) ;; *) die "unknown payload $p" ;; esac
done
installers=(ours nsis)
[ -z "$only" ] || installers=("$only")

builder=$host_dir/setup-builder
stub=$win32_dir/setup.exe
payload_dir=$work/payloads
installer_dir=$work/installers

# Windows install folders, and where Wine keeps them.
win_folder() { printf 'C:\\bench\\%s-%s' "$1" "$2"; }
unix_folder() { printf '%s/drive_c/bench/%s-%s' "$prefix" "$1" "$2"; }
trash=$prefix/drive_c/bench-trash
# With --ram, C:\bench is a link to this folder in memory.
ram_folder=/dev/shm/bastionix-bench-$(id -u)
product_name() { printf 'Bastionix Bench %s' "$1"; }
uninstall_key_name() { printf 'BastionixBench-%s' "$1"; }
# Our installers with other package options than the default are kept apart.
variant=""
[ "$block_size" = 1048576 ] || variant+="-b$block_size"
[ "$file_data" = inside ] || variant+="-$file_data"
installer_exe() {
  if [ "$1" = ours ]; then
    printf '%s/ours-%s%s.exe' "$installer_dir" "$2" "$variant"
  else
    printf '%s/%s-%s.exe' "$installer_dir" "$1" "$2"
  fi
}

# ------------------------------------------------------------------ build ----
# build_tree DIR PRESET TARGET: configures DIR from PRESET when it has no
# cache yet, then builds TARGET in it.
build_tree() {
  local dir=$1 preset=$2 target=$3
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    (cd "$root" && cmake --preset "$preset" -B "$dir" --log-level=WARNING >/dev/null)
  fi
  say "building $target in ${dir#"$root"/}"
  cmake --build "$dir" --target "$target" -j 2 -- --quiet
}

# --------------------------------------------------------------- payloads ----
# The payloads depend only on payload-gen.sh (fixed seeds) and Python: a
# stamp of both lets a rerun skip the generator.
payload_stamp() {
  { sha256sum "$shared/payload-gen.sh" | cut -d' ' -f1; "$python" --version; } | tr '\n' ' '
}

make_payloads() {
  local stamp
  stamp=$(payload_stamp)
  if [ -f "$payload_dir/.stamp" ] && [ "$(cat "$payload_dir/.stamp")" = "$stamp" ]; then
    return 0
  fi
  say "generating the payloads (about three CPU-minutes, once)"
  rm -rf "$payload_dir.tmp"
  PATH=$(dirname "$python"):$PATH "$shared/payload-gen.sh" "$payload_dir.tmp" >&2
  make_tiny "$payload_dir.tmp"
  printf '%s' "$stamp" >"$payload_dir.tmp/.stamp"
  rm -rf "$payload_dir"
  mv "$payload_dir.tmp" "$payload_dir"
}

# A few small files for a quick check and for the memory baseline.
make_tiny() {
  "$python" - "$1" <<'PY'
import hashlib, os, random, sys
root = os.path.join(sys.argv[1], "tiny")
rng, lines = random.Random(7), []
for i in range(12):
    name = "sub%d/t%02d.bin" % (i % 3, i)
    data = rng.randbytes(rng.randint(1, 64 << 10))
    os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
    with open(os.path.join(root, name), "wb") as f:
        f.write(data)
    lines.append("%s  %s\n" % (hashlib.sha256(data).hexdigest(), name))
with open(os.path.join(sys.argv[1], "tiny.sha256"), "w") as f:
    f.writelines(lines)
PY
}

payload_bytes() { du -sb --apparent-size "$payload_dir/$1" | cut -f1; }

# ------------------------------------------------------------- installers ----
# up_to_date EXE KEY: EXE exists and was made from inputs with this KEY.
up_to_date() { [ -f "$1" ] && [ -f "$1.key" ] && [ "$(cat "$1.key")" = "$2" ]; }

make_ours() {
  local payload=$1 exe manifest key
  exe=$(installer_exe ours "$payload")
  manifest=$work/manifests/$payload$variant.toml
  mkdir -p "$work/manifests" "$installer_dir"
  sed -e "s|@PAYLOAD@|$payload|g" -e "s|@SOURCE@|$payload_dir/$payload|g" \
      -e "s|@BLOCK_SIZE@|$block_size|g" -e "s|@FILE_DATA@|$file_data|g" \
      "$bench/manifests/bench.toml.in" >"$manifest"
  key=$(cat "$stub" "$builder" "$manifest" "$payload_dir/.stamp" | sha256sum | cut -d' ' -f1)
  up_to_date "$exe" "$key" && return 0
  say "building $(basename "$exe")"
  "$builder" "$manifest" -o "$exe" --stub "$stub" >&2
  printf '%s' "$key" >"$exe.key"
}

make_nsis() {
  local payload=$1 exe key
  exe=$(installer_exe nsis "$payload")
  mkdir -p "$installer_dir"
  key=$(cat "$shared/nsis-make.sh" "$payload_dir/.stamp" | sha256sum | cut -d' ' -f1)
  key="$key $(makensis -VERSION)"
  up_to_date "$exe" "$key" && return 0
  say "building nsis-$payload.exe (zlib)"
  "$shared/nsis-make.sh" "$payload_dir/$payload" zlib "$exe" >&2
  printf '%s' "$key" >"$exe.key"
}

# ------------------------------------------------------ inside the session ---
# Everything the previous run left: the install folder, our Uninstall key.
# The folder is only moved aside here and deleted after the last run: on this
# machine's ext4 (no journal) a file created within seconds of thousands of
# deletions waits while the inode allocator skips the recently freed inodes,
# which made a run right after `rm -rf` two to four times slower.
clean() {
  local who=$1 payload=$2 folder key
  folder=$(unix_folder "$who" "$payload")
  if [ "$ram" = 1 ]; then
    rm -rf "$folder"
  elif [ -e "$folder" ]; then
    mkdir -p "$trash"
    mv "$folder" "$(mktemp -d "$trash/XXXXXX")/"
  fi
  if [ "$who" = ours ]; then
    key="Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$(uninstall_key_name "$payload")"
    wine reg delete "HKLM\\$key" /f >/dev/null 2>&1 || true
    wine reg delete "HKCU\\$key" /f >/dev/null 2>&1 || true
  fi
  # Dirty pages of the last run must not be written back during the next.
  sync
}

# Deletes what earlier runs left; then lets the freed inodes age (see clean).
empty_trash() {
  local left=0
  [ ! -e "$trash" ] || { rm -rf "$trash"; left=1; }
  [ ! -L "$prefix/drive_c/bench" ] || rm -f "$prefix/drive_c/bench"
  [ ! -e "$ram_folder" ] || rm -rf "$ram_folder"
  [ ! -e "$prefix/drive_c/bench" ] || { rm -rf "$prefix/drive_c/bench"; left=1; }
  if [ "$left" = 1 ] && [ "${1:-}" = settle ]; then
    sync
    say "deleted earlier installations; waiting 15 s for the file system to settle"
    sleep 15
  fi
}

# The wineserver of our prefix: it works in /tmp/.../server-DEV-INODE, named
# after the prefix folder.
server_pid() {
  local want p
  want=server-$(stat -c %D "$prefix")-$(printf '%x' "$(stat -c %i "$prefix")")
  for p in /proc/[0-9]*; do
    case $(cat "$p/comm" 2>/dev/null) in wineserver*) ;; *) continue ;; esac
    if [ "$(basename "$(readlink "$p/cwd" 2>/dev/null)")" = "$want" ]; then
      echo "${p#/proc/}"
      return
    fi
  done
  echo 0
}

# install WHO PAYLOAD: one silent installation, measured; prints measure.py's line.
install() {
  local who=$1 payload=$2 exe folder
  exe=$(installer_exe "$who" "$payload")
  folder=$(win_folder "$who" "$payload")
  if [ "$who" = ours ]; then
    "$python" "$bench/measure.py" --server "$server" wine "$exe" /silent "/d:$folder"
  else
    "$python" "$bench/measure.py" --server "$server" wine "$exe" /S "/D=$folder"
  fi </dev/null 2>>"$work/wine-stderr.txt"
}

# uninstall WHO PAYLOAD: one silent uninstallation of what install left,
# measured until the uninstaller's process ends (NSIS's in place with _?=, so
# that it does not copy itself away first; ours leaves its self-removal batch
# behind, which runs after it has ended, as NSIS's copied uninstaller would).
uninstall() {
  local who=$1 payload=$2 folder
  folder=$(win_folder "$who" "$payload")
  if [ "$who" = ours ]; then
    "$python" "$bench/measure.py" --server "$server" wine "$folder\\uninstall.exe" /silent \
      "/u:$(uninstall_key_name "$payload")"
  else
    "$python" "$bench/measure.py" --server "$server" wine "$folder\\uninstall.exe" /S "_?=$folder"
  fi </dev/null 2>>"$work/wine-stderr.txt"
}

# verify WHO PAYLOAD: the installed files are the payload's, byte for byte.
verify() {
  local who=$1 payload=$2 folder bad
  folder=$(unix_folder "$who" "$payload")
  [ -d "$folder" ] || { echo "no install folder"; return 1; }
  bad=$(cd "$folder" && sha256sum --quiet -c "$payload_dir/$payload.sha256" 2>&1 | grep -c ': FAILED' || true)
  [ "$bad" = 0 ] || { echo "$bad of $(wc -l <"$payload_dir/$payload.sha256") files missing or different"; return 1; }
}

field() { sed -n "s/.*\\b$1=\\([^ ]*\\).*/\\1/p" <<<"$2"; }

inner() {
  local results=$1 payload who line round order status
  declare -A broken=()
  : >"$work/wine-stderr.txt"
  empty_trash settle
  if [ "$ram" = 1 ]; then
    mkdir -p "$ram_folder"
    ln -s "$ram_folder" "$prefix/drive_c/bench"
  fi
  server=$(server_pid)
  [ "$server" != 0 ] || say "wineserver not found: its CPU time is not reported"
  for payload in "${payloads[@]}"; do
    # Untimed first run of each installer: warms the caches and checks bytes.
    for who in "${installers[@]}"; do
      clean "$who" "$payload"
      line=$(install "$who" "$payload")
      if status=$(verify "$who" "$payload"); then
        say "$who-$payload: warm-up run verified ($(field seconds "$line") s, exit $(field exit "$line"))"
      else
        say "$who-$payload: WRONG INSTALLATION: $status (exit $(field exit "$line")); not timed"
        broken[$who-$payload]=1
        printf '%s\t%s\tbroken\t%s\n' "$payload" "$who" "$status" >>"$results"
      fi
    done
    for round in $(seq 1 "$runs"); do
      # Alternate who goes first so that neither always follows the other.
      order=("${installers[@]}")
      if [ $((round % 2)) = 0 ] && [ ${#order[@]} = 2 ]; then order=("${order[1]}" "${order[0]}"); fi
      for who in "${order[@]}"; do
        [ -z "${broken[$who-$payload]:-}" ] || continue
        clean "$who" "$payload"
        line=$(install "$who" "$payload")
        say "$who-$payload run $round: $line"
        printf '%s\t%s\trun\t%s\n' "$payload" "$who" "$line" >>"$results"
        sync
        line=$(uninstall "$who" "$payload")
        say "$who-$payload uninstall $round: $line ($(find "$(unix_folder "$who" "$payload")" -type f 2>/dev/null | wc -l) files left)"
        printf '%s\t%s\tuninstall\t%s\n' "$payload" "$who" "$line" >>"$results"
      done
    done
    if [ -n "$trace" ] && [ -z "${broken[ours-$payload]:-}" ] && [[ " ${installers[*]} " = *" ours "* ]]; then
      clean ours "$payload"
      say "ours-$payload: traced run (WINEDEBUG=$trace)"
      WINEDEBUG=$trace wine "$(installer_exe ours "$payload")" /silent "/d:$(win_folder ours "$payload")" \
        </dev/null >/dev/null 2>"$work/trace-$payload.txt" || true
    fi
    for who in "${installers[@]}"; do clean "$who" "$payload"; done
  done
  empty_trash
}

# ------------------------------------------------------------------ report ---
report() {
  "$python" - "$1" "$runs" "$block_size" "$file_data" "$ram" "${payloads[@]}" <<'PY'
import statistics, sys
results, runs, block, place, ram, order = sys.argv[1], sys.argv[2], sys.argv[3], sys.argv[4], sys.argv[5], sys.argv[6:]
rows, broken, sizes, removals = {}, {}, {}, {}
for line in open(results):
    payload, who, kind, rest = line.rstrip("\n").split("\t", 3)
    if kind == "size":
        sizes[payload] = int(rest)
    elif kind == "broken":
        broken[(payload, who)] = rest
    elif kind == "uninstall":
        removals.setdefault((payload, who), []).append(dict(kv.split("=") for kv in rest.split()))
    else:
        rows.setdefault((payload, who), []).append(dict(kv.split("=") for kv in rest.split()))
MiB = 1 << 20
print()
print("Silent installs under Wine%s, median of %s runs; ours: block %s, file data %s" % (
    " into memory (/dev/shm)" if ram == "1" else "", runs, block, place))
print("%-11s %-10s %8s %7s %7s %7s %9s %9s %9s  %s" % (
    "payload", "installer", "seconds", "MiB/s", "cpu s", "srv s", "peak MiB", "anon MiB",
    "file MiB", "all runs (s)"))
for payload in order:
    for who, label in (("ours", "ours"), ("nsis", "nsis-zlib")):
        if (payload, who) in broken:
            print("%-11s %-10s WRONG INSTALLATION: %s" % (payload, label, broken[(payload, who)]))
            continue
        runs_ = rows.get((payload, who))
        if not runs_:
            continue
        med = lambda k: statistics.median(float(r[k]) for r in runs_)
        secs = med("seconds")
        print("%-11s %-10s %8.3f %7.1f %7.2f %7.2f %9.1f %9.1f %9.1f  %s" % (
            payload, label, secs, sizes[payload] / MiB / secs, med("cpu"), med("server"),
            med("hwm_kib") / 1024, med("anon_kib") / 1024, med("file_kib") / 1024,
            " ".join("%.3f" % float(r["seconds"]) for r in runs_)))
    o, n = rows.get((payload, "ours")), rows.get((payload, "nsis"))
    if o and n:
        so = statistics.median(float(r["seconds"]) for r in o)
        sn = statistics.median(float(r["seconds"]) for r in n)
        print("%-11s ours takes %.2fx the time of NSIS (%s)" % (
            payload, so / sn, "faster" if so < sn else "slower"))
if removals:
    print()
    print("Silent uninstalls of the same installations, median of %s runs" % runs)
    print("%-11s %-10s %8s %7s %7s  %s" % ("payload", "installer", "seconds", "cpu s", "srv s", "all runs (s)"))
    for payload in order:
        for who, label in (("ours", "ours"), ("nsis", "nsis")):
            runs_ = removals.get((payload, who))
            if not runs_:
                continue
            med = lambda k: statistics.median(float(r[k]) for r in runs_)
            print("%-11s %-10s %8.3f %7.2f %7.2f  %s" % (payload, label, med("seconds"), med("cpu"), med("server"),
                  " ".join("%.3f" % float(r["seconds"]) for r in runs_)))
        o, n = removals.get((payload, "ours")), removals.get((payload, "nsis"))
        if o and n:
            so = statistics.median(float(r["seconds"]) for r in o)
            sn = statistics.median(float(r["seconds"]) for r in n)
            print("%-11s ours takes %.2fx the time of NSIS (%s)" % (payload, so / sn, "faster" if so < sn else "slower"))
print()
print("seconds: wall time until `wine` returns (warm wineserver); MiB/s: payload bytes / seconds.")
print("cpu s: the installer process's user+system CPU; srv s: the wineserver's CPU meanwhile.")
print("peak MiB: the installer process's VmHWM (wait4 ru_maxrss of its Wine process), exact;")
print("anon/file MiB: highest RssAnon/RssFile seen sampling /proc/PID/status every 5 ms.")
PY
}

# ------------------------------------------------------------------- main ----
if [ "$inner" = 1 ]; then
  inner "$BX_BENCH_RESULTS"
  exit 0
fi

command -v makensis >/dev/null || die "makensis is missing: run scripts/setup.sh"
[ "$build_host" = 0 ] || build_tree "$host_dir" host setup-builder
[ "$build_win32" = 0 ] || build_tree "$win32_dir" win32 setup
[ -x "$builder" ] || die "no $builder: build the host tree or give --host-dir"
[ -f "$stub" ] || die "no $stub: build the win32 tree or give --win32-dir"

make_payloads
for payload in "${payloads[@]}"; do
  for who in "${installers[@]}"; do "make_$who" "$payload"; done
done

bash "$root/scripts/setup.sh" --prefix-only "$prefix" >&2
mkdir -p "$work/results"
results=$work/results/$(date +%Y%m%d-%H%M%S).tsv
: >"$results"
for payload in "${payloads[@]}"; do
  printf '%s\t-\tsize\t%s\n' "$payload" "$(payload_bytes "$payload")" >>"$results"
done

# One X server and one persistent wineserver for the whole measurement: every
# installer starts warm, as the published NSIS figures were taken.
args=(-n "$runs" --block-size "$block_size" --file-data "$file_data" --host-dir "$host_dir" --win32-dir "$win32_dir")
for payload in "${payloads[@]}"; do args+=(-p "$payload"); done
[ -z "$only" ] || args+=(--only "$only")
[ -z "$trace" ] || args+=(--trace "$trace")
[ "$ram" = 0 ] || args+=(--ram)
BX_BENCH_RESULTS=$results "$root/scripts/wine-session.sh" "$prefix" "${BASH_SOURCE[0]}" --inner "${args[@]}"
report "$results" | tee "${results%.tsv}.txt"
say "results: ${results#"$root"/} and $(basename "${results%.tsv}.txt")"
! grep -q $'\tbroken\t' "$results"
