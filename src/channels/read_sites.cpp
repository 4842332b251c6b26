// READ's kept fast path: a plain READ of a serial channel's buffer taken
// from what its statement's site kept (the channel, the variables, the
// line's search patterns), the one-line forms the statement loop asks for
// the following lines of a file's loop, and their loops with the kept sums
// listed after the READ.  Its general path is record_io.cpp's.
#include "channels/record_io.h"
#include "channels/read_fields.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "channels/channel.h"
#include "channels/io_options.h"
#include "channels/simple_files.h"
#include "core/block_copy.h"
#include "core/codes.h"
#include "core/block_copy.h"
#include "core/byte_scan.h"
#include "core/errors.h"
#include "core/executor.h"
#include "core/kept_sums.h"
#include "core/memory.h"
#include "core/oru_assert.h"
#include "core/variables.h"
#include "core/workspace.h"

namespace {

// READ's common case, taken in one pass from the serial channel's buffer
// into the variables:
//   READ (n[,END=line][,ERR=line]) V1[,V2]...
// n a small literal naming an open serial channel without I/O events, record
// locks or table, readable (no write mode); each Vi a plain string or
// numeric scalar by its index standing alone (plain_item), a numeric one's
// field a plain number; the whole line already in the read buffer.  The
// statement's I/O area is set and the line consumed first, as in the
// general path; an item or field the fast path does not take (found after
// earlier items were assigned) puts the line and the cursor back and
// returns false, and the general path takes the statement from its start:
// it sets the same I/O area and assigns the same values to the earlier items
// again (its refills, long lines, a last line without a newline,
// conversions and errors are its own).  What is left in the workspace is
// what the general path leaves.
//
// A statement's code is read once: the code from '(' to the code that ends
// the statement is kept in a small table by its address, with what was read
// from it (the channel number, the END= and ERR= lines, each item's type and
// index).  It is taken from there while the bytes at that address, in the
// current line or the program image, are the same, so a changed program is
// read afresh (code elsewhere, as the console's, on every statement).
//
// What depends on the run (the channel's record, the variables and their
// access, the current-I/O area) is looked up and checked by the first READ
// at a site; it is kept with the site, and the READs after it take it as it
// is while the statement loop's epoch (Exec_epoch) has not moved: then only
// the loop's inline paths and READ's fast path have run since, so the code,
// the channel, the variables and the parameters are what they were, and the
// current-I/O area is what the last fast READ left (set again when that was
// another site's).  Such a READ finds the line end, assigns the fields and
// steps the channel on.
constexpr int SITE_CODE = 48;   // most code bytes of a statement kept
constexpr int SITE_ITEMS = 12;  // most items
struct Read_site {
  const uint8_t* at = nullptr;  // the statement's '(' (null: free)
  uint8_t* end = nullptr;       // the code that ends the statement (at + len - 1)
  // The last READ here that took the fast path, kept while Exec_epoch is
  // still `epoch` (0: none): its channel, its variables, the line search
  // limit (Max_strlen), the channel's separator.
  uint64_t epoch = 0;
  Seq_fcb* sf = nullptr;
  Var_node* node[SITE_ITEMS];
  int32_t max = 0;
  int32_t sep = 0;
  // The newline, 16 times, then the separator, 16 times: what the kept
  // paths compare 16 bytes of a line with.
  uint8_t patterns[32];
  bool marks = false;               // lines shorter than 64 bytes are searched in one pass
  // The READ for the findings kept: read_known, or for marks and one string
  // item read_known_string.  Called for the site of the
  // last fast READ (last_site) alone, whose current-I/O area is set.
  void (*known)(Read_site*) = nullptr;
  // Its usual line alone, for the statement loop (Read_again_fn): null when
  // the site has no such form.
  Read_again_fn again = nullptr;
  Read_again_loop_fn again_loop = nullptr;  // its loop (set with again)
  uint8_t code[SITE_CODE];      // its code, '(' to the code that ends the statement
  uint8_t len = 0;              // code bytes kept (9..SITE_CODE)
  uint8_t items = 0;
  uint8_t after = 0;            // offset of the code after ')'
  Io_plain chan{};              // f and after are set on each statement
  uint8_t type[SITE_ITEMS];     // code 1 or 2
  uint16_t idx[SITE_ITEMS];     // the variable's index
  Line_step step;               // a statement that ends its line: the step to the next
};
constexpr size_t SITES = 8;
Read_site read_sites[SITES];

[[gnu::always_inline]] inline uint64_t load8(const uint8_t* p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

// True when the n bytes at p lie in the current line of the edit list or in
// the program image, so they may be read.  Other code (the console's work
// area, ...) is read afresh on every statement.
[[gnu::always_inline]] inline bool code_holds(const uint8_t* p, size_t n) {
  if (const uint8_t* image = ws.Pgm_image) {
    const uint8_t* r = ws.Cur_line_rec;
    if (r && p >= r + 2 && p + n <= r + 2 + get_u16be(r)) return true;
    return p >= image && p + n <= image + ws.Pgm_size;
  }
  const Str_blk* b = ws.Cur_edit_blk;
  return b && p >= b->bytes() && p + n <= b->bytes() + b->len;
}

// The site kept for the statement whose '(' is at p, when its code is still
// there; else null.
Read_site* last_site = &read_sites[0];  // the entry the last fast READ used

inline Read_site& site_slot(const uint8_t* p) { return read_sites[(uintptr_t(p) ^ (uintptr_t(p) >> 7)) % SITES]; }

[[gnu::always_inline]] inline bool code_same(const Read_site& s, const uint8_t* p) {
  if (s.at != p || !code_holds(p, s.len)) return false;
  // The first and last 8 bytes, then those between (n >= 8).
  size_t n = s.len;
  if (load8(p) != load8(s.code) || load8(p + n - 8) != load8(s.code + n - 8)) return false;
  for (size_t i = 8; i + 8 < n; i += 8)
    if (load8(p + i) != load8(s.code + i)) return false;
  return true;
}

// Reads the statement at the cursor (on its '(') into its site: false when
// it is not READ's common form.
[[gnu::noinline, gnu::cold]] bool learn_site(const uint8_t* p) {
  Io_plain chan;
  if (!Io_plain_parse(chan)) return false;
  Read_site& s = site_slot(p);
  s.at = nullptr;
  s.epoch = 0;
  const uint8_t* q = chan.after;
  int n = 0;
  for (;;) {
    uint8_t c = *q;
    if (c == code::COMMA) c = *++q;
    if (stmt_end(c)) break;
    if (n == SITE_ITEMS || (c != code::STR_VAR && c != code::NUM_VAR) || !(q[1] & 0x80) ||
        (q[3] != code::COMMA && !stmt_end(q[3])))
      return false;
    s.type[n] = c;
    s.idx[n] = uint16_t((uint32_t(q[1] & 0x7F) << 8) | q[2]);
    n++;
    q += 3;
  }
  // No items of its own: the channel's IOL= list, the general path's.
  size_t len = size_t(q - p) + 1;
  if (n == 0 || len > SITE_CODE || len < 8) return false;
  std::memcpy(s.code, p, len);
  s.len = uint8_t(len);
  s.items = uint8_t(n);
  s.after = uint8_t(chan.after - p);
  s.chan = chan;
  s.end = const_cast<uint8_t*>(p) + len - 1;
  s.at = p;
  return true;
}

// The line at rec as Seq_next finds it: up to the first newline among the
// lim bytes there (avail >= lim bytes may be read).  len is its length
// without the newline and without the NUL bytes that pad it when the channel
// has a separator; a line shorter than 64 bytes is searched in one pass that
// marks its separators in seps (bit i: byte i), a longer one leaves each
// field's separator to cut_field.  False when no newline is within lim.
struct Line_scan {
  int32_t line_len;  // up to the newline
  int32_t len;       // the record: without trailing NULs
  uint64_t seps;     // marked separators (marked only)
  bool marked;
};

// The line found by a search for its newline from byte `searched` on (the
// bytes before it hold none).
[[gnu::always_inline]] inline bool scan_plain(const uint8_t* rec, int32_t searched, int32_t lim, int32_t sep,
                                              Line_scan& out) {
  out.marked = false;
  const uint8_t* nl = find_byte(rec + searched, size_t(lim - searched), '\n');
  if (!nl) return false;
  int32_t len = int32_t(nl - rec);
  out.line_len = len;
  if (sep > 0)
    while (len > 0 && rec[len - 1] == 0) len--;
  out.len = len;
  out.seps = 0;
  return true;
}

[[gnu::always_inline]] inline bool scan_line(const uint8_t* rec, int32_t lim, int32_t sep, Line_scan& out) {
  int32_t searched = 0;
  if (lim >= 64 && sep > 0 && sep != '\n') {
    const uint64_t want_nl = Byte_spread('\n'), want_sep = Byte_spread(uint8_t(sep));
    uint64_t seps = 0;
    int32_t line_len = -1;
    // Eight words of 8 bytes, unrolled: each marks its separators and stops
    // at a newline.
    auto chunk = [&](int k) {
      const unsigned nl = Byte_match8(rec + k, want_nl);
      seps |= uint64_t(Byte_match8(rec + k, want_sep)) << k;
      if (nl) line_len = k + std::countr_zero(nl);
      return nl != 0;
    };
    if (chunk(0) || chunk(8) || chunk(16) || chunk(24) || chunk(32) || chunk(40) || chunk(48) || chunk(56)) {
      int32_t len = line_len;
      if (len > 0 && rec[len - 1] == 0) [[unlikely]]
        while (len > 0 && rec[len - 1] == 0) len--;
      out.line_len = line_len;
      out.len = len;
      out.seps = seps & ((uint64_t(1) << len) - 1);  // the marks inside the record (len < 64)
      out.marked = true;
      return true;
    }
    searched = 64;
  }
  return scan_plain(rec, searched, lim, sep, out);
}

// The next field of the scanned record, from *pos: its text and length;
// *pos moves past its separator.
[[gnu::always_inline]] inline const uint8_t* next_field(const uint8_t* rec, Line_scan& line, int32_t sep, int32_t* pos,
                                                        int32_t* flen) {
  if (!line.marked) return cut_field(rec, line.len, pos, sep, flen);
  // cut_field by the marks: the lowest one left is the next separator.
  const int32_t at = *pos;
  if (line.seps) {
    int32_t e = __builtin_ctzll(line.seps);
    line.seps &= line.seps - 1;
    *flen = e - at;
    *pos = e + 1;
  } else {
    *flen = line.len > at ? line.len - at : 0;
    *pos = line.len;
  }
  return rec + at;
}

// A site's items take the fields of the scanned record, each assigned as it
// is cut, into the site's variables (looked up by its first READ).  False at
// an item or field the fast path does not take (earlier items are assigned
// by then).
[[gnu::always_inline]] inline bool assign_items(Read_site* s, const uint8_t* rec, Line_scan& line, int32_t sep) {
  int32_t pos = 0;
  for (int i = 0, n = s->items; i < n; i++) {
    Var_node* node = s->node[i];
    int32_t flen;
    const uint8_t* text = next_field(rec, line, sep, &pos, &flen);
    if (s->type[i] == code::STR_VAR) {
      put_plain_string(node, text, flen);
    } else {
      Num_val v;
      if (!plain_number(text, flen, v)) return false;
      put_plain_number(node, v);
    }
  }
  Read_unconsumed = line.len > pos ? line.len - pos : 0;
  return true;
}

// The current-I/O area of a site's READ, set again when another site's READ
// set it since.
[[gnu::noinline, gnu::cold]] void site_io_area(Read_site* s) {
  s->chan.f = s->sf;
  s->chan.after = s->at + s->after;
  Io_plain_apply(s->chan, code::D_READ);
  ws.Iol_depth = 0;
  last_site = s;
}

// READ when its site's findings do not hold (below).
void read_statement(Read_site* site, const uint8_t* p);

// READ at a site whose first fast READ's findings still hold (see above),
// for any line in the buffer: the line scanned, the channel stepped on, the
// fields assigned.
[[gnu::noinline]] bool read_known_any(Read_site* s) {
  Seq_fcb* const sf = s->sf;
  const int32_t at = sf->rd_pos;
  const int32_t avail = sf->rd_fill - at;
  if (avail <= 0) return false;
  const uint8_t* rec = sf->rd_buf + at;
  Line_scan line;
  if (!scan_line(rec, avail < s->max ? avail : s->max, s->sep, line)) return false;
  if (s != last_site) site_io_area(s);
  if (s->chan.has_err) ws.Err_line = s->chan.err_line;  // the loop clears it after each statement
  const int32_t rec_index = sf->rec_index, rec_count = sf->rec_count;
  sf->rd_pos = at + line.line_len + 1;
  sf->rec_count = rec_index;
  sf->rec_index = rec_index + 1;
  if (!assign_items(s, rec, line, s->sep)) {
    sf->rd_pos = at;
    sf->rec_count = rec_count;
    sf->rec_index = rec_index;
    return false;
  }
  ws.Exec_ptr = s->end;
  return true;
}

// read_known's way out: read_known_any, else the statement from its start.
[[gnu::noinline]] void read_known_slow(Read_site* s) {
  if (!read_known_any(s)) read_statement(s, s->at);
}

// The line at rec (64 bytes there may be read) when its newline is among its
// first 64 bytes: its length to *len, and the separators among those bytes
// marked in *seps (bit i: byte i); vecs the site's patterns, the newline's
// and the separator's (Read_site::patterns).  False when no newline is there.
// 16 bytes at a time, from the first 16 on (each step a constant place k),
// stopping after the 16 that hold the newline.  The newline's place is a
// size: the next line's start, which the next search waits for, waits for
// nothing else.
template <int k = 0>
[[gnu::always_inline]] inline bool scan64(const uint8_t* rec, const uint8_t* vecs, uint64_t* seps, size_t* len,
                                          uint64_t marks = 0) {
  uint64_t nl[2], sep[2];
  Byte_eq16(rec + k, vecs, nl);
  Byte_same16(rec + k, vecs + 16, sep);
  marks |= uint64_t(Byte_bits(sep[0]) | Byte_bits(sep[1]) << 8) << k;
  if (nl[0] | nl[1]) {
    *len = k + Byte_at16(nl);
    *seps = marks;
    return true;
  }
  if constexpr (k + 16 < 64) return scan64<k + 16>(rec, vecs, seps, len, marks);
  else return false;
}

// The newline among the first 64 bytes at rec, none being before byte k:
// its place to *len.  16 bytes at a time from byte k; false when none is
// there.
template <int k>
[[gnu::always_inline]] inline bool newline_from(const uint8_t* rec, const uint8_t* nl_vec, size_t* len) {
  uint64_t nl[2];
  Byte_eq16(rec + k, nl_vec, nl);
  if (nl[0] | nl[1]) {
    *len = k + Byte_at16(nl);
    return true;
  }
  if constexpr (k + 16 < 64) return newline_from<k + 16>(rec, nl_vec, len);
  else return false;
}

// The line at rec (64 bytes there may be read) when its newline is among its
// first 64 bytes, for a site that takes its first field: its length to
// *len, the place of its first separator to *first (len when it has none).
// False when no newline is there.  16 bytes at a time, compared with both
// patterns until the first byte found (the newline or the first
// separator), from there with the newline's alone.  Every read is at a
// fixed place from rec, and the newline's place is a size: the next line's
// start, which the next search waits for, waits for nothing else.
template <int k = 0>
[[gnu::always_inline]] inline bool scan64_first(const uint8_t* rec, const uint8_t* vecs, size_t* len, size_t* first) {
  uint64_t any[2];
  Byte_eq16_either(rec + k, vecs, vecs + 16, any);
  if (any[0] | any[1]) {
    *first = k + Byte_at16(any);
    return newline_from<k>(rec, vecs, len);
  }
  if constexpr (k + 16 < 64) return scan64_first<k + 16>(rec, vecs, len, first);
  else return false;
}

// Item i of the line: its field from pos to the next marked separator (or
// the line's end), assigned; pos moved past it.  False when it is not the
// usual item.
[[gnu::always_inline]] inline bool known_item(Read_site* s, int i, const uint8_t* rec, int32_t len, uint64_t& seps,
                                              int32_t& pos) {
  Var_node* const node = s->node[i];
  const uint8_t* const text = rec + pos;
  int32_t flen;
  if (seps) {
    int32_t e = __builtin_ctzll(seps);
    seps &= seps - 1;
    flen = e - pos;
    pos = e + 1;
  } else {
    flen = len - pos;  // >= 0: pos never passes len
    pos = len;
  }
  if (s->type[i] == code::STR_VAR) {
    Str_blk* const b = node->str;
    // Str_fits_in_place (flen < 64 here): 0 < flen, cap - 64 < flen <= cap.
    if (!b || flen == 0 || b->cap - uint32_t(flen) >= 64) [[unlikely]]
      return false;
    copy_upto64(b->bytes(), text, size_t(flen));
    b->len = uint32_t(flen);
    node->flags |= VF_ASSIGNED;
    ws.Str_ptr = const_cast<uint8_t*>(text);
    ws.Str_len = flen;
  } else {
    Num_val v;
    if (!short_integer(text, flen, rec + 64, v) && (!plain_number(text, flen, v) || v.scale > 0)) [[unlikely]]
      return false;
    // put_plain_number without decimals.
    ws.Math_flags = 0;
    ws.Num_acc = v;
    ws.Str_len = -1;
    node->num = v;
    node->flags |= VF_ASSIGNED;
  }
  return true;
}

// The items of a site with a known count, one after the other.
template <size_t... I>
[[gnu::always_inline]] inline bool known_items_each(Read_site* s, const uint8_t* rec, int32_t len, uint64_t& seps,
                                                    int32_t& pos, std::index_sequence<I...>) {
  return (known_item(s, int(I), rec, len, seps, pos) && ...);
}

// read_known_any for its usual line, shorter than 64 bytes with 64 bytes in
// the buffer, searched in one pass with the site's separator pattern, and
// for its usual items: strings whose block takes the text in place
// (put_plain_string's usual case), plain numbers without decimals.  It calls
// nothing on its way, so nothing can fail after an item is assigned and the
// channel steps on after the items: anything else, met after earlier items
// were assigned, goes to read_known_any, which starts afresh and assigns the
// same values again.  False, with the channel as it was, when it does not
// take the line; read_known is the whole READ statement, with its way out.
// read_known_try after its scan: len the line's length (< 64, the newline at
// rec[len]), seps the separators marked in its 64 bytes.  Its items alone:
// where the line goes on after the fields taken to *end.  Items: the
// site's count (items) when the caller knows it, else 0.
template <int Items>
[[gnu::always_inline]] inline bool known_items_assign(Read_site* s, const uint8_t* rec, int32_t len, uint64_t seps,
                                                      int items, int32_t* end) {
  // NUL padding before the newline: the general scan strips it.
  if (len > 0 && rec[len - 1] == 0) [[unlikely]]
    return false;
  seps &= (uint64_t(1) << len) - 1;  // the marks inside the line (len < 64)
  int32_t pos = 0;
  if constexpr (Items > 0) {
    if (!known_items_each(s, rec, len, seps, pos, std::make_index_sequence<Items>())) return false;
  } else {
    for (int i = 0; i < items; i++)
      if (!known_item(s, i, rec, len, seps, pos)) return false;
  }
  *end = pos;
  return true;
}

template <int Items>
[[gnu::always_inline]] inline bool known_items_line(Read_site* s, const uint8_t* rec, int32_t len, uint64_t seps,
                                                    int items) {
  // The items first (nothing they do can fail here), then the channel.
  int32_t pos;
  if (!known_items_assign<Items>(s, rec, len, seps, items, &pos)) return false;
  {
    Seq_fcb* const f = s->sf;
    f->rd_pos += len + 1;
    f->rec_count = f->rec_index;
    f->rec_index++;
  }
  // Nothing can fail from here on: the ERR= line is not set (the statement
  // loop takes this path's statement as ended, with nothing to reset).
  Read_unconsumed = len - pos;
  ws.Exec_ptr = s->end;
  Read_line_step = &s->step;
  return true;
}

// read_known_try for a site whose lines are searched 16 bytes at a time.
// Items: the site's count, or 0 for any count.
template <int Items = 0>
[[gnu::always_inline]] inline bool known_items_take(Read_site* s) {
  Seq_fcb* const sf = s->sf;
  const int32_t at = sf->rd_pos;
  if (sf->rd_fill - at < 64 || !s->marks) [[unlikely]]
    return false;
  const uint8_t* const rec = sf->rd_buf + at;
  uint64_t seps;
  size_t len;
  return scan64(rec, s->patterns, &seps, &len) &&
         known_items_line<Items>(s, rec, int32_t(len), seps, Items ? Items : s->items);
}

// The scan of read_known_try's line: 16 bytes at a time.
[[gnu::always_inline]] inline bool read_known_try(Read_site* s) {
  return known_items_take(s);
}

[[gnu::noinline]] void read_known(Read_site* s) {
  if (!read_known_try(s)) read_known_slow(s);
}

// read_known for the commonest site, one string item on a channel with a
// separator (Read_site::one_string): read_known_try's scan and string
// assignment without the item loop, so the usual line needs fewer
// registers and no loop.  It takes what read_known_try takes and leaves
// what it leaves; anything else goes to read_known_slow.  The line is
// searched 16 bytes at a time (scan64).
// The usual line after the scan: len its length (< 64, the newline at
// rec[len]), seps with the first separator in its 64 bytes as the lowest
// mark.  False, with nothing done, when it is not the usual line.  Again:
// for the statement loop's loop of a file, which takes the site's kept step
// from the call's result (Read_line_step is not set).
// The field of such a line, up to its first separator (first, or len when
// it has none): its length to *flen, where the line goes on after it to
// *pos.  False when NUL bytes pad the line before its newline (the general
// scan strips them).
[[gnu::always_inline]] inline bool string_field(const uint8_t* rec, size_t len, size_t first, size_t* flen,
                                                size_t* pos) {
  if (len > 0 && rec[len - 1] == 0) [[unlikely]]
    return false;
  *flen = first;
  *pos = first + (first < len);
  return true;
}

// Str_fits_in_place for a field shorter than 64 bytes: 0 < flen,
// cap - 64 < flen <= cap.
[[gnu::always_inline]] inline bool fits_short(uint32_t cap, int32_t flen) {
  return flen != 0 && cap - uint32_t(flen) < 64;
}

template <bool Again>
[[gnu::always_inline]] inline bool known_string_line(Read_site* s, Seq_fcb* sf, const uint8_t* rec, size_t len,
                                                     size_t first) {
  size_t flen, pos;
  if (!string_field(rec, len, first, &flen, &pos)) return false;
  Var_node* const node = s->node[0];
  Str_blk* const b = node->str;
  if (!b || !fits_short(b->cap, int32_t(flen))) [[unlikely]]
    return false;
  // Nothing can fail from here on.  The copy comes last, with little else
  // left to keep in registers.
  node->flags |= VF_ASSIGNED;
  ws.Str_ptr = const_cast<uint8_t*>(rec);
  ws.Str_len = int32_t(flen);
  sf->rd_pos += int32_t(len) + 1;
  sf->rec_count = sf->rec_index;
  sf->rec_index++;
  // No ERR= line: see known_items_line.
  Read_unconsumed = int32_t(len - pos);
  ws.Exec_ptr = s->end;
  if (!Again) Read_line_step = &s->step;
  b->len = uint32_t(flen);
  copy_upto64(b->bytes(), rec, size_t(flen));
  return true;
}

// The usual line of a one-string site, searched 16 bytes at a time: read
// (true), or left as it was (false).
template <bool Again = false>
[[gnu::always_inline]] inline bool known_string_take(Read_site* s) {
  Seq_fcb* const sf = s->sf;
  const int32_t at = sf->rd_pos;
  if (sf->rd_fill - at < 64) [[unlikely]]
    return false;
  const uint8_t* const rec = sf->rd_buf + at;
  size_t len, first;
  return scan64_first(rec, s->patterns, &len, &first) && known_string_line<Again>(s, sf, rec, len, first);
}

[[gnu::noinline]] void read_known_string(Read_site* s) {
  if (!known_string_take(s)) read_known_slow(s);
}

// The site's usual line again, for the statement loop's loop of a file
// (Read_again_find): as the READ's kept form (Read_site::known) takes it,
// its kept step returned; null, with nothing done, for any other line.
// One form for each kept form.
const Line_step* again_items(void* site) {
  auto* s = static_cast<Read_site*>(site);
  return known_items_take(s) ? &s->step : nullptr;
}

// Two items (READ A$,K ...): the item loop unrolled.
const Line_step* again_items2(void* site) {
  auto* s = static_cast<Read_site*>(site);
  return known_items_take<2>(s) ? &s->step : nullptr;
}

const Line_step* again_string(void* site) {
  auto* s = static_cast<Read_site*>(site);
  return known_string_take<true>(s) ? &s->step : nullptr;
}

// The site's usual lines again, each followed by the sums listed after the
// READ, for the statement loop's loop of a file (Read_again_loop_fn): each
// line read as the one-line form of the site reads it (known_items_take,
// Items as there), then the pending work tested and the sums done as the
// statement loop does them by the list.  The channel's buffer, the patterns
// and the list are kept at hand; of what a line's READ leaves, the sums after
// it look at no more than its items do: the channel is stepped on past the
// lines read (and what is left of the last one noted) once, on the way out,
// and the cursor set only when the loop stops after a READ (on its other
// ways out, the statement loop sets it with the line state it goes to, or
// the sums' pending way out has).  One: the list holds one sum, a loop of
// known length.
template <int Items, bool One>
[[gnu::always_inline]] inline const Line_step* again_lines(void* site, const Line_step* r, const Line_step* back,
                                                           const Kept_chain& chain) {
  auto* s = static_cast<Read_site*>(site);
  ORU_ASSERT(r == &s->step);
  uint8_t vecs[32];
  std::memcpy(vecs, s->patterns, 32);
  const Kept_chain list = chain;
  const int items = Items ? Items : s->items;
  const uint8_t* rec = s->sf->rd_buf + s->sf->rd_pos;
  const uint8_t* const last = s->sf->rd_buf + s->sf->rd_fill - 64;  // a line starts here at the latest
  int32_t lines = 0, unconsumed = 0;
  const Line_step* t = back;
  while (rec <= last) {
    uint64_t seps;
    size_t len;
    int32_t pos;
    if (!scan64(rec, vecs, &seps, &len) || !known_items_assign<Items>(s, rec, int32_t(len), seps, items, &pos))
        [[unlikely]]
      break;
    lines++;
    unconsumed = int32_t(len) - pos;
    rec += len + 1;
    ORU_ASSERT(ws.Cur_line_rec == r->from_rec && ws.Cur_stno == r->from_no);
    if (Work_pending()) [[unlikely]] {
      ws.Exec_ptr = s->end;
      t = nullptr;
      break;
    }
    t = kept_lines_listed(r, list.site, list.site + (One ? 1 : list.n), back);
    if (t != back) [[unlikely]]
      break;  // null when work became pending
  }
  if (lines) {
    // (The channel is the one the loop started with.)
    Seq_fcb* const sf = s->sf;
    const int32_t index = sf->rec_index + lines;
    sf->rd_pos = int32_t(rec - sf->rd_buf);
    sf->rec_count = index - 1;
    sf->rec_index = index;
    Read_unconsumed = unconsumed;
  }
  return t;
}

// again_lines for a one-string site: the lines read as known_string_take
// reads them, with what does not change while the loop runs (the channel's
// buffer, the variable, its block, the patterns, the list) kept at hand.
// Of what a line's READ leaves, the sums after it look at none: the channel
// is stepped on past the lines read (and what is left of the last one
// noted) once, on the way out, and the current string and the cursor are
// set only when the loop stops after a READ (on its other ways out, the
// statement loop sets both with the line state it goes to, or the sums'
// pending way out has set them).  One: the list holds one sum (the
// commonest loop: a READ and a count), a loop of known length.
template <bool Whole, bool One>
[[gnu::always_inline]] inline const Line_step* again_string_run(void* site, const Line_step* r,
                                                                const Line_step* back, const Kept_chain& chain) {
  auto* s = static_cast<Read_site*>(site);
  ORU_ASSERT(r == &s->step);
  Str_blk* const b = s->node[0]->str;
  // The field lengths the block takes in place (fits_short), bit by length.
  const uint32_t cap = b->cap;
  uint64_t fits = 0;
  for (uint32_t n = 1; n < 64; n++)
    if (fits_short(cap, int32_t(n))) fits |= uint64_t(1) << n;
  uint8_t vecs[32];
  std::memcpy(vecs, s->patterns, 32);
  const Kept_chain list = chain;
  Let_site* const* const sums = list.site;
  Let_site* const* const sums_end = sums + (One ? 1 : list.n);
  const uint8_t* rec = s->sf->rd_buf + s->sf->rd_pos;
  const uint8_t* const last = s->sf->rd_buf + s->sf->rd_fill - 64;  // a line starts here at the latest
  const Line_step* t = back;
  int32_t lines = 0, unconsumed = 0;
  while (rec <= last) {
    size_t len, first, flen, pos;
    if (!scan64_first(rec, vecs, &len, &first) || !string_field(rec, len, first, &flen, &pos) ||
        !((fits >> flen) & 1)) [[unlikely]]
      break;
    b->len = uint32_t(flen);
    if constexpr (Whole)
      Block_copy<64>(b->bytes(), rec);
    else
      copy_upto64(b->bytes(), rec, size_t(flen));
    lines++;
    unconsumed = int32_t(len - pos);
    ORU_ASSERT(ws.Cur_line_rec == r->from_rec && ws.Cur_stno == r->from_no);
    if (Work_pending()) [[unlikely]] {
      ws.Str_ptr = const_cast<uint8_t*>(rec);
      ws.Str_len = int32_t(flen);
      ws.Exec_ptr = s->end;
      rec += len + 1;
      t = nullptr;
      break;
    }
    rec += len + 1;
    t = kept_lines_listed(r, sums, sums_end, back);
    if (t != back) [[unlikely]]
      break;  // null when work became pending
  }
  // (The channel and the variable are the ones the loop started with.)
  Seq_fcb* const sf = s->sf;
  if (lines) {
    s->node[0]->flags |= VF_ASSIGNED;
    const int32_t index = sf->rec_index + lines;
    sf->rd_pos = int32_t(rec - sf->rd_buf);
    sf->rec_count = index - 1;
    sf->rec_index = index;
    Read_unconsumed = unconsumed;
  }
  return t;
}

// The run for the variable's block: one of 64 bytes or more (Str_capacity's
// sizes: 16, 64, 256, ...) takes the 64 bytes from the field's start whole,
// those past the field landing in its free room.
[[gnu::always_inline]] inline const Line_step* again_string_block(void* site, const Line_step* r,
                                                                  const Line_step* back, const Kept_chain& chain) {
  const Str_blk* const b = static_cast<Read_site*>(site)->node[0]->str;
  if (!b) return back;
  if (b->cap >= 64)
    return chain.n == 1 ? again_string_run<true, true>(site, r, back, chain)
                        : again_string_run<true, false>(site, r, back, chain);
  return again_string_run<false, false>(site, r, back, chain);
}

const Line_step* again_string_lines(void* site, const Line_step* r, const Line_step* back, const Kept_chain& chain) {
  return again_string_block(site, r, back, chain);
}
const Line_step* again_items_lines(void* site, const Line_step* r, const Line_step* back, const Kept_chain& chain) {
  return again_lines<0, false>(site, r, back, chain);
}
const Line_step* again_items2_lines(void* site, const Line_step* r, const Line_step* back, const Kept_chain& chain) {
  return chain.n == 1 ? again_lines<2, true>(site, r, back, chain) : again_lines<2, false>(site, r, back, chain);
}

// READ at a site on its first fast READ since the epoch moved: the site's
// code checked (or learned), the run checked, the findings kept.
[[gnu::noinline]] bool read_fresh(Read_site* s, const uint8_t* const p) {
  if (!code_same(*s, p)) {
    if (!learn_site(p)) return false;
    s = &site_slot(p);  // what code_same finds now
  }
  // Io_plain_parse's checks of the run.
  if (ws.Io_next_chan != 0 || Cmd_window_enabled()) return false;
  Fcb* f = Find_fp_cache;
  if (!f || f->channel != s->chan.chan) f = Find_fp(s->chan.chan);
  if (!f || f->kind != FK_SERIAL || (f->owner && Io_owner_other(f)) || (f->st3 & ST3_BUSY)) return false;
  int32_t sep = f->separator;
  if (f->event_pgm || f->lock_len != 0 || sep < 0 || (f->st1 & (ST1_WRITTEN | ST1_WRITE_ONLY))) return false;
  auto* sf = static_cast<Seq_fcb*>(f);
  if (sf->rd_pos >= sf->rd_fill) return false;  // a refill: the general path's
  for (int i = 0, n = s->items; i < n; i++)
    if (!(s->node[i] = plain_var(s->type[i], s->idx[i]))) return false;
  // What this READ and the ones after it at the site (while the epoch
  // holds) take as it is.
  const int32_t max = ws.Max_strlen > 0 ? ws.Max_strlen : INT32_MAX;
  s->sf = sf;
  s->max = max;
  s->sep = sep;
  s->marks = max >= 64 && sep > 0 && sep != '\n';
  s->known = read_known;
  s->again = nullptr;
  s->again_loop = nullptr;
  if (s->marks) {
    const bool one_string = s->items == 1 && s->type[0] == code::STR_VAR;
    if (one_string) s->known = read_known_string;
    s->again = one_string ? again_string : s->items == 2 ? again_items2 : again_items;
    s->again_loop = one_string ? again_string_lines : s->items == 2 ? again_items2_lines : again_items_lines;
  }
  std::memset(s->patterns, '\n', 16);
  std::memset(s->patterns + 16, sep, 16);
  // The statement's current-I/O area and the channel's read state, then the
  // line through the kept paths.
  const uint16_t st1 = f->st1, st2 = f->st2;
  s->chan.f = f;
  s->chan.after = p + s->after;
  Io_plain_apply(s->chan, code::D_READ);
  ws.Iol_depth = 0;
  last_site = s;
  f->st2 = uint16_t(st2 & ~ST2_SERIAL_NOT_FIFO);
  f->st1 = uint16_t(st1 | ST1_READ);
  ws.Bsy_count = 0;
  if (read_known_try(s) || read_known_any(s)) {
    // This READ set the statement's ERR= line with its current-I/O area:
    // the statement loop resets it after the statement, so the kept step
    // is not offered here.
    Read_line_step = nullptr;
    s->epoch = Exec_epoch;
    s->step.str = nullptr;
    if (s->code[s->len - 1] == code::EOL) Keep_line_step(s->step);
    return true;
  }
  f->st1 = st1;
  f->st2 = st2;
  ws.Exec_ptr = const_cast<uint8_t*>(p);
  s->epoch = 0;
  return false;
}

}  // namespace

namespace {

// READ when its site's findings do not hold: the fast path that checks them
// afresh, else the general path.
// (A save of the current-I/O area that a nested run owes is taken here: the
// READs after this one at a site, and at the other sites found since, run
// while the epoch holds, and a nested run moves it on at its start and at
// its end (Exec_line), so no save becomes owed while a site's findings hold.)
[[gnu::noinline]] void read_statement(Read_site* site, const uint8_t* p) {
  Io_touch();
  if (read_fresh(site, p)) return;
  // The general path: what READ's fast path kept no longer holds after it.
  ++Exec_epoch;
  const uint8_t* s = ws.Stmt_ptr;
  Read_general(s && s[0] == code::D_READ);
}

}  // namespace

Read_again_fn Read_again_site(const uint8_t* p, void** site, Read_again_loop_fn* loop) {
  Read_site* const s = last_site;
  if (s->at != p || s->epoch != Exec_epoch) return nullptr;
  *site = s;
  *loop = s->again_loop;
  return s->again;
}

void d_read_stmt() {
  // A plain list from a serial channel's buffer is read at once: at once
  // from the site's findings while they hold.
  const uint8_t* const p = ws.Exec_ptr;
  Read_site* s = last_site;
  if (s->at == p && s->epoch == Exec_epoch) return s->known(s);
  // Another site's READ ran last: the current-I/O area is set again on the
  // way (read_known_any).
  if (s->at != p) s = &site_slot(p);
  if (s->at == p && s->epoch == Exec_epoch) return read_known_slow(s);
  read_statement(s, p);
}
