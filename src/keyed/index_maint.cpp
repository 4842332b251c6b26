// Keyed files of both formats: the key rebuild, ADD, DROP and RENAME of a
// key (index_maint.h).
//
// The rebuild frees the old index, scans the records once in physical
// order collecting (key value, record address) pairs for every key being
// built, sorts them and builds each tree bottom up: leaves filled to about
// seven eighths, the parent entry of each node carrying the node's last
// key, the end sentinel (all 255 bytes; pointer 0 in the leaf) closing the
// rightmost node of every level -- the shape btree.cpp keeps.
//
// The physical scan of fixed-length first-format files reads the file in
// 512-byte chunks: a chunk whose type byte is a block type (0, 251, 252,
// 254) and whose bytes 1-4 hold its own offset starts a block, which is
// skipped whole; every record slot lying wholly outside blocks is tried.
// Variable-length and EFF files are scanned data block by data block.
#include "keyed/index_maint.h"

#include <algorithm>
#include <cstring>
#include <numeric>

#include "core/errors.h"
#include "core/switches.h"
#include "keyed/eff_store.h"
#include "keyed/keyed_internal.h"

int64_t Key_pread(int fd, uint8_t* buf, size_t len, int64_t off);
int64_t Key_pwrite(int fd, const uint8_t* buf, size_t len, int64_t off);
void Eff_segtbl_from_layout(Key_file* f);
uint32_t Eff_item_store(uint8_t type, const std::vector<uint8_t>& data, uint32_t prev, uint32_t next);
std::vector<uint8_t> Eff_item_data(uint32_t a, uint8_t type, uint32_t* next, uint32_t* prev);
void Eff_item_rewrite(uint32_t a, uint8_t type, const std::vector<uint8_t>& data);
void Eff_item_drop(uint32_t a, uint8_t type);
void Eff_item_link(uint32_t a, uint8_t type, uint32_t next, uint32_t prev);

