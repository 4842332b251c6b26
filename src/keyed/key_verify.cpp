// Keyed files, first format: the structural check of a whole file.
//
// Checked: every tree (node type and own address, entry counts within the
// node capacity, strictly ascending entries, every key of a child not above
// the parent entry and above the entry before it, all leaves at one depth,
// the end sentinel closing the rightmost path, no node reached twice, every
// non-root node holding entries), every leaf entry pointing at a readable
// record whose key value it is, the record count against key 0's entries,
// the free-block chain and deleted-slot chain (fixed-length files) or the
// space maps (variable-length files).
#include <cstring>
#include <set>
#include <sstream>

#include "keyed/key_settings.h"
#include "keyed/keyed_file.h"
#include "keyed/eff_store.h"
#include "keyed/keyed_internal.h"

int64_t Key_pread(int fd, uint8_t* buf, size_t len, int64_t off);

namespace {
struct Checker {
  std::ostringstream out;
  std::set<uint32_t> nodes;  // every node of every tree
  int leaf_depth = -1;
  int64_t entries = 0;
  int problems = 0;

  void bad(const std::string& what) {
    if (++problems <= 50) out << what << "\n";
  }

  static std::string hexkey(const uint8_t* k) {
    std::string o = " ";
    char b[4];
    for (int i = 0; i < K.ksz; ++i) { std::snprintf(b, sizeof b, "%02x", k[i]); o += b; }
    return o;
  }
  static bool sentinel(const uint8_t* k) {
    for (int i = 0; i < K.ksz; ++i)
      if (k[i] != 255) return false;
    return true;
  }

  // Walks the subtree at addr; lo (exclusive) and hi (inclusive) bound its
  // keys (null: unbounded).  rightmost: on the rightmost path.
  void walk(uint32_t addr, int depth, const uint8_t* lo, const uint8_t* hi, bool rightmost, bool root) {
    if (depth >= kf::MAX_DEPTH) {
      bad("tree deeper than 16 levels");
      return;
    }
    if (!nodes.insert(addr).second) {
      bad("node " + std::to_string(addr) + " reached twice");
      return;
    }
    Kbfr* b;
    try {
      b = Kbfr_get(addr, kf::BT_NODE);
    } catch (const Oru_error& e) {
      bad("node " + std::to_string(addr) + ": error " + std::to_string(e.no));
      return;
    }
    int n = b->count;
    if (n > K.max_kidx) bad("node " + std::to_string(addr) + " over capacity");
    if (n == 0 && !root) bad("empty node " + std::to_string(addr));
    if (n == 0) return;
    std::vector<uint8_t> copy(Kent_at(b, 0), Kent_at(b, n));
    auto ent = [&](int i) { return copy.data() + size_t(i) * size_t(K.kent_sz); };
    bool leaf = get_i32be(ent(0)) <= 0;
    for (int i = 0; i < n; ++i) {
      const uint8_t* e = ent(i);
      int32_t p = get_i32be(e);
      if ((p <= 0) != leaf) bad("node " + std::to_string(addr) + " mixes leaf and inner entries");
      if (i > 0 && Kcmp(ent(i - 1) + 4, e + 4) >= 0) bad("node " + std::to_string(addr) + " out of order at " + std::to_string(i));
      if (lo && Kcmp(e + 4, lo) <= 0 && !sentinel(e + 4)) bad("node " + std::to_string(addr) + " entry below its range" + hexkey(e + 4) + " lo" + hexkey(lo) + " key " + std::to_string(K.kno) + " i " + std::to_string(i) + " depth " + std::to_string(depth));
      if (hi && Kcmp(e + 4, hi) > 0) bad("node " + std::to_string(addr) + " entry above its parent entry");
      if (sentinel(e + 4) && !(rightmost && i == n - 1)) bad("end sentinel inside node " + std::to_string(addr));
    }
    if (rightmost && !sentinel(ent(n - 1) + 4)) bad("rightmost node " + std::to_string(addr) + " without end sentinel");
    if (leaf) {
      if (leaf_depth < 0) leaf_depth = depth;
      else if (leaf_depth != depth) bad("leaves at different depths");
      for (int i = 0; i < n; ++i) {
        const uint8_t* e = ent(i);
        if (sentinel(e + 4)) {
          if (get_i32be(e) != 0) bad("leaf end sentinel with a record");
          continue;
        }
        ++entries;
        check_record(0u - get_u32be(e), e + 4);
      }
      return;
    }
    for (int i = 0; i < n; ++i) {
      const uint8_t* e = ent(i);
      const uint8_t* lower = i > 0 ? ent(i - 1) + 4 : lo;
      walk(uint32_t(get_i32be(e)), depth + 1, lower, sentinel(e + 4) ? hi : e + 4, rightmost && i == n - 1, false);
    }
  }

