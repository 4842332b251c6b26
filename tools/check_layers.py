#!/usr/bin/env python3
"""The folders under src/ are layers: a file may include headers of its own
folder and of the folders below it, never of a folder above.  Lists every
include that goes up and exits 1 when there is one.

  check_layers.py [SRC]            the upward includes, one a line
  check_layers.py --arrows [SRC]   every folder-to-folder arrow, with counts
  check_layers.py --known FILE [SRC]
                                   only the upward includes not listed in
                                   FILE (lines as this tool prints them)
                                   count; listed ones that are gone are
                                   reported so that the list is shortened
"""
import os
import re
import sys

# Bottom first.  pdf/hzef is the stand-in PDF library: a separate shared
# library that includes nothing of the interpreter.
LAYERS = ["core", "channels", "terminal", "keyed", "net", "pdf", "programs",
          "functions", "app"]

INCLUDE = re.compile(r'\s*#\s*include\s+"([^"]+)"')


def includes(src):
    """(folder, file, included folder, include text) for every quoted include."""
    for folder in sorted(os.listdir(src)):
        top = os.path.join(src, folder)
        if not os.path.isdir(top):
            continue
        for dirpath, _, files in os.walk(top):
            for name in sorted(files):
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(dirpath, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for line in f:
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        inc = m.group(1)
                        target = inc.split("/")[0] if "/" in inc else folder
                        if not os.path.isdir(os.path.join(src, target)):
                            target = folder
                        yield folder, os.path.relpath(path, src), target, inc


def main(argv):
    arrows = "--arrows" in argv
    args = [a for a in argv[1:] if a != "--arrows"]
    known = set()
    if "--known" in args:
        i = args.index("--known")
        if i + 1 >= len(args):
            print("--known needs a file")
            return 2
        with open(args[i + 1], encoding="utf-8") as f:
            known = {line.rstrip("\n") for line in f if line.strip() and not line.startswith("#")}
        del args[i:i + 2]
    src = args[0] if args else os.path.join(os.path.dirname(__file__), "..", "src")
    rank = {name: i for i, name in enumerate(LAYERS)}
    up = []
    pairs = {}
    for folder, path, target, inc in includes(src):
        if folder not in rank:
            # A top-level file (src/main.cpp) or an unknown folder: top floor.
            rank.setdefault(folder, len(LAYERS))
        if target == folder:
            continue
        pairs.setdefault((folder, target), set()).add(path)
        if rank.get(target, len(LAYERS)) > rank[folder]:
            up.append(f"{path}: includes \"{inc}\" ({folder} is below {target})")
    if arrows:
        for (a, b), files in sorted(pairs.items()):
            print(f"{a} -> {b}: {len(files)} files")
        print(f"{len(pairs)} folder pairs")
    for line in sorted(known - set(up)):
        print(f"gone, take it off the known list: {line}")
    new = [line for line in up if line not in known]
    for line in new:
        print(line)
    if new:
        print(f"{len(new)} includes go up; the layers, bottom first: {' '.join(LAYERS)}")
        return 1
    if up:
        print(f"{len(up)} known includes go up (to be taken out)")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
