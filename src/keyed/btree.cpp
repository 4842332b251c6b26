// Keyed files, first format: the B-tree of each key.
//
// Node (block type 254): 6-byte block header, then count entries of Kent_sz
// bytes each: BE32 pointer, key value (length byte + full key length).
//   pointer > 0   child node; its subtree holds keys not above the entry's
//                 key (which may stay above the child's real maximum after
//                 deletes)
//   pointer <= 0  leaf entry; the record lives at -pointer
// The last entry of every node on the rightmost path is the end sentinel
// (all 255 bytes); in the rightmost leaf its pointer is 0.  Space after the
// last entry is zero.  An empty index has root 0.
//
// Key values compare by bytes 1..Ksz-1 as unsigned bytes, then by the
// length byte.  The path stack (K.kadr, K.kidx, K.depth) holds the nodes of
// the last search from the root down, each with the index taken there; an
// insert or delete always follows a search for the same value in the same
// operation.  Sixteen levels are the limit; a deeper tree is error 105.
#include <algorithm>
#include <cstring>

#include "core/oru_assert.h"
#include "keyed/key_encoding.h"
#include "keyed/key_settings.h"
#include "keyed/eff_store.h"
#include "keyed/keyed_internal.h"

namespace {
int32_t entry_ptr(const uint8_t* e) { return get_i32be(e); }
// The record of a leaf entry: its pointer negated (as unsigned: a damaged
// entry may hold any pointer).
uint32_t entry_record(const uint8_t* e) { return 0u - uint32_t(entry_ptr(e)); }

bool is_sentinel(const uint8_t* key, int ksz) {
  for (int i = 0; i < ksz; ++i)
    if (key[i] != 255) return false;
  return true;
}

void push(uint32_t node, int idx) {
  if (K.depth >= kf::MAX_DEPTH) Key_error(105);
  K.kadr[K.depth] = node;
  K.kidx[K.depth] = idx;
  ++K.depth;
}

Kbfr* node(uint32_t addr) { return Kbfr_get(addr, kf::BT_NODE); }

void set_current(uint32_t nd, int idx, const uint8_t* e) {
  Key_chan* ch = K.ch;
  ch->cur_node = nd;
  ch->cur_idx = idx;
  ch->cur_rec = entry_record(e);
  ch->cur_key.assign(e + 4, e + 4 + K.ksz);
  ch->cur_kno_pos = K.kno;
}

void clear_current(uint32_t nd, int idx) {
  Key_chan* ch = K.ch;
  ch->cur_node = nd;
  ch->cur_idx = idx;
  ch->cur_rec = 0;
  ch->cur_key.assign(size_t(K.ksz), 0);
  ch->cur_kno_pos = K.kno;
}

#ifdef ORU_ASSERTS
// Every entry of node b not above the next one.
bool node_in_order(Kbfr* b) {
  for (int i = 1; i < b->count; ++i)
    if (Kcmp(Kent_at(b, i - 1) + 4, Kent_at(b, i) + 4) > 0) return false;
  return true;
}
#endif

// First entry not below key in node b (count n).  The entry after the one
// found must not be below the key either: a node out of order (a damaged
// index) is error 105, since a search that stopped early would hand a
// stepping read the same entries again and again.
int find_in_node(Kbfr* b, const uint8_t* key) {
  int n = b->count;
  int i = 0;
  if (Key_cfg.search_binary && n > 0) {
    int lo = 0, hi = n;  // answer in [lo, hi]
    int probe = n * 10 / 20;
    while (lo < hi) {
      int c = Kcmp(Kent_at(b, probe) + 4, key);
      if (c == 0) {
        lo = probe;
        break;
      }
      if (c < 0) lo = probe + 1; else hi = probe;
      probe = lo + (hi - lo) / 2;
    }
    i = lo;
  } else {
    while (i < n && Kcmp(Kent_at(b, i) + 4, key) < 0) ++i;
  }
  if (i + 1 < n && Kcmp(Kent_at(b, i + 1) + 4, key) < 0) Key_error(105);
  return i;
}

// Copies n entries.
void move_entries(uint8_t* to, const uint8_t* from, int n) { std::memmove(to, from, size_t(n) * size_t(K.kent_sz)); }

void zero_tail(Kbfr* b) {
  uint8_t* end = Kent_at(b, b->count);
  std::memset(end, 0, size_t(b->b() + K.f->blk - end));
}

// The field bytes of field n (1-based) of the record data.
bool find_field(const uint8_t* data, int len, int n, int sep, const uint8_t** start, int* flen) {
  const uint8_t* p = data;
  const uint8_t* end = data + len;
  if (sep == -1) {
    for (int i = 1;; ++i) {
      if (p >= end) return false;
      uint8_t c = *p++;
      int64_t item;
      if (c <= 127) {
        item = c;
      } else if (c == 241) {
        if (p + 1 > end) return false;
        item = *p++;
      } else if (c == 242) {
        if (p + 2 > end) return false;
        item = get_u16be(p);
        p += 2;
      } else if (c == 244) {
        if (p + 4 > end) return false;
        item = get_u32be(p);
        p += 4;
      } else {
        item = (c & 7) + ((c & 0xF0) == 0x90 ? 1 : 0);
      }
      if (item > end - p) item = end - p;
      if (i == n) {
        *start = p;
        *flen = int(item);
        return true;
      }
      p += item;
    }
  }
  for (int i = 1; i < n; ++i) {
    const uint8_t* q = static_cast<const uint8_t*>(std::memchr(p, sep, size_t(end - p)));
    if (!q) return false;
    p = q + 1;
  }
  const uint8_t* q = static_cast<const uint8_t*>(std::memchr(p, sep, size_t(end - p)));
  *start = p;
  *flen = int((q ? q : end) - p);
  return true;
}
}  // namespace

