#!/usr/bin/env bash
# Installs the benchmark payloads silently under Wine with our installer and
# with NSIS (and, when asked, with our installer of an earlier commit), and
# prints seconds, MiB/s and peak memory side by side.
#
#   bench/run.sh [options]
#
#   -n, --runs N           timed runs per installer and payload (default 3,
#                          or $BX_BENCH_RUNS); the median is reported
#   -p, --payload NAME     many-small, few-large or tiny (repeatable; default
#                          many-small and few-large)
#   --only LIST            time only these installers and payloads: a comma
#                          list of ours, base and nsis and of payload names
#                          (e.g. ours,base or many-small)
#   --block-size BYTES     our package's file-data block size (default 1048576)
#   --file-data inside|after   where our package keeps its file data (default inside)
#   --host-dir DIR         host build tree with setup-builder (default build/host)
#   --win32-dir DIR        win32 build tree with setup.exe (default build/win32)
#   --compare REV          also time "base": setup-builder and setup.exe of the
#                          git revision REV, built once from a copy of its tree
#                          in build/bench/compare/SHA (each package made by its
#                          own builder and read by its own stub)
#   --compare-host-dir DIR, --compare-win32-dir DIR
#                          the same with build trees that exist already (both
#                          needed; nothing is built in them)
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
. "$bench/shared-dir.sh"
. "$bench/machine.sh"
shared=$(bench_shared_dir "$root")
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
compare_rev=""
compare_host_dir=""
compare_win32_dir=""
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
    --compare) compare_rev=${2:?}; shift ;;
    --compare-host-dir) compare_host_dir=$(realpath -m "${2:?}"); shift ;;
    --compare-win32-dir) compare_win32_dir=$(realpath -m "${2:?}"); shift ;;
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
# The payload names in --only choose payloads as -p does; the rest, installers.
only_installers=()
if [ -n "$only" ]; then
  IFS=, read -ra chosen <<<"$only"
  for name in "${chosen[@]}"; do
    case $name in
      many-small|few-large|tiny) payloads+=("$name") ;;
      *) only_installers+=("$name") ;;
    esac
  done
fi
[ ${#payloads[@]} -gt 0 ] || payloads=(many-small few-large)
case $runs in ''|*[!0-9]*|0) die "--runs takes a positive number" ;; esac
[ -z "$compare_rev" ] || [ -z "$compare_host_dir$compare_win32_dir" ] ||
  die "--compare and --compare-host-dir/--compare-win32-dir exclude each other"
[ -n "$compare_host_dir" ] || [ -z "$compare_win32_dir" ] || die "--compare-win32-dir needs --compare-host-dir"
[ -z "$compare_host_dir" ] || [ -n "$compare_win32_dir" ] || die "--compare-host-dir needs --compare-win32-dir"
case $file_data in inside|after) ;; *) die "--file-data takes inside or after" ;; esac
# Each payload once, however often it was named.
declare -A named_payload=()
unique_payloads=()
for p in "${payloads[@]}"; do
  case $p in many-small|few-large|tiny) ;; *) die "unknown payload $p" ;; esac
  [ -n "${named_payload[$p]:-}" ] || unique_payloads+=("$p")
  named_payload[$p]=1
done
payloads=("${unique_payloads[@]}")
comparing=0
[ -z "$compare_rev$compare_host_dir" ] || comparing=1
installers=(ours)
[ "$comparing" = 0 ] || installers+=(base)
installers+=(nsis)
if [ ${#only_installers[@]} -gt 0 ]; then
  installers=("${only_installers[@]}")
  for who in "${installers[@]}"; do
    case $who in
      ours|nsis) ;;
      base) [ "$comparing" = 1 ] || die "--only base needs --compare or --compare-host-dir" ;;
      *) die "--only takes a comma list of ours, base, nsis and payload names" ;;
    esac
  done
fi
# The compared revision gets a copy of its tree and build trees of its own.
compare_src=""
if [ -n "$compare_rev" ]; then
  compare_sha=$(git -C "$root" rev-parse --verify --quiet "$compare_rev^{commit}") ||
    die "--compare: no commit $compare_rev"
  compare_src=$work/compare/$compare_sha/src
  compare_host_dir=$work/compare/$compare_sha/host
  compare_win32_dir=$work/compare/$compare_sha/win32
fi