  void check_record(uint32_t addr, const uint8_t* key) {
    if (K.f->reclen == 0) return;
    K.rec_addr = 0xFFFFFFFFu;
    int r;
    try {
      r = Krec_read(addr);
    } catch (const Oru_error& e) {
      r = e.no;
    }
    if (r != 0) {
      bad("key " + std::to_string(K.kno) + " entry points at record " + std::to_string(addr) + ": error " + std::to_string(r));
      return;
    }
    std::vector<uint8_t> v(size_t(K.ksz), 0);
    Kent_gen(K.rec_bfr.data(), v.data(), addr, false);
    if (std::memcmp(v.data(), key, size_t(K.ksz)) != 0)
      bad("key " + std::to_string(K.kno) + " entry differs from its record at " + std::to_string(addr));
  }
};

void check_fixed_chains(Checker& c) {
  Key_file* f = K.f;
  std::set<uint32_t> seen;
  uint32_t a = Hdr32(f, kf::H_FREE2);
  while (a) {
    if (!seen.insert(a).second || c.nodes.count(a)) {
      c.bad("free-block chain loops or holds a node at " + std::to_string(a));
      break;
    }
    try {
      Kbfr* b = Kbfr_get(a, 1);
      if (b->b()[0] != kf::BT_FREE && b->b()[0] != kf::BT_NODE) c.bad("free block of type " + std::to_string(b->b()[0]));
      a = get_u32be(b->b() + 6);
    } catch (const Oru_error& e) {
      c.bad("free block " + std::to_string(a) + ": error " + std::to_string(e.no));
      break;
    }
  }
  seen.clear();
  a = Hdr32(f, kf::H_FREE1);
  while (a) {
    if (!seen.insert(a).second) {
      c.bad("deleted-slot chain loops");
      break;
    }
    uint8_t d[5];
    if (Key_pread(f->fd, d, 5, a) != 5 || d[0] != 255 || get_i32be(d + 1) > 0) {
      c.bad("deleted-slot chain damaged at " + std::to_string(a));
      break;
    }
    a = 0u - get_u32be(d + 1);
  }
}

void check_maps(Checker& c) {
  Key_file* f = K.f;
  int per = f->blk - kf::BLK_HDR;
  uint64_t eof = KeyBlockNo(f, Hdr32(f, kf::H_EOF));
  uint32_t m = kf::FIRST_BLOCK;
  while (m && KeyBlockNo(f, m) < eof) {
    uint32_t a = m;
    try {
      Kbfr* map = Kbfr_get(m, kf::BT_MAP);
      std::vector<uint8_t> st(map->b() + kf::BLK_HDR, map->b() + kf::BLK_HDR + per);
      for (int i = 1; i < per; ++i) {
        a = m + uint32_t(i) * uint32_t(f->blk);
        if (KeyBlockNo(f, a) >= eof) break;
        // The block may be a node of any key: no entry-size check here.
        int keep = K.kent_sz;
        K.kent_sz = 0;
        uint8_t t;
        try {
          t = Kbfr_get(a, 1)->b()[0];
        } catch (...) {
          K.kent_sz = keep;
          throw;
        }
        K.kent_sz = keep;
        uint8_t s = st[size_t(i)];
        bool ok = (s == 0 && t == 0) || (s == t) || (s == kf::BT_FULL && t == kf::BT_DATA);
        if (!ok) c.bad("space map says " + std::to_string(s) + " for block " + std::to_string(a) + " of type " + std::to_string(t));
        if (t == kf::BT_NODE && !c.nodes.count(a)) c.bad("index node " + std::to_string(a) + " in no tree");
      }
    } catch (const Oru_error& e) {
      c.bad("space map " + std::to_string(m) + ": error " + std::to_string(e.no) + " at block " + std::to_string(a));
      return;
    }
    int seg = Key_seg_of(f, m);
    int64_t host = Key_host_off(f, m) + int64_t(f->blk) * per;
    m = host + f->blk > f->seg_limit ? Key_next_segment(f, m) : uint32_t(host + seg * 256);
  }
}
}  // namespace

std::string Key_verify(Key_chan* ch) {
  Checker c;
  Key_bracket op(ch, DIR_READ, false);
  Key_Hdr_Lock_N_Load(1);
  Key_file* f = K.f;
  Kfix_flush_pending(f);
  int64_t key0 = -1;
  for (int k = 0; k < f->lay.nkeys; ++k) {
    Kno_def(k);
    c.leaf_depth = -1;
    c.entries = 0;
    uint32_t root = Key_root();
    if (root) c.walk(root, 0, nullptr, nullptr, true, true);
    if (k == 0) key0 = c.entries;
    else if (c.entries > key0) c.bad("key " + std::to_string(k) + " holds more entries than key 0");
  }
  if (key0 != int64_t(Hdr32(f, kf::H_COUNT)) && !(f->flags2 & kf::F2_EXTENDED && false))
    c.bad("record count " + std::to_string(Hdr32(f, kf::H_COUNT)) + " but key 0 holds " + std::to_string(key0));
  if (f->eff) c.out << Eff_verify_map(f, std::vector<uint32_t>(c.nodes.begin(), c.nodes.end()));
  else if (f->variable) check_maps(c);
  else check_fixed_chains(c);
  op.done();
  return c.out.str();
}