uint8_t* Kent_at(Kbfr* b, int i) { return b->b() + kf::BLK_HDR + size_t(i) * size_t(K.kent_sz); }

int Kcmp(const uint8_t* a, const uint8_t* b) {
  int c = std::memcmp(a + 1, b + 1, size_t(K.ksz - 1));
  if (c) return c;
  return int(a[0]) - int(b[0]);
}

void Kno_def(int k) {
  Key_file* f = K.f;
  if (k < 0) k = K.ch->cur_kno;
  if (k >= f->lay.nkeys) Key_error(13);
  K.kno = k;
  K.ksz = f->lay.keys[k].len + 1;
  K.kent_sz = K.ksz + 4;
  K.max_kidx = (f->blk - kf::BLK_HDR) / K.kent_sz;
  if ((!Key_cfg.big_nodes && !f->cap_lifted) || f->eff) K.max_kidx = std::min(K.max_kidx, 255);
  K.nullkey = f->flags1 & kf::F1_NULL_KEY;
}

uint32_t Key_root() {
  if (K.f->eff) return K.f->eff->roots[size_t(K.kno)];
  return Hdr32(K.f, kf::H_ROOTS + 4 * K.kno);
}
void Key_set_root(uint32_t addr) {
  if (K.f->eff) {
    K.f->eff->roots[size_t(K.kno)] = addr;
    Key_hdr_changed();
    return;
  }
  Hdr32_set(K.f, kf::H_ROOTS + 4 * K.kno, addr);
}

// EFF: the record sequence after the data of an image.
uint32_t Eff_image_seq(const uint8_t* image) {
  int W = K.f->keylen;
  int dlen = std::min(Key_data_len(K.f, get_u16be(image + 1 + W)), K.f->reclen);
  return get_u32be(image + 1 + W + 2 + dlen);
}

// ---- building key values ----

