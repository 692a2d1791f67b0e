#!/usr/bin/env python3
"""Sums a Wine +timestamp,+relay trace (standard input) by the calls the program itself
makes: for each entry point called from the program's own code (depth 0 on its
thread), how often and the milliseconds spent inside it, nested calls and all.
Prints "name count milliseconds" lines, the largest time first.

Relay makes every call slower, so the times say where the calls are and how they
compare with each other, not what they cost without it; the counts are exact."""
import re
import sys
from collections import defaultdict

LINE = re.compile(r"^(?:(\d+)\.(\d+):)?([0-9a-f]{4}):(Call|Ret)\s+(.+)$")


def entry_name(rest):
    # "KERNEL32.CopyFileW(...) ret=..." or "window proc 0x1234 (hwnd=...,msg=WM_PAINT,...)"
    if rest.startswith("window proc"):
        message = re.search(r"msg=([\w]+)", rest)
        return "window proc " + (message.group(1) if message else "?")
    return rest.split("(", 1)[0]


def summarise(lines):
    depth = defaultdict(int)
    started = {}
    count = defaultdict(int)
    millis = defaultdict(float)
    main = None
    for line in lines:
        match = LINE.match(line)
        if not match:
            continue
        seconds, fraction, thread, kind, rest = match.groups()
        now = float(f"{seconds}.{fraction}") * 1000 if seconds else 0.0
        if main is None:
            main = thread
        if thread != main:
            continue
        if kind == "Call":
            if depth[thread] == 0:
                started[thread] = (entry_name(rest), now)
            depth[thread] += 1
        else:
            depth[thread] = max(depth[thread] - 1, 0)
            if depth[thread] == 0 and thread in started:
                name, began = started.pop(thread)
                count[name] += 1
                millis[name] += now - began
    return count, millis


def main():
    count, millis = summarise(sys.stdin)
    for name in sorted(count, key=lambda n: (-millis[n], -count[n], n)):
        print(f"{name} {count[name]} {millis[name]:.1f}")


if __name__ == "__main__":
    main()
