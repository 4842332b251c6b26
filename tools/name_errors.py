#!/usr/bin/env python3
"""Turns bare error numbers into their names (src/core/error_numbers.h).

    python3 tools/name_errors.py [--check] [--left] [PATH ...]

PATHs are files or folders (default: src).  Only forms whose number is an
error number beyond doubt are rewritten:

  Rpt_error(N)                    Rpt_error_text(N, ...)
  Rpt_error(c ? N : M)            (the result branches of a ternary argument)
  OS_error(text, ret, N)          (N other than -1, which means "return -1")
  Oru_error{N}
  E.no == N, E.no != N            (E declared as an Oru_error in the same file)

Numbers of 256 and up (host errors, errno + 256) and numbers without a name
are left as they are.  Comments and string literals are never touched.  The
names convert to int, so the rewritten code builds wherever the old did; a
second run changes nothing.

--check   change no file; list what would change, exit status 1 if anything would
--left    list the raising calls whose first argument is still a bare number
"""
import os
import re
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
HEADER = os.path.join(ROOT, "src", "core", "error_numbers.h")
SOURCE_EXT = (".cpp", ".h", ".cc", ".hpp")


def load_names(path=HEADER):
    """Number -> name from the enum in error_numbers.h (first name wins)."""
    names = {}
    with open(path, encoding="utf-8") as f:
        for m in re.finditer(r"^\s*([A-Z][A-Z0-9_]*)\s*=\s*(\d+)\s*,", f.read(), re.M):
            num = int(m.group(2))
            if num < 256 and num not in names:
                names[num] = m.group(1)
    return names


def code_mask(text):
    """A list of booleans: True where text is code (not comment or literal)."""
    mask = [True] * len(text)
    i, n = 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith("//", i):
            j = text.find("\n", i)
            j = n if j < 0 else j
        elif text.startswith("/*", i):
            j = text.find("*/", i + 2)
            j = n if j < 0 else j + 2
        elif c == "R" and text.startswith('"', i + 1) and (i == 0 or not (text[i - 1].isalnum() or text[i - 1] == "_")):
            m = re.match(r'R"([^(\s]{0,16})\(', text[i:])
            if not m:
                i += 1
                continue
            end = ")" + m.group(1) + '"'
            j = text.find(end, i + m.end())
            j = n if j < 0 else j + len(end)
        elif c in "\"'":
            # A quote after a digit is a digit separator (1'000), not a literal.
            if c == "'" and i > 0 and text[i - 1].isalnum():
                i += 1
                continue
            j = i + 1
            while j < n and text[j] != c and text[j] != "\n":
                j += 2 if text[j] == "\\" else 1
            j = min(j + 1, n)
        else:
            i += 1
            continue
        for k in range(i, j):
            mask[k] = False
        i = j
    return mask


INT_LIT = re.compile(r"\s*(\d+)\s*$")


def arg_end(text, mask, start):
    """Index of the ',' or ')' / '}' that ends the argument starting at start."""
    depth = 0
    i = start
    while i < len(text):
        if mask[i]:
            c = text[i]
            if c in "([{":
                depth += 1
            elif c in ")]}":
                if depth == 0:
                    return i
                depth -= 1
            elif c == "," and depth == 0:
                return i
        i += 1
    return -1


def top_level(text, mask, start, end, chars):
    """Positions of chars at bracket depth 0 in text[start:end]."""
    out, depth = [], 0
    for i in range(start, end):
        if not mask[i]:
            continue
        c = text[i]
        if c in "([{":
            depth += 1
        elif c in ")]}":
            depth -= 1
        elif depth == 0 and c in chars:
            out.append(i)
    return out


