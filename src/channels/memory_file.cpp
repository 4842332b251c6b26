// Memory files (kind 18): a keyed file held in process memory.
//
// Records (Dyn_rec, one Get_blk block each):
//   next, prev            the record list
//   ext_len, data_len     i32
//   node_count            i32: the tree nodes that follow, one per key
//   nodes                 Rb_node per key (the default key's without a key
//                         table); size 0 while the record is not in that key
//   ext_len bytes         the external key (the key held outside the record)
//   data_len bytes        the record
//   key area              per key of the table, in order: u16 big-endian
//                         length (top bit: a null key, the record is not in
//                         that key's index) and the key's bytes
// The list holds every record.  Records entered into key 0 (or into the
// default key of a file without key definitions) are linked right after the
// record that precedes them in that key, so the list follows key 0; records
// without a key are appended.
//
// Keys (Dyn_key): an ordered tree per key (rb_tree.h) whose nodes live in
// the records, so that entering, removing and finding a record cost
// O(log n), its place in the key's order (RNO) too, and stepping O(1).  A
// unique key holds each value once; equal values of another key keep the
// order in which they were written (a record goes after its equals).  The stored key bytes are already folded (T, L, C),
// binary-numeric segments encoded (EncodeBinNumSeg) and descending segments
// inverted, so that comparing bytes compares keys; a key is shown to the
// program in the other direction (Present_key).
//
// Invariant: every non-null key of every record is in its key's tree
// exactly once, and the tree is ordered by (key bytes, shorter first).
#include "channels/memory_file.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "channels/kdef.h"
#include "channels/rb_tree.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/messages.h"
#include "core/oru_assert.h"
#include "core/params.h"
#include "core/workspace.h"

struct Dyn_rec {
  Dyn_rec* next;
  Dyn_rec* prev;
  int32_t ext_len;
  int32_t data_len;
  int32_t node_count;
  int32_t pad_;
  Rb_node* node(int32_t slot) { return reinterpret_cast<Rb_node*>(this + 1) + slot; }
  uint8_t* ext() { return reinterpret_cast<uint8_t*>(node(node_count)); }
  uint8_t* data() { return ext() + ext_len; }
  uint8_t* area() { return data() + data_len; }
};

// Segment flags
enum : uint32_t {
  DSEG_DESC = 0x100,
  DSEG_LOWER = 0x200,
  DSEG_UPPER = 0x400,
  DSEG_ACCENTS = 0x800,
  DSEG_NULL_CHR = 0x1000,  // with the null character in bits 0-7
  DSEG_BINARY = 0x2000,    // with the decimal places in bits 0-7
};
// Key flags
enum : uint32_t {
  DKEY_UNIQUE = 0x100,
  DKEY_NULL_KEY = 0x1000,  // with the null-key byte in bits 0-7
};

struct Dyn_seg {
  int32_t field;  // -1 the external key
  int32_t offset; // 0-based
  int32_t len;
  uint32_t flags;
};

struct Dyn_key {
  Dyn_key* next;
  Rb_tree tree;
  int32_t slot;  // the key's node in each record
  int32_t key_no;
  int32_t seg_count;
  int32_t area_off;  // -1: the key is the external key
  int32_t key_len;
  uint32_t flags;
  Dyn_seg segs[1];
};