# builder_of/stub_of WHO: the pair that makes and runs WHO's installers.
builder_of() { if [ "$1" = base ]; then echo "$compare_host_dir/setup-builder"; else echo "$host_dir/setup-builder"; fi; }
stub_of() { if [ "$1" = base ]; then echo "$compare_win32_dir/setup.exe"; else echo "$win32_dir/setup.exe"; fi; }
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
  if [ "$1" != nsis ]; then
    printf '%s/%s-%s%s.exe' "$installer_dir" "$1" "$2" "$variant"
  else
    printf '%s/%s-%s.exe' "$installer_dir" "$1" "$2"
  fi
}

# ------------------------------------------------------------------ build ----
# build_tree DIR PRESET TARGET [SOURCE]: configures DIR from PRESET of
# SOURCE (default this tree) when it has no cache yet, then builds TARGET in it.
build_tree() {
  local dir=$1 preset=$2 target=$3 source=${4:-$root}
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    (cd "$source" && cmake --preset "$preset" -B "$dir" --log-level=WARNING >/dev/null)
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

# A copy of REV's tree, made once: git archive leaves the repository's
# worktree list alone.
prepare_compare_tree() {
  [ ! -f "$compare_src/CMakeLists.txt" ] || return 0
  say "copying the tree of $compare_sha to ${compare_src#"$root"/}"
  rm -rf "$compare_src.tmp"
  mkdir -p "$compare_src.tmp"
  git -C "$root" archive "$compare_sha" | tar -x -C "$compare_src.tmp"
  mv "$compare_src.tmp" "$compare_src"
}

# make_built WHO PAYLOAD: ours or base, each package made by its own builder
# for its own stub (an older stub need not read a newer package).
make_built() {
  local who=$1 payload=$2 exe manifest key builder stub template
  exe=$(installer_exe "$who" "$payload")
  builder=$(builder_of "$who")
  stub=$(stub_of "$who")
  template=$bench/manifests/bench.toml.in
  [ "$who" != base ] || [ ! -f "$compare_src/bench/manifests/bench.toml.in" ] ||
    template=$compare_src/bench/manifests/bench.toml.in
  manifest=$work/manifests/$who-$payload$variant.toml
  mkdir -p "$work/manifests" "$installer_dir"
  sed -e "s|@PAYLOAD@|$payload|g" -e "s|@SOURCE@|$payload_dir/$payload|g" \
      -e "s|@BLOCK_SIZE@|$block_size|g" -e "s|@FILE_DATA@|$file_data|g" \
      "$template" >"$manifest"
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
  if [ "$who" != nsis ]; then
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
  local who=$1 payload=$2 exe folder watch
  exe=$(installer_exe "$who" "$payload")
  folder=$(win_folder "$who" "$payload")
  watch=(--server "$server" --first-file "$(unix_folder "$who" "$payload")")
  if [ "$who" != nsis ]; then
    "$python" "$bench/measure.py" "${watch[@]}" wine "$exe" /silent "/d:$folder"
  else
    "$python" "$bench/measure.py" "${watch[@]}" wine "$exe" /S "/D=$folder"
  fi </dev/null 2>>"$work/wine-stderr.txt"
}

# uninstall WHO PAYLOAD: one silent uninstallation of what install left,
# measured until the uninstaller's process ends (NSIS's in place with _?=, so
# that it does not copy itself away first; ours leaves its self-removal batch
# behind, which runs after it has ended, as NSIS's copied uninstaller would).
uninstall() {
  local who=$1 payload=$2 folder
  folder=$(win_folder "$who" "$payload")
  if [ "$who" != nsis ]; then
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
      # Rotate who goes first so that none always follows the same other.
      order=()
      for i in "${!installers[@]}"; do
        order+=("${installers[$(((i + round - 1) % ${#installers[@]}))]}")
      done
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
  "$python" - "$1" "$2" "$runs" "$block_size" "$file_data" "$ram" "${payloads[@]}" <<'PY'
import statistics, sys
results, base, runs, block, place, ram = sys.argv[1:7]
order = sys.argv[7:]
installers = (("ours", "ours"), ("base", base), ("nsis", "nsis-zlib"))
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
median = lambda runs_, k: statistics.median(float(r[k]) for r in runs_)

def compare(table, payload, against, name):
    o, n = table.get((payload, "ours")), table.get((payload, against))
    if o and n:
        so, sn = median(o, "seconds"), median(n, "seconds")
        print("%-11s ours takes %.2fx the time of %s (%s)" % (payload, so / sn, name, "faster" if so < sn else "slower"))

def comparisons(table, payload):
    compare(table, payload, "base", base)
    compare(table, payload, "nsis", "NSIS")

print()
print("Silent installs under Wine%s, median of %s runs; ours: block %s, file data %s" % (
    " into memory (/dev/shm)" if ram == "1" else "", runs, block, place))
print("%-11s %-12s %8s %7s %7s %7s %9s %9s %9s %8s  %s" % (
    "payload", "installer", "seconds", "MiB/s", "cpu s", "srv s", "peak MiB", "anon MiB",
    "file MiB", "1st file", "all runs (s)"))
for payload in order:
    for who, label in installers:
        if (payload, who) in broken:
            print("%-11s %-12s WRONG INSTALLATION: %s" % (payload, label, broken[(payload, who)]))
            continue
        runs_ = rows.get((payload, who))
        if not runs_:
            continue
        med = lambda k: median(runs_, k)
        secs = med("seconds")
        first = [float(r.get("first_file", -1)) for r in runs_]
        first = "%.3f" % statistics.median(first) if min(first) >= 0 else "-"
        print("%-11s %-12s %8.3f %7.1f %7.2f %7.2f %9.1f %9.1f %9.1f %8s  %s" % (
            payload, label, secs, sizes[payload] / MiB / secs, med("cpu"), med("server"),
            med("hwm_kib") / 1024, med("anon_kib") / 1024, med("file_kib") / 1024, first,
            " ".join("%.3f" % float(r["seconds"]) for r in runs_)))
    comparisons(rows, payload)
if removals:
    print()
    print("Silent uninstalls of the same installations, median of %s runs" % runs)
    print("%-11s %-12s %8s %7s %7s  %s" % ("payload", "installer", "seconds", "cpu s", "srv s", "all runs (s)"))
    for payload in order:
        for who, label in installers:
            runs_ = removals.get((payload, who))
            if not runs_:
                continue
            print("%-11s %-12s %8.3f %7.2f %7.2f  %s" % (
                payload, label, median(runs_, "seconds"), median(runs_, "cpu"), median(runs_, "server"),
                " ".join("%.3f" % float(r["seconds"]) for r in runs_)))
        comparisons(removals, payload)
print()
print("seconds: wall time until `wine` returns (warm wineserver); MiB/s: payload bytes / seconds.")
print("cpu s: the installer process's user+system CPU; srv s: the wineserver's CPU meanwhile.")
print("peak MiB: the installer process's VmHWM (wait4 ru_maxrss of its Wine process), exact;")
print("anon/file MiB: highest RssAnon/RssFile seen sampling /proc/PID/status every 5 ms.")
print("1st file: seconds from the start until the first file appeared in the install folder.")
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
if [ -n "$compare_rev" ]; then
  prepare_compare_tree
  if [ "$build_host" = 1 ] || [ ! -x "$(builder_of base)" ]; then
    build_tree "$compare_host_dir" host setup-builder "$compare_src"
  fi
  if [ "$build_win32" = 1 ] || [ ! -f "$(stub_of base)" ]; then
    build_tree "$compare_win32_dir" win32 setup "$compare_src"
  fi
fi
for who in ours base; do
  [ "$who" = ours ] || [ "$comparing" = 1 ] || continue
  [ -x "$(builder_of "$who")" ] || die "no $(builder_of "$who"): build that host tree or name another"
  [ -f "$(stub_of "$who")" ] || die "no $(stub_of "$who"): build that win32 tree or name another"
done

make_payloads
for payload in "${payloads[@]}"; do
  for who in "${installers[@]}"; do
    if [ "$who" = nsis ]; then make_nsis "$payload"; else make_built "$who" "$payload"; fi
  done
done

bash "$root/scripts/setup.sh" --prefix-only "$prefix" >&2
facts=$(machine_facts)
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
[ ${#only_installers[@]} -eq 0 ] || args+=(--only "$(IFS=,; echo "${only_installers[*]}")")
[ "$comparing" = 0 ] || args+=(--compare-host-dir "$compare_host_dir" --compare-win32-dir "$compare_win32_dir")
[ -z "$trace" ] || args+=(--trace "$trace")
[ "$ram" = 0 ] || args+=(--ram)
BX_BENCH_RESULTS=$results "$root/scripts/wine-session.sh" "$prefix" "${BASH_SOURCE[0]}" --inner "${args[@]}"
base_label=base
[ -z "$compare_rev" ] || base_label=base-${compare_sha:0:7}
{
  printf '%s\n' "$facts"
  printf 'ours: %s\n' "$(git -C "$root" describe --always --dirty)"
  report "$results" "$base_label"
} | tee "${results%.tsv}.txt"
say "results: ${results#"$root"/} and $(basename "${results%.tsv}.txt")"
! grep -q $'\tbroken\t' "$results"
