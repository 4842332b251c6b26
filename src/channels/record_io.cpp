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

#include <cstring>
#include <exception>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/field_convert.h"
#include "channels/io_list.h"
#include "channels/io_options.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/variables.h"
#include "core/workspace.h"

namespace {

constexpr int32_t DEFAULT_BUF_SIZE = 4096;
int32_t unconsumed = 0;

inline bool stmt_end(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

inline bool is_var(uint8_t c) { return c == code::NUM_VAR || c == code::STR_VAR || c == code::REC_VAR; }

void release_lock(Fcb* f) {
  if (f->lock_len != 0 && Rec_unlock_hook) Rec_unlock_hook(f);
}

// On the way out of a failed write the buffer goes back to the record start.
struct Write_guard {
  Fcb* f;
  int pending = std::uncaught_exceptions();
  ~Write_guard() {
    if (std::uncaught_exceptions() > pending) {
      f->buf_count = f->rec_start;
      f->high_water = 0;
    }
  }
};

// Whether the variable at the cursor is a whole array (A[ALL]).
bool whole_array_item() {
  uint8_t* p = ws.Exec_ptr;
  uint8_t* save = p;
  Skip_var();
  bool whole = *ws.Exec_ptr == code::WHOLE_ARRAY;
  ws.Exec_ptr = save;
  return whole;
}

// Assigns one field to the target captured in t.
void assign_field(const Let_target& t, const Field_in& fld) {
  if (fld.error) Rpt_error(fld.error);
  if (t.str_len < 0) {
    if (fld.numeric) {
      ws.Num_acc = fld.num;
      ws.Str_len = -1;
    } else {
      ws.Str_ptr = const_cast<uint8_t*>(fld.p);
      ws.Str_len = fld.n;
      Conv_str();
    }
    Let_store_num(t);
  } else {
    if (fld.numeric) {
      ws.Num_acc = fld.num;
      Conv_val();
    } else {
      ws.Str_ptr = const_cast<uint8_t*>(fld.p);
      ws.Str_len = fld.n;
    }
    Let_assign(t);
  }
}

// The variable item at the cursor takes the next field.
void read_into_var(const uint8_t* rec, int32_t len, int32_t* pos) {
  Get_value();
  Check_assignable(ws.Cur_var);
  Let_target t;
  Let_define(t);
  ws.Math_flags = 0;
  Field_in fld;
  Cnv_field(rec, len, pos, ws.Io_sep, fld);
  assign_field(t, fld);
}

// A[ALL]: every element takes a field in turn.
void read_into_array(const uint8_t* rec, int32_t len, int32_t* pos) {
  uint8_t* item = ws.Exec_ptr;
  Var_node* n;
  uint32_t count = Io_all(&n);
  uint8_t* after = ws.Exec_ptr;
  bool iter = ws.Iter_on;
  uint32_t index = ws.Iter_index;
  for (uint32_t i = 0; i < count; i++) {
    ws.Iter_on = true;
    ws.Iter_index = i;
    ws.Exec_ptr = item;
    read_into_var(rec, len, pos);
  }
  ws.Iter_on = iter;
  ws.Iter_index = index;
  ws.Exec_ptr = after;
}

// Appends the current value to the record as a field.
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
  if (ws.Str_len < 0) {
    char num[CONV_NORMAL_MAX];
    int n = Conv_normal(ws.Num_acc, num);
    Wrt_field(reinterpret_cast<uint8_t*>(num), n);
  } else {
    Wrt_field(ws.Str_ptr, ws.Str_len);
  }
  if (sep >= 0) {
    uint8_t b = uint8_t(sep);
    Wrt_field(&b, 1);
  }
}

void write_array() {
  uint8_t* item = ws.Exec_ptr;
  Var_node* n;
  uint32_t count = Io_all(&n);
  uint8_t* after = ws.Exec_ptr;
  bool iter = ws.Iter_on;
  uint32_t index = ws.Iter_index;
  for (uint32_t i = 0; i < count; i++) {
    ws.Iter_on = true;
    ws.Iter_index = i;
    ws.Exec_ptr = item;
    Get_value();
    write_value();
  }
  ws.Iter_on = iter;
  ws.Iter_index = index;
  ws.Exec_ptr = after;
}

// Common checks of the writing directives; returns the channel.
Fcb* prepare_output() {
  Fcb* f = ws.Cur_fcb;
  if (!f || (f->st1 & ST1_INPUT_ONLY) || (f->st2 & ST2_LOAD)) Rpt_error(13);
  if (f->kind == FK_PROGRAM) Rpt_error(17);
  if (!(f->st1 & ST1_WRITTEN) || f->kind == FK_MEMORY) Fio_call(FIO_WR_MODE);
  if (!f->out_buf || f->buf_size <= 0) Fcb_set_buffer(f, f->rec_size > 0 ? f->rec_size : DEFAULT_BUF_SIZE);
  return f;
}

// READ with a positioning step on indexed and binary files.
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

// WRITE, and INSERT and UPDATE without a variable list.
void write_statement() {
  bool keep_lock = false;
  if (*ws.Exec_ptr == code::D_LOCK) {
    ws.Exec_ptr++;
    keep_lock = true;
  }
  Io_SetOptions(0);
  if (keep_lock) ws.Io_opts |= IO_EXCLUSIVE;
  Fcb* f = ws.Cur_fcb;
  if (f == ws.Con_fcb && Sw_on(sw::BangX)) {
    d_prin();
    return;
  }
  prepare_output();
  Write_fields();
}

}  // namespace