namespace {

constexpr int32_t MAX_KEY = 8192;         // longest key and KEY= value
constexpr int32_t DEFAULT_BUF = 2048;
constexpr int32_t MAX_GROW = 1048576;  // largest growth of a pending record at a time

Dyn_fcb* fcb() { return static_cast<Dyn_fcb*>(ws.Cur_fcb); }

Dyn_key* new_key(int32_t key_no, int32_t segs) {
  size_t size = sizeof(Dyn_key) + sizeof(Dyn_seg) * size_t(segs > 1 ? segs - 1 : 0);
  auto* k = static_cast<Dyn_key*>(Get_blk(size));
  k->key_no = key_no;
  return k;
}

void free_key(Dyn_key* k) { Ret_blk(k); }

// ---- key bytes of a record ----

// The stored bytes of key k of record r; false for a null key.
bool key_of(const Dyn_key* k, Dyn_rec* r, const uint8_t** p, int32_t* len) {
  if (k->area_off < 0) {
    *p = r->ext();
    *len = r->ext_len;
    return true;
  }
  const uint8_t* a = r->area() + k->area_off;
  uint16_t h = get_u16be(a);
  *p = a + 2;
  *len = h & 0x7FFF;
  return !(h & 0x8000);
}

int cmp_bytes(const uint8_t* a, int32_t al, const uint8_t* b, int32_t bl) {
  int c = std::memcmp(a, b, size_t(std::min(al, bl)));
  if (c) return c;
  return al < bl ? -1 : al > bl ? 1 : 0;
}

int cmp_rec(const Dyn_key* k, Dyn_rec* r, const uint8_t* v, int32_t vl) {
  const uint8_t* p;
  int32_t l;
  key_of(k, r, &p, &l);
  return cmp_bytes(p, l, v, vl);
}

// ---- the key trees ----

Rb_node* node_of(const Dyn_key* k, Dyn_rec* r) { return r->node(k->slot); }

Dyn_rec* rec_of(const Dyn_key* k, const Rb_node* n) {
  if (!n) return nullptr;
  return reinterpret_cast<Dyn_rec*>(const_cast<Rb_node*>(n) - k->slot) - 1;
}

int32_t count_of(const Dyn_key* k) { return int32_t(Rb_count(k->tree)); }

bool in_key(const Dyn_key* k, Dyn_rec* r) { return Rb_linked(node_of(k, r)); }

// The record at 0-based place i of k's order (null outside).
Dyn_rec* rec_at(const Dyn_key* k, int64_t i) {
  if (i < 0 || i >= count_of(k)) return nullptr;
  return rec_of(k, Rb_select(k->tree, uint32_t(i)));
}

Dyn_rec* first_of(const Dyn_key* k) { return rec_of(k, Rb_first(k->tree)); }
Dyn_rec* last_of(const Dyn_key* k) { return rec_of(k, Rb_last(k->tree)); }
Dyn_rec* next_of(const Dyn_key* k, Dyn_rec* r) { return rec_of(k, Rb_next(node_of(k, r))); }
Dyn_rec* prev_of(const Dyn_key* k, Dyn_rec* r) { return rec_of(k, Rb_prev(node_of(k, r))); }

// The first record whose key is not below v (null: none).
Dyn_rec* lower_bound(const Dyn_key* k, const uint8_t* v, int32_t vl) {
  Rb_node* n = k->tree.root;
  Rb_node* found = nullptr;
  while (n) {
    if (cmp_rec(k, rec_of(k, n), v, vl) >= 0) {
      found = n;
      n = n->left;
    } else {
      n = n->right;
    }
  }
  return rec_of(k, found);
}

// The place of the first record whose key is not below v.
int32_t lower_rank(const Dyn_key* k, const uint8_t* v, int32_t vl) {
  Rb_node* n = k->tree.root;
  int32_t i = 0;
  while (n) {
    if (cmp_rec(k, rec_of(k, n), v, vl) >= 0) {
      n = n->left;
    } else {
      i += int32_t(Rb_size(n->left)) + 1;
      n = n->right;
    }
  }
  return i;
}

// The first record whose key equals v (null: none).
Dyn_rec* find_equal(const Dyn_key* k, const uint8_t* v, int32_t vl) {
  Dyn_rec* r = lower_bound(k, v, vl);
  return r && cmp_rec(k, r, v, vl) == 0 ? r : nullptr;
}

// The place of record r in k's order, or -1 when it is not in k.
int32_t index_of(const Dyn_key* k, Dyn_rec* r) {
  Rb_node* n = node_of(k, r);
  return Rb_linked(n) ? int32_t(Rb_rank(n)) : -1;
}

// Enters r into k after every record whose key is not above r's key.
void key_insert(Dyn_key* k, Dyn_rec* r, const uint8_t* p, int32_t l) {
  Rb_node* n = k->tree.root;
  Rb_node* parent = nullptr;
  bool left = false;
  while (n) {
    parent = n;
    left = cmp_rec(k, rec_of(k, n), p, l) > 0;
    n = left ? n->left : n->right;
  }
  Rb_link(k->tree, node_of(k, r), parent, left);
  // The tree was ordered (only this code enters keys): r lands after its
  // equals and before the first record above it.
  ORU_ASSERT(!prev_of(k, r) || cmp_rec(k, prev_of(k, r), p, l) <= 0);
  ORU_ASSERT(!next_of(k, r) || cmp_rec(k, next_of(k, r), p, l) > 0);
}

void key_remove(Dyn_key* k, Dyn_rec* r) { Rb_erase(k->tree, node_of(k, r)); }

// ---- the record list ----

void list_unlink(Dyn_fcb* f, Dyn_rec* r) {
  (r->prev ? r->prev->next : f->first) = r->next;
  (r->next ? r->next->prev : f->last) = r->prev;
  r->next = r->prev = nullptr;
  f->ind_rec = nullptr;
}

// Links r before `before` (null: at the end).
void list_link_before(Dyn_fcb* f, Dyn_rec* r, Dyn_rec* before) {
  r->next = before;
  r->prev = before ? before->prev : f->last;
  (r->prev ? r->prev->next : f->first) = r;
  (before ? before->prev : f->last) = r;
  f->ind_rec = nullptr;
  // `before` was in the list: r is linked both ways.
  ORU_ASSERT(r->prev ? r->prev->next == r : f->first == r);
  ORU_ASSERT(r->next ? r->next->prev == r : f->last == r);
}

// The record at list index idx (null past the end), from the index cache or
// the nearer end of the list.
Dyn_rec* list_at(Dyn_fcb* f, int32_t idx) {
  if (idx < 0 || idx >= f->rec_count) return nullptr;
  Dyn_rec* r;
  int32_t i;
  if (f->ind_rec && std::abs(idx - f->ind_idx) < idx) {
    r = f->ind_rec;
    i = f->ind_idx;
  } else {
    r = f->first;
    i = 0;
  }
  if (f->rec_count - 1 - idx < std::abs(idx - i)) {
    r = f->last;
    i = f->rec_count - 1;
  }
  while (r && i < idx) r = r->next, i++;
  while (r && i > idx) r = r->prev, i--;
  if (r) {
    f->ind_rec = r;
    f->ind_idx = idx;
  }
  return r;
}

int32_t list_index(Dyn_fcb* f, Dyn_rec* r) {
  int32_t i = 0;
  for (Dyn_rec* p = f->first; p; p = p->next, i++)
    if (p == r) return i;
  return -1;
}

// ---- building keys from a record ----

// Field n of the record (0: all of it): start and length.  With a
// separator the fields are split at it; without one (-1) each field is
// length-prefixed: a first byte below 127 is the length, 0xF0-0xFF gives in
// its low nibble the count of big-endian length bytes that follow, other
// bytes their low nibble as the length.
void field_of(const uint8_t* d, int32_t dl, int32_t sep, int32_t n, const uint8_t** fp, int32_t* fl) {
  if (n == 0) {
    *fp = d;
    *fl = dl;
    return;
  }
  int32_t pos = 0;
  for (int32_t i = 1;; i++) {
    if (pos >= dl) {
      *fp = d + dl;
      *fl = 0;
      return;
    }
    int32_t start, len;
    if (sep < 0) {
      uint8_t b = d[pos++];
      if (b < 127) {
        len = b;
      } else if (b >= 0xF0) {
        len = 0;
        for (int j = 0; j < (b & 15) && pos < dl; j++) len = (len << 8) | d[pos++];
      } else {
        len = b & 15;
      }
      start = pos;
      if (len > dl - pos) len = dl - pos;
      pos += len;
    } else {
      start = pos;
      const void* s = std::memchr(d + pos, sep, size_t(dl - pos));
      int32_t end = s ? int32_t(static_cast<const uint8_t*>(s) - d) : dl;
      len = end - start;
      pos = s ? end + 1 : dl;
    }
    if (i == n) {
      *fp = d + start;
      *fl = len;
      return;
    }
  }
}

void fold(uint8_t* p, int32_t n, uint32_t flags) {
  for (int32_t i = 0; i < n; i++) {
    if (flags & DSEG_ACCENTS) p[i] = Accents[p[i]];
    if (flags & DSEG_LOWER) p[i] = Lowercs[p[i]];
    if (flags & DSEG_UPPER) p[i] = Uppercs[p[i]];
  }
}

void invert(uint8_t* p, int32_t n) {
  for (int32_t i = 0; i < n; i++) p[i] = uint8_t(~p[i]);
}

// Builds key k of a record (ext, data) into out (k->key_len bytes); true for
// a null key.
bool build_key(const Dyn_key* k, int32_t sep, const uint8_t* ext, int32_t el, const uint8_t* d,
               int32_t dl, uint8_t* out) {
  bool null = false;
  bool all_k = true;
  uint8_t kbyte = uint8_t(k->flags & 255);
  for (int32_t s = 0; s < k->seg_count; s++) {
    const Dyn_seg& g = k->segs[s];
    const uint8_t* fp;
    int32_t fl;
    if (g.field < 0) {
      fp = ext;
      fl = el;
    } else {
      field_of(d, dl, sep, g.field, &fp, &fl);
    }
    const uint8_t* src = g.offset < fl ? fp + g.offset : fp + fl;
    int32_t have = g.offset < fl ? fl - g.offset : 0;
    if (g.flags & DSEG_BINARY) {
      // The number is the segment's bytes of the whole record, or the rest
      // of a separated field from the offset on.
      int32_t tl = g.field == 0 ? std::min(have, g.len) : have;
      if (EncodeBinNumSeg(src, tl, out, g.len, int32_t(g.flags & 255))) null = true;
      all_k = false;
    } else {
      int32_t n = std::min(have, g.len);
      std::memcpy(out, src, size_t(n));
      std::memset(out + n, 0, size_t(g.len - n));
      if (g.flags & DSEG_NULL_CHR) {
        bool only = true;
        for (int32_t i = 0; i < g.len; i++)
          if (out[i] != uint8_t(g.flags & 255)) only = false;
        if (only) null = true;
      }
      for (int32_t i = 0; i < g.len; i++)
        if (out[i] != kbyte) all_k = false;
      fold(out, n, g.flags);
    }
    if (g.flags & DSEG_DESC) invert(out, g.len);
    out += g.len;
  }
  if ((k->flags & DKEY_NULL_KEY) && all_k) null = true;
  return null;
}

// ---- search values and presented keys ----

// A value as the program gives it (a KEY= value, or a key KEY( showed) in
// the stored form of key k: each segment's bytes folded, encoded or
// inverted; a value shorter than the key gives a shorter search value.
std::string adjust_key(const Dyn_key* k, const uint8_t* v, int32_t vl) {
  if (k->area_off < 0) return std::string(reinterpret_cast<const char*>(v), size_t(vl));
  // Missing bytes of a record's key are NUL, and so are those of a shorter
  // value: it finds the key it equals, or stands before its longer ones.
  std::string padded(reinterpret_cast<const char*>(v), size_t(std::min(vl, k->key_len)));
  padded.resize(size_t(k->key_len), '\0');
  v = reinterpret_cast<const uint8_t*>(padded.data());
  vl = k->key_len;
  std::string out;
  int32_t pos = 0;
  for (int32_t s = 0; s < k->seg_count && pos < vl; s++) {
    const Dyn_seg& g = k->segs[s];
    int32_t n = std::min(g.len, vl - pos);
    std::string seg;
    if (g.flags & DSEG_BINARY) {
      seg.assign(size_t(g.len), '\0');
      EncodeBinNumSeg(v + pos, n, reinterpret_cast<uint8_t*>(seg.data()), g.len, int32_t(g.flags & 255));
    } else {
      seg.assign(reinterpret_cast<const char*>(v + pos), size_t(n));
      fold(reinterpret_cast<uint8_t*>(seg.data()), n, g.flags);
    }
    if (g.flags & DSEG_DESC) invert(reinterpret_cast<uint8_t*>(seg.data()), int32_t(seg.size()));
    out += seg;
    pos += n;
  }
  return out;
}

// The stored key of k in r as the program sees it; empty for a null key.
std::string present_key(const Dyn_key* k, Dyn_rec* r) {
  const uint8_t* p;
  int32_t l;
  if (!key_of(k, r, &p, &l)) return std::string();
  std::string out(reinterpret_cast<const char*>(p), size_t(l));
  if (k->area_off < 0) return out;
  int32_t pos = 0;
  for (int32_t s = 0; s < k->seg_count; s++) {
    const Dyn_seg& g = k->segs[s];
    auto* q = reinterpret_cast<uint8_t*>(out.data()) + pos;
    if (g.flags & DSEG_DESC) invert(q, g.len);
    if (g.flags & DSEG_BINARY) DecodeBinNumSeg(q, g.len);
    pos += g.len;
  }
  return out;
}

// The search value of the statement's KEY= for key k.
std::string search_value(const Dyn_key* k) {
  if (ws.Io_key_cnt > 1)
    return Dyn_CreateKey(k->key_no, ws.Io_key_part, ws.Io_key_part_len, ws.Io_key_cnt);
  return adjust_key(k, ws.Io_key_ptr, ws.Io_key_len);
}

void set_result(const std::string& s) {
  uint8_t* p = s.size() < 200 ? Work_take(s.size() + 1) : static_cast<uint8_t*>(Get_temp(s.size() + 1));
  std::memcpy(p, s.data(), s.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(s.size());
}

// ---- KEYDEF= ----

struct Def_text {
  const uint8_t* s;
  int32_t n;
  int32_t pos = 0;
  [[noreturn]] static void bad() { throw Oru_error{err::BAD_FILE_NAME}; }
  uint8_t peek() const { return pos < n ? s[pos] : 0; }
  uint8_t ch() {
    if (pos >= n) bad();
    return s[pos++];
  }
  void expect(uint8_t c) {
    if (ch() != c) bad();
  }
  int32_t num(int32_t lo, int32_t hi) {
    if (!std::isdigit(peek())) bad();
    int64_t v = 0;
    while (std::isdigit(peek())) v = std::min<int64_t>(v * 10 + (s[pos++] - '0'), 1000000);
    if (v < lo || v > hi) bad();
    return int32_t(v);
  }
  uint8_t hex2() {
    int v = 0;
    for (int i = 0; i < 2; i++) {
      int c = ch();
      if (!std::isxdigit(c)) bad();
      v = v * 16 + (std::isdigit(c) ? c - '0' : std::toupper(c) - 'A' + 10);
    }
    return uint8_t(v);
  }
};

// One key: segments joined by "+".  Returns the key description.
Dyn_key* define_key(Dyn_fcb* f, Def_text& t, int32_t key_no) {
  Dyn_seg segs[64];
  int32_t count = 0, len = 0;
  uint32_t kflags = key_no == 0 ? uint32_t(DKEY_UNIQUE) : 0u;
  for (;;) {
    if (count == 64) Def_text::bad();
    Dyn_seg g{};
    t.expect('[');
    if (t.peek() == '"') {
      t.pos++;
      int32_t start = t.pos;
      while (t.ch() != '"') {
      }
      if (count == 0) {
        auto** names = reinterpret_cast<Kname_node**>(&f->key_names);
        Kname_link(names, key_no, t.s + start, t.pos - 1 - start);
      }
      t.expect(':');
    }
    if (std::toupper(t.peek()) == 'K') {
      for (const char* w = "KEY"; *w; w++)
        if (std::toupper(t.ch()) != *w) Def_text::bad();
      if (f->ext_len == 0) Def_text::bad();
      g.field = -1;
    } else {
      g.field = t.num(0, 65535);
    }
    t.expect(':');
    g.offset = t.num(1, 1000000) - 1;
    t.expect(':');
    g.len = t.num(1, MAX_KEY);
    uint8_t c = t.ch();
    if (c == ':') {
      if (t.peek() == '"') t.pos++;
      for (;;) {
        c = t.ch();
        if (c == '"') {
          c = t.ch();
          break;
        }
        if (c == ']') break;
        switch (c) {
          case 'N':
            // N and B keep their byte in the same place: one segment
            // cannot have both.
            if (g.flags & DSEG_BINARY) Def_text::bad();
            g.flags = (g.flags & ~0xFFu) | DSEG_NULL_CHR;
            t.expect(':');
            g.flags |= t.hex2();
            break;
          case 'K':
            kflags = (kflags & ~0xFFu) | DKEY_NULL_KEY;
            t.expect(':');
            kflags |= t.hex2();
            break;
          case 'U': kflags |= DKEY_UNIQUE; break;
          case 'T': g.flags |= DSEG_ACCENTS; break;
          case 'C': g.flags = (g.flags | DSEG_UPPER) & ~DSEG_LOWER; break;
          case 'L': g.flags = (g.flags | DSEG_LOWER) & ~DSEG_UPPER; break;
          case 'D': g.flags |= DSEG_DESC; break;
          case 'B':
            if (g.flags & DSEG_NULL_CHR) Def_text::bad();
            g.flags = (g.flags & ~0xFFu) | DSEG_BINARY;
            if (t.peek() == '.') {
              t.pos++;
              if (!std::isdigit(t.peek())) Def_text::bad();
              g.flags |= uint32_t(t.ch() - '0');
            }
            break;
          default: break;  // other letters are skipped
        }
      }
    }
    if (c != ']') Def_text::bad();
    if (g.field < 0 && g.offset + g.len > f->ext_len) Def_text::bad();
    len += g.len;
    if (len > MAX_KEY) Def_text::bad();
    segs[count++] = g;
    if (t.peek() != '+') break;
    t.pos++;
  }
  Dyn_key* k = new_key(key_no, count);
  k->seg_count = count;
  k->key_len = len;
  k->flags = kflags;
  std::memcpy(k->segs, segs, sizeof(Dyn_seg) * size_t(count));
  return k;
}

// Compiles a KEYDEF= text into the channel's key table (error 10 when it
// does not parse).
void define_keys(Dyn_fcb* f, const uint8_t* s, int32_t n) {
  Def_text t{s, n};
  Dyn_key** tail = &f->keys;
  int32_t key_no = 0;
  if (std::isdigit(t.peek())) {
    f->ext_len = t.num(1, MAX_KEY);
    Dyn_key* k = new_key(0, 1);
    k->seg_count = 1;
    k->segs[0] = Dyn_seg{-1, 0, f->ext_len, 0};
    k->key_len = f->ext_len;
    k->flags = DKEY_UNIQUE;
    k->area_off = -1;
    *tail = k;
    tail = &k->next;
    key_no = 1;
    if (t.pos == t.n) return;
    t.expect(',');
  }
  for (;; key_no++) {
    if (key_no > 254) Def_text::bad();
    Dyn_key* k = define_key(f, t, key_no);
    k->area_off = f->key_area;
    f->key_area += 2 + k->key_len;
    *tail = k;
    tail = &k->next;
    if (t.pos == t.n) break;
    t.expect(',');
  }
}

// The KEYDEF= of the name (after "*memory*") or of OPT=: parts split at
// ";", the first beginning "KEYDEF=" (case-blind) counts.
std::string find_keydef() {
  std::string all(std::strlen(ws.Path_buf) > 8 ? ws.Path_buf + 8 : "");
  if (ws.Io_opt_len > 0) all += ";" + std::string(reinterpret_cast<const char*>(ws.Io_opt_ptr), size_t(ws.Io_opt_len));
  size_t pos = 0;
  while (pos <= all.size()) {
    size_t end = all.find(';', pos);
    if (end == std::string::npos) end = all.size();
    std::string part = all.substr(pos, end - pos);
    if (part.size() >= 7 && strncasecmp(part.c_str(), "KEYDEF=", 7) == 0) return part.substr(7);
    pos = end + 1;
  }
  return std::string();
}

// ---- positioning ----

// The key of the statement: KNO= or the channel's current key (0 for the
// writing directives); a key the file does not have is error 13.
Dyn_key* stmt_key(Dyn_fcb* f, bool writing) {
  int32_t k = ws.Io_kno >= 0 ? ws.Io_kno : writing ? 0 : f->cur_key;
  if (!f->keys) {
    if (k != 0) Rpt_error(err::WRONG_MODE);
    return f->def_key;
  }
  for (Dyn_key* p = f->keys; p; p = p->next)
    if (p->key_no == k) return p;
  Rpt_error(err::WRONG_MODE);
}

// The index in k's order at which r stands, or, when r is not in that key,
// the index of the last record before it (-1: none).
int32_t place_of(const Dyn_key* k, Dyn_rec* r) {
  if (!r) return -1;
  int32_t i = index_of(k, r);
  if (i >= 0) return i;
  const uint8_t* p;
  int32_t l;
  key_of(k, r, &p, &l);
  return lower_rank(k, p, l) - 1;
}

bool keyed_order(Dyn_fcb* f) { return f->keys != nullptr; }

// The record step places after r in the statement's order (null: none).
Dyn_rec* step_from(Dyn_fcb* f, const Dyn_key* k, Dyn_rec* r, int32_t step) {
  if (keyed_order(f)) {
    if (r && in_key(k, r) && step >= -16 && step <= 16) {  // a short walk
      for (; r && step > 0; step--) r = next_of(k, r);
      for (; r && step < 0; step++) r = prev_of(k, r);
      return r;
    }
    if (!r && step == 1) return first_of(k);
    int64_t i = int64_t(place_of(k, r));
    if (step <= 0 && r && !in_key(k, r)) i++;  // r sits between i and i + 1
    return rec_at(k, i + step);
  }
  Dyn_rec* p = r;
  if (step > 0) {
    if (!p) {
      p = f->first;
      step--;
    }
    while (p && step-- > 0) p = p->next;
  } else {
    if (!p) return nullptr;
    while (p && step++ < 0) p = p->prev;
  }
  return p;
}

// The record the statement's KEY=, IND=, RNO= (or the next one) names.  A
// failed KEY= search takes the missing-record exit; a position past the end
// the missing-record exit for REMOVE and WRITE, end of file otherwise.
Dyn_rec* locate(Dyn_fcb* f, Dyn_key* k, bool remove_or_write) {
  if (ws.Io_opts & IO_KEY) {
    f->dflags &= ~DYN_NOT_FOUND;
    std::string v = search_value(k);
    auto* vp = reinterpret_cast<const uint8_t*>(v.data());
    int32_t vl = int32_t(v.size());
    Dyn_rec* at = lower_bound(k, vp, vl);
    if (at && cmp_rec(k, at, vp, vl) == 0) return at;
    f->dflags |= DYN_NOT_FOUND;
    f->position = at ? prev_of(k, at) : last_of(k);
    if (ws.Io_stmt != code::D_FIND) {
      f->current = f->position;
      f->dflags &= ~DYN_EXTRACTED;
    }
    Io_dom_err();
  }
  Dyn_rec* r = nullptr;
  if (ws.Io_opts & IO_RNO) {
    if (keyed_order(f))
      r = rec_at(k, int64_t(ws.Io_ind) - 1);
    else
      r = list_at(f, ws.Io_ind - 1);
  } else if (ws.Io_opts & IO_IND) {
    r = list_at(f, ws.Io_ind);
  } else {
    if ((f->dflags & DYN_EXTRACTED) && f->current) return f->current;
    int32_t step = (ws.Io_opts & IO_STEP) ? ws.Io_dir : 1;
    f->step = step;
    r = step_from(f, k, f->current, step);
    if (!r) Io_end_err();
    return r;
  }
  if (!r) {
    if (remove_or_write) Io_dom_err();
    Io_end_err();
  }
  return r;
}

// ---- entering and removing records ----

Dyn_rec* new_rec(Dyn_fcb* f, const uint8_t* ext, int32_t el, const uint8_t* d, int32_t dl) {
  int32_t nodes = f->key_count + 1;  // one per key, or the default key's
  auto* r = static_cast<Dyn_rec*>(Get_blk_nc(sizeof(Dyn_rec) + sizeof(Rb_node) * size_t(nodes) + size_t(el) +
                                             size_t(dl) + size_t(f->key_area)));
  r->next = r->prev = nullptr;
  r->ext_len = el;
  r->data_len = dl;
  r->node_count = nodes;
  std::memset(r->node(0), 0, sizeof(Rb_node) * size_t(nodes));
  if (el) std::memcpy(r->ext(), ext, size_t(el));
  if (dl) std::memcpy(r->data(), d, size_t(dl));
  try {
    for (Dyn_key* k = f->keys; k; k = k->next) {
      if (k->area_off < 0) continue;
      uint8_t* a = r->area() + k->area_off;
      bool null = build_key(k, f->separator, r->ext(), el, r->data(), dl, a + 2);
      put_u16be(a, uint16_t(k->key_len | (null ? 0x8000 : 0)));
    }
  } catch (...) {
    Ret_blk(r);  // a key value that cannot be stored (error 46)
    throw;
  }
  return r;
}

// Takes r out of every array and the list (not freed).
void take_out(Dyn_fcb* f, Dyn_rec* r) {
  Dyn_key* k = f->keys ? f->keys : f->def_key;
  for (; k; k = f->keys ? k->next : nullptr)
    if (in_key(k, r)) key_remove(k, r);
  list_unlink(f, r);
  if (f->current == r) f->current = nullptr;
  if (f->position == r) f->position = nullptr;
}

// Enters n into every key (default key only when in_default), replacing old
// (null: none) in place where its key is unchanged; frees old.
void enter(Dyn_fcb* f, Dyn_rec* n, Dyn_rec* old, bool in_default) {
  Dyn_key* first = f->keys ? f->keys : f->def_key;
  Dyn_rec* list_pos = nullptr;  // list neighbour n goes before (when decided)
  bool list_done = false;
  for (Dyn_key* k = first; k; k = f->keys ? k->next : nullptr) {
    const uint8_t* p;
    int32_t l;
    bool has = key_of(k, n, &p, &l) && (f->keys || in_default);
    bool old_in = old && in_key(k, old);
    bool is_key0 = k == first;
    if (has && old_in && cmp_rec(k, old, p, l) == 0) {
      Rb_replace(k->tree, node_of(k, old), node_of(k, n));  // the same place among equal keys
      if (is_key0) {
        list_pos = old->next;
        list_done = true;
      }
      continue;
    }
    if (old_in) key_remove(k, old);
    if (!has) continue;
    key_insert(k, n, p, l);
    if (is_key0) {
      // Right after the record that precedes it in key 0, else before the
      // one that follows it, else at the end.
      if (Dyn_rec* before = prev_of(k, n)) {
        list_pos = before == old ? old->next : before->next;
      } else {
        list_pos = next_of(k, n);
      }
      list_done = true;
    }
  }
  if (old) {
    if (!list_done) list_pos = old->next;
    if (list_pos == old) list_pos = old->next;
    list_unlink(f, old);
  }
  list_link_before(f, n, list_pos);
  if (old) {
    if (f->current == old) f->current = nullptr;
    if (f->position == old) f->position = nullptr;
    Ret_blk(old);
  } else {
    f->rec_count++;
  }
}

void free_records(Dyn_fcb* f) {
  for (Dyn_rec* r = f->first; r;) {
    Dyn_rec* n = r->next;
    Ret_blk(r);
    r = n;
  }
  f->first = f->last = f->current = f->position = f->ind_rec = nullptr;
  f->rec_count = 0;
  f->dflags = 0;
  for (Dyn_key* k = f->keys ? f->keys : f->def_key; k; k = f->keys ? k->next : nullptr) k->tree.root = nullptr;
}

// ---- driver slots ----

int64_t Dyn_close();
int64_t Dyn_flush();
void drop_pending(Dyn_fcb* f);

int64_t Dyn_open() {
  int32_t siz = ws.Io_siz > 0 ? ws.Io_siz : DEFAULT_BUF;
  auto* f = Fcb_alloc<Dyn_fcb>();
  ws.Cur_fcb = f;
  f->kind = FK_MEMORY;
  f->fd = -1;
  f->st1 |= ST1_LOCKED;
  f->st4 |= ST4_EXCLUSIVE;
  f->rec_size = siz;
  f->first_buf = siz;
  Fcb_set_buffer(f, siz);
  f->def_key = new_key(0, 1);
  f->def_key->seg_count = 1;
  f->def_key->segs[0] = Dyn_seg{-1, 0, 0, 0};
  f->def_key->flags = DKEY_UNIQUE;
  f->def_key->area_off = -1;
  std::string def = find_keydef();
  if (!def.empty()) {
    try {
      define_keys(f, reinterpret_cast<const uint8_t*>(def.data()), int32_t(def.size()));
    } catch (const Oru_error& e) {
      ws.Cur_fcb = f;
      Dyn_close();
      Ret_blk(f);
      ws.Cur_fcb = nullptr;
      Rpt_error(e.no);
    }
  }
  int32_t keys = 0;
  for (Dyn_key* k = f->keys; k; k = k->next) k->slot = keys++;
  f->key_count = uint8_t(keys > 0 ? keys - 1 : 0);
  f->high_key = f->key_count;
  return 0;
}

int64_t Dyn_close() {
  Dyn_fcb* f = fcb();
  free_records(f);
  while (f->keys) {
    Dyn_key* k = f->keys;
    f->keys = k->next;
    free_key(k);
  }
  if (f->def_key) free_key(f->def_key);
  f->def_key = nullptr;
  Kname_free(reinterpret_cast<Kname_node**>(&f->key_names));
  drop_pending(f);
  Fcb_set_buffer(f, 0);
  return 0;
}

// PURGE empties the file and keeps its key definitions.
int64_t Dyn_purge() {
  Dyn_fcb* f = fcb();
  free_records(f);
  drop_pending(f);
  f->buf_count = f->high_water = 0;
  return 0;
}

int64_t Dyn_write() {
  Dyn_fcb* f = fcb();
  uint8_t stmt = ws.Io_stmt;
  bool insert = stmt == code::X_INSERT, update = stmt == code::X_UPDATE;
  bool by_key = ws.Io_opts & IO_KEY;
  bool by_pos = ws.Io_opts & (IO_IND | IO_RNO);
  const uint8_t* ext = nullptr;
  int32_t el = 0;
  std::string key_text;
  Dyn_rec* target = nullptr;  // the record the write replaces
  if (ws.Io_kno >= 0) stmt_key(f, true);  // a key the file does not have is error 13 here too
  bool extracted = !by_key && !by_pos && (f->dflags & DYN_EXTRACTED) && f->current;
  if (by_key) {
    if (f->keys && f->ext_len == 0) Rpt_error(err::WRONG_MODE);  // the keys come from the record
    for (int32_t i = 0; i < ws.Io_key_cnt; i++)
      key_text.append(reinterpret_cast<const char*>(ws.Io_key_part[i]), size_t(ws.Io_key_part_len[i]));
    if (ws.Io_key_cnt == 0) key_text.assign(reinterpret_cast<const char*>(ws.Io_key_ptr), size_t(ws.Io_key_len));
    if (int32_t(key_text.size()) > MAX_KEY || (f->ext_len && int32_t(key_text.size()) > f->ext_len))
      Rpt_error(err::STRING_LENGTH);
    ext = reinterpret_cast<const uint8_t*>(key_text.data());
    el = int32_t(key_text.size());
  } else if (by_pos) {
    Dyn_key* k = stmt_key(f, true);
    if (ws.Io_opts & IO_RNO)
      target = keyed_order(f) ? rec_at(k, int64_t(ws.Io_ind) - 1) : list_at(f, ws.Io_ind - 1);
    else
      target = list_at(f, ws.Io_ind);
    int32_t idx = (ws.Io_opts & IO_RNO) ? ws.Io_ind - 1 : ws.Io_ind;
    if (!target && (f->keys || idx > f->rec_count)) Io_dom_err();
    // A record placed by position without key definitions takes the
    // external key only when it replaces the record there.
    if (target && (f->keys || update)) {
      ext = target->ext();
      el = target->ext_len;
    }
  } else if (extracted) {
    target = f->current;
    ext = target->ext();
    el = target->ext_len;
  } else if (f->ext_len) {
    Rpt_error(err::WRONG_MODE);  // the external key is not known
  }
  // The output buffer and the pending part are emptied whatever follows.
  auto empty_buffer = [f] {
    drop_pending(f);
    f->buf_count = f->high_water = 0;
  };
  Dyn_rec* n;
  try {
    const uint8_t* data = f->out_buf;
    int32_t dl = f->buf_count;
    if (f->pend_len) {
      Dyn_flush();  // the whole record in one piece
      data = f->pend;
      dl = f->pend_len;
    }
    n = new_rec(f, ext, el, data, dl);
  } catch (...) {
    empty_buffer();
    throw;
  }
  empty_buffer();
  auto fail = [&] {
    Ret_blk(n);
    Io_dom_err();
  };
  bool cur_replaced = false;
  auto put = [&](Dyn_rec* old, bool in_default) {
    cur_replaced = old && old == f->current;
    enter(f, n, old, in_default);
  };
  if (!f->keys) {
    if (by_pos) {
      if (update) {
        if (!target) fail();
        put(target, false);
      } else if (insert && target) {
        fail();
      } else {
        list_link_before(f, n, target);  // before the record at that place
        f->rec_count++;
      }
    } else if (by_key) {
      Dyn_key* k = f->def_key;
      Dyn_rec* same = find_equal(k, ext, el);
      if (same && (insert || ws.Dom_line)) fail();
      if (!same && update) fail();
      put(same, true);
    } else if (extracted) {
      put(target, index_of(f->def_key, target) >= 0);
    } else {
      if (update) fail();
      list_link_before(f, n, nullptr);
      f->rec_count++;
    }
  } else {
    // The record with the same key 0 is the one replaced.
    Dyn_key* k0 = f->keys;
    const uint8_t* p;
    int32_t l;
    Dyn_rec* same = nullptr;
    if (key_of(k0, n, &p, &l)) same = find_equal(k0, p, l);
    if (extracted || by_pos) {
      if (same && same != target) fail();  // the new key 0 belongs to another record
      if (by_pos && same != target) fail();
      if (insert) fail();
    } else {
      if (same && (insert || ws.Dom_line)) fail();
      if (!same && update) fail();
      target = same;
    }
    for (Dyn_key* k = k0->next; k; k = k->next) {
      if (!(k->flags & DKEY_UNIQUE) || !key_of(k, n, &p, &l)) continue;
      Dyn_rec* other = find_equal(k, p, l);
      if (other && other != target) fail();
    }
    put(target, true);
  }
  // A write leaves the reading position where it was (a record that took
  // the current one's place stays current); WRITE with LOCK makes the new
  // record current as if it were extracted.
  if (cur_replaced) f->current = n;
  f->dflags &= ~(DYN_EXTRACTED | DYN_NOT_FOUND);
  if (ws.Io_opts & IO_EXCLUSIVE) {
    f->current = n;
    f->dflags |= DYN_EXTRACTED;
  }
  return 0;
}

int64_t Dyn_read() {
  Dyn_fcb* f = fcb();
  Dyn_key* k = stmt_key(f, false);
  f->kno = uint8_t(k->key_no);
  Dyn_rec* r = locate(f, k, false);
  f->current = r;
  f->dflags &= ~DYN_NOT_FOUND;
  if (ws.Io_stmt == code::D_EXTRACT)
    f->dflags |= DYN_EXTRACTED;
  else
    f->dflags &= ~DYN_EXTRACTED;
  f->st1 |= ST1_READ;
  ws.Str_ptr = r->data();
  ws.Str_len = r->data_len;
  return 0;
}

int64_t Dyn_remove() {
  Dyn_fcb* f = fcb();
  Dyn_key* k = stmt_key(f, true);
  Dyn_rec* r;
  if (ws.Io_opts & (IO_KEY | IO_IND | IO_RNO)) {
    uint32_t keep = f->dflags & DYN_EXTRACTED;
    Dyn_rec* cur = f->current;
    r = locate(f, k, true);
    f->current = cur;
    f->dflags = (f->dflags & ~DYN_EXTRACTED) | keep;
  } else {
    r = f->current;  // the record last read, written or extracted
    if (!r) Io_dom_err();
  }
  // The current record becomes the one before the removed one in the
  // current key's order (list order without keys), whichever record was
  // current, so that the next READ goes on after the removed record; an
  // extracted record that stays current stays extracted.
  Dyn_key* order = f->keys ? stmt_key(f, false) : k;
  Dyn_rec* prev = step_from(f, order, r, -1);
  take_out(f, r);
  Ret_blk(r);
  f->rec_count--;
  if (f->current != prev) {
    f->current = prev;
    f->dflags &= ~DYN_EXTRACTED;
  }
  return 0;
}

int64_t Dyn_setind() { return 0; }

// IND(: the list index of the record the next READ returns.
int64_t Dyn_getind() {
  Dyn_fcb* f = fcb();
  int32_t i = f->current ? list_index(f, f->current) + 1 : 0;
  if ((f->dflags & DYN_EXTRACTED) && f->current) i--;
  if (i >= f->rec_count) Io_end_err();
  return i;
}

int64_t Dyn_setkey() {
  if (ws.Io_key_len > MAX_KEY) Rpt_error(err::STRING_LENGTH);
  return 0;
}

int64_t Dyn_getkec() {
  Dyn_fcb* f = fcb();
  Dyn_key* k = stmt_key(f, false);
  if (!f->current) Io_dom_err();
  set_result(present_key(k, f->current));
  return 0;
}

// The first (last) record in the statement's order.
Dyn_rec* end_record(Dyn_fcb* f, Dyn_key* k, bool last) {
  if (keyed_order(f)) return last ? last_of(k) : first_of(k);
  return last ? f->last : f->first;
}

int64_t Dyn_getkef() {
  Dyn_fcb* f = fcb();
  Dyn_key* k = stmt_key(f, false);
  Dyn_rec* r = end_record(f, k, false);
  if (!r) Io_end_err();
  set_result(present_key(k, r));
  return 0;
}

int64_t Dyn_getkel() {
  Dyn_fcb* f = fcb();
  Dyn_key* k = stmt_key(f, false);
  Dyn_rec* r = end_record(f, k, true);
  if (!r) Io_end_err();
  set_result(present_key(k, r));
  return 0;
}

// KEY(: the key of the record the next READ returns.
int64_t Dyn_getkey() {
  Dyn_fcb* f = fcb();
  Dyn_key* k = stmt_key(f, false);
  Dyn_rec* r = ((f->dflags & DYN_EXTRACTED) && f->current) ? f->current : step_from(f, k, f->current, 1);
  if (!r) Io_end_err();
  set_result(present_key(k, r));
  return 0;
}

// KEP(: the key before the current record (with KR the current record's
// own key unless it was extracted; after a failed KEY= search with +K, the
// key of the record before the one looked for).
int64_t Dyn_getkep() {
  Dyn_fcb* f = fcb();
  Dyn_key* k = stmt_key(f, false);
  Dyn_rec* r;
  if ((f->dflags & DYN_NOT_FOUND) && Sw_on(sw::PlusK))
    r = f->position;
  else if (Sw_on(sw::KR) && !(f->dflags & DYN_EXTRACTED))
    r = f->current;
  else
    r = f->current ? step_from(f, k, f->current, -1) : nullptr;
  if (!r) Io_end_err();
  set_result(present_key(k, r));
  return 0;
}

// KEN(: the key after the KEY= value (the value raised by one in its last
// byte, then searched).
int64_t Dyn_getken() {
  Dyn_fcb* f = fcb();
  Dyn_key* k = stmt_key(f, false);
  std::string v = search_value(k);
  Dyn_rec* r = nullptr;
  if (keyed_order(f) || (ws.Io_opts & IO_KEY)) {
    if (v.empty()) {
      r = first_of(k);
    } else {
      // The next value after v: raised by one in its last byte (a last byte
      // of 255 is dropped and the one before it raised instead).
      while (!v.empty() && uint8_t(v.back()) == 255) v.pop_back();
      if (!v.empty()) v.back() = char(uint8_t(v.back()) + 1);
      r = v.empty() ? nullptr : lower_bound(k, reinterpret_cast<const uint8_t*>(v.data()), int32_t(v.size()));
    }
  }
  if (!r) Io_end_err();
  set_result(present_key(k, r));
  return 0;
}

// A record longer than the output buffer: the flush slot moves what the
// buffer holds to the pending part of the record (growing it by its own
// size, at most 1 MiB at a time) and empties the buffer, so a record being
// built never overflows; the write joins the two.
int64_t Dyn_flush() {
  Dyn_fcb* f = fcb();
  int32_t n = f->buf_count > f->high_water ? f->buf_count : f->high_water;
  if (n <= 0) return 0;
  size_t cap = f->pend ? Blk_size(f->pend) : 0;
  if (size_t(f->pend_len) + size_t(n) > cap) {
    size_t grow = cap < size_t(MAX_GROW) ? cap : size_t(MAX_GROW);
    size_t want = cap + (grow > size_t(n) ? grow : size_t(n));
    f->pend = static_cast<uint8_t*>(f->pend ? Realloc_blk(f->pend, want) : Get_blk_nc(want));
  }
  std::memcpy(f->pend + f->pend_len, f->out_buf, size_t(n));
  f->pend_len += n;
  f->buf_count = f->high_water = 0;
  return 0;
}

void drop_pending(Dyn_fcb* f) {
  if (f->pend) Ret_blk(f->pend);
  f->pend = nullptr;
  f->pend_len = 0;
}

// Write mode (every WRITE and REMOVE): a record left half built by a failed
// statement is dropped.
int64_t Dyn_wr_mode() {
  drop_pending(fcb());
  return Io_wr_mode();
}

}  // namespace

const Fio_op Dyn_fotbl[FIO_SLOTS] = {
    Io_mode_err, Dyn_open,   Dyn_close,  Dyn_write,  Dyn_read,   Dyn_remove,    Dyn_setind,
    Dyn_getind,  Dyn_setkey, Dyn_getkec, Dyn_getkey, Dyn_getkep, Dyn_flush,     Dyn_wr_mode,
    Dyn_purge,   Dyn_getkef, Dyn_getkel, Dyn_getken, Io_do_nothing, Io_do_nothing};

int64_t Dyn_getrno() {
  Dyn_fcb* f = fcb();
  if (!f->current) Io_dom_err();
  Dyn_key* k = stmt_key(f, false);
  int32_t i = keyed_order(f) ? index_of(k, f->current) : list_index(f, f->current);
  if (i < 0) Io_dom_err();
  return i + 1;
}

std::string Dyn_DescribeKeys(Fcb* fcb_in) {
  auto* f = static_cast<Dyn_fcb*>(fcb_in);
  std::string out;
  auto* names = static_cast<const Kname_node*>(f->key_names);
  char buf[64];
  for (Dyn_key* k = f->keys; k; k = k->next) {
    if (!out.empty()) out += ',';
    if (k->area_off < 0 && k->key_no == 0) {
      out += std::to_string(k->key_len);
      continue;
    }
    for (int32_t s = 0; s < k->seg_count; s++) {
      const Dyn_seg& g = k->segs[s];
      if (s) out += '+';
      out += '[';
      const Kname_node* nm = s == 0 ? Kname_find(names, k->key_no) : nullptr;
      if (nm) out += '"' + std::string(nm->name, nm->len) + "\":";
      if (g.field < 0)
        std::snprintf(buf, sizeof buf, "KEY:%d:%d", g.offset + 1, g.len);
      else
        std::snprintf(buf, sizeof buf, "%d:%d:%d", g.field, g.offset + 1, g.len);
      out += buf;
      std::string opts;
      if (s == 0 && (k->flags & DKEY_NULL_KEY)) {
        std::snprintf(buf, sizeof buf, "K:%2.2X", unsigned(k->flags & 255));
        opts += buf;
      }
      if (g.flags & DSEG_DESC) opts += 'D';
      if (g.flags & DSEG_UPPER) opts += 'C';
      if (g.flags & DSEG_LOWER) opts += 'L';
      if (g.flags & DSEG_ACCENTS) opts += 'T';
      if (g.flags & DSEG_BINARY) {
        opts += 'B';
        if (g.flags & 255) opts += "." + std::to_string(g.flags & 255);
      }
      if (g.flags & DSEG_NULL_CHR) {
        std::snprintf(buf, sizeof buf, "N:%2.2X", unsigned(g.flags & 255));
        opts += buf;
      }
      if (s == 0 && k->key_no != 0 && (k->flags & DKEY_UNIQUE)) opts += 'U';
      if (!opts.empty()) out += ":\"" + opts + "\"";
      out += ']';
    }
  }
  return out;
}

void Dyn_CheckKno(Fcb* f) {
  if (ws.Io_kno >= 0) stmt_key(static_cast<Dyn_fcb*>(f), true);
}

int32_t Dyn_KeyLength(const Fcb* fcb_in, int32_t key_no) {
  auto* f = static_cast<const Dyn_fcb*>(fcb_in);
  for (const Dyn_key* k = f->keys; k; k = k->next)
    if (k->key_no == key_no) return k->key_len;
  return -1;
}

void Dyn_GenKdef(Fcb* fcb_in) {
  auto* f = static_cast<Dyn_fcb*>(fcb_in);
  std::string t;
  for (Dyn_key* k = f->keys; k; k = k->next) {
    for (int32_t s = 0; s < k->seg_count; s++) {
      const Dyn_seg& g = k->segs[s];
      int32_t off = g.offset > 4095 ? 4095 : g.offset;
      t += char((k->key_no & 15) | ((off >> 8) << 4));
      t += char(g.field < 0 ? 255 : std::min(g.field, 254));
      t += char(off & 255);
      t += char(std::min(g.len, 127) | ((g.flags & DSEG_DESC) ? 0x80 : 0));
      uint16_t fw = 0;
      uint8_t ob = 0;
      if (s == 0 && (k->flags & DKEY_UNIQUE)) fw |= KSF_U;
      if (s == 0 && (k->flags & DKEY_NULL_KEY)) fw |= KSF_K, ob = uint8_t(k->flags & 255);
      if (g.flags & DSEG_UPPER) fw |= KSF_C;
      if (g.flags & DSEG_LOWER) fw |= KSF_L;
      if (g.flags & DSEG_ACCENTS) fw |= KSF_T;
      if (g.flags & DSEG_NULL_CHR) fw |= KSF_N, ob = uint8_t(g.flags & 255);
      if (g.flags & DSEG_BINARY) fw |= KSF_B, ob = uint8_t(g.flags & 255);
      if (fw) {
        t += char(KSEG_FLAGS);
        t += char(fw & 255);
        t += char(fw >> 8);
        t += char(ob);
      }
    }
  }
  t += char(KSEG_END);
  auto* p = static_cast<uint8_t*>(Get_temp(t.size()));
  std::memcpy(p, t.data(), t.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(t.size());
}

std::string Dyn_CreateKey(int32_t key_no, const uint8_t* const* values, const int32_t* lens,
                          int32_t count) {
  Dyn_fcb* f = fcb();
  Dyn_key* k = f->keys;
  while (k && k->key_no != key_no) k = k->next;
  if (!k) k = f->keys ? nullptr : f->def_key;
  if (!k) Rpt_error(err::KEY_DEFINITION);
  std::string out;
  if (k->area_off < 0) {
    for (int32_t i = 0; i < count; i++) out.append(reinterpret_cast<const char*>(values[i]), size_t(lens[i]));
    return out;
  }
  int32_t n = std::min(count, k->seg_count);
  for (int32_t i = 0; i < n; i++) {
    const Dyn_seg& g = k->segs[i];
    int32_t vl = std::min(lens[i], g.len);
    std::string seg;
    if (g.flags & DSEG_BINARY) {
      seg.assign(size_t(g.len), '\0');
      EncodeBinNumSeg(values[i], lens[i], reinterpret_cast<uint8_t*>(seg.data()), g.len, int32_t(g.flags & 255));
    } else {
      seg.assign(reinterpret_cast<const char*>(values[i]), size_t(vl));
      seg.resize(size_t(g.len), '\0');
      fold(reinterpret_cast<uint8_t*>(seg.data()), vl, g.flags);
    }
    if (g.flags & DSEG_DESC) invert(reinterpret_cast<uint8_t*>(seg.data()), int32_t(seg.size()));
    out += seg;
  }
  return out;
}

void DynAdjKey() {
  Dyn_fcb* f = fcb();
  Dyn_key* k = stmt_key(f, false);
  set_result(adjust_key(k, ws.Str_ptr, ws.Str_len));
}
