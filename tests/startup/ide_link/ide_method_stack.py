#!/usr/bin/env python3
"""The IDE's stack of a program stopped inside a method: the method's level
shows its program (no entry point) and its line, the caller's level the
line the method was called from.  Exit status 0 when the reply is so."""
import sys

from ide_peer import stopped

oru, workdir = sys.argv[1], sys.argv[2]
with stopped(oru, workdir, "mprog") as cmd:
    stack = cmd.ask("stack")
    levels = stack.split("#")
    # The method's level, the caller's, the globals (and the line end).
    heads = [lv.split("|")[0] for lv in levels]
    ok = len(levels) >= 3 and heads[0].endswith("mprog;3") and heads[1] == "mprog;20"
    if not ok or ";#" in stack or ";0|" in stack:
        print("FAIL stack: %r" % stack)
        sys.exit(1)
print("ok")
