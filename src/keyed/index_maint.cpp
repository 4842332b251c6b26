// Keyed files of both formats: the key rebuild, ADD, DROP and RENAME of a
// key (index_maint.h).
//
// The rebuild works key by key: it frees the key's old index, then scans
// the records in physical order and enters each one through the B-tree
// insert, as a WRITE does.  While an alternate key is loaded, a
// first-format rebuild closes its operation (header lock released) at every
// percent and at the first block change after 1000 records, and reopens it
// for the next record; key 0 is loaded under the lock.
//
// The physical scan of fixed-length first-format files reads the file in
// 512-byte chunks: a chunk whose type byte is a block type (0, 251, 252,
// 254) and whose bytes 1-4 hold its own offset starts a block, which is
// skipped whole; every record slot lying wholly outside blocks is tried.
// Variable-length and EFF files are scanned data block by data block.
#include "keyed/index_maint.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <numeric>
#include <optional>
#include <thread>
#include <unordered_set>

#include "keyed/key_settings.h"
#include "keyed/eff_store.h"
#include "keyed/key_dict.h"
#include "keyed/keyed_internal.h"

int64_t Key_pread(int fd, uint8_t* buf, size_t len, int64_t off);
int64_t Key_pwrite(int fd, const uint8_t* buf, size_t len, int64_t off);
void Eff_segtbl_from_layout(Key_file* f);

namespace {

// Tells the report of each missing segment file once while a rebuild runs.
class Missing_segments {
 public:
  explicit Missing_segments(void (*tell)(int)) : keep_(K.missing_segment) {
    tell_ = tell;
    told_.clear();
    K.missing_segment = seen;
  }
  ~Missing_segments() { K.missing_segment = keep_; }
  Missing_segments(const Missing_segments&) = delete;
  Missing_segments& operator=(const Missing_segments&) = delete;

 private:
  static void seen(int seg) {
    if (std::find(told_.begin(), told_.end(), seg) != told_.end()) return;
    told_.push_back(seg);
    if (tell_) tell_(seg);
  }
  static inline void (*tell_)(int) = nullptr;
  static inline std::vector<int> told_;
  void (*keep_)(int);
};

// While the rebuild handles one node or one record, an error skips that
// one only: the operation's exit hook, which would close the operation
// (header lock and all) before the error is caught, is set aside.
void skip_error() {}
class Skip_on_error {
 public:
  Skip_on_error() : keep_(Key_swap_exit_hook(skip_error)) {}
  ~Skip_on_error() { Key_swap_exit_hook(keep_); }
  Skip_on_error(const Skip_on_error&) = delete;
  Skip_on_error& operator=(const Skip_on_error&) = delete;

