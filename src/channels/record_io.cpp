// READ, EXTRACT, FIND, WRITE, INSERT, UPDATE, REMOVE and PURGE.
//
// Each directive fills the current-I/O area (Io_SetOptions) and calls the
// slots of the channel's driver.  A record being read is the current string
// the read slot left; its fields are assigned item by item.  A record being
// written is built in the channel's output buffer (buf_count bytes) and
// handed to the write slot; whatever fails, the buffer count is back at the
// record start for the next statement, so no half-built record is ever
// written later.
#include "channels/record_io.h"
#include "channels/read_fields.h"
#include "channels/journal.h"
#include "channels/chan_hooks.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/dupl_write.h"
#include "channels/field_convert.h"
#include "channels/io_list.h"
#include "channels/rec_formats.h"
#include "channels/simple_files.h"
#include "channels/io_options.h"
#include "core/block_copy.h"
#include "core/codes.h"
#include "core/dispatch.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/executor.h"
#include "core/kept_sums.h"
#include "core/host.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "core/masks.h"
#include "core/nested_run.h"

namespace {

constexpr int32_t DEFAULT_BUF_SIZE = 4096;

inline bool is_var(uint8_t c) { return c == code::NUM_VAR || c == code::STR_VAR || c == code::REC_VAR; }

void release_lock(Fcb* f) {
  if (f->lock_len != 0 && Rec_unlock_hook) Rec_unlock_hook(f);
}

// On the way out of a failed write the buffer goes back to the record
// start (callers catch, call this and rethrow: no cost while nothing fails).
// An event program that closed the channel leaves no current channel
// (Cls_file and Run_io_event see to it): its record is gone, nothing to do.
void drop_record(Fcb* f) {
  if (!ws.Cur_fcb) return;
  f->buf_count = f->rec_start;
  f->high_water = 0;
}
// The same for a whole statement: only what it added goes.
void drop_record(Fcb* f, const Out_mark& mark) {
  if (ws.Cur_fcb) mark.take_back(f);
}

// Appends n bytes to the record: straight into the buffer when they fit,
// else through Wrt_field, which flushes.
inline void put_bytes(const uint8_t* p, int32_t n) {
  Fcb* f = ws.Cur_fcb;
  if (n <= f->buf_size - f->buf_count) {
    if (n > 0) std::memcpy(f->out_buf + f->buf_count, p, size_t(n));
    f->buf_count += n;
    return;
  }
  Wrt_field(p, n);
}

inline void put_byte(uint8_t b) {
  Fcb* f = ws.Cur_fcb;
  if (f->buf_count < f->buf_size) {
    f->out_buf[f->buf_count++] = b;
    return;
  }
  Wrt_field(&b, 1);
}

// A number in normal form, in buf (CONV_NORMAL_MAX bytes): returns its
// length.  An integer outside floating-point mode is Int_text's (Conv_normal's
// own result for it); everything else goes to Conv_normal.
inline bool integer_form(const Num_val& v) { return v.scale == 0 && !(ws.Num_flags & NF_FLOATING); }

int number_text(const Num_val& v, char* buf) {
  static_assert(CONV_NORMAL_MAX >= INT_TEXT_MAX, "room for an integer's text");
  return integer_form(v) ? Int_text(v.mant, buf) : Conv_normal(v, buf);
}

// "*" or "/" standing alone as an item (cursor on it): an empty field on
// WRITE, a skipped field on READ, optionally with a format ("*:CHR(4)").
bool empty_item_follows() {
  uint8_t n = ws.Exec_ptr[1];
  return n == code::COMMA || n == code::LABEL_END || stmt_end(n);
}

// How an item's value goes into or comes out of its field: as it stands,
// through a field format (A$:CHR(10)) or through a mask (N:"##0.00").
struct Item_form {
  int kind = 0;  // 0 plain, 1 format item, 2 mask
  Fmt_item fi;
  const uint8_t* mask = nullptr;
  int32_t mask_len = 0;
};

// The ':' part after an item (the cursor on the ':'), when there is one.
void item_form(Item_form& form) {
  if (*ws.Exec_ptr != code::LABEL_END) return;
  ws.Exec_ptr++;
  if (Is_fmt_code(*ws.Exec_ptr)) {
    form.kind = 1;
    Fmt_parse(form.fi);
    return;
  }
  Eval_str();
  form.kind = 2;
  form.mask_len = ws.Str_len;
  uint8_t* m = Work_take(size_t(ws.Str_len) + 1);
  if (ws.Str_len) std::memcpy(m, ws.Str_ptr, size_t(ws.Str_len));
  form.mask = m;
}

// A value kept while the item's format is evaluated.
struct Saved_value {
  Num_val num;
  const uint8_t* p = nullptr;
  int32_t n = -1;
};

Saved_value save_value() {
  Saved_value v;
  v.num = ws.Num_acc;
  v.n = ws.Str_len;
  if (v.n > 0) {
    uint8_t* c = v.n > 2048 ? static_cast<uint8_t*>(Get_temp(size_t(v.n))) : Work_take(size_t(v.n));
    std::memcpy(c, ws.Str_ptr, size_t(v.n));
    v.p = c;
  }
  return v;
}

void restore_value(const Saved_value& v) {
  ws.Num_acc = v.num;
  ws.Str_len = v.n;
  ws.Str_ptr = const_cast<uint8_t*>(v.p);
}

// The text of a numeric field read through a mask: the characters the mask
// shows besides digits, sign and point (grouping, currency) are dropped.
void strip_mask_chars(const Item_form& form) {
  uint8_t* out = Work_take(size_t(ws.Str_len) + 1);
  int32_t n = 0;
  for (int32_t i = 0; i < ws.Str_len; i++) {
    uint8_t c = ws.Str_ptr[i];
    bool numlike = (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.';
    if (numlike || !std::memchr(form.mask, c, size_t(form.mask_len))) out[n++] = c;
  }
  ws.Str_ptr = out;
  ws.Str_len = n;
}

// A number divided by 10^s (the scale of a format item).
void scale_down(int s) {
  if (!s || ws.Num_acc.mant == 0) return;
  if (ws.Num_acc.scale + s > 127) Rpt_error(err::NUMERIC_OVERFLOW);
  ws.Num_acc.scale = int8_t(ws.Num_acc.scale + s);
}

// Assigns one field to the target captured in t.
void assign_field(const Let_target& t, const Field_in& fld, const Item_form& form) {
  if (fld.error) Rpt_error(fld.error);
  if (t.str_len < 0) {
    if (fld.null_value) {
      Load_Long(ws.Num_acc, -1);
      ws.Str_len = -1;
    } else if (fld.numeric) {
      ws.Num_acc = fld.num;
      ws.Str_len = -1;
      scale_down(fld.div_scale);
    } else {
      ws.Str_ptr = const_cast<uint8_t*>(fld.p);
      ws.Str_len = fld.n;
      if (form.kind == 2) strip_mask_chars(form);
      Conv_str();
      scale_down(fld.div_scale);
    }
    Let_store_num(t);
  } else {
    if (fld.numeric && !fld.null_value) {
      ws.Num_acc = fld.num;
      scale_down(fld.div_scale);
      Conv_val();
    } else {
      ws.Str_ptr = const_cast<uint8_t*>(fld.p);
      ws.Str_len = fld.null_value ? 0 : fld.n;
    }
    Let_assign(t);
  }
}

// Takes the next field for an item of the given form.
void take_field(const uint8_t* rec, int32_t len, int32_t* pos, const Item_form& form, Field_in& fld) {
  if (form.kind != 1) {
    Cnv_field(rec, len, pos, ws.Io_sep, fld);
    return;
  }
  if (ws.Io_sep == SEP_NONE || ws.Io_sep == SEP_TYPED) {
    // Typed fields: the format applies to the text of the next field.
    Field_in typed;
    Cnv_field(rec, len, pos, ws.Io_sep, typed);
    if (typed.numeric || typed.error) {
      fld = typed;
      return;
    }
    int32_t at = 0;
    Cnv_inpfmt(form.fi, typed.p, typed.n, &at, fld);
    return;
  }
  Cnv_inpfmt(form.fi, rec, len, pos, fld);
}

// The usual READ target, a plain scalar named by its index and standing
// alone as an item: its assignment target straight from its node, without
// loading the value the field is about to replace.  False, with nothing
// done, for anything else (an element, a substring, a record or template
// field, an item with a format, a name not looked up yet, a variable the
// program may not read): Get_value takes those, with their errors.
bool plain_target(Let_target& t) {
  const uint8_t* p = ws.Exec_ptr;
  uint8_t c = p[0];
  if ((c != code::STR_VAR && c != code::NUM_VAR) || !(p[1] & 0x80)) return false;
  uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
  Var_node* node = idx < ws.Var_index_cnt ? ws.Var_index[idx] : nullptr;
  if (!node || node->type != c || (node->read_mask & ~ws.Var_mask) || (node->flags & (VF_RECORD | VF_TEMPLATE)))
    return false;
  uint8_t next = p[3];
  if (next != code::COMMA && !stmt_end(next)) return false;
  Check_assignable(node);
  t.node = node;
  t.str_len = c == code::STR_VAR ? 0 : -1;  // a string's present length matters only to substrings
  t.val = c == code::STR_VAR ? static_cast<void*>(&node->str) : static_cast<void*>(&node->num);
  t.sub_pos = 0;
  t.sub_len = 0;
  t.flags = node->flags & ~VF_FIXED;
  t.elem = -1;
  ws.Exec_ptr += 3;
  return true;
}

// The variable item at the cursor (its form already read when given) takes
// the next field.
void read_target(const uint8_t* rec, int32_t len, int32_t* pos, const Item_form* given) {
  Let_target t;
  if (given || !plain_target(t)) {
    Get_value();
    Check_assignable(ws.Cur_var);
    Let_define(t);
  }
  ws.Math_flags = 0;
  if (!given && *ws.Exec_ptr != code::LABEL_END) {  // the usual plain item
    static const Item_form plain;
    Field_in fld;
    Cnv_field(rec, len, pos, ws.Io_sep, fld);
    if (t.str_len >= 0 && !fld.numeric && !fld.error) {  // text into a string
      ws.Str_ptr = const_cast<uint8_t*>(fld.p);
      ws.Str_len = fld.n;
      Let_assign(t);
      return;
    }
    assign_field(t, fld, plain);
    return;
  }
  Item_form own;
  if (!given) item_form(own);
  const Item_form& form = given ? *given : own;
  Field_in fld;
  take_field(rec, len, pos, form, fld);
  assign_field(t, fld, form);
}

void read_into_var(const uint8_t* rec, int32_t len, int32_t* pos) { read_target(rec, len, pos, nullptr); }

// A variable item read under the channel's REC= prefix: the variable named
// by the prefix, a period and the item's own name (REC="CUST" fills CUST.A$
// for A$; REC=R$ the fields of record R$).  The item is read as the field
// reference of a record named by the prefix: a copy of the rest of the
// statement behind that record's name, so that subscripts and a format
// clause read as they stand.
void read_into_array(const uint8_t* rec, int32_t len, int32_t* pos);

void read_prefixed(const uint8_t* rec, int32_t len, int32_t* pos) {
  uint8_t* item = ws.Exec_ptr;
  const bool many = Io_array_item_at_cursor();  // A[ALL] or a range: P.A[ALL]
  const uint8_t* pre = ws.Io_rec_prefix;
  const uint8_t* end = Code_end(item);
  const uint8_t* stop = item;
  // (Up to the line's end: a "}" of a range ends statements for stmt_end.)
  while (stop < end && *stop != code::EOL && *stop != code::END_SCAN) stop += Scan_size(stop, end);
  std::vector<uint8_t> ref;
  ref.reserve(size_t(stop - item) + pre[0] + 3);
  ref.push_back(code::REC_VAR);
  ref.insert(ref.end(), pre, pre + 1 + pre[0]);  // the length byte and the name
  const size_t at = ref.size();
  ref.insert(ref.end(), static_cast<const uint8_t*>(item), stop);
  ref.push_back(code::EOL);
  uint8_t* moved = ref.data() + at;
  ws.Exec_ptr = ref.data();
  if (many)
    read_into_array(rec, len, pos);
  else
    read_target(rec, len, pos, nullptr);
  ws.Exec_ptr = item + (ws.Exec_ptr - moved);
}

// READ's usual item at the cursor, taken whole here: a string variable
// takes the next field's text, a numeric one its plain number.  False, with
// nothing done, for every other item or field (read_target takes those,
// with their conversions and errors).
[[gnu::always_inline]] inline bool read_plain_item(const uint8_t* rec, int32_t len, int32_t* pos) {
  const uint8_t* p = ws.Exec_ptr;
  int32_t sep = ws.Io_sep;
  Var_node* node;
  if (sep < 0 || !(node = plain_item(p))) return false;
  int32_t at = *pos, n;
  const uint8_t* text = cut_field(rec, len, &at, sep, &n);
  if (p[0] == code::STR_VAR) {
    put_plain_string(node, text, n);
  } else {
    Num_val v;
    if (!plain_number(text, n, v)) return false;
    put_plain_number(node, v);
  }
  *pos = at;
  ws.Exec_ptr = const_cast<uint8_t*>(p + 3);
  return true;
}
// An A[ALL] item: reads its form once, then runs element(form) with the
// iteration set to each element in turn and the item re-read from its start;
// the caller's iteration and the position after the item come back at the end.
template <class Element>
inline void for_each_element(Element&& element) {
  uint8_t* item = ws.Exec_ptr;
  Var_node* n;
  uint32_t count = Io_all(&n);
  Item_form form;
  item_form(form);
  uint8_t* after = ws.Exec_ptr;
  {
    Iter_guard keep;
    for (uint32_t i = 0; i < count; i++) {
      ws.Iter_on = true;
      ws.Iter_index = i;
      ws.Iter_count = count;
      ws.Exec_ptr = item;
      element(form);
    }
  }
  ws.Exec_ptr = after;
}

// A[ALL]: every element takes a field in turn.
void read_into_array(const uint8_t* rec, int32_t len, int32_t* pos) {
  for_each_element([&](Item_form& form) { read_target(rec, len, pos, &form); });
}

// Appends the current value to the record as a field.  The usual field
// and its separator go straight into the buffer when they fit, with one
// test of the room; the rest through put_bytes and put_byte, which flush.
void write_value() {
  int32_t sep = ws.Io_sep;
  if (sep == SEP_TYPED) {
    uint8_t hdr[TYPED_NUM_MAX];
    if (ws.Str_len < 0) {
      Wrt_field(hdr, Wrt_dynasep_num(ws.Num_acc, hdr));
    } else {
      const uint8_t* p = ws.Str_ptr;
      int32_t n = ws.Str_len;
      Wrt_field(hdr, Wrt_dynasep_str_hdr(n, hdr));
      Wrt_field(p, n);
    }
    return;
  }
  Fcb* f = ws.Cur_fcb;
  const int32_t room = f->buf_size - f->buf_count;
  char num[CONV_NORMAL_MAX];
  const uint8_t* p;
  int32_t n;
  if (ws.Str_len < 0) {
    // An integer's text straight into the buffer when it and the separator
    // fit whatever its length.
    if (integer_form(ws.Num_acc) && room > int32_t(INT_TEXT_MAX)) {
      uint8_t* to = f->out_buf + f->buf_count;
      n = Int_text(ws.Num_acc.mant, reinterpret_cast<char*>(to));
      if (sep >= 0) to[n++] = uint8_t(sep);
      f->buf_count += n;
      return;
    }
    n = number_text(ws.Num_acc, num);
    p = reinterpret_cast<const uint8_t*>(num);
  } else {
    p = ws.Str_ptr;
    n = ws.Str_len;
  }
  if (n < room) {  // room for the separator too
    uint8_t* to = f->out_buf + f->buf_count;
    if (n > 0) copy_short(to, p, size_t(n));
    if (sep >= 0) to[n++] = uint8_t(sep);
    f->buf_count += n;
    return;
  }
  put_bytes(p, n);
  if (sep >= 0) put_byte(uint8_t(sep));
}

// An item standing alone: a ',' or the statement's end after it.
inline bool item_alone(uint8_t next) { return next == code::COMMA || stmt_end(next); }

// The scalar at p (code 1 or 2) by its index, standing alone, looked up
// and readable: what Find_var finds for it; null for anything else (a name
// not looked up yet, one the program may not read, an element, a substring).
[[gnu::always_inline]] inline Var_node* alone_scalar(const uint8_t* p) {
  if (!(p[1] & 0x80) || !item_alone(p[3])) return nullptr;
  const uint32_t idx = (uint32_t(p[1] & 0x7F) << 8) | p[2];
  Var_node* const node = idx < ws.Var_index_cnt ? ws.Var_index[idx] : nullptr;
  if (!node || node->type != p[0] || (node->read_mask & ~ws.Var_mask)) return nullptr;
  return node;
}

// The usual item of a list being written, a string literal or a numeric
// scalar by its index standing alone (a ',' or the statement's end after
// it), taken as Eval_formula takes it: its value current, the cursor after
// it.  False, with nothing done, for anything else (an expression, a
// format, a variable the program may not read, a name not looked up yet),
// which Eval_formula takes with its errors.
[[gnu::always_inline]] inline bool plain_value() {
  const uint8_t* p = ws.Exec_ptr;
  const uint8_t c = p[0];
  if (c == code::STR_LIT || c == code::HEX_LIT) {
    const uint32_t n = get_u16be(p + 1);
    const uint8_t* const after = p + 3 + n;
    if (!item_alone(*after)) return false;
    ws.Str_ptr = const_cast<uint8_t*>(p + 3);
    ws.Str_len = int32_t(n);
    ws.Exec_ptr = const_cast<uint8_t*>(after);
    return true;
  }
  Var_node* const node = c == code::NUM_VAR ? alone_scalar(p) : nullptr;
  if (!node) return false;
  Num_scalar_current(node);
  ws.Exec_ptr = const_cast<uint8_t*>(p + 3);
  return true;
}

// Appends the current value through its form.
void write_formatted(const Item_form& form) {
  if (form.kind == 1) {
    Cnv_outfmt(form.fi);
    if (ws.Io_sep == SEP_TYPED) {
      uint8_t hdr[TYPED_NUM_MAX];
      const uint8_t* p = ws.Str_ptr;
      int32_t n = ws.Str_len;
      Wrt_field(hdr, Wrt_dynasep_str_hdr(n, hdr));
      Wrt_field(p, n);
      return;
    }
    Wrt_field(ws.Str_ptr, ws.Str_len);
    return;
  }
  if (form.kind == 2) {
    std::string out;
    int err = ws.Str_len < 0 ? Conv_val_viafmt(ws.Num_acc, form.mask, size_t(form.mask_len), out)
                             : Fmt_str(ws.Str_ptr, size_t(ws.Str_len), form.mask, size_t(form.mask_len), out);
    if (err) Rpt_error(err);
    uint8_t* p = Work_take(out.size() + 1);
    std::memcpy(p, out.data(), out.size());
    ws.Str_ptr = p;
    ws.Str_len = int32_t(out.size());
  }
  write_value();
}

// The value just evaluated, with the form that may follow it.
void write_item_value() {
  if (*ws.Exec_ptr != code::LABEL_END) {
    write_value();
    return;
  }
  Saved_value v = save_value();
  Item_form form;
  item_form(form);
  restore_value(v);
  write_formatted(form);
}

void write_array() {
  for_each_element([](const Item_form& form) {
    Get_value();
    write_formatted(form);
  });
}

// Common checks of the writing directives; returns the channel.
Fcb* prepare_output() {
  Fcb* f = ws.Cur_fcb;
  if (!f || (f->st1 & ST1_INPUT_ONLY) || (f->st2 & ST2_LOAD)) Rpt_error(err::WRONG_MODE);
  if (!(f->st1 & ST1_WRITTEN) || f->kind == FK_MEMORY) Fio_call(FIO_WR_MODE);
  if (!f->out_buf || f->buf_size <= 0) Fcb_set_buffer(f, f->rec_size > 0 ? f->rec_size : DEFAULT_BUF_SIZE);
  return f;
}

// READ and FIND with a positioning step on indexed and binary files move
// the record index by step - 1 before the read (below the first record:
// record 0, with the beginning-of-file bit).
void apply_step(Fcb* f) {
  int32_t step = ws.Io_dir;
  if (!(ws.Io_opts & IO_STEP) || step == 1) return;
  if (f->kind != FK_INDEXED && f->kind != FK_BINARY) return;
  int64_t idx = int64_t(f->rec_index) + step - 1;
  if (idx < 0) {
    idx = 0;
    f->st2 |= ST2_BOF;
  }
  f->rec_index = int32_t(idx);
  f->byte_pos = idx * f->rec_size + (f->kind == FK_INDEXED ? 512 : 0);
}

// The kinds whose changes the update logs list.
bool logged_kind(const Fcb* f) { return f->kind == FK_KEYED || f->kind == FK_EFF || f->kind == FK_INDEXED; }

// WRITE, and INSERT and UPDATE without a variable list.
void write_statement() {
  bool keep_lock = false;
  if (*ws.Exec_ptr == code::D_LOCK) {
    ws.Exec_ptr++;
    keep_lock = true;
  }
  // The usual channel part, "(n)" with END= and ERR= at most, the short
  // way; its directive code as Io_SetOptions finds it (a statement with a
  // label ahead goes the long way).
  const uint8_t* s = ws.Stmt_ptr;
  if (!s || s[0] == code::LABEL || !Io_SetOptions_plain(s[0] == code::EXT_DIR ? s[1] : s[0])) Io_SetOptions(0);
  if (keep_lock) ws.Io_opts |= IO_EXCLUSIVE;
  Fcb* f = ws.Cur_fcb;
  if (f == ws.Con_fcb && Sw_on(sw::BangX)) {
    d_prin();
    return;
  }
  Dupl_check(f);
  prepare_output();
  if (!(f->ulog_status & ULOG_CHANGED) && Ulog_on() && logged_kind(f)) Journal_Add(f);
  Write_fields();
}

}  // namespace

// ---- events ----

int Run_io_event(Fcb* f, const char* event, uint32_t bit) {
  if (!f || !f->event_pgm || (f->event_mask & bit)) return -1;
  Close_watch watch(f);
  int rc;
  try {
    rc = Chan_hook.run_event_program(f, event, bit);
  } catch (...) {
    if (watch.closed()) ws.Cur_fcb = nullptr;
    throw;
  }
  if (watch.closed()) {
    // The program closed the channel its statement works on: the close
    // event has nothing left to do; any other statement has no channel.
    ws.Cur_fcb = nullptr;
    if (bit != 0) Rpt_error(err::WRONG_MODE);
  }
  return rc;
}

// ---- writing ----

void Wrt_flush(int c) {
  Fcb* f = ws.Cur_fcb;
  int32_t before = f->buf_count;
  int32_t room = f->buf_size - f->buf_count;
  Fio_call(FIO_FLUSH);
  // A flush slot that made no room (emptied the buffer or grew it) would
  // make the caller loop.
  if (f->buf_size - f->buf_count <= room && before > 0) Rpt_error(err::RECORD_TOO_LONG);
  if (c >= 0) {
    if (f->buf_count >= f->buf_size) Rpt_error(err::RECORD_TOO_LONG);
    f->out_buf[f->buf_count++] = uint8_t(c);
  }
}

void Wrt_field(const uint8_t* p, int32_t n) {
  Fcb* f = ws.Cur_fcb;
  while (n > 0) {
    int32_t room = f->buf_size - f->buf_count;
    if (room <= 0) {
      Wrt_flush(-1);
      continue;
    }
    int32_t k = n < room ? n : room;
    std::memcpy(f->out_buf + f->buf_count, p, size_t(k));
    f->buf_count += k;
    p += k;
    n -= k;
  }
}

void Wrt_field() {
  if (ws.Str_len < 0) Conv_val();
  Wrt_field(ws.Str_ptr, ws.Str_len);
}

namespace {

// The record built in f's buffer (from rec_start on), made the current
// string for a write event (a copy in the work area).
void record_as_string(Fcb* f) {
  const int32_t n = f->buf_count - f->rec_start;
  uint8_t* p = Work_take(size_t(n));
  if (n > 0) std::memcpy(p, f->out_buf + f->rec_start, size_t(n));
  ws.Str_ptr = p;
  ws.Str_len = n;
}

// PRE_WRITE: the program gets the whole record.  While it runs the record
// is out of the buffer (a program that closes the channel leaves nothing to
// write); it goes back afterwards, or what the program gave instead: EXIT
// -2 with the record argument changed writes the changed record (longer
// than the record size: error 1), with it unchanged the program did the
// work and nothing is written (false).
bool pre_write_event(Fcb* f) {
  record_as_string(f);
  const uint8_t* record = ws.Str_ptr;
  const int32_t n = ws.Str_len;
  f->buf_count = f->rec_start;
  if (Run_io_event(f, "PRE_WRITE", EV_PRE_WRITE) == -2) {
    if (ws.Str_len == n && (n == 0 || std::memcmp(ws.Str_ptr, record, size_t(n)) == 0)) return false;
    if ((f->rec_size > 0 && ws.Str_len > f->rec_size) || ws.Str_len > f->buf_size - f->rec_start)
      Rpt_error(err::RECORD_TOO_LONG);
    if (ws.Str_len > 0) std::memmove(f->out_buf + f->rec_start, ws.Str_ptr, size_t(ws.Str_len));
    f->buf_count = f->rec_start + ws.Str_len;
    return true;
  }
  if (n > 0) std::memcpy(f->out_buf + f->rec_start, record, size_t(n));
  f->buf_count = f->rec_start + n;
  return true;
}

void write_record_slot(Fcb* f) {
  if (f->high_water > f->buf_count) f->buf_count = f->high_water;
  f->high_water = 0;
  bool events = f->event_pgm != nullptr;
  bool write = !events || pre_write_event(f);
  if (write) {
    if (events) record_as_string(f);  // POST_WRITE's record: the one written
    Fio_call(FIO_WRITE);
    f->buf_count = f->rec_start;
  }
  ws.Bsy_count = 0;
  if (!(ws.Io_opts & IO_EXCLUSIVE)) release_lock(f);
  if (write && events) Run_io_event(f, "POST_WRITE", EV_POST_WRITE);
}

// The record built in f's buffer handed to the channel's write slot.  A
// serial file's usual line ends here as the slot would end it, written out
// (Seq_line_end): no dispatch.
[[gnu::always_inline]] inline void write_record(Fcb* f) {
  if (f->kind == FK_SERIAL && ws.Cur_drv == Fio_tbl[FK_SERIAL + 1] && !f->event_pgm &&
      f->high_water <= f->buf_count && Seq_line_end(static_cast<Seq_fcb*>(f))) {
    f->high_water = 0;
    ws.Bsy_count = 0;
    if (!(ws.Io_opts & IO_EXCLUSIVE)) release_lock(f);
    return;
  }
  write_record_slot(f);
}

void write_fields(Fcb* f);

}  // namespace

void Wrt_record() {
  Fcb* f = ws.Cur_fcb;
  try {
    write_record(f);
  } catch (...) {
    drop_record(f);
    throw;
  }
}

void Write_fields() {
  Fcb* f = ws.Cur_fcb;
  const Out_mark mark(f);
  try {
    write_fields(f);
  } catch (...) {
    drop_record(f, mark);
    throw;
  }
}

namespace {

// The usual items at the start of the statement's own list, string
// literals and string and numeric scalars by their index standing alone
// (no record variable), each with its
// separator, put in f's buffer at once: as Io_next, plain_value and
// write_value take them, the buffer's fill kept in a register, and the
// current value and the cursor left as Get_value leaves them for the last
// (as READ's plain targets, the variable named last is not made current).
// Stops, the cursor on the item or the ',' before it, at anything else
// (another item, an option, the end of the list) and at an item that might
// not fit without a flush: the general loop goes on from there.  True when
// it took the whole list (the statement's end after its own items): the
// loop's Io_next would find nothing more.
[[gnu::always_inline]] inline bool put_usual_items(Fcb* f) {
  const int32_t sep = ws.Io_sep;
  uint8_t* const buf = f->out_buf;
  if (sep == SEP_TYPED || !buf) return false;
  const int32_t size = f->buf_size;
  int32_t count = f->buf_count;
  const uint8_t* p = ws.Exec_ptr;
  const uint8_t* const first = p;
  Var_node* last_var = nullptr;   // the last numeric item
  const uint8_t* last_text = nullptr;  // the last string item's
  int32_t last_len = -1;              // the last item's (-1: numeric)
  for (;;) {
    const uint8_t* const q = p + (p[0] == code::COMMA);  // Io_next takes one ',' before an item
    const uint8_t c = q[0];
    int32_t n;
    if (c == code::STR_LIT || c == code::HEX_LIT) {
      n = int32_t(get_u16be(q + 1));
      const uint8_t* const after = q + 3 + n;
      if (!item_alone(*after) || n >= size - count) break;  // (room for the separator too)
      if (n > 0) copy_short(buf + count, q + 3, size_t(n));
      last_text = q + 3;
      last_len = n;
      p = after;
    } else if (c == code::NUM_VAR) {
      Var_node* const node = alone_scalar(q);
      if (!node) break;
      const Num_val& v = node->num;
      const int32_t room = size - count;
      if (integer_form(v) && room > int32_t(INT_TEXT_MAX)) {
        n = Int_text(v.mant, reinterpret_cast<char*>(buf + count));
      } else if (room > int32_t(CONV_NORMAL_MAX)) {
        char text[CONV_NORMAL_MAX];
        n = Conv_normal(v, text);
        copy_short(buf + count, reinterpret_cast<const uint8_t*>(text), size_t(n));
      } else {
        break;
      }
      last_var = node;
      last_len = -1;
      p = q + 3;
    } else if (c == code::STR_VAR) {
      // A string scalar as Vstr_load reads it (a record's text is made from
      // its fields there: the general path's).
      Var_node* const node = alone_scalar(q);
      if (!node || (node->flags & VF_RECORD)) break;
      const Str_blk* const b = node->str;
      n = b ? int32_t(b->len) : 0;
      if (n >= size - count) break;  // (room for the separator too)
      if (n > 0) {
        copy_short(buf + count, b->bytes(), size_t(n));
        last_text = b->bytes();
      }
      last_len = n;
      p = q + 3;
    } else {
      break;
    }
    if (sep >= 0) buf[count + n++] = uint8_t(sep);
    count += n;
  }
  if (p == first) return false;
  f->buf_count = count;
  if (last_var) ws.Num_acc = last_var->num;
  if (last_text) ws.Str_ptr = const_cast<uint8_t*>(last_text);
  ws.Str_len = last_len;
  ws.Exec_ptr = const_cast<uint8_t*>(p);
  if (ws.Iol_depth < 0) ws.Iol_depth = 0;  // the statement has items of its own
  return ws.Iol_depth == 0 && stmt_end(*p);
}

// The items of the list from the cursor on (after the usual ones
// put_usual_items took) into the record.
void write_items_from() {
  for (;;) {
    uint8_t c = Io_next();
    if (c == code::EOL) break;
    if (plain_value()) {
      write_value();
      continue;
    }
    if ((c == code::OP_MUL || c == code::OP_DIV) && empty_item_follows()) {
      ws.Exec_ptr++;  // an empty field
      ws.Str_ptr = nullptr;
      ws.Str_len = 0;
      write_item_value();
      continue;
    }
    if (is_var(c) && c != code::REC_VAR && Io_array_item_at_cursor()) {
      write_array();
      continue;
    }
    Eval_formula();
    write_item_value();
  }
}

// The items of the statement's list (or of its IOL= list) into the record.
void write_items(Fcb* f) {
  if (!put_usual_items(f)) write_items_from();
}

void write_fields(Fcb* f) {
  int32_t start = f->buf_count;
  if (ws.Io_opts & IO_QMARK) {
    // WRITE RECORD: the value is the record as it stands.
    if (Io_args() != code::EOL) {
      Eval_formula();
      if (ws.Str_len < 0) Conv_val();
      Wrt_field(ws.Str_ptr, ws.Str_len);
    }
  } else {
    write_items(f);
  }
  if (ws.Io_tbl && f->buf_count > start) Cnv_table(f->out_buf + start, f->buf_count - start, ws.Io_tbl, ws.Io_tbl_len);
  write_record(f);
}

// Whether a WRITE on f, once its channel part is read, has nothing to do
// before its list: write_statement's steps up to Write_fields would find
// no duplicate to look up, nothing to refuse, no write mode to enter, no
// buffer to make and no update log to tell.  (Not the console, which
// WRITE may turn into PRINT.)
[[gnu::always_inline]] inline bool output_ready(const Fcb* f) {
  return f != ws.Con_fcb && !(Dupl_defs_open && !(f->st4 & ST4_DUP_CHECKED)) &&
         (f->st1 & (ST1_INPUT_ONLY | ST1_WRITTEN)) == ST1_WRITTEN && !(f->st2 & ST2_LOAD) &&
         f->kind != FK_PROGRAM && f->kind != FK_MEMORY && f->out_buf && f->buf_size > 0 &&
         (!logged_kind(f) || (f->ulog_status & ULOG_CHANGED) || !Ulog_on());
}

// WRITE [LOCK] (n) with END= and ERR= at most (n a literal), on a channel
// that is ready for output (output_ready): write_statement's work, its
// steps before the list found to have nothing to do.  False, with nothing
// done, for any other statement or channel.
bool write_usual() {
  const uint8_t* s = ws.Stmt_ptr;
  if (!s || s[0] != code::D_WRITE) return false;
  uint8_t* const at = ws.Exec_ptr;
  const bool keep_lock = *at == code::D_LOCK;
  ws.Exec_ptr = at + keep_lock;
  Io_plain in;
  if (!Io_plain_parse(in) || !output_ready(in.f)) {
    ws.Exec_ptr = at;
    return false;
  }
  Io_plain_apply(in, code::D_WRITE);
  if (keep_lock) ws.Io_opts |= IO_EXCLUSIVE;
  Fcb* const f = in.f;
  const Out_mark mark(f);
  try {
    if (!put_usual_items(f)) write_items_from();
    write_record(f);
  } catch (...) {
    drop_record(f, mark);
    throw;
  }
  return true;
}

}  // namespace

// ---- reading ----

void Assign_record_text(const uint8_t* p, int32_t n) {
  Get_value();
  Check_assignable(ws.Cur_var);
  Let_target t;
  Let_define(t);
  if (t.str_len < 0) Rpt_error(err::TYPE_MISMATCH);
  ws.Str_ptr = const_cast<uint8_t*>(p);
  ws.Str_len = n;
  Let_assign(t);
}

int32_t Parse_read(const uint8_t* rec, int32_t len) {
  ws.Bsy_count = 0;
  int32_t pos = 0;
  if (ws.Io_opts & IO_QMARK) {
    // READ RECORD: the whole record into one string variable, or "/".
    uint8_t c = Io_args();
    if (c != code::EOL) {
      if (c == code::OP_DIV) {
        ws.Exec_ptr++;
      } else {
        if (c != code::STR_VAR && c != code::REC_VAR) Rpt_error(err::TYPE_MISMATCH);
        int32_t n = len;
        if (ws.Io_siz > 0 && ws.Io_siz < n) n = ws.Io_siz;
        Assign_record_text(rec, n);
        pos = n;
      }
    }
  } else {
    if (ws.Io_sep > 0)
      while (len > 0 && rec[len - 1] == 0) len--;
    for (;;) {
      uint8_t c = Io_next();
      if (c == code::EOL) break;
      if (ws.Io_rec_prefix && (c == code::NUM_VAR || c == code::STR_VAR)) {
        read_prefixed(rec, len, &pos);
        continue;
      }
      if (read_plain_item(rec, len, &pos)) continue;
      if ((c == code::OP_MUL || c == code::OP_DIV) && empty_item_follows()) {
        ws.Exec_ptr++;  // a field skipped
        Item_form form;
        item_form(form);
        Field_in skipped;
        take_field(rec, len, &pos, form, skipped);
        continue;
      }
      if (!is_var(c)) Rpt_error(err::BAD_IOLIST_ITEM);
      if (c != code::REC_VAR && Io_array_item_at_cursor())
        read_into_array(rec, len, &pos);
      else
        read_into_var(rec, len, &pos);
    }
  }
  Read_unconsumed = len > pos ? len - pos : 0;
  return pos;
}

int32_t Read_unconsumed = 0;

namespace {
// The record of the last Read_record as the channel gave it (before TBL=);
// null when an event program supplied it.
const uint8_t* read_raw = nullptr;
}  // namespace

int32_t Rd_unconsumed() { return Read_unconsumed; }

// READ, EXTRACT and FIND.

// The statement after its fast path: READ (n) with END= and ERR= at most
// takes the short way to its channel.
void Read_general(bool read_stmt) {
  if (!read_stmt || !Io_SetOptions_plain(code::D_READ)) Io_SetOptions(0);
  Fcb* f = ws.Cur_fcb;
  if (!f) Rpt_error(err::WRONG_MODE);
  if (f == ws.Con_fcb && Sw_on(sw::BangX)) {
    dir_jmp[code::D_INPUT - int(code::EXT_DIR)]();  // INPUT, of the terminal layer
    return;
  }
  if (ws.Io_stmt != code::D_EXTRACT) apply_step(f);
  Read_record();
  const uint8_t* raw = read_raw;
  const int32_t len = ws.Str_len;
  const int32_t used = Parse_read(ws.Str_ptr, len);
  // A binary channel opened with the minus modifier is a stream: the bytes
  // no item took are read again by the next READ.
  if (raw && used < len && f->kind == FK_BINARY && (f->st4 & ST4_MINUS) && ws.Cur_fcb == f)
    BinPutBack(raw + used, len - used);
}

void d_read() {
  const uint8_t* s = ws.Stmt_ptr;
  if (s && s[0] == code::D_READ) {
    d_read_stmt();
    return;
  }
  Read_general(false);
}

void Read_record() {
  Fcb* f = ws.Cur_fcb;
  bool extract = ws.Io_stmt == code::D_EXTRACT;
  bool supplied = false;
  if (f->event_pgm) {
    ws.Str_ptr = nullptr;
    ws.Str_len = 0;
    supplied = Run_io_event(f, extract ? "PRE_EXTRACT" : "PRE_READ", extract ? EV_PRE_EXTRACT : EV_PRE_READ) == -2;
  }
  if (!supplied) {
    Fio_call(FIO_READ);
    if (!extract) release_lock(f);
    if (f->event_pgm) Run_io_event(f, extract ? "POST_EXTRACT" : "POST_READ", extract ? EV_POST_EXTRACT : EV_POST_READ);
  }
  uint8_t* rec = ws.Str_ptr;
  int32_t len = ws.Str_len < 0 ? 0 : ws.Str_len;
  read_raw = supplied ? nullptr : rec;
  if (ws.Io_tbl) {
    uint8_t* copy = len > 0 ? static_cast<uint8_t*>(Get_temp(size_t(len))) : nullptr;
    if (len) std::memcpy(copy, rec, size_t(len));
    Cnv_table(copy, len, ws.Io_tbl, ws.Io_tbl_len);
    rec = copy;
  }
  ws.Str_ptr = rec;
  ws.Str_len = len;
}

// ---- WRITE, INSERT, UPDATE ----

void d_wrte() {
  uint8_t* at = ws.Exec_ptr;
  if (!write_usual()) write_statement();
  KestDuplData(d_wrte, at, "WRITE");
}

// INSERT and UPDATE: as WRITE, told apart by the drivers through
// ws.Io_stmt.  With DATA they write the record from a list of variables to a
// channel, or to a file named instead of the channel:
//   INSERT DATA A$,N,B$,(1,ERR=100)      INSERT DATA A$,N,"name"
// The variables are plain names, elements (A[2]) or whole arrays (A[ALL]);
// the last item, after a ',', is the channel part or the name.  A file
// named is opened on the highest free program channel and closed again
// whatever happens.  The channel must not be input only (13) and must carry
// a stored I/O list, its record layout (84).
namespace {

// Moves the cursor past the variable reference at it (no "(" part).
void skip_list_var() {
  const uint8_t* end = Code_end(ws.Exec_ptr);
  uint8_t c = *ws.Exec_ptr;
  if (c != code::NUM_VAR && c != code::STR_VAR) Rpt_error(err::BAD_IOLIST_ITEM);
  ws.Exec_ptr += Scan_size(ws.Exec_ptr, end);
  if (*ws.Exec_ptr == code::WHOLE_ARRAY) {
    ws.Exec_ptr++;
  } else if (*ws.Exec_ptr == code::LBRACKET) {
    int level = 0;
    do {
      uint8_t k = *ws.Exec_ptr;
      if (k == code::LBRACKET) level++;
      else if (k == code::RBRACKET) level--;
      else if (stmt_end(k)) Rpt_error(err::SYNTAX);
      ws.Exec_ptr += Scan_size(ws.Exec_ptr, end);
    } while (level > 0);
  }
}

void Do_InsUpd(bool insert) {
  uint8_t code_of = insert ? code::X_INSERT : code::X_UPDATE;
  ws.Exec_ptr++;  // DATA
  uint8_t* vars = ws.Exec_ptr;
  uint8_t* target;
  for (;;) {
    target = ws.Exec_ptr;
    uint8_t c = *target;
    if (c != code::NUM_VAR && c != code::STR_VAR) break;
    skip_list_var();
    if (*ws.Exec_ptr != code::COMMA) break;
    ws.Exec_ptr++;
  }
  // The last item is the channel part or the file name.
  if (target == vars) Rpt_error(err::SYNTAX);
  uint8_t* vars_end = target;
  ws.Exec_ptr = target;
  Fcb* opened = nullptr;
  if (*ws.Exec_ptr == code::LPAREN) {
    Io_SetOptions(code_of);
    Dupl_check(ws.Cur_fcb);
  } else {
    Eval_str();
    int32_t len = ws.Str_len;
    uint8_t* name = Work_take(size_t(len) + 1);
    if (len) std::memcpy(name, ws.Str_ptr, size_t(len));
    while (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == iopt::ERR) {
      ws.Exec_ptr++;
      Chk_err();
    }
    if (!stmt_end(*ws.Exec_ptr)) Rpt_error(err::SYNTAX);
    opened = Open_named(Highest_free_channel(), name, len, 0);
    ws.Io_stmt = code_of;
    ws.Io_opts = 0;
    ws.Io_sep = opened->separator;
    ws.Iol_depth = -1;
    ws.Io_tbl = nullptr;
  }
  uint8_t* after = ws.Exec_ptr;
  Fcb* building = nullptr;  // the channel whose buffer holds the record
  Out_mark mark(nullptr);    // where its buffer stood before the statement
  try {
    Fcb* f = ws.Cur_fcb;
    if (!f || (f->st1 & ST1_INPUT_ONLY)) Rpt_error(err::WRONG_MODE);
    if (!Iol_slot(f, 0)) Rpt_error(err::NO_IOLIST);
    prepare_output();
    building = f;
    mark = Out_mark(f);
    int32_t start = f->buf_count;
    ws.Exec_ptr = vars;
    while (ws.Exec_ptr < vars_end) {
      if (*ws.Exec_ptr == code::COMMA) {
        ws.Exec_ptr++;
        continue;
      }
      if (Io_array_item_at_cursor()) {
        write_array();
      } else {
        Get_value();
        write_value();
      }
    }
    ws.Exec_ptr = after;
    if (ws.Io_tbl && f->buf_count > start)
      Cnv_table(f->out_buf + start, f->buf_count - start, ws.Io_tbl, ws.Io_tbl_len);
    write_record(f);
  } catch (...) {
    // Only this statement's bytes go: text an earlier PRINT left pending
    // on the channel stays for the record that finishes it.
    if (building) drop_record(building, mark);
    ws.Exec_ptr = after;
    if (opened) CloseFile(opened);
    throw;
  }
  if (opened) CloseFile(opened);
}

}  // namespace

void d_inse() {
  uint8_t* at = ws.Exec_ptr;
  if (*ws.Exec_ptr == code::D_DATA)
    Do_InsUpd(true);
  else
    write_statement();
  KestDuplData(d_inse, at, "INSERT");
}

void d_upda() {
  uint8_t* at = ws.Exec_ptr;
  if (*ws.Exec_ptr == code::D_DATA)
    Do_InsUpd(false);
  else
    write_statement();
  KestDuplData(d_upda, at, "UPDATE");
}

// ---- REMOVE ----

// REMOVE CONTROL [/]id, ...: each control is removed by the thin client,
// which runs the statement text itself ("/" removes it with its children).
void remove_controls() {
  ws.Stmt_save = ws.Exec_ptr;
  Err_scan();
  std::vector<std::string> texts;
  for (;;) {
    bool all = *ws.Exec_ptr == code::OP_DIV;
    if (all) ++ws.Exec_ptr;
    int32_t id = Eval_integer();
    if (id < CONTROL_ID_MIN || id > CONTROL_ID_MAX) Rpt_error(err::OUT_OF_RANGE);
    texts.push_back("REMOVE CONTROL " + std::string(all ? "*" : "") + std::to_string(id));
    if (*ws.Exec_ptr != code::COMMA || ws.Exec_ptr[1] == code::IOPT_FIRST + 4) break;
    ++ws.Exec_ptr;
  }
  if (*ws.Exec_ptr == code::COMMA) {
    ++ws.Exec_ptr;
    Chk_err();
  }
  if (!Client_is_attached() || !Client_requests.statement)
    Rpt_error_text(err::NOT_BUILT, "REMOVE CONTROL needs an attached thin client (DEFTTY F)");
  for (const std::string& t : texts) Client_requests.statement(t);
}

void d_remo() {
  if (*ws.Exec_ptr == code::PREFIX2) {
    if (ws.Exec_ptr[1] != code::P2_CONTROL) Rpt_error(err::SYNTAX);
    ws.Exec_ptr += 2;
    As_token_form(remove_controls);
    return;
  }
  uint8_t* at = ws.Exec_ptr;
  Io_SetOptions(0);
  Fcb* f = ws.Cur_fcb;
  if (!f || (f->st2 & ST2_LOAD)) Rpt_error(err::WRONG_MODE);
  Dupl_check(f);
  if (!(f->st1 & ST1_WRITTEN)) {
    if (f->st1 & ST1_INPUT_ONLY) Rpt_error(err::WRONG_MODE);
    Fio_call(FIO_WR_MODE);
  }
  if (f->journal_id) Init_file_jrnl();
  if (!(f->ulog_status & ULOG_CHANGED) && Ulog_on() && logged_kind(f)) Journal_Add(f);
  if (f->event_pgm && Run_io_event(f, "PRE_REMOVE", EV_PRE_REMOVE) == -2) return;
  Fio_call(FIO_REMOVE);
  if (f->event_pgm) Run_io_event(f, "POST_REMOVE", EV_POST_REMOVE);
  ws.Bsy_count = 0;
  release_lock(f);
  KestDuplData(d_remo, at, "REMOVE");
}

// ---- PURGE ----

void d_purg() {
  Io_SetOptions(0);
  Purge_channel();
}

void Purge_channel() {
  Chan_hook.prog_files_changed();  // loaded programs are read again
  Fcb* f = ws.Cur_fcb;
  if (!f || (f->st1 & ST1_INPUT_ONLY)) Rpt_error(err::WRONG_MODE);
  if (f->event_pgm && Run_io_event(f, "PRE_PURGE", EV_PRE_PURGE) == -2) return;
  if (f->kind != FK_THIN_CLIENT && !Fio_supports(f->kind, FIO_PURGE)) Rpt_error(err::NOT_SUPPORTED);
  if (f->journal_id && Init_file_jrnl()) Journal_it('P', nullptr, 0, f);
  Fio_call(FIO_PURGE);
  f->st3 |= ST3_PURGED;
  if (f->event_pgm) Run_io_event(f, "POST_PURGE", EV_POST_PURGE);
}

// IOLIST: a list that I/O statements refer to; executing it does nothing.
void d_ioli() {
  while (!stmt_end(*ws.Exec_ptr)) Skip_code();
}

// ---- for other parts ----

int ReadNext(Fcb* f) {
  Io_save_guard keep;
  Select_channel(f);
  ws.Io_opts = IO_END_JMP;
  ws.Io_stmt = code::D_READ;
  ws.Io_key_len = 0;
  ws.Io_key_ptr = nullptr;
  ws.Io_kno = -1;
  try {
    Fio_call(FIO_READ);
  } catch (const End_of_data&) {
    return -1;
  }
  return 0;
}

int ReadViaKey(Fcb* f) { return Read_by_key(f, ws.Str_ptr, ws.Str_len < 0 ? 0 : ws.Str_len, -1); }

int Read_by_key(Fcb* f, const uint8_t* key, int32_t len, int32_t kno) {
  Io_save_guard keep;
  uint8_t* k = Work_take(size_t(len) + 1);
  if (len) std::memcpy(k, key, size_t(len));
  Select_channel(f);
  ws.Io_opts = IO_KEY;
  ws.Io_stmt = code::D_READ;
  ws.Io_key_ptr = k;
  ws.Io_key_len = len;
  ws.Io_kno = kno;
  ws.Dom_line = 0;
  ws.End_line = 0;
  Catch_region region;
  try {
    Fio_call(FIO_SETKEY);
    Fio_call(FIO_READ);
  } catch (const Oru_error& e) {
    if (e.no == err::RECORD_BUSY) throw;  // busy: the statement retries
    return e.no;
  }
  return 0;
}
