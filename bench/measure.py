#!/usr/bin/env python3
"""Runs one command and reports its wall time and memory.

usage: measure.py [--server PID] [--first-file DIR] COMMAND [ARGS...]

Prints one line on stdout:
    seconds=S cpu=C server=V exit=E hwm_kib=H anon_kib=A file_kib=F samples=N first_file=T

seconds   wall time from the start of COMMAND until it is reaped
cpu       user + system CPU seconds of COMMAND (wait4's rusage)
server    CPU seconds the process PID (the wineserver) used meanwhile;
          Wine's file opens, handles and registry calls run there
hwm_kib   the process's peak resident set (wait4's ru_maxrss): exact. Under
          Wine `wine prog.exe` execs its loader and then the program in the
          same process, so this is the peak of the Windows program itself
          (its children are not waited by us and are not counted). The
          kernel keeps the largest of every image the process exec'd through,
          so the fork of this script is a floor: floor_kib, this script's own
          VmHWM, far below any Wine process.
vmhwm_kib the last VmHWM read from /proc/PID/status (the peak of the final
          image alone, read every few milliseconds): a cross-check
anon_kib  the highest RssAnon seen by sampling /proc/PID/status every
          few milliseconds (heap, stacks, private copies): approximate
file_kib  the highest RssFile seen the same way (mapped files: Wine's DLLs,
          the program's own image)
first_file  with --first-file: seconds from the start until a file first
          appeared anywhere under DIR (looked for every few milliseconds;
          -1 when none did): how long a silent install keeps the user waiting
          before it writes anything
"""
import os
import subprocess
import sys
import threading
import time

INTERVAL = 0.005


def sample(pid, peaks, done):
    path = "/proc/%d/status" % pid
    while not done.is_set():
        try:
            with open(path) as f:
                text = f.read()
        except OSError:
            return
        for line in text.splitlines():
            key, _, value = line.partition(":")
            if key == "VmHWM":
                peaks[key] = int(value.split()[0])
            elif key in ("RssAnon", "RssFile"):
                kib = int(value.split()[0])
                peaks[key] = max(peaks.get(key, 0), kib)
        peaks["samples"] = peaks.get("samples", 0) + 1
        done.wait(INTERVAL)


def watch_first_file(folder, start, found, done):
    """Sets found["seconds"] once a file exists anywhere under folder."""
    while not done.is_set():
        for _, _, files in os.walk(folder):
            if files:
                found["seconds"] = time.monotonic() - start
                return
        done.wait(INTERVAL)


def cpu_seconds(pid):
    """User + system CPU seconds of a running process, 0 when unknown."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            fields = f.read().rsplit(")", 1)[1].split()
    except (OSError, IndexError):
        return 0.0
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def main():
    args, server, folder = sys.argv[1:], 0, None
    while args[:1] in (["--server"], ["--first-file"]):
        if args[0] == "--server":
            server = int(args[1])
        else:
            folder = args[1]
        args = args[2:]
    if not args:
        sys.exit(__doc__)
    peaks, found, done = {}, {}, threading.Event()
    server_before = cpu_seconds(server) if server else 0.0
    start = time.monotonic()
    child = subprocess.Popen(args)
    threads = [threading.Thread(target=sample, args=(child.pid, peaks, done))]
    if folder:
        threads.append(threading.Thread(target=watch_first_file, args=(folder, start, found, done)))
    for thread in threads:
        thread.start()
    _, status, usage = os.wait4(child.pid, 0)
    seconds = time.monotonic() - start
    server_used = cpu_seconds(server) - server_before if server else 0.0
    done.set()
    for thread in threads:
        thread.join()
    child.returncode = os.waitstatus_to_exitcode(status)
    floor = max(int(line.split()[1]) for line in open("/proc/self/status") if line.startswith("VmHWM:"))
    print("seconds=%.4f cpu=%.3f server=%.3f exit=%d hwm_kib=%d vmhwm_kib=%d floor_kib=%d "
          "anon_kib=%d file_kib=%d samples=%d first_file=%.4f" % (
              seconds, usage.ru_utime + usage.ru_stime, server_used, child.returncode,
              usage.ru_maxrss, peaks.get("VmHWM", 0), floor, peaks.get("RssAnon", 0),
              peaks.get("RssFile", 0), peaks.get("samples", 0), found.get("seconds", -1)))


if __name__ == "__main__":
    main()