namespace {

// While the scan runs the channel takes no record locks: the header (or
// file) lock held throughout keeps every writer out.
struct No_record_locks {
  Key_chan* ch;
  bool keep;
  explicit No_record_locks(Key_chan* c) : ch(c), keep(c->nolock) { ch->nolock = true; }
  ~No_record_locks() { ch->nolock = keep; }
};

// Frees the nodes of one tree; a node that cannot be read, a node met
// twice (a cycle) or a child pointer out of reach is passed over.
void free_tree_tolerant(uint32_t root) {
  if (root == 0) return;
  std::vector<std::pair<uint32_t, int>> stack{{root, 0}};
  std::vector<uint32_t> seen;
  while (!stack.empty()) {
    auto [a, d] = stack.back();
    stack.pop_back();
    if (d >= kf::MAX_DEPTH || std::find(seen.begin(), seen.end(), a) != seen.end()) continue;
    if (seen.size() < 100000) seen.push_back(a);
    try {
      Kbfr* b = Kbfr_get(a, kf::BT_NODE);
      for (int i = 0; i < b->count; ++i) {
        int32_t p = get_i32be(Kent_at(b, i));
        if (p <= 0) break;
        stack.push_back({uint32_t(p), d + 1});
      }
      Kbfr_free(Kbfr_get(a, kf::BT_NODE));
    } catch (const Oru_error&) {
    }
  }
}

// Frees every index node of a variable-length or EFF file (a rebuild of
// all keys): nodes of damaged trees that no walk reaches go too.
void free_all_nodes(Key_file* f) {
  if (f->eff) {
    Eff_store* e = Eff_of(f);
    for (size_t g = 0; g < e->flips.size(); ++g) {
      for (int i = 2; i < e->E; ++i) {
        uint32_t p = uint32_t(g) * uint32_t(e->E) + uint32_t(i) + 1;
        if (p > e->max_page) return;
        if (Eff_map_page(int(g))->b()[6 + 4 * i] != eff::PT_NODE) continue;
        try {
          Kbfr* b = Kbfr_get(p, 1);
          if (b->b()[0] == kf::BT_NODE) Kbfr_free(b);
        } catch (const Oru_error&) {
        }
      }
    }
    return;
  }
  uint32_t blk = kf::FIRST_BLOCK;
  uint64_t eof = KeyBlockNo(f, Hdr32(f, kf::H_EOF));
  for (int guard = 0; KeyBlockNo(f, blk) < eof && guard < (1 << 26); ++guard) {
    try {
      Kbfr* b = Kbfr_get(blk, 1);
      if (b->b()[0] == kf::BT_NODE) Kbfr_free(b);
    } catch (const Oru_error& e) {
      if (e.no == 105 || e.no == 117) break;
    }
    int seg = Key_seg_of(f, blk);
    int64_t host = Key_host_off(f, blk) + f->blk;
    if (host + f->blk > f->seg_limit) blk = uint32_t(kf::FIRST_BLOCK + (seg + 1) * 256);
    else blk = uint32_t(host + seg * 256);
  }
}

// The record slots of a fixed-length file, in file order.
class Fixed_scan {
 public:
  explicit Fixed_scan(Key_file* f) : f_(f) {
    end_ = Hdr32(f, kf::H_EOF);
    // Blocks: 512-byte chunks that name themselves.
    std::vector<uint8_t> win(size_t(1) << 20);
    for (uint64_t base = kf::FIRST_BLOCK; base < end_; base += win.size()) {
      int64_t got = Key_pread(f->fd, win.data(), win.size(), int64_t(base));
      if (got <= 0) break;
      for (uint64_t c = 0; c + 5 <= uint64_t(got); c += 512) {
        const uint8_t* d = win.data() + c;
        uint8_t t = d[0];
        bool typed = t == kf::BT_FREE || t == kf::BT_NODE || t == kf::BT_DICT || t == kf::BT_MAP;
        if (typed && get_u32be(d + 1) == base + c) {
          blocks_.push_back(base + c);
          // The chunks inside the block are not looked at.
          uint64_t skip = uint64_t(f->blk) - 512;
          c += skip;
        }
      }
    }
    next_ = kf::FIRST_BLOCK + uint32_t(f->blk);
  }
  // The next slot address outside every block; 0 at the end.
  uint32_t next() {
    uint64_t slot = uint64_t(f_->slot);
    while (next_ + slot <= end_) {
      uint64_t a = next_;
      next_ += slot;
      while (bi_ < blocks_.size() && blocks_[bi_] + uint64_t(f_->blk) <= a) ++bi_;
      if (bi_ < blocks_.size() && blocks_[bi_] < a + slot) continue;  // overlaps a block
      return uint32_t(a);
    }
    return 0;
  }
  uint64_t size() const { return end_; }

