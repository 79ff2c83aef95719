# Sourced by the bench scripts: the facts of this machine that decide how its
# figures compare with another's, printed above every table. Under QEMU's
# user mode (registered for i386 where the kernel runs no 32-bit programs)
# every instruction of the 32-bit installers costs several, while system
# calls cost what they cost natively: never compare figures across the two.
#
#   machine_facts    prints one line, e.g.
#   machine: x86_64, 2 cores (AMD EPYC 7B13), 32-bit programs natively, load 3.2 at start
machine_facts() {
  local misc=/proc/sys/fs/binfmt_misc cores model i386 load
  cores=$(nproc)
  model=$(sed -n 's/^model name[[:space:]]*: *//p' /proc/cpuinfo | head -n 1)
  if [ -e "$misc/qemu-i386" ] && grep -qx enabled "$misc/qemu-i386" 2>/dev/null; then
    i386="through the emulator ($(sed -n 's/^interpreter //p' "$misc/qemu-i386"))"
  elif /usr/lib/wine/wine --version >/dev/null 2>&1; then
    i386=natively
  else
    i386="not at all (no qemu-i386 registered, and the kernel runs none)"
  fi
  read -r load _ </proc/loadavg
  printf 'machine: %s, %s cores%s, 32-bit programs %s, load %s at start\n' \
    "$(uname -m)" "$cores" "${model:+ ($model)}" "$i386" "$load"
}
