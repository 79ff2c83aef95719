# Sourced by the bench scripts: the folder of the shared benchmark tools
# (payload-gen.sh, nsis-make.sh), found beside the checkout as
# ../shared/bench. A linked git worktree looks beside the main checkout it
# belongs to; BX_BENCH_SHARED names another folder.
#
#   shared=$(bench_shared_dir "$root")
bench_shared_dir() {
  local root=$1 common
  if [ -n "${BX_BENCH_SHARED:-}" ]; then
    printf '%s\n' "$BX_BENCH_SHARED"
    return
  fi
  if [ ! -d "$root/../shared/bench" ] &&
     common=$(git -C "$root" rev-parse --path-format=absolute --git-common-dir 2>/dev/null) &&
     [ -d "$common/../../shared/bench" ]; then
    (cd "$common/../../shared/bench" && pwd)
    return
  fi
  printf '%s\n' "$(cd "$root/.." && pwd)/shared/bench"
}
