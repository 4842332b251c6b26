#!/usr/bin/env python3
"""The libraries of oru are layers: an object of one layer may reference
symbols of its own layer and of the layers below it, never one defined only
in a layer above.  The linker alone does not catch every such reference: with
static archives an upward reference resolves silently whenever the object
that defines it was pulled in for another reason.  This check reads the
symbol tables (nm) of every layer's archives and lists each reference that
goes up; it exits 1 when there is one.

  check_layer_links.py [--nm NM] LAYER=FILE[,FILE...] ...

The layers are given bottom first; each FILE is a static archive or an
object file.  A reference from a layer to a symbol that no layer defines
(the C++ and C libraries, zlib, ...) is not checked.  A symbol defined in
several layers (inline functions, template instances) counts as defined in
the lowest of them.
"""
import subprocess
import sys

# nm -P: "archive[member]: name type value size"; these types are undefined.
UNDEFINED = {"U", "w", "v"}


def symbols(nm, path):
    """(member, name, defined) for every global symbol of an archive or object."""
    out = subprocess.run([nm, "-A", "-P", "-g", path], check=True,
                         capture_output=True, text=True).stdout
    for line in out.splitlines():
        head, sep, rest = line.rpartition(": ")
        if not sep:
            continue
        fields = rest.split()
        if len(fields) < 2:
            continue
        name, kind = fields[0], fields[1]
        member = head[head.find("[") + 1:-1] if head.endswith("]") else head
        yield member, name, kind not in UNDEFINED


def demangle(names):
    try:
        out = subprocess.run(["c++filt"], input="\n".join(names), check=True,
                             capture_output=True, text=True).stdout.splitlines()
        if len(out) == len(names):
            return dict(zip(names, out))
    except (OSError, subprocess.CalledProcessError):
        pass
    return {n: n for n in names}


def upward_references(nm, layers):
    """[(layer, member, symbol, layer that defines it)] for every reference that goes up."""
    lowest = {}   # symbol -> index of the lowest layer that defines it
    refs = []     # (layer index, member, symbol)
    for i, (_, files) in enumerate(layers):
        for path in files:
            for member, name, defined in symbols(nm, path):
                if defined:
                    if name not in lowest or i < lowest[name]:
                        lowest[name] = i
                else:
                    refs.append((i, member, name))
    found = set()
    for i, member, name in refs:
        j = lowest.get(name)
        if j is not None and j > i:
            found.add((layers[i][0], member, name, layers[j][0]))
    return sorted(found)


def main(argv):
    nm = "nm"
    args = argv[1:]
    if len(args) >= 2 and args[0] == "--nm":
        nm, args = args[1], args[2:]
    layers = []
    for arg in args:
        name, sep, files = arg.partition("=")
        if not sep or not name or not files:
            print(f"check_layer_links: expected LAYER=FILE[,FILE...], got {arg!r}")
            return 2
        layers.append((name, [f for f in files.split(",") if f]))
    if not layers:
        print(__doc__)
        return 2
    try:
        found = upward_references(nm, layers)
    except (OSError, subprocess.CalledProcessError) as e:
        print(f"check_layer_links: {e}")
        return 2
    names = demangle(sorted({f[2] for f in found}))
    for layer, member, name, above in found:
        print(f"{layer}: {member} references {names[name]} (defined in {above})")
    if found:
        print(f"{len(found)} reference(s) from a layer to a layer above it")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
