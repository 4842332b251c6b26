# Lists the records of a journal file: number, type, the records its
# previous-address and open-id fields name (by number), its data.  Paths
# show their last component and the journal-open text is masked, so that
# the listing does not depend on where the test runs or who runs it.
import struct, sys
b = open(sys.argv[1], 'rb').read()
nxt = struct.unpack('>I', b[:4])[0]
end = nxt & 0x7fffffff
print('full' if nxt & 0x80000000 else 'open', 'next address = size', end == len(b))
a, index, rows = 4, {0: '-'}, []
while a < end:
    t = b[a]; n = int.from_bytes(b[a+1:a+4], 'big')
    tm, prev, oid = struct.unpack('>III', b[a+4:a+16])
    data = b[a+16:a+n]
    if t in b'oE': data = data.split(b'/')[-1]
    if t in b'O': data = b'(login);;'
    index[a] = str(len(rows) + 1)
    rows.append((index[a], chr(t), index.get(prev, 'BROKEN'), index.get(oid, 'BROKEN'), data))
    a += n
for r in rows:
    print(*r)