// ---- events ----

int Run_io_event(Fcb* f, const char*, uint32_t bit) {
  if (!f || !f->event_pgm || (f->event_mask & bit)) return -1;
  Not_built("I/O event programs (program calls)");
}

// ---- writing ----

void Wrt_flush(int c) {
  Fcb* f = ws.Cur_fcb;
  int32_t before = f->buf_count;
  Fio_call(FIO_FLUSH);
  // A flush slot that did not empty the buffer would make the caller loop.
  if (f->buf_count >= before && before > 0) Rpt_error(1);
  if (c >= 0) {
    if (f->buf_count >= f->buf_size) Rpt_error(1);
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

void Wrt_record() {
  Fcb* f = ws.Cur_fcb;
  Write_guard guard{f};
  if (f->high_water > f->buf_count) f->buf_count = f->high_water;
  f->high_water = 0;
  if (f->event_pgm) Run_io_event(f, "PRE_WRITE", EV_PRE_WRITE);
  Fio_call(FIO_WRITE);
  f->buf_count = f->rec_start;
  ws.Bsy_count = 0;
  if (!(ws.Io_opts & IO_EXCLUSIVE)) release_lock(f);
  if (f->event_pgm) Run_io_event(f, "POST_WRITE", EV_POST_WRITE);
}

void Write_fields() {
  Fcb* f = ws.Cur_fcb;
  Write_guard guard{f};
  int32_t start = f->buf_count;
  if (ws.Io_opts & IO_QMARK) {
    // WRITE RECORD: the value is the record as it stands.
    if (Io_args() != code::EOL) {
      Eval_formula();
      if (ws.Str_len < 0) Conv_val();
      Wrt_field(ws.Str_ptr, ws.Str_len);
    }
  } else {
    for (;;) {
      uint8_t c = Io_args();
      if (c == code::EOL) break;
      if (c == code::OP_MUL && (ws.Exec_ptr[1] == code::COMMA || stmt_end(ws.Exec_ptr[1]))) {
        ws.Exec_ptr++;  // an empty field
        ws.Str_ptr = nullptr;
        ws.Str_len = 0;
        write_value();
        continue;
      }
      if (is_var(c) && c != code::REC_VAR && whole_array_item()) {
        write_array();
        continue;
      }
      Eval_formula();
      write_value();
    }
  }
  if (ws.Io_tbl && f->buf_count > start) Cnv_table(f->out_buf + start, f->buf_count - start, ws.Io_tbl, ws.Io_tbl_len);
  Wrt_record();
}

// ---- reading ----

void Parse_read(const uint8_t* rec, int32_t len) {
  ws.Bsy_count = 0;
  int32_t pos = 0;
  if (ws.Io_opts & IO_QMARK) {
    // READ RECORD: the whole record into one string variable, or "/".
    uint8_t c = Io_args();
    if (c != code::EOL) {
      if (c == code::OP_DIV) {
        ws.Exec_ptr++;
      } else {
        if (c != code::STR_VAR && c != code::REC_VAR) Rpt_error(26);
        Get_value();
        Check_assignable(ws.Cur_var);
        Let_target t;
        Let_define(t);
        if (t.str_len < 0) Rpt_error(26);
        int32_t n = len;
        if (ws.Io_siz > 0 && ws.Io_siz < n) n = ws.Io_siz;
        ws.Str_ptr = const_cast<uint8_t*>(rec);
        ws.Str_len = n;
        Let_assign(t);
        pos = n;
      }
    }
  } else {
    if (ws.Io_sep > 0)
      while (len > 0 && rec[len - 1] == 0) len--;
    for (;;) {
      uint8_t c = Io_args();
      if (c == code::EOL) break;
      if ((c == code::OP_MUL || c == code::OP_DIV) &&
          (ws.Exec_ptr[1] == code::COMMA || stmt_end(ws.Exec_ptr[1]))) {
        ws.Exec_ptr++;
        Cnv_skip_field(rec, len, &pos, ws.Io_sep);
        continue;
      }
      if (!is_var(c)) Rpt_error(81);
      if (c != code::REC_VAR && whole_array_item())
        read_into_array(rec, len, &pos);
      else
        read_into_var(rec, len, &pos);
    }
  }
  unconsumed = len > pos ? len - pos : 0;
}

int32_t Rd_unconsumed() { return unconsumed; }

// READ, EXTRACT and FIND.
void d_read() {
  Io_SetOptions(0);
  Fcb* f = ws.Cur_fcb;
  if (!f) Rpt_error(13);
  if (f == ws.Con_fcb && Sw_on(sw::BangX)) {
    d_inpu();
    return;
  }
  uint8_t stmt = ws.Io_stmt;
  bool extract = stmt == code::D_EXTRACT;
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
  const uint8_t* rec = ws.Str_ptr;
  int32_t len = ws.Str_len < 0 ? 0 : ws.Str_len;
  if (ws.Io_tbl) {
    uint8_t* copy = len > 0 ? static_cast<uint8_t*>(Get_temp(size_t(len))) : nullptr;
    if (len) std::memcpy(copy, rec, size_t(len));
    Cnv_table(copy, len, ws.Io_tbl, ws.Io_tbl_len);
    rec = copy;
  }
  Parse_read(rec, len);
  if (!extract) apply_step(f);
}

// ---- WRITE, INSERT, UPDATE ----

void d_wrte() { write_statement(); }

// INSERT and UPDATE: as WRITE, told apart by the drivers through
// ws.Io_stmt.  The form with a variable list (DATA) needs the variable-data
// layer.
void d_inse() {
  if (*ws.Exec_ptr == code::D_DATA) Not_built("INSERT of a variable list");
  write_statement();
}

void d_upda() {
  if (*ws.Exec_ptr == code::D_DATA) Not_built("UPDATE of a variable list");
  write_statement();
}

// ---- REMOVE ----

void d_remo() {
  if (*ws.Exec_ptr == code::PREFIX2) {
    if (ws.Exec_ptr[1] == ';') Not_built("REMOVE CONTROL");
    Rpt_error(20);
  }
  Io_SetOptions(0);
  Fcb* f = ws.Cur_fcb;
  if (!f || (f->st2 & ST2_LOAD)) Rpt_error(13);
  if (!(f->st1 & ST1_WRITTEN)) {
    if (f->st1 & ST1_INPUT_ONLY) Rpt_error(13);
    Fio_call(FIO_WR_MODE);
  }
  if (f->journal_id) Init_file_jrnl();
  if (f->event_pgm && Run_io_event(f, "PRE_REMOVE", EV_PRE_REMOVE) == -2) return;
  Fio_call(FIO_REMOVE);
  if (f->event_pgm) Run_io_event(f, "POST_REMOVE", EV_POST_REMOVE);
  ws.Bsy_count = 0;
  release_lock(f);
}

// ---- PURGE ----

void d_purg() {
  Io_SetOptions(0);
  Fcb* f = ws.Cur_fcb;
  if (!f || (f->st1 & ST1_INPUT_ONLY)) Rpt_error(13);
  if (f->event_pgm && Run_io_event(f, "PRE_PURGE", EV_PRE_PURGE) == -2) return;
  if (f->kind != FK_THIN_CLIENT && !Fio_supports(f->kind, FIO_PURGE)) Rpt_error(82);
  if (f->journal_id) Init_file_jrnl();
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
  ws.Cur_fcb = f;
  ws.Cur_chan = f->channel;
  ws.Cur_fd = f->fd;
  ws.Cur_ftype = f->kind;
  ws.Cur_drv = Fio_tbl[f->kind + 1];
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

int ReadViaKey(Fcb* f) {
  Io_save_guard keep;
  int32_t n = ws.Str_len < 0 ? 0 : ws.Str_len;
  uint8_t* key = Work_take(size_t(n) + 1);
  if (n) std::memcpy(key, ws.Str_ptr, size_t(n));
  ws.Cur_fcb = f;
  ws.Cur_chan = f->channel;
  ws.Cur_fd = f->fd;
  ws.Cur_ftype = f->kind;
  ws.Cur_drv = Fio_tbl[f->kind + 1];
  ws.Io_opts = IO_KEY;
  ws.Io_stmt = code::D_READ;
  ws.Io_key_ptr = key;
  ws.Io_key_len = n;
  ws.Io_kno = -1;
  ws.Dom_line = 0;
  ws.End_line = 0;
  Catch_region region;
  try {
    Fio_call(FIO_SETKEY);
    Fio_call(FIO_READ);
  } catch (const Oru_error& e) {
    if (e.no == 0) throw;  // busy: the statement retries
    return e.no;
  }
  return 0;
}