int Kent_gen(const uint8_t* image, uint8_t* key, uint32_t addr, bool write) {
  Key_file* f = K.f;
  const Key_def& kd = f->lay.keys[K.kno];
  std::memset(key, 0, size_t(K.ksz));
  // An image is Key_image_size bytes and its data length never above the
  // record length; the bound keeps a damaged length inside the image.
  const uint8_t* data = image + 1 + f->keylen + 2;
  int dlen = std::min(Key_data_len(f, get_u16be(image + 1 + f->keylen)), f->reclen);
  int L = 0, pad_total = 0, nulls = 0;
  uint8_t last_m = 0;
  uint8_t* out = key + 1;
  for (int s = 0; s < kd.nseg; ++s) {
    const Key_seg& sg = f->lay.segs[size_t(kd.first + s)];
    const uint8_t* src = nullptr;
    int avail = 0;
    if (sg.field == 255) {
      src = image + 1;
      avail = std::min<int>(image[0] & 127, f->keylen);
    } else if (sg.field == 0) {
      src = data;
      avail = dlen;
    } else if (!find_field(data, dlen, sg.field, f->sep, &src, &avail)) {
      avail = 0;
    }
    if (sg.offset < avail) {
      src += sg.offset;
      avail -= sg.offset;
    } else {
      avail = 0;
    }
    int S = sg.len();
    uint8_t M = sg.desc() ? 255 : 0;
    last_m = M;
    int T = std::min(avail, S);
    int P = S - T;
    bool null = true;
    uint8_t* dst = out + L;
    if ((sg.flags & kf::SF_KIND) == kf::SF_BINNUM) {
      // The option byte of a binary numeric segment is its decimal places.
      null = Key_encode_number(src, T, dst, S, sg.fill) != 0;
      for (int i = 0; i < S; ++i) dst[i] ^= M;
      T = S;
      P = 0;
    } else if (sg.flags) {
      int si = 0;
      bool ended = false;
      for (int i = 0; i < T; ++i) {
        uint8_t b = ended ? 0 : src[si];
        if ((sg.flags & kf::SF_NUL_END) && b == 0) ended = true;
        if (!ended) ++si;
        if (sg.flags & kf::SF_ACCENTS) b = Key_cfg.accents[b];
        if (sg.flags & kf::SF_UPPER) b = Key_cfg.upper[b];
        else if (sg.flags & kf::SF_LOWER) b = Key_cfg.lower[b];
        if (b != sg.fill) null = false;
        int at = (sg.flags & kf::SF_REVERSE) ? S - 1 - i : i;
        if (at >= T) at = i;  // reversal inside the bytes taken
        dst[at] = b ^ M;
      }
      if ((sg.flags & kf::SF_REVERSE) && T < S) {
        // Reversed over the segment's width: the bytes taken end at its end.
        std::reverse(dst, dst + T);
      }
      if ((sg.flags & kf::SF_KIND) == kf::SF_SIGNED && T > 0) dst[0] ^= 128;
    } else {
      for (int i = 0; i < T; ++i) {
        dst[i] = src[i] ^ M;
        if (src[i] != sg.fill) null = false;
      }
    }
    L += T;
    if (null) {
      if (sg.flags & kf::SF_NULL_SKIP) {
        std::memset(key, 0, size_t(K.ksz));
        return 0;
      }
      ++nulls;
    }
    if (K.nullkey) {
      std::memset(out + L, M, size_t(P));
      L += P;
    } else {
      pad_total += P;
    }
  }
  if (nulls == kd.nseg && (f->lay.segs[size_t(kd.first)].flags & kf::SF_NULL_COUNT || [&] {
        for (int s = 0; s < kd.nseg; ++s)
          if (f->lay.segs[size_t(kd.first + s)].flags & kf::SF_NULL_COUNT) return true;
        return false;
      }())) {
    std::memset(key, 0, size_t(K.ksz));
    return 0;
  }
  if (f->eff && (K.kno > 0 || kd.dups)) {
    // EFF: equal values stay in insertion order (the record sequence).
    put_u32be(out + L, Eff_image_seq(image));
    L += 4;
  } else if (K.kno == 0 && kd.dups) {
    int seglen = kd.len - 4;
    uint32_t seq;
    if (write) {
      seq = get_u32be(f->hdr + kf::H_AUTO) + 1;
    } else {
      seq = get_u32be(image + 1 + seglen);
    }
    put_u32be(out + L, seq);
    L += 4;
  } else if (K.kno > 0) {
    put_u32be(out + L, addr);
    L += 4;
  }
  std::memset(out + L, last_m, size_t(std::max(0, std::min(pad_total, K.ksz - 1 - L))));
  key[0] = uint8_t(L);
  return L;
}