 private:
  Key_file* f_;
  uint64_t end_ = 0, next_ = 0;
  std::vector<uint64_t> blocks_;
  size_t bi_ = 0;
};

// Entries gathered for one key: fixed-size key values and their records.
struct Gathered {
  int kno = 0, ksz = 0;
  std::vector<uint8_t> keys;
  std::vector<uint32_t> addrs;
  size_t size() const { return addrs.size(); }
  const uint8_t* key(size_t i) const { return keys.data() + i * size_t(ksz); }
};

int cmp_keys(const uint8_t* a, const uint8_t* b, int ksz) {
  int c = std::memcmp(a + 1, b + 1, size_t(ksz - 1));
  return c ? c : int(a[0]) - int(b[0]);
}

int64_t ind_of(Key_file* f, uint32_t a) {
  if (f->eff || f->variable) return f->eff ? int64_t(a) : int64_t(a) - 512;
  return (int64_t(a) - 512 - f->blk) / f->slot;
}

// Builds key g.kno's tree from its sorted entries; the root (0 when empty).
uint32_t build_tree(const Gathered& g, const std::vector<uint32_t>& order) {
  if (order.empty()) return 0;
  int cap = K.max_kidx;
  int per = std::max(1, std::min(cap - 1, cap - cap / 8));
  int ksz = K.ksz;
  std::vector<uint8_t> sentinel(size_t(ksz), 255);
  // One level at a time: (node, its last key).
  std::vector<std::pair<uint32_t, std::vector<uint8_t>>> level;
  size_t n = order.size();
  size_t done = 0;
  int fresh = 0;
  while (done < n) {
    size_t take = std::min<size_t>(size_t(per), n - done);
    bool last = done + take == n;
    Kbfr* b = Kbfr_new(kf::BT_NODE);
    for (size_t i = 0; i < take; ++i) {
      uint8_t* e = Kent_at(b, int(i));
      size_t j = order[done + i];
      put_u32be(e, uint32_t(-int32_t(g.addrs[j])));
      std::memcpy(e + 4, g.key(j), size_t(ksz));
    }
    int cnt = int(take);
    if (last) {
      uint8_t* e = Kent_at(b, cnt++);
      put_u32be(e, 0);
      std::memset(e + 4, 255, size_t(ksz));
    }
    b->count = uint16_t(cnt);
    Kbfr_touch(b);
    const uint8_t* lk = last ? sentinel.data() : g.key(order[done + take - 1]);
    level.push_back({b->addr, std::vector<uint8_t>(lk, lk + ksz)});
    done += take;
    // Let finished nodes leave the cache (they are written back).
    if (++fresh % 256 == 0) ++K.serial;
  }
  while (level.size() > 1) {
    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> up;
    for (size_t at = 0; at < level.size();) {
      size_t take = std::min<size_t>(size_t(per), level.size() - at);
      // A lone last child would make a parent of one entry: share instead.
      if (level.size() - at - take == 1 && take > 1) --take;
      Kbfr* b = Kbfr_new(kf::BT_NODE);
      for (size_t i = 0; i < take; ++i) {
        uint8_t* e = Kent_at(b, int(i));
        put_u32be(e, level[at + i].first);
        std::memcpy(e + 4, level[at + i].second.data(), size_t(ksz));
      }
      b->count = uint16_t(take);
      Kbfr_touch(b);
      up.push_back({b->addr, level[at + take - 1].second});
      at += take;
    }
    level.swap(up);
  }
  return level[0].first;
}

}  // namespace

