# Checks the files of a journal directory written by several processes at
# once (used by journal_shared.sh): every file reads whole up to its next
# address, every previous address names an earlier record of the same
# process in the same file, each process's chain in a file runs back from
# its last record to its 'O' record through all its records, and every user
# entry "P<process>-<n>" for n in 1..count is present exactly once, and
# every process's file f<process> has one after image per tenth entry.
import os, struct, sys
from collections import Counter, defaultdict

jdir, procs, count = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
files = sorted((f for f in os.listdir(jdir) if f.startswith('journal.')), key=lambda f: int(f[8:]))
entries = Counter()
images = Counter()   # after images by the file they belong to
problems = []
for name in files:
    b = open(os.path.join(jdir, name), 'rb').read()
    if not b:
        continue
    nxt = struct.unpack('>I', b[:4])[0]
    end = nxt & 0x7fffffff
    if end != len(b):
        problems.append('%s: next address %d, size %d' % (name, end, len(b)))
    recs, a = {}, 4
    while a < end:
        t = chr(b[a]); n = int.from_bytes(b[a+1:a+4], 'big')
        if n < 16 or a + n > end:
            problems.append('%s: record at %d has length %d' % (name, a, n)); break
        _, prev, oid = struct.unpack('>III', b[a+4:a+16])
        recs[a] = (t, prev, oid, b[a+16:a+n])
        a += n
    def proc(addr):
        t, prev, oid, _ = recs[addr]
        if t == 'O':
            return addr
        if oid in recs and recs[oid][0] == 'O':
            return oid
        if oid in recs and recs[oid][0] == 'o':
            return recs[oid][2]
        return None
    last = {}
    members = defaultdict(int)
    for addr in sorted(recs):
        t, prev, oid, data = recs[addr]
        p = proc(addr)
        if p is None:
            problems.append('%s: record at %d names no open record' % (name, addr)); continue
        members[p] += 1
        last[p] = addr
        if prev == 0:
            if t != 'O':
                problems.append('%s: record at %d starts a chain but is no O record' % (name, addr))
        elif prev not in recs or prev >= addr or proc(prev) != p:
            problems.append('%s: record at %d: previous address %d broken' % (name, addr, prev))
        if t == 'U':
            entries[data.decode()] += 1
        if t == 'A':
            o = recs.get(oid)
            if not o or o[0] != 'o':
                problems.append('%s: image at %d names no file open record' % (name, addr))
            else:
                images[o[3].decode().rsplit('/', 1)[-1]] += 1
    for p, addr in last.items():
        seen = 0
        while addr:
            seen += 1
            addr = recs[addr][1]
        if seen != members[p]:
            problems.append('%s: chain of process %d reaches %d of its %d records' % (name, p, seen, members[p]))
want = {'P%d-%d' % (i, n) for i in range(1, procs + 1) for n in range(1, count + 1)}
missing = want - set(entries)
twice = [e for e, c in entries.items() if c != 1 and e in want]
if missing:
    problems.append('%d entries missing, e.g. %s' % (len(missing), sorted(missing)[:3]))
if twice:
    problems.append('%d entries written more than once, e.g. %s' % (len(twice), twice[:3]))
for i in range(1, procs + 1):
    if images['f%d' % i] != count // 10:
        problems.append('file f%d: %d after images, %d written' % (i, images['f%d' % i], count // 10))
if len(files) < 3:
    problems.append('only %d journal files: no rollover while writing' % len(files))
for p in problems[:20]:
    print(p)
print('files', len(files), 'entries', sum(entries.values()), 'problems', len(problems))
sys.exit(1 if problems else 0)