int Key_adjust(uint8_t* key, int mode, int len) {
  Key_file* f = K.f;
  const Key_def& kd = f->lay.keys[K.kno];
  int left = (K.kno == 0 && !Key_cfg.key0_full) ? K.ksz - 1 : len;
  uint8_t* p = key + 1;
  for (int s = 0; s < kd.nseg && left > 0; ++s) {
    const Key_seg& sg = f->lay.segs[size_t(kd.first + s)];
    int w = std::min(left, sg.len());
    if ((sg.flags & kf::SF_KIND) == kf::SF_BINNUM) {
      if (mode == 2) {
        // The program's number becomes the encoded segment of full width.
        int full = sg.len();
        std::vector<uint8_t> enc(size_t(full), 0);
        Key_encode_number(p, w, enc.data(), full, sg.fill);
        int tail = len - (int(p - key) - 1) - w;
        if (full != w && tail > 0) std::memmove(p + full, p + w, size_t(std::min(tail, K.ksz - 1 - int(p - key) - full)));
        std::memcpy(p, enc.data(), size_t(full));
        if (sg.desc())
          for (int i = 0; i < full; ++i) p[i] ^= 255;
        len += full - w;
        if (len > K.ksz - 1) len = K.ksz - 1;
        key[0] = uint8_t(std::max<int>(key[0], int(p - key) - 1 + full));
        left += full - w;
        w = full;
      } else {
        if (sg.desc())
          for (int i = 0; i < w; ++i) p[i] ^= 255;
        if (w == sg.len()) Key_decode_number(p, w);
      }
      p += w;
      left -= w;
      continue;
    }
    auto reversible = [&] {
      if (sg.flags & kf::SF_NUL_END) {
        bool z = false;
        for (int i = 0; i < w; ++i) {
          if (z) p[i] = 0;
          if (p[i] == 0) z = true;
        }
      }
      if (sg.flags & kf::SF_REVERSE) std::reverse(p, p + w);
      if ((sg.flags & kf::SF_KIND) == kf::SF_SIGNED && w > 0) p[0] ^= 128;
    };
    if (mode == 2) {
      reversible();
      for (int i = 0; i < w; ++i) {
        uint8_t b = p[i];
        if (sg.flags & kf::SF_ACCENTS) b = Key_cfg.accents[b];
        if (sg.flags & kf::SF_UPPER) b = Key_cfg.upper[b];
        else if (sg.flags & kf::SF_LOWER) b = Key_cfg.lower[b];
        p[i] = sg.desc() ? b ^ 255 : b;
      }
    } else {
      for (int i = 0; i < w; ++i) p[i] = sg.desc() ? p[i] ^ 255 : p[i];
      reversible();
    }
    p += w;
    left -= w;
  }
  return len;
}

// ---- search ----

int Kfnd_key(const uint8_t* key, int check) {
  Key_Hdr_Lock_N_Load(1);
  Key_file* f = K.f;
  bool climb = !K.no_climb && (K.kno > 0 || f->lay.keys[0].dups) && !((f->flags1 & kf::F1_CHECKED) && check != 1);
  K.depth = 0;
  uint32_t addr = Key_root();
  if (addr == 0) {
    clear_current(0, 0);
    return 11;
  }
  Kbfr* b = nullptr;
  int i = 0;
  bool qualified = false;
  for (;;) {
    b = node(addr);
    i = find_in_node(b, key);
    int32_t ptr = 0;
    qualified = i < b->count;
    if (qualified) {
      ptr = entry_ptr(Kent_at(b, i));
    } else if (climb && K.depth >= 1) {
      int d = K.depth;
      while (d > 0) {
        --d;
        Kbfr* pb = node(K.kadr[d]);
        if (K.kidx[d] + 1 < pb->count) {
          K.depth = d;
          addr = K.kadr[d];
          b = pb;
          i = K.kidx[d] + 1;
          ptr = entry_ptr(Kent_at(b, i));
          qualified = true;
          break;
        }
      }
    }
    push(addr, i);
    if (ptr > 0) {
      addr = uint32_t(ptr);
      continue;
    }
    break;
  }
  if (!qualified) {
    clear_current(addr, i);
    return 11;
  }
  const uint8_t* e = Kent_at(b, i);
  set_current(addr, i, e);
  return Kcmp(e + 4, key) == 0 ? 0 : 11;
}