int64_t Key_rebuild(Key_chan* ch, int kno, const Key_rebuild_report& rep) {
  if (ch->readonly) Rpt_error(13);
  Key_file* f = ch->f.get();
  if (f->reclen == 0) Rpt_error(17);
  Key_bracket op(ch, DIR_WRITE, false);
  Key_Hdr_Lock_N_Load(2);
  Rec_unlock(ch);
  int nk = f->lay.nkeys;
  if (kno >= nk || kno < -1) Rpt_error(80);
  bool all = kno < 0;
  int first = all ? 0 : kno, last = all ? nk - 1 : kno;
  // No "missing key" notices while the index is incomplete; a rebuild of
  // every key makes the check bytes valid again.
  if (!f->eff) {
    f->hdr[kf::H_FLAGS1] |= kf::F1_NO_NOTICE;
    if (all) {
      f->hdr[kf::H_FLAGS1] |= kf::F1_CHECKED;
      f->flags1 |= kf::F1_CHECKED;
    }
    Key_hdr_changed();
  }
  for (int k = first; k <= last; ++k)
    if (rep.clearing) rep.clearing(k);
  if (all && f->variable) {
    Kno_def(0);
    free_all_nodes(f);
  } else {
    for (int k = first; k <= last; ++k) {
      Kno_def(k);
      free_tree_tolerant(Key_root());
    }
  }
  for (int k = first; k <= last; ++k) {
    Kno_def(k);
    Key_set_root(0);
    ch->saved[size_t(k)] = Key_pos{};
  }
  ch->cur_rec = ch->last_read = 0;
  ch->cur_node = 0;
  ch->cur_key.clear();
  ch->eof_pending = false;

  // One scan for every key being built.
  std::vector<Gathered> gs(size_t(last - first + 1));
  for (int k = first; k <= last; ++k) {
    Kno_def(k);
    gs[size_t(k - first)].kno = k;
    gs[size_t(k - first)].ksz = K.ksz;
  }
  int64_t expected = int64_t(Hdr32(f, kf::H_COUNT));
  int64_t records = 0;
  int shown = -1;
  {
    No_record_locks quiet(ch);
    K.directive = DIR_READ;
    std::unique_ptr<Fixed_scan> fixed;
    if (!f->variable) fixed = std::make_unique<Fixed_scan>(f);
    uint32_t a = 0;
    std::vector<uint8_t> v;
    for (;;) {
      if (fixed) {
        a = fixed->next();
      } else {
        try {
          a = Kvar_next(a);
        } catch (const Oru_error&) {
          a = 0;
        }
      }
      if (!a) break;
      K.rec_addr = 0xFFFFFFFFu;
      int r;
      try {
        r = Krec_read(a);
      } catch (const Oru_error&) {
        r = -1;
      }
      if (r != 0) continue;
      if ((f->flags2 & kf::F2_EXTENDED) && (K.rec_bfr[0] & 0x80)) continue;  // an extension piece
      ++records;
      for (Gathered& g : gs) {
        Kno_def(g.kno);
        v.assign(size_t(K.ksz), 0);
        try {
          Kent_gen(K.rec_bfr.data(), v.data(), a, false);
        } catch (const Oru_error&) {
          continue;
        }
        if (v[0] == 0 && g.kno > 0) continue;
        g.keys.insert(g.keys.end(), v.begin(), v.end());
        g.addrs.push_back(a);
      }
      if (records % 1000 == 0) ++K.serial;  // scanned blocks may leave the cache
      int pct = expected > 0 ? int(std::min<int64_t>(99, records * 100 / expected)) : 99;
      if (pct != shown) {
        shown = pct;
        if (rep.percent) rep.percent(pct);
      }
    }
  }

  int64_t first_count = -1;
  for (Gathered& g : gs) {
    Kno_def(g.kno);
    int ksz = g.ksz;
    std::vector<uint32_t> order(g.size());
    std::iota(order.begin(), order.end(), 0u);
    std::stable_sort(order.begin(), order.end(),
                     [&](uint32_t x, uint32_t y) { return cmp_keys(g.key(x), g.key(y), ksz) < 0; });
    // Duplicates of a unique key, reported in the order the scan met them.
    std::vector<uint32_t> dups;
    const Key_def& kd = f->lay.keys[g.kno];
    std::vector<uint32_t> kept;
    kept.reserve(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
      if (i > 0 && cmp_keys(g.key(order[i - 1]), g.key(order[i]), ksz) == 0) {
        dups.push_back(order[i]);  // an exact repeat: never two equal entries in a tree
        continue;
      }
      kept.push_back(order[i]);
    }
    if (g.kno > 0 && kd.unique) {
      // Alternate values carry the record address: equal values differ
      // only in it.
      std::vector<uint32_t> byval(kept);
      auto stem = [&](uint32_t x) { return int(g.key(x)[0]) - 4; };
      std::stable_sort(byval.begin(), byval.end(), [&](uint32_t x, uint32_t y) {
        int lx = stem(x), ly = stem(y);
        int c = std::memcmp(g.key(x) + 1, g.key(y) + 1, size_t(std::max(0, std::min(lx, ly))));
        if (c) return c < 0;
        if (lx != ly) return lx < ly;
        return x < y;
      });
      for (size_t i = 1; i < byval.size(); ++i) {
        uint32_t x = byval[i - 1], y = byval[i];
        if (stem(x) == stem(y) && std::memcmp(g.key(x) + 1, g.key(y) + 1, size_t(std::max(0, stem(x)))) == 0)
          dups.push_back(y);
      }
    }
    std::sort(dups.begin(), dups.end());
    for (uint32_t d : dups)
      if (rep.duplicate) rep.duplicate(g.kno, ind_of(f, g.addrs[d]));
    ++K.serial;
    Key_set_root(build_tree(g, kept));
    if (g.kno == 0) Hdr32_set(f, kf::H_COUNT, uint32_t(records));
    if (first_count < 0) first_count = int64_t(kept.size());
    if (rep.done) rep.done(g.kno, int64_t(kept.size()));
  }
  if (!f->eff) {
    f->hdr[kf::H_FLAGS1] &= uint8_t(~kf::F1_NO_NOTICE);
    Key_hdr_changed();
  }
  Kno_def(std::min(ch->cur_kno, nk - 1));
  op.done();
  return first_count < 0 ? 0 : first_count;
}
