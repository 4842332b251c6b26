#!/usr/bin/env python3
"""The IDE's variables of a program stopped inside a called program: the
caller's string passed by reference is answered with the value the callee
holds meanwhile, the callee's with its own.  Exit status 0 when so."""
import sys

from ide_peer import stopped

oru, workdir = sys.argv[1], sys.argv[2]
with stopped(oru, workdir, "cprog") as cmd:
    outer = cmd.ask("var 0 A$")
    inner = cmd.ask("var 1 B$")
    if outer != 'A$="top"\t' or inner != 'B$="top"\t':
        print("FAIL var: %r %r" % (outer, inner))
        sys.exit(1)
print("ok")