int Kfnd_key_chk(const uint8_t* key) {
  int r = Kfnd_key(key, 1);
  Key_file* f = K.f;
  if (r == 11 && (K.kno > 0 || f->lay.keys[0].dups)) {
    const std::vector<uint8_t>& c = K.ch->cur_key;
    int L = key[0];
    if (!c.empty() && c[0] == L + 4 && std::memcmp(c.data() + 1, key + 1, size_t(L)) == 0 &&
        !is_sentinel(c.data(), K.ksz))
      return 0;
  }
  return r;
}

void Key_set_current_from_top() {
  Kbfr* b = node(K.kadr[K.depth - 1]);
  set_current(K.kadr[K.depth - 1], K.kidx[K.depth - 1], Kent_at(b, K.kidx[K.depth - 1]));
}

int Kfnd_advance(Key_pos& pos, int step) {
  // A step beyond any index (2^30 entries) leaves it all the same, and the
  // entry arithmetic below stays in range.
  step = std::clamp(step, -(1 << 30), 1 << 30);
  bool before_first = pos.key.empty();
  std::vector<uint8_t> k = pos.key;
  k.resize(size_t(K.ksz), 0);
  if (is_sentinel(k.data(), K.ksz)) k[0] = 0;
  int r0 = Kfnd_key(k.data(), 0);
  if (K.depth == 0) return 2;
  int r = step;
  // Found exactly: the step starts from that entry.  Otherwise the search
  // stopped on the entry after the value, which is the first step forward.
  if ((r0 != 0 || before_first) && step > 0) r = step - 1;
  bool forward = step > 0;
  for (int guard = 0;; ++guard) {
    if (guard > 1 << 24) Key_error(105);
    Kbfr* b = node(K.kadr[K.depth - 1]);
    int i = K.kidx[K.depth - 1] + r;
    if (i >= 0 && i < b->count) {
      K.kidx[K.depth - 1] = i;
      const uint8_t* e = Kent_at(b, i);
      if (is_sentinel(e + 4, K.ksz)) {
        K.advance_left = 0;
        return 2;
      }
      // A step lands beyond the value it started from, in its direction
      // (from before the first entry, on any entry); a damaged index that
      // leads back is error 105, not an endless walk.
      int c = Kcmp(e + 4, k.data());
      if (step != 0 && !before_first && (forward ? c <= 0 : c >= 0)) Key_error(105);
      set_current(K.kadr[K.depth - 1], i, e);
      return 0;
    }
    r = forward ? i - b->count : i;
    // Climb to the nearest ancestor that can move.
    --K.depth;
    bool moved = false;
    while (K.depth > 0) {
      Kbfr* p = node(K.kadr[K.depth - 1]);
      int& ki = K.kidx[K.depth - 1];
      if (forward && ki + 1 < p->count) {
        ++ki;
        moved = true;
        break;
      }
      if (!forward && ki - 1 >= 0 && ki - 1 < p->count) {
        --ki;
        moved = true;
        break;
      }
      --K.depth;
    }
    if (!moved) {
      K.advance_left = r;
      return 2;
    }
    // Down to the leftmost (forward) or rightmost (backward) leaf.
    Kbfr* p = node(K.kadr[K.depth - 1]);
    int32_t ptr = entry_ptr(Kent_at(p, K.kidx[K.depth - 1]));
    while (ptr > 0) {
      Kbfr* c = node(uint32_t(ptr));
      if (c->count == 0) Key_error(105);
      const uint8_t* first = Kent_at(c, forward ? 0 : c->count - 1);
      if (entry_ptr(first) > 0) {
        push(uint32_t(ptr), forward ? 0 : c->count - 1);
        ptr = entry_ptr(first);
      } else {
        push(uint32_t(ptr), forward ? 0 : c->count);
        break;
      }
    }
    if (ptr <= 0 && K.depth > 0 && K.kadr[K.depth - 1] == p->addr) Key_error(105);
  }
}

