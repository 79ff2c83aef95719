#!/usr/bin/env python3
"""Runs one command and reports its wall time and memory.

usage: measure.py COMMAND [ARGS...]

Prints one line on stdout:
    seconds=S exit=E hwm_kib=H anon_kib=A file_kib=F samples=N

seconds   wall time from the start of COMMAND until it is reaped
hwm_kib   the process's peak resident set (VmHWM at exit, from wait4's
          ru_maxrss): exact. Under Wine `wine prog.exe` execs its loader
          and then the program in the same process, so this is the peak of
          the Windows program itself (its children are not waited by us and
          are not counted).
anon_kib  the highest RssAnon seen by sampling /proc/PID/status every
          few milliseconds (heap, stacks, private copies): approximate
file_kib  the highest RssFile seen the same way (mapped files: Wine's DLLs,
          the program's own image)
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
            if key in ("RssAnon", "RssFile"):
                kib = int(value.split()[0])
                peaks[key] = max(peaks.get(key, 0), kib)
        peaks["samples"] = peaks.get("samples", 0) + 1
        done.wait(INTERVAL)


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    peaks, done = {}, threading.Event()
    start = time.monotonic()
    child = subprocess.Popen(sys.argv[1:])
    sampler = threading.Thread(target=sample, args=(child.pid, peaks, done))
    sampler.start()
    _, status, usage = os.wait4(child.pid, 0)
    seconds = time.monotonic() - start
    done.set()
    sampler.join()
    child.returncode = os.waitstatus_to_exitcode(status)
    print("seconds=%.4f exit=%d hwm_kib=%d anon_kib=%d file_kib=%d samples=%d" % (
        seconds, child.returncode, usage.ru_maxrss, peaks.get("RssAnon", 0),
        peaks.get("RssFile", 0), peaks.get("samples", 0)))


if __name__ == "__main__":
    main()