 private:
  void (*keep_)();
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
      Skip_on_error skip;
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

// The nodes of the trees of every key but k (sorted), walked as the
// freeing walk does: a damaged node or a cycle ends its branch.
std::vector<uint32_t> nodes_of_other_keys(Key_file* f, int k) {
  std::vector<uint32_t> seen;
  for (int j = 0; j < f->lay.nkeys; ++j) {
    if (j == k) continue;
    Kno_def(j);
    uint32_t root = Key_root();
    if (root == 0) continue;
    std::vector<std::pair<uint32_t, int>> stack{{root, 0}};
    std::unordered_set<uint32_t> mine;
    while (!stack.empty()) {
      auto [a, d] = stack.back();
      stack.pop_back();
      if (d >= kf::MAX_DEPTH || mine.count(a)) continue;
      if (mine.size() >= (size_t(1) << 22)) break;
      try {
        Skip_on_error skip;
        Kbfr* b = Kbfr_get(a, kf::BT_NODE);
        mine.insert(a);
        for (int i = 0; i < b->count; ++i) {
          int32_t p = get_i32be(Kent_at(b, i));
          if (p <= 0) break;
          stack.push_back({uint32_t(p), d + 1});
        }
      } catch (const Oru_error&) {
      }
    }
    seen.insert(seen.end(), mine.begin(), mine.end());
  }
  Kno_def(k);
  std::sort(seen.begin(), seen.end());
  return seen;
}

// Frees the index nodes of a variable-length or EFF file in one visit of
// every block (the rebuild of all keys, clearing key 0): nodes of damaged
// trees that no walk reaches go too, but never a node of keep (the trees
// of the keys still to be rebuilt, which other processes go on using).
// cleared is told how far the visit of a first-format file has come.
void free_all_nodes(Key_file* f, void (*cleared)(int pct, int seg), const std::vector<uint32_t>& keep) {
  auto kept = [&](uint32_t a) { return std::binary_search(keep.begin(), keep.end(), a); };
  if (f->eff) {
    Eff_store* e = Eff_of(f);
    for (size_t g = 0; g < e->flips.size(); ++g) {
      for (int i = 2; i < e->E; ++i) {
        uint32_t p = uint32_t(g) * uint32_t(e->E) + uint32_t(i) + 1;
        if (p > e->max_page) return;
        if (Eff_map_page(int(g))->b()[6 + 4 * i] != eff::PT_NODE) continue;
        try {
          if (kept(p)) continue;
          Skip_on_error skip;
          Kbfr_any_key any;
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
  int shown_seg = -1, shown = -1;
  for (int guard = 0; blk && KeyBlockNo(f, blk) < eof && guard < (1 << 26); ++guard) {
    if (cleared) {
      // Every 5 percent of each segment (of the file without segments).
      int seg = Key_seg_of(f, blk);
      int64_t end = uint64_t(seg) == (eof >> 32) ? int64_t(eof & 0xFFFFFFFFu) : f->seg_limit;
      int pct = end > 0 ? int(std::min<int64_t>(100, Key_host_off(f, blk) * 100 / end)) / 5 * 5 : 0;
      if (seg != shown_seg || pct != shown) cleared(pct, seg);
      shown_seg = seg;
      shown = pct;
    }
    try {
      Skip_on_error skip;
      Kbfr_any_key any;
      Kbfr* b = Kbfr_get(blk, 1);
      if (b->b()[0] == kf::BT_NODE && !kept(blk)) Kbfr_free(b);
    } catch (const Oru_error& e) {
      if (Key_past_segment(f, &blk, e, true)) continue;
    }
    blk = Key_next_block(f, blk);
  }
}

// Fixed-length files: whether the 512-byte chunk at c, which looks like a
// block (type byte and its own address), lies inside a record instead: c
// falls within a slot of the record grid that starts after the last block
// found (since) and holds a record (neither marked deleted nor never
// written).  A block is only ever placed at the end of the file, past
// every slot written, so a slot reaching into a real block holds none;
// bytes a program wrote into its record must not hide the records after
// them from the rebuild, nor be taken for a free block.
bool inside_record(Key_file* f, uint64_t c, uint64_t since) {
  const uint64_t grid0 = kf::FIRST_BLOCK + uint64_t(f->blk), slot = uint64_t(f->slot);
  if (slot == 0 || c <= grid0 || (c - grid0) % slot == 0) return false;
  uint64_t s = grid0 + (c - grid0) / slot * slot;
  if (s < since) return false;
  uint8_t mark = 0;
  if (Key_pread(f->fd, &mark, 1, int64_t(s)) != 1) return false;
  return mark != 0 && mark != 255;
}

// Fixed-length files: a free-block chain that leads off the file, to a
// block that is not free or round in a loop would fail every WRITE that
// needs a new index node (and the rebuild itself).  Such a chain is dropped
// and made again from the blocks of the file typed free (under *K free
// blocks look like nodes: the chain is only dropped, their space lost).
void mend_free_blocks(Key_file* f) {
  const uint64_t eof = Hdr32(f, kf::H_EOF);
  const uint8_t mark = Key_cfg.free_as_node ? kf::BT_NODE : kf::BT_FREE;
  bool sound = true;
  std::vector<uint32_t> seen;
  for (uint32_t a = Hdr32(f, kf::H_FREE2); a && sound;) {
    sound = a >= kf::FIRST_BLOCK && a % 512 == 0 && a + uint64_t(f->blk) <= eof && seen.size() <= eof / 512;
    if (!sound) break;
    seen.push_back(a);
    try {
      Kbfr* b = Kbfr_get(a, 1);
      sound = b->b()[0] == mark;
      a = get_u32be(b->b() + 6);
    } catch (const Oru_error&) {
      sound = false;
    }
  }
  if (sound) {
    std::sort(seen.begin(), seen.end());
    sound = std::adjacent_find(seen.begin(), seen.end()) == seen.end();
  }
  if (sound) return;
  std::vector<uint32_t> free;
  if (!Key_cfg.free_as_node) {
    Kbfr_flush_file(f, false);  // the blocks as the cache has them
    std::vector<uint8_t> chunk(5);
    uint64_t since = 0;  // the end of the last block found
    for (uint64_t a = kf::FIRST_BLOCK; a + uint64_t(f->blk) <= eof; a += 512) {
      if (Key_pread(f->fd, chunk.data(), 5, int64_t(a)) != 5 || get_u32be(&chunk[1]) != a) continue;
      bool typed = chunk[0] == kf::BT_FREE || chunk[0] == kf::BT_NODE || chunk[0] == kf::BT_DICT || chunk[0] == kf::BT_MAP;
      if (!typed || inside_record(f, a, since)) continue;
      if (chunk[0] == kf::BT_FREE) free.push_back(uint32_t(a));
      since = a + uint64_t(f->blk);
      a += uint64_t(f->blk) - 512;
    }
  }
  uint32_t next = 0;
  for (auto it = free.rbegin(); it != free.rend(); ++it) {
    Kbfr* b = Kbfr_get(*it, 1);
    put_u32be(b->b() + 6, next);
    Kbfr_touch(b);
    next = *it;
  }
  Hdr32_set(f, kf::H_FREE2, next);
}

// Variable-length first-format files: every data block's space-map byte
// is set again from the block (128 while it has room for another record,
// 129 when full), so that a map a killed process left wrong never hands a
// block holding records out as free.
void fix_data_maps(Key_file* f) {
  uint64_t eof = KeyBlockNo(f, Hdr32(f, kf::H_EOF));
  for (uint32_t blk = kf::FIRST_BLOCK; blk && KeyBlockNo(f, blk) < eof;) {
    try {
      Skip_on_error skip;
      Kbfr_any_key any;
      Kbfr* b = Kbfr_get(blk, 1);
      if (b->b()[0] == kf::BT_DATA) {
        int want = Kvar_has_room(b) ? kf::BT_DATA : kf::BT_FULL;
        if (Kbfr_map_state(b) != want) Kbfr_mark(Kbfr_get(blk, 1), want);
      }
    } catch (const Oru_error& e) {
      // Missing segments are told by the record scan, not by this mend.
      if (Key_past_segment(f, &blk, e, false)) continue;
    }
    blk = Key_next_block(f, blk);
  }
}

// The record slots of a fixed-length file, in file order.
class Fixed_scan {
 public:
  explicit Fixed_scan(Key_file* f) : f_(f) {
    Kfix_flush_pending(f);  // slots gathered by a channel holding the file whole
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
        if (typed && get_u32be(d + 1) == base + c &&
            !inside_record(f, base + c, blocks_.empty() ? 0 : blocks_.back() + uint64_t(f->blk))) {
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

// Fixed-length files: a deleted-slot chain that leads off the slot grid,
// to a slot not marked deleted, or round in a loop (a process killed
// between a slot's write and the header's) makes every later WRITE fail
// (error 109).  Such a chain is dropped and made again from the slots the
// scan found marked deleted (deleted, in file order); a deleted slot the
// old chain reached only past the break stays unused no longer.
void mend_deleted_chain(Key_file* f, const std::vector<uint32_t>& deleted) {
  const uint64_t grid0 = kf::FIRST_BLOCK + uint64_t(f->blk), slot = uint64_t(f->slot);
  const uint64_t eof = Hdr32(f, kf::H_EOF);
  std::vector<uint32_t> seen;
  bool sound = true;
  for (uint32_t a = Hdr32(f, kf::H_FREE1); a && sound;) {
    uint8_t d[5];
    sound = a >= grid0 && (a - grid0) % slot == 0 && a + slot <= eof && seen.size() <= deleted.size() &&
            Key_pread(f->fd, d, 5, a) == 5 && d[0] == 255 && get_i32be(d + 1) <= 0;
    seen.push_back(a);
    if (sound) a = 0u - get_u32be(d + 1);
  }
  if (sound) {
    std::sort(seen.begin(), seen.end());
    sound = std::adjacent_find(seen.begin(), seen.end()) == seen.end();
  }
  if (sound) return;
  uint32_t next = 0;
  for (auto it = deleted.rbegin(); it != deleted.rend(); ++it) {
    // The scan gave the header lock back now and then: a slot another
    // process has filled since holds a record and stays out of the chain.
    uint8_t mark = 0;
    if (Key_pread(f->fd, &mark, 1, *it) != 1 || mark != 255) continue;
    uint8_t d[5] = {255};
    put_u32be(d + 1, 0u - uint32_t(next));
    if (Key_pwrite(f->fd, d, 5, *it) != 5) Key_error(8);
    next = *it;
  }
  Hdr32_set(f, kf::H_FREE1, next);
}

int64_t ind_of(Key_file* f, uint32_t a) {
  if (f->eff || f->variable) return f->eff ? int64_t(a) : int64_t(a) - 512;
  return (int64_t(a) - 512 - f->blk) / f->slot;
}

// The operation a rebuild works in.  First-format files give the header
// lock back now and then, so that other processes read and write while a
// big file is rebuilt; an EFF rebuild keeps its file lock to the end.
class Rebuild_op {
 public:
  explicit Rebuild_op(Key_chan* ch) : ch_(ch) {}
  ~Rebuild_op() = default;
  Rebuild_op(const Rebuild_op&) = delete;
  Rebuild_op& operator=(const Rebuild_op&) = delete;
  // Opens the operation (header at level 2) when it is closed; key k selected.
  void open(int k) {
    if (!op_) {
      op_.emplace(ch_, DIR_WRITE, false);
      Key_Hdr_Lock_N_Load(2);
      since_ = 0;
    }
    K.directive = DIR_READ;
    Kno_def(k);
  }
  // Closes it, writing back what changed and releasing the header lock.
  // A lock given back and taken again at once would leave a process that
  // waits for it waiting: a millisecond's pause lets it in first.
  void close() {
    if (!op_) return;
    bool real = ch_->f->lock_real;
    op_->done();
    op_.reset();
    if (real) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  bool is_open() const { return op_.has_value(); }
  int64_t since_ = 0;  // records since the operation was last opened

 private:
  Key_chan* ch_;
  std::optional<Key_bracket> op_;
};

// Records are read without record locks while a rebuild scans them.
struct No_record_locks {
  No_record_locks() { K.no_rec_locks = true; }
  ~No_record_locks() { K.no_rec_locks = false; }
  No_record_locks(const No_record_locks&) = delete;
  No_record_locks& operator=(const No_record_locks&) = delete;
};

// What became of one record the scan met.
enum class Entered { no_entry, entered };

// Enters record a (image in K.rec_bfr) into key k, whose context is
// selected: nothing when the exact entry is there already (a process wrote
// the record while the rebuild ran); a value another record holds too is
// reported as a duplicate and entered all the same.  Key 0 is loaded under
// the lock, so no other process writes meanwhile.
Entered enter_record(Key_file* f, int k, uint32_t a, const Key_rebuild_report& rep) {
  Key_chan* ch = K.ch;
  std::vector<uint8_t> v(size_t(K.ksz), 0);
  Kent_gen(K.rec_bfr.data(), v.data(), a, false);
  if (v[0] == 0 && k > 0) return Entered::no_entry;
  bool dup = false;
  if (k > 0 && f->lay.keys[k].unique) {
    // The value without its suffix.
    std::vector<uint8_t> s(v);
    int L = std::max(0, int(s[0]) - 4);
    s[0] = uint8_t(L);
    std::memset(s.data() + 1 + L, 0, 4);
    dup = Kfnd_key_chk(s.data()) == 0 && ch->cur_rec != a;
  }
  K.no_climb = f->eff != nullptr;
  int r = Kfnd_key(v.data(), 0);
  K.no_climb = false;
  if (r == 0 && ch->cur_rec == a) return Entered::entered;
  if (r == 0) dup = true;
  if (dup && rep.duplicate) rep.duplicate(k, ind_of(f, a));
  Kent_add(v.data(), -int32_t(a));
  return Entered::entered;
}

}  // namespace

int64_t Key_rebuild(Key_chan* ch, int kno, const Key_rebuild_report& rep) {
  if (ch->readonly) Key_error(13);
  Key_file* f = ch->f.get();
  if (f->reclen == 0) Key_error(17);
  Missing_segments missing(rep.missing_segment);
  Rebuild_op op(ch);
  op.open(0);
  Rec_unlock(ch);
  int nk = f->lay.nkeys;
  if (kno >= nk || kno < -1) Key_error(80);
  if (!f->variable && !f->eff) mend_free_blocks(f);
  const bool all = kno < 0;
  const int first = all ? 0 : kno, last = all ? nk - 1 : kno;
  // The sequence correction changes the suffix of every alternate entry of
  // the record: only a rebuild of all keys may make it, or the alternate
  // trees kept would hold entries that no longer match their records.
  const bool fix_seq = f->eff && all && f->variable && f->lay.auto_seg >= 0 && f->reclen > 0;
  // Without auto-numbered segments, a record stored in continuation pieces
  // takes the sequence its first piece carries (the pieces are written
  // with the record's sequence; a piece sequence of 0 was never stamped).
  const bool fix_piece_seq =
      f->eff && all && f->variable && f->lay.auto_seg < 0 && (f->flags2 & kf::F2_EXTENDED) && f->reclen > 0;
  int64_t first_count = -1;
  No_record_locks quiet;
  for (int k = first; k <= last; ++k) {
    op.open(k);
    Rec_unlock(ch);
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
    if (rep.clearing) rep.clearing(k);
    // The old index goes, this key's only: the trees of the other keys
    // stay whole while they wait for their turn (other processes read and
    // write by them meanwhile).  Rebuilding every key of a variable-length
    // (or EFF) file, the clearing of key 0 visits every block and frees
    // all nodes no other key uses, nodes of damaged trees too.
    if (all && f->variable && k == first) {
      std::vector<uint32_t> keep = nodes_of_other_keys(f, k);
      free_all_nodes(f, rep.cleared, keep);
    } else {
      free_tree_tolerant(Key_root());
    }
    Key_set_root(0);
    ch->saved[size_t(k)] = Key_pos{};
    ch->cur_rec = ch->last_read = 0;
    ch->cur_node = 0;
    ch->cur_key.clear();
    ch->eof_pending = false;
    const int64_t expected = int64_t(Hdr32(f, kf::H_COUNT));
    // Key 0 is the only way to a record by its key: while its index is
    // incomplete, a WRITE would store a second record of a key it lacks, a
    // READ or REMOVE would not find a record that is there, and a record so
    // removed would come back when the scan met it.  Its load keeps the lock;
    // other processes work while the alternate keys are loaded.
    const bool hold = k == 0;
    if (!f->eff && !hold) op.close();

    int64_t records = 0, entered = 0;
    int shown = -1;
    uint32_t last_blk = 0;
    std::unique_ptr<Fixed_scan> fixed;
    std::vector<uint32_t> deleted;
    uint32_t a = 0;
    for (;;) {
      op.open(k);
      if (!f->variable && !fixed) fixed = std::make_unique<Fixed_scan>(f);
      if (fixed) {
        a = fixed->next();
      } else {
        try {
          Skip_on_error skip;
          a = Kvar_next(a);
        } catch (const Oru_error&) {
          a = 0;
        }
      }
      if (!a) break;
      if (fixed) K.rec_addr = 0xFFFFFFFFu;  // the variable scan has just read it
      int r;
      try {
        Skip_on_error skip;
        r = Krec_read(a);
      } catch (const Oru_error&) {
        r = -1;
      }
      if (r != 0) {
        if (r == 11 && fixed) deleted.push_back(a);  // a slot marked deleted
        continue;
      }
      if ((f->flags2 & kf::F2_EXTENDED) && (K.rec_bfr[0] & 0x80)) continue;  // an extension piece
      ++records;
      ++op.since_;
      if (k == first && fix_seq) {
        // EFF: a record's sequence is the number its auto-numbered segments
        // hold; a record written with a number of its own got the counter
        // instead.  Every key is rebuilt, key 0 first, so every later entry
        // takes the corrected sequence.
        uint32_t sq = 0;
        if (Key_auto_value(K.rec_bfr.data(), &sq) && sq != K.rec_seq) {
          Krec_set_seq(a, sq);
          K.rec_seq = sq;
          put_u32be(K.rec_bfr.data() + 1 + f->keylen + 2 + K.rec_sz, sq);
          K.rec_addr = 0xFFFFFFFFu;
        }
      }
      uint32_t piece_seq = 0;
      if (k == first && fix_piece_seq && K.rec_ext && Kext_first_seq(K.rec_ext, &piece_seq) && piece_seq != 0 &&
          piece_seq != K.rec_seq) {
        // A chain that cannot be read leaves the record as it is: it stays
        // indexed, and its READ reports the damage (error 108).
        Krec_set_seq(a, piece_seq);
        K.rec_seq = piece_seq;
        put_u32be(K.rec_bfr.data() + 1 + f->keylen + 2 + K.rec_sz, piece_seq);
        K.rec_addr = 0xFFFFFFFFu;
      }
      // An error in one record skips it.
      try {
        Skip_on_error skip;
        if (enter_record(f, k, a, rep) == Entered::entered) ++entered;
      } catch (const Oru_error&) {
      }
      if (records % 1000 == 0) ++K.serial;  // scanned blocks may leave the cache
      int pct = expected > 0 ? int(std::min<int64_t>(99, records * 100 / expected)) : 99;
      uint32_t blk = a | 255u;
      bool changed = pct != shown;
      if (changed) {
        shown = pct;
        if (rep.percent) rep.percent(pct);
      }
      // Other processes get their turn: at a block change after more than
      // 1000 records, and whenever the percentage moves on.
      if (!f->eff && !hold && (changed || (blk != last_blk && op.since_ > 1000))) op.close();
      last_blk = blk;
    }
    if (fixed && !f->eff && k == first) mend_deleted_chain(f, deleted);
    if (!fixed && !f->eff && k == first) fix_data_maps(f);
    fixed.reset();
    // The record count is the scan's only where nobody else could change
    // it meanwhile: an EFF file (its lock held throughout) or a channel
    // holding the file whole.
    if (k == 0 && (f->eff || ch->nolock)) Hdr32_set(f, kf::H_COUNT, uint32_t(records));
    if (!f->eff) {
      f->hdr[kf::H_FLAGS1] &= uint8_t(~kf::F1_NO_NOTICE);
      Key_hdr_changed();
      op.close();
    }
    if (first_count < 0) first_count = entered;
    if (rep.done) rep.done(k, records);
  }
  op.open(std::min(ch->cur_kno, nk - 1));
  Kno_def(std::min(ch->cur_kno, nk - 1));
  op.close();
  return first_count < 0 ? 0 : first_count;
}

// ---- adding, dropping and renaming keys ----

namespace {

// The segments of one key of a layout, as a descriptor list.
std::vector<Key_seg> key_segs(const Key_layout& lay, int k) {
  const Key_def& kd = lay.keys[k];
  return std::vector<Key_seg>(lay.segs.begin() + kd.first, lay.segs.begin() + kd.first + kd.nseg);
}

// Rebuilds a layout from per-key segment lists (EFF: descriptors).
Key_layout layout_of(const std::vector<std::vector<Key_seg>>& keys) {
  Key_layout lay;
  if (keys.size() > size_t(kf::MAX_KEYS_ALL)) Key_error(80);
  lay.nkeys = int(keys.size());
  for (size_t k = 0; k < keys.size(); ++k) {
    Key_def& kd = lay.keys[k];
    kd.nseg = int(keys[k].size());
    kd.first = int(lay.segs.size());
    int sum = 0;
    for (const Key_seg& sg : keys[k]) {
      if (sg.flags & kf::SF_UNIQUE) kd.unique = true;
      if (k == 0 && (sg.flags & kf::SF_DUPS)) kd.dups = true;
      if (sg.auto_number()) lay.auto_seg = int(lay.segs.size());
      sum += sg.len();
      lay.segs.push_back(sg);
    }
    kd.len = sum + ((k > 0 || kd.dups) ? 4 : 0);
    lay.max_len = std::max(lay.max_len, kd.len);
  }
  return lay;
}

Key_seg seg_of(const Key_new_seg& n) {
  Key_seg s;
  s.field = uint8_t(n.field);
  s.offset = uint16_t(n.offset);
  s.len_byte = uint8_t(n.length | (n.descending ? 128 : 0));
  s.flags = n.flags;
  s.fill = n.fill;
  return s;
}

void check_new_segs(Key_file* f, const std::vector<Key_new_seg>& segs) {
  if (segs.empty()) Key_error(80);
  bool outside = f->lay.segs[0].field == 255 && f->lay.keys[0].nseg == 1;
  int total = 0;
  for (const Key_new_seg& s : segs) {
    if (s.field < 0 || s.field > 255 || (s.field == 255 && !outside)) Key_error(80);
    if (s.offset < 0 || s.offset > 3839 || s.length < 1 || s.length > 127) Key_error(80);
    if (s.field == 255 && s.offset + s.length > f->keylen) Key_error(80);
    total += s.length;
  }
  if (total > 240) Key_error(80);
}

// The first format's segment table of a layout (384 bytes, 255 ends it);
// false when it does not fit.
bool table_of(const Key_layout& lay, int key0_len, uint8_t* tbl) {
  std::memset(tbl, 255, kf::SEG_TABLE_BYTES);
  int at = 0;
  for (int k = 0; k < lay.nkeys; ++k) {
    for (int i = 0; i < lay.keys[k].nseg; ++i) {
      const Key_seg& sg = lay.segs[size_t(lay.keys[k].first + i)];
      uint16_t fl = sg.flags & 0x2FFF;
      int need = fl ? 8 : 4;
      if (at + need + 4 > kf::SEG_TABLE_BYTES) return false;
      uint8_t* e = tbl + at;
      e[0] = uint8_t(k | ((sg.offset >> 8) << 4));
      e[1] = sg.field;
      e[2] = uint8_t(sg.offset);
      e[3] = sg.len_byte;
      if (fl) {
        e[4] = 254;
        e[5] = uint8_t(fl);
        e[6] = uint8_t((fl >> 8) & 0x2F);
        e[7] = sg.fill;
      }
      at += need;
    }
  }
  (void)key0_len;
  return true;
}

// Writes a first-format file's new segment table and decodes it again.
void put_table(Key_file* f, const uint8_t* tbl) {
  int entries = 0;
  while (entries < 96 && !(tbl[4 * entries] == 255 && entries > 0)) ++entries;
  bool ext = entries >= 32;
  if (ext) {
    if (Key_pwrite(f->fd, tbl + 128, 256, 256) != 256) Key_error(3);
  }
  std::memcpy(f->segtbl, tbl, kf::SEG_TABLE_BYTES);
  std::memcpy(f->hdr + kf::H_SEGS, tbl, 128);
  if (ext) f->hdr[kf::H_FLAGS1] |= kf::F1_EXT_TABLE;
  else f->hdr[kf::H_FLAGS1] &= uint8_t(~kf::F1_EXT_TABLE);
  f->flags1 = uint8_t((f->flags1 & ~kf::F1_EXT_TABLE) | (f->hdr[kf::H_FLAGS1] & kf::F1_EXT_TABLE));
  Key_hdr_changed();
  f->lay = Key_decode_segs(f->segtbl, ext, f->keylen);
}

// EFF key descriptors: the chain of type-253 items from header bytes 20-23.
std::vector<uint32_t> descriptor_chain(Key_file* f) {
  std::vector<uint32_t> out;
  uint32_t a = get_u32be(Eff_of(f)->fixed + eff::H_KEYD);
  for (int k = 0; k < Eff_of(f)->nkeys; ++k) {
    if (!a) Key_error(17);
    out.push_back(a);
    uint32_t next = 0;
    Kitem_data(a, eff::PT_KEYD, &next, nullptr);
    a = next;
  }
  return out;
}

std::vector<uint8_t> descriptor(int k, const std::vector<Key_seg>& segs, const std::string& name) {
  std::vector<uint8_t> d(size_t(eff::KEYD_FIXED + eff::KEYD_SEG * int(segs.size())), 0);
  d[0] = uint8_t(k);
  d[1] = uint8_t(segs.size());
  std::memcpy(d.data() + 2, name.data(), std::min<size_t>(name.size(), 24));
  for (size_t i = 0; i < segs.size(); ++i) {
    uint8_t* g = d.data() + eff::KEYD_FIXED + eff::KEYD_SEG * i;
    const Key_seg& sg = segs[i];
    g[0] = uint8_t(sg.len());
    g[1] = sg.fill;
    put_u32be(g + 2, uint32_t(sg.flags & 0x2FFF) | (sg.desc() ? 0x80u : 0u));
    put_u16be(g + 6, sg.field == 255 ? 0xFFFF : sg.field);
    put_u16be(g + 8, sg.offset);
  }
  return d;
}

void eff_fixed_changed(Key_file* f) {
  Eff_store* e = Eff_of(f);
  e->fixed_dirty = true;
  e->dirty = true;
  Key_hdr_changed();
}

}  // namespace

int Key_add_index(Key_chan* ch, const std::vector<Key_new_seg>& segs) {
  if (ch->readonly) Key_error(13);
  Key_file* f = ch->f.get();
  Key_bracket op(ch, DIR_WRITE, false);
  Key_Hdr_Lock_N_Load(2);
  Rec_unlock(ch);
  check_new_segs(f, segs);
  int k = f->lay.nkeys;
  // A full file is refused before the new key's layout is built.
  if (k >= (f->eff ? kf::MAX_KEYS_ALL : kf::MAX_KEYS)) Key_error(80);
  std::vector<std::vector<Key_seg>> keys;
  for (int j = 0; j < k; ++j) keys.push_back(key_segs(f->lay, j));
  keys.emplace_back();
  for (const Key_new_seg& s : segs) keys.back().push_back(seg_of(s));
  Key_layout lay = layout_of(keys);
  int cap = (f->blk - kf::BLK_HDR) / (lay.max_len + 5);
  if (cap < 4 || lay.max_len + 5 >= 256) Key_error(80);
  if (f->eff) {
    Eff_store* e = Eff_of(f);
    std::vector<uint32_t> chain = descriptor_chain(f);
    uint32_t last = chain.back();
    uint32_t a = Kitem_store(eff::PT_KEYD, descriptor(k, keys.back(), ""), 0, last, last);
    Kitem_link(last, eff::PT_KEYD, true, a);
    uint8_t* h = e->fixed;
    int total = lay.keys[k].len - 4;
    if (total + 4 > h[eff::H_KEYBUF]) h[eff::H_KEYBUF] = uint8_t(total + 4);
    put_u16be(h + eff::H_NSEGS, uint16_t(get_u16be(h + eff::H_NSEGS) + int(segs.size())));
    h[eff::H_NKEYS] = uint8_t(k + 1);
    e->nkeys = k + 1;
    e->roots.push_back(0);
    eff_fixed_changed(f);
    f->lay = lay;
    Eff_segtbl_from_layout(f);
  } else {
    uint8_t tbl[kf::SEG_TABLE_BYTES];
    if (!table_of(lay, f->keylen, tbl)) Key_error(80);
    // A key 0 written as the bare outside key keeps that form.
    if (f->segtbl[0] == 0 && (f->segtbl[3] & 127) == 0) std::memcpy(tbl, f->segtbl, 4);
    Hdr32_set(f, kf::H_ROOTS + 4 * k, 0);
    put_table(f, tbl);
  }
  ch->saved[size_t(k)] = Key_pos{};
  op.done();
  return k;
}

void Key_drop_index(Key_chan* ch, int k) {
  if (ch->readonly) Key_error(13);
  Key_file* f = ch->f.get();
  Key_bracket op(ch, DIR_WRITE, false);
  Key_Hdr_Lock_N_Load(2);
  Rec_unlock(ch);
  int nk = f->lay.nkeys;
  if (k < 1 || k >= nk) Key_error(80);
  Kno_def(k);
  free_tree_tolerant(Key_root());
  std::vector<std::vector<Key_seg>> keys;
  for (int j = 0; j < nk; ++j)
    if (j != k) keys.push_back(key_segs(f->lay, j));
  Key_layout lay = layout_of(keys);
  if (f->eff) {
    Eff_store* e = Eff_of(f);
    std::vector<uint32_t> chain = descriptor_chain(f);
    uint32_t prev = chain[size_t(k - 1)];
    uint32_t next = size_t(k + 1) < chain.size() ? chain[size_t(k + 1)] : 0;
    Kitem_link(prev, eff::PT_KEYD, true, next);
    if (next) Kitem_link(next, eff::PT_KEYD, false, prev);
    Kitem_drop(chain[size_t(k)], eff::PT_KEYD);
    for (size_t j = size_t(k + 1); j < chain.size(); ++j) {
      std::vector<uint8_t> d = Kitem_data(chain[j], eff::PT_KEYD, nullptr, nullptr);
      d[0] = uint8_t(j - 1);
      Kitem_rewrite(chain[j], eff::PT_KEYD, d);
    }
    uint8_t* h = e->fixed;
    int dropped = f->lay.keys[k].nseg;
    put_u16be(h + eff::H_NSEGS, uint16_t(std::max(0, get_u16be(h + eff::H_NSEGS) - dropped)));
    h[eff::H_NKEYS] = uint8_t(nk - 1);
    e->roots.erase(e->roots.begin() + k);
    e->nkeys = nk - 1;
    eff_fixed_changed(f);
    f->lay = lay;
    Eff_segtbl_from_layout(f);
  } else {
    uint8_t tbl[kf::SEG_TABLE_BYTES];
    if (!table_of(lay, f->keylen, tbl)) Key_error(80);
    if (f->segtbl[0] == 0 && (f->segtbl[3] & 127) == 0) std::memcpy(tbl, f->segtbl, 4);
    for (int j = k; j < kf::MAX_KEYS - 1; ++j)
      put_u32be(f->hdr + kf::H_ROOTS + 4 * j, get_u32be(f->hdr + kf::H_ROOTS + 4 * (j + 1)));
    put_u32be(f->hdr + kf::H_ROOTS + 4 * (kf::MAX_KEYS - 1), 0);
    put_table(f, tbl);
  }
  for (int j = k; j + 1 < nk; ++j) ch->saved[size_t(j)] = ch->saved[size_t(j + 1)];
  ch->saved[size_t(nk - 1)] = Key_pos{};
  if (ch->cur_kno == k) ch->cur_kno = 0;
  else if (ch->cur_kno > k) --ch->cur_kno;
  ch->last_kno = 0;
  Kno_def(0);
  op.done();
}

void Key_rename_index(Key_chan* ch, int k, const std::string& name) {
  Key_file* f = ch->f.get();
  if (!f->eff) return;
  if (ch->readonly) Key_error(13);
  Key_bracket op(ch, DIR_WRITE, false);
  Key_Hdr_Lock_N_Load(2);
  Rec_unlock(ch);
  if (k < 0 || k >= f->lay.nkeys) Key_error(80);
  uint32_t a = descriptor_chain(f)[size_t(k)];
  std::vector<uint8_t> d = Kitem_data(a, eff::PT_KEYD, nullptr, nullptr);
  if (d.size() < size_t(eff::KEYD_FIXED)) Key_error(80);
  std::memset(d.data() + 2, 0, 24);
  std::memcpy(d.data() + 2, name.data(), std::min<size_t>(name.size(), 24));
  Kitem_rewrite(a, eff::PT_KEYD, d);
  op.done();
}

std::vector<std::string> Key_descriptor_names(Key_chan* ch) {
  Key_file* f = ch->f.get();
  if (!f->eff) return {};
  Key_bracket op(ch, DIR_READ, false);
  Key_Hdr_Lock_N_Load(1);
  std::vector<std::string> names;
  for (uint32_t a : descriptor_chain(f)) {
    std::vector<uint8_t> d = Kitem_data(a, eff::PT_KEYD, nullptr, nullptr);
    std::string n(reinterpret_cast<const char*>(d.data() + 2), 24);
    n.erase(std::find(n.begin(), n.end(), '\0'), n.end());
    names.push_back(n);
  }
  op.done();
  return names;
}