// Loads the header; whether the node address of a saved position may be
// read (in an EFF file, another process may have freed or reused its page
// since: only a page the map holds as a node is read).
static bool node_hint(uint32_t addr) {
  Key_Hdr_Lock_N_Load(1);
  return !K.f->eff || Eff_page_is_node(K.f, addr);
}

int Kfnd_nxt(Key_pos& pos) {
  Key_chan* ch = K.ch;
  // A channel holding a record lock gets its position back, on any key
  // that indexes the record (the other keys' values come from it).
  if (ch->lock_held && ch->last_read && !pos.key.empty() && (pos.node || K.kno == 0 || pos.key[0] != 0)) {
    ch->cur_node = pos.node;
    ch->cur_idx = pos.idx;
    ch->cur_rec = ch->last_read;
    ch->cur_key = pos.key;
    ch->cur_kno_pos = K.kno;
    return 0;
  }
  // The node and index are a hint, trusted only while the entry there still
  // holds the saved value for the last record read.
  if (pos.node && pos.key.size() == size_t(K.ksz) && node_hint(pos.node)) {
    Kbfr* b = Kbfr_get(pos.node, 1);
    if (b->b()[0] == kf::BT_NODE && pos.idx + 1 < b->count && pos.idx >= 0) {
      const uint8_t* e = Kent_at(b, pos.idx);
      if (entry_record(e) == ch->last_read && std::memcmp(e + 4, pos.key.data(), size_t(K.ksz)) == 0) {
        const uint8_t* n = Kent_at(b, pos.idx + 1);
        if (entry_ptr(n) <= 0) {
          if (is_sentinel(n + 4, K.ksz)) return 2;
          if (Kcmp(n + 4, e + 4) <= 0) Key_error(105);
          set_current(pos.node, pos.idx + 1, n);
          return 0;
        }
      }
    }
  }
  return Kfnd_advance(pos, 1);
}

int Kfnd_prv(Key_pos& pos) {
  Key_chan* ch = K.ch;
  if (pos.node && pos.idx >= 1 && pos.key.size() == size_t(K.ksz) && node_hint(pos.node)) {
    Kbfr* b = Kbfr_get(pos.node, 1);
    if (b->b()[0] == kf::BT_NODE && pos.idx < b->count) {
      const uint8_t* e = Kent_at(b, pos.idx);
      if (entry_record(e) == ch->last_read && std::memcmp(e + 4, pos.key.data(), size_t(K.ksz)) == 0) {
        const uint8_t* n = Kent_at(b, pos.idx - 1);
        if (entry_ptr(n) <= 0) {
          if (Kcmp(n + 4, e + 4) >= 0) Key_error(105);
          set_current(pos.node, pos.idx - 1, n);
          return 0;
        }
      }
    }
  }
  return Kfnd_advance(pos, -1);
}

// Ordinal n (1-based) in key order.
int Kfnd_by_rno(int64_t n) {
  Key_Hdr_Lock_N_Load(1);
  K.depth = 0;
  uint32_t root = Key_root();
  if (root == 0 || n < 1) return 2;
  // Down the leftmost path, then leaf by leaf.
  uint32_t addr = root;
  for (;;) {
    Kbfr* b = node(addr);
    if (b->count == 0) Key_error(105);
    int32_t ptr = entry_ptr(Kent_at(b, 0));
    push(addr, 0);
    if (ptr <= 0) break;
    addr = uint32_t(ptr);
  }
  for (int64_t leaves = 0;; ++leaves) {
    if (leaves > (1 << 22)) Key_error(105);  // a damaged tree sharing nodes
    Kbfr* b = node(K.kadr[K.depth - 1]);
    if (n - 1 < b->count) {
      int i = int(n - 1);
      const uint8_t* e = Kent_at(b, i);
      if (is_sentinel(e + 4, K.ksz)) return 2;
      K.kidx[K.depth - 1] = i;
      set_current(K.kadr[K.depth - 1], i, e);
      return 0;
    }
    n -= b->count;
    // Next leaf: climb, step right, descend leftmost.
    --K.depth;
    while (K.depth > 0) {
      Kbfr* p = node(K.kadr[K.depth - 1]);
      if (K.kidx[K.depth - 1] + 1 < p->count) {
        ++K.kidx[K.depth - 1];
        break;
      }
      --K.depth;
    }
    if (K.depth == 0) return 2;
    Kbfr* p = node(K.kadr[K.depth - 1]);
    int32_t ptr = entry_ptr(Kent_at(p, K.kidx[K.depth - 1]));
    while (ptr > 0) {
      Kbfr* c = node(uint32_t(ptr));
      if (c->count == 0) Key_error(105);
      push(uint32_t(ptr), 0);
      ptr = entry_ptr(Kent_at(c, 0));
    }
  }
}