class Rewriter:
    def __init__(self, names):
        self.names = names
        self.edits = []  # (start, end, replacement)

    def literal(self, text, start, end):
        """Names the bare number in text[start:end]; True when it is one."""
        m = INT_LIT.match(text[start:end])
        if not m:
            return False
        num = int(m.group(1))
        if num in self.names:
            s = start + m.start(1)
            self.edits.append((s, s + len(m.group(1)), "err::" + self.names[num]))
        return True

    def value(self, text, mask, start, end):
        """An error-number argument: a literal or a ternary of literals."""
        if self.literal(text, start, end):
            return
        q = top_level(text, mask, start, end, "?")
        if not q:
            return
        # cond ? a : b, where b may itself be a ternary; a's ':' is the first
        # top-level ':' not part of '::'.
        colons = [i for i in top_level(text, mask, q[0] + 1, end, ":")
                  if text[i - 1] != ":" and text[i + 1:i + 2] != ":"]
        if not colons:
            return
        self.literal(text, q[0] + 1, colons[0])
        self.value(text, mask, colons[0] + 1, end)


CALL = re.compile(r"\b(Rpt_error|Rpt_error_text|OS_error)\s*\(")
BRACE = re.compile(r"\bOru_error\s*\{")
DECL = re.compile(r"\bOru_error\s*&?\s*([A-Za-z_]\w*)\s*[)=;{]")


def rewrite(text, names):
    mask = code_mask(text)
    rw = Rewriter(names)
    for m in CALL.finditer(text):
        if not mask[m.start()]:
            continue
        start = m.end()
        if m.group(1) == "OS_error":
            # the third argument
            for _ in range(2):
                e = arg_end(text, mask, start)
                if e < 0 or text[e] != ",":
                    break
                start = e + 1
            else:
                e = arg_end(text, mask, start)
                if e > 0 and text[e] == ")":
                    rw.literal(text, start, e)
            continue
        e = arg_end(text, mask, start)
        if e > 0:
            rw.value(text, mask, start, e)
    for m in BRACE.finditer(text):
        if not mask[m.start()]:
            continue
        e = arg_end(text, mask, m.end())
        if e > 0 and text[e] == "}":
            rw.literal(text, m.end(), e)
    caught = {m.group(1) for m in DECL.finditer(text) if mask[m.start()]}
    if caught:
        cmp = re.compile(r"\b(" + "|".join(sorted(caught)) + r")\.no\s*(==|!=)\s*(\d+)\b(?!\s*[.'xX])")
        for m in cmp.finditer(text):
            if mask[m.start()]:
                rw.literal(text, m.start(3), m.end(3))
    out = text
    for s, e, r in sorted(set(rw.edits), reverse=True):
        out = out[:s] + r + out[e:]
    return out, len(set(rw.edits))


LEFT = re.compile(r"\b(Rpt_error|Rpt_error_text)\s*\(\s*(\d+)\s*[,)]")


def bare_left(text):
    mask = code_mask(text)
    return [(text.count("\n", 0, m.start()) + 1, int(m.group(2)))
            for m in LEFT.finditer(text) if mask[m.start()]]


def files(paths):
    for p in paths:
        if os.path.isdir(p):
            for d, _, fs in sorted(os.walk(p)):
                for f in sorted(fs):
                    if f.endswith(SOURCE_EXT):
                        yield os.path.join(d, f)
        else:
            yield p


def main(argv):
    check = "--check" in argv
    left = "--left" in argv
    paths = [a for a in argv if not a.startswith("--")] or [os.path.join(ROOT, "src")]
    names = load_names()
    changed = total = 0
    remaining = []
    for path in files(paths):
        if os.path.abspath(path) == HEADER:
            continue
        with open(path, encoding="utf-8") as f:
            text = f.read()
        out, n = rewrite(text, names)
        if n:
            changed += 1
            total += n
            print(f"{path}: {n} number(s) named")
            if not check:
                with open(path, "w", encoding="utf-8") as f:
                    f.write(out)
        if left:
            remaining += [(path, ln, no) for ln, no in bare_left(out)]
    for path, ln, no in remaining:
        print(f"{path}:{ln}: bare error number {no}")
    print(f"{total} number(s) in {changed} file(s){' would be' if check else ''} named;"
          f" {len(remaining) if left else '-'} bare raising call(s) left")
    return 1 if check and total else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