// The number of leaf entries in the subtree at addr.
static int64_t visits = 0;
static int64_t subtree_entries(uint32_t addr, int depth) {
  if (depth >= kf::MAX_DEPTH || ++visits > (1 << 22)) Key_error(105);
  Kbfr* b = node(addr);
  int n = b->count;
  if (n == 0 || entry_ptr(Kent_at(b, 0)) <= 0) return n;
  int64_t sum = 0;
  std::vector<uint32_t> kids;
  for (int i = 0; i < n; ++i) kids.push_back(uint32_t(entry_ptr(Kent_at(node(addr), i))));
  for (uint32_t k : kids)
    if (int32_t(k) > 0) sum += subtree_entries(k, depth + 1);
  return sum;
}

int64_t Key_ordinal() {
  // The path stack leads to the current entry.
  int64_t sum = 0;
  visits = 0;
  for (int d = 0; d < K.depth - 1; ++d) {
    for (int i = 0; i < K.kidx[d]; ++i) {
      int32_t ptr = entry_ptr(Kent_at(node(K.kadr[d]), i));
      if (ptr > 0) sum += subtree_entries(uint32_t(ptr), d + 1);
    }
  }
  return sum + K.kidx[K.depth - 1] + 1;
}

// ---- insert ----

void Kent_add(const uint8_t* key, int32_t ptr) {
  uint32_t addr;
  int index;
  if (K.depth == 0) {
    Kbfr* r = Kbfr_new(kf::BT_NODE);
    uint8_t* e = Kent_at(r, 0);
    put_u32be(e, Key_root());
    std::memset(e + 4, 255, size_t(K.ksz));
    r->count = 1;
    Kbfr_touch(r);
    Key_set_root(r->addr);
    addr = r->addr;
    index = 0;
  } else {
    --K.depth;
    addr = K.kadr[K.depth];
    index = K.kidx[K.depth];
  }
  Kbfr* b = node(addr);
  if (b->count > K.max_kidx || index > b->count) Key_error(106);
  Kbfr* target = b;
  int ti = index;
  if (b->count == K.max_kidx) {
    int q = (K.max_kidx + 3) / 4;
    int s = std::clamp(index, q, K.max_kidx - q);
    Kbfr* nb = Kbfr_new(kf::BT_NODE);
    move_entries(Kent_at(nb, 0), Kent_at(b, 0), s);
    nb->count = uint16_t(s);
    move_entries(Kent_at(b, 0), Kent_at(b, s), b->count - s);
    b->count = uint16_t(b->count - s);
    ORU_ASSERT(s >= 1 && b->count >= 1);
    zero_tail(b);
    Kbfr_touch(b);
    Kbfr_touch(nb);
    std::vector<uint8_t> sep(Kent_at(nb, s - 1) + 4, Kent_at(nb, s - 1) + 4 + K.ksz);
    Kent_add(sep.data(), int32_t(nb->addr));
    // The parent's top entry is now the new node's; the old node follows it.
    if (index < s) {
      target = nb;
      ti = index;
    } else {
      target = b;
      ti = index - s;
      K.kidx[K.depth - 1] += 1;
    }
  }
  ORU_ASSERT(target->count < K.max_kidx && ti >= 0 && ti <= target->count);
#ifdef ORU_ASSERTS
  // A leaf that was in order stays so: the search placed the key and the
  // lending and splitting above moved the place with the entries.  (A node
  // of a damaged file is out of order by the file's fault; the place of an
  // inner node's separator depends on the nodes above, which the file gives.)
  bool was_ordered = ptr <= 0 && node_in_order(target);
#endif
  uint8_t* at = Kent_at(target, ti);
  move_entries(at + K.kent_sz, at, target->count - ti);
  put_u32be(at, uint32_t(ptr));
  std::memcpy(at + 4, key, size_t(K.ksz));
  target->count = uint16_t(target->count + 1);
#ifdef ORU_ASSERTS
  ORU_ASSERT(!was_ordered || node_in_order(target));
#endif
  Kbfr_touch(target);
  Key_pos& sv = K.ch->saved[size_t(K.kno)];
  sv.node = target->addr;
  sv.idx = ti;
  push(target->addr, ti);
}

// ---- delete ----

void Kent_del() {
  if (K.depth == 0) Key_error(105);
  --K.depth;
  uint32_t addr = K.kadr[K.depth];
  int index = K.kidx[K.depth];
  Kbfr* b = node(addr);
  if (index < 0 || index >= b->count) Key_error(105);
  uint8_t* at = Kent_at(b, index);
  move_entries(at, at + K.kent_sz, b->count - index - 1);
  b->count = uint16_t(b->count - 1);
  zero_tail(b);
  Kbfr_touch(b);
  // A node keeps its place above an eighth of its capacity (EFF: from a
  // quarter, at least two entries, so that a root of one entry collapses).
  if (K.f->eff ? b->count >= std::max(2, K.max_kidx / 4) : b->count > K.max_kidx / 8 + 1) return;
  if (addr == Key_root()) {
    if (b->count == 1) {
      const uint8_t* e = Kent_at(b, 0);
      if (!is_sentinel(e + 4, K.ksz)) Key_error(110);
      int32_t p = entry_ptr(e);
      Key_set_root(p > 0 ? uint32_t(p) : 0);
      Kbfr_free(b);
    } else if (b->count == 0) {
      Key_error(110);
    }
    return;
  }
  if (K.depth == 0) Key_error(105);
  uint32_t paddr = K.kadr[K.depth - 1];
  int j = K.kidx[K.depth - 1];
  Kbfr* p = node(paddr);
  if (j < 0 || j >= p->count) Key_error(105);
  Kbfr* receiver;
  Kbfr* donor;
  Kbfr* right = nullptr;
  if (j + 1 < p->count) {
    int32_t rp = entry_ptr(Kent_at(p, j + 1));
    if (rp <= 0) Key_error(105);
    right = node(uint32_t(rp));
  }
  if (right && right->count + b->count <= K.max_kidx) {
    receiver = b;
    donor = right;
  } else {
    if (j - 1 < 0) {
      if (b->count > 0) {
        --K.depth;
        return;
      }
      Kbfr_free(b);
      Kent_del();  // the parent's entry j, still on top of the path
      return;
    }
    int32_t lp = entry_ptr(Kent_at(p, j - 1));
    if (lp <= 0) Key_error(105);
    Kbfr* left = node(uint32_t(lp));
    if (left->count + b->count > K.max_kidx) {
      --K.depth;
      return;
    }
    receiver = left;
    donor = b;
    K.kidx[K.depth - 1] = j - 1;
  }
  move_entries(Kent_at(receiver, receiver->count), Kent_at(donor, 0), donor->count);
  receiver->count = uint16_t(receiver->count + donor->count);
  donor->count = 0;
  // The merged node takes the right node's place, whose parent entry
  // carries the higher key; the left block is freed.
  extern void Kbfr_swap_addr(Kbfr * a, Kbfr * b);
  Kbfr_swap_addr(receiver, donor);
  Kbfr_touch(receiver);
  Kbfr_free(donor);
  Kent_del();
}

void Key_free_tree(uint32_t root) {
  if (root == 0) return;
  std::vector<std::pair<uint32_t, int>> stack{{root, 0}};
  int guard = 0;
  while (!stack.empty()) {
    if (++guard > 1 << 22) Key_error(105);
    auto [a, d] = stack.back();
    stack.pop_back();
    if (d >= kf::MAX_DEPTH) Key_error(105);
    Kbfr* b = node(a);
    for (int i = 0; i < b->count; ++i) {
      int32_t p = entry_ptr(Kent_at(b, i));
      if (p <= 0) break;
      stack.push_back({uint32_t(p), d + 1});
    }
    Kbfr_free(b);
  }
}
