// Io_SetOptions: the channel and options of an I/O directive into the
// current-I/O area.  This runs once per I/O statement, so it allocates
// nothing: option texts and KEY= parts are copied into the work area, which
// the executor resets before every statement.
#include "channels/io_options.h"

#include <cstddef>
#include <cstring>

#include "channels/channel.h"
#include "channels/io_list.h"
#include "channels/kdef.h"
#include "core/codes.h"
#include "core/control_stack.h"
#include "core/hooks.h"
#include "core/host.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"

int (*Key_segment_widths)(Fcb* f, int32_t key_no, int32_t* widths, int max, bool* padded) = nullptr;

namespace {

inline bool stmt_end(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

inline bool is_option(uint8_t c) { return c >= code::IOPT_FIRST && c <= code::IOPT_LAST; }

inline int32_t kind() { return ws.Cur_ftype; }

constexpr uint8_t QMARK = 63;  // RECORD before the channel: the whole record

// The object whose code runs (0: none): a channel with another owner is
// foreign to it.
inline int32_t running_object() { return Running_object_hook ? Running_object_hook() : 0; }

bool keyed_kind(int32_t k) { return k == FK_KEYED || k == FK_EFF; }

// Kinds whose records are addressed by key number as given (RNO= kept).
bool rno_kept_kind(int32_t k) {
  return k == FK_KEYED || k == FK_EFF || k == FK_THIN_CLIENT || k == FK_BBX_KEYED ||
         k == FK_BBX_KEYED2 || k == FK_MYSQL || k == 12 || k == 20 || k == 26;
}

// Kinds that carry key numbers of their own (KNO= needs no key description).
bool own_keys_kind(int32_t k) {
  return k == FK_KEYED || k == FK_EFF || k == FK_CISAM || k == FK_MEMORY ||
         k == FK_THIN_CLIENT || k == FK_BBX_KEYED || k == FK_BBX_KEYED2 || k == 10 ||
         k == 11 || k == 12 || k == 19 || k == 20 || k == 24 || k == 26 || k == FK_MYSQL;
}

// A copy of the current string in the work area (the accumulator is reused
// by the next evaluation).
const uint8_t* keep_string() {
  uint8_t* p = Work_take(size_t(ws.Str_len) + 1);
  if (ws.Str_len) std::memcpy(p, ws.Str_ptr, size_t(ws.Str_len));
  p[ws.Str_len] = 0;
  return p;
}

// The current value as text: strings as they stand, numbers in normal form.
void value_as_text(const uint8_t** ptr, int32_t* len) {
  if (ws.Str_len >= 0) {
    *len = ws.Str_len;
    *ptr = keep_string();
    return;
  }
  uint8_t* p = Work_take(CONV_NORMAL_MAX);
  *len = Conv_normal(ws.Num_acc, reinterpret_cast<char*>(p));
  *ptr = p;
}

// A line reference: a plain line number (code 7, u16 big-endian) is read
// here, labels and the other forms by Get_line.
inline uint32_t line_ref() {
  const uint8_t* p = ws.Exec_ptr;
  if (p[0] == code::LINE_REF) {
    ws.Exec_ptr += 3;
    return get_u16be(p + 1);
  }
  return Get_line();
}

void branch_line(uint32_t* target) {
  *target = line_ref();
}

bool negative_size_kind(int32_t k) {
  return k == FK_DEVICE || k == FK_CONSOLE_ALIAS || k == FK_BINARY || k == FK_PIPE || k == FK_TCP;
}

void opt_siz() {
  int32_t n = Eval_integer();
  if (n == 0 && !Sw_on(sw::BangR)) Rpt_error(err::OUT_OF_RANGE);
  if (n < 0 && !negative_size_kind(kind())) Rpt_error(err::OUT_OF_RANGE);
  // No record is longer than the longest string: a larger size is capped
  // there, so that the buffers sized from it cannot overflow.
  if (n > ws.Max_strlen) n = ws.Max_strlen;
  if (n < -ws.Max_strlen) n = -ws.Max_strlen;
  ws.Io_siz = n;
}

void opt_ind() {
  int32_t n = Eval_integer();
  int32_t k = kind();
  if (n < 0 && !(k == FK_THIN_CLIENT || k == FK_MYSQL || k == 12 || k == 26) && ws.Io_stmt != code::D_DICT)
    Rpt_error(err::OUT_OF_RANGE);  // DICT counts positions backward from the head
  ws.Io_ind = n;
  ws.Io_opts |= IO_IND;
}

void opt_key() {
  int cnt = 0;
  for (;;) {
    if (cnt == IO_KEY_PARTS) Rpt_error(err::OUT_OF_RANGE);
    Eval_formula();
    value_as_text(&ws.Io_key_part[cnt], &ws.Io_key_part_len[cnt]);
    ws.Io_key_cnt = ++cnt;  // counted at once: a nested run keeps the parts counted (Io_live_save)
    if (*ws.Exec_ptr != code::LABEL_END) break;  // ':' joins the parts
    ws.Exec_ptr++;
  }
  ws.Io_key_cnt = cnt;
  ws.Io_opts |= IO_KEY;
}

void opt_tim() {
  int32_t h = Eval_int100();
  if (h < 0) {
    if (!Sw_on(sw::BangR)) Rpt_error(err::OUT_OF_RANGE);
    return;  // tolerated and ignored
  }
  if (h >= 999901) Rpt_error(err::OUT_OF_RANGE);
  int32_t k = kind();
  // A FIFO waits for its writer as a pipe does: TIM= limits that wait.
  bool fifo = ws.Cur_fcb && (ws.Cur_fcb->st2 & ST2_FIFO);
  if (k == FK_DEVICE || k == FK_CONSOLE_ALIAS || k == FK_PIPE || k == FK_THIN_CLIENT || k == FK_TCP || fifo)
    ws.Io_tim = h;
  else
    ws.Io_rty = (h + 99) / 100;  // whole seconds of retrying
}

void opt_rty() {
  int32_t n = Eval_integer();
  int32_t lo = Sw_on(sw::BangR) ? -1 : 0;
  if (n < lo || n > 2000) Rpt_error(err::OUT_OF_RANGE);
  ws.Io_rty = n < 0 ? prmblk.WT : n;
}

// The name of the variable at the cursor (inline or indexed reference).
void var_name(const uint8_t** name, int32_t* len) {
  const uint8_t* p = ws.Exec_ptr;
  if (p[1] & 0x80) {
    const uint8_t* e = Var_name_entry(uint32_t(((p[1] & 0x7F) << 8) | p[2]));
    if (!e) Rpt_error(err::INTERNAL_CODE);
    *len = e[0];
    *name = e + 1;
  } else {
    *len = p[1];
    *name = p + 2;
  }
}

// A variable name standing alone as the REC= value (not the start of an
// expression).
bool stmt_end_or_item(const uint8_t* p) {
  uint8_t* save = ws.Exec_ptr;
  ws.Exec_ptr = const_cast<uint8_t*>(p);
  Skip_var();
  uint8_t c = *ws.Exec_ptr;
  ws.Exec_ptr = save;
  return c == code::COMMA || c == code::RPAREN || stmt_end(c);
}

void opt_rec() {
  uint8_t c = *ws.Exec_ptr;
  if (c == code::OP_DIV) {
    ws.Exec_ptr++;
    ws.Io_rec_prefix = nullptr;
    return;
  }
  const uint8_t* name;
  int32_t len;
  if ((c == code::STR_VAR || c == code::NUM_VAR) && stmt_end_or_item(ws.Exec_ptr)) {
    var_name(&name, &len);
    Skip_var();
  } else {
    Eval_str();
    name = ws.Str_ptr;
    len = ws.Str_len;
    if (len > 0 && name[len - 1] == '$') len--;
    if (len < 1 || len > 127) Rpt_error(err::BAD_NAME);
  }
  if (len > 127) Rpt_error(err::BAD_NAME);
  uint8_t* p = Work_take(size_t(len) + 1);
  p[0] = uint8_t(len);
  std::memcpy(p + 1, name, size_t(len));
  ws.Io_rec_prefix = p;
}

void opt_opt() {
  Eval_str();
  if (ws.Str_len == 0) return;
  ws.Io_opt_len = ws.Str_len;
  ws.Io_opt_ptr = keep_string();
}

// TBL=: a string is the table; a line reference names a TABLE statement
// whose operand, a string expression, is the table.
void opt_tbl() {
  uint8_t c = *ws.Exec_ptr;
  if (Is_line_ref(c)) {
    Eval_table_line(Get_line(), err::BAD_LINE_REF);
    ws.Io_tbl_len = ws.Str_len;
    ws.Io_tbl = keep_string();
    return;
  }
  Eval_str();
  ws.Io_tbl_len = ws.Str_len;
  ws.Io_tbl = ws.Str_len ? keep_string() : nullptr;
}

void opt_ext() {
  uint8_t sub = *ws.Exec_ptr++;
  switch (sub) {
    case iopt::X_BIN: {
      int32_t n = Eval_range(-1, 32000);
      ws.Io_bin_rsz = n < 1 ? 1 : n;
      break;
    }
    case iopt::X_DIR: {
      int32_t k = kind();
      int32_t n = Eval_integer();
      // READ and FIND also step through indexed and binary files.
      bool reading = ws.Io_stmt == code::D_READ || ws.Io_stmt == code::D_FIND;
      if (!(k == FK_KEYED || k == FK_EFF || k == FK_MEMORY || k == FK_MYSQL || k == 12 || k == 26 ||
            (reading && (k == FK_INDEXED || k == FK_BINARY))))
        Rpt_error(err::WRONG_FILE_KIND);
      ws.Io_dir = n;
      ws.Io_opts |= IO_STEP;
      break;
    }
    case iopt::X_EVT:
      branch_line(&ws.Io_evt_line);
      break;
    case iopt::X_HLP:
      Eval_str();
      if (ws.Str_len > 40) Rpt_error(err::STRING_LENGTH);
      ws.Io_hlp_len = ws.Str_len;
      ws.Io_hlp_ptr = keep_string();
      break;
    case iopt::X_IOL:
      Iol_option();
      break;
    case iopt::X_SEP:
      Io_sep_operand();
      break;
    case iopt::X_BSY:
      ws.Bsy_line = Get_line();
      break;
    default:
      Rpt_error(err::INTERNAL_CODE);
  }
}

// One option item; the cursor is on its word.
void option_item() {
  uint8_t c = *ws.Exec_ptr++;
  switch (c) {
    case iopt::EXT: opt_ext(); break;
    case iopt::SIZ:
    case iopt::SIZ2: opt_siz(); break;
    case iopt::DOM: branch_line(&ws.Dom_line); break;
    case iopt::END: branch_line(&ws.End_line); break;
    case iopt::ERR:
      ws.Err_line = line_ref();
      ws.Stmt_save = nullptr;
      ws.Io_opts |= IO_ERR;
      break;
    case iopt::IND: opt_ind(); break;
    case iopt::RESERVED: Rpt_error(err::NOT_BUILT);
    case iopt::KEY: opt_key(); break;
    case iopt::NBF: ws.Io_nbf = Eval_range(3, 255); break;
    case iopt::RTY: opt_rty(); break;
    case iopt::TBL: opt_tbl(); break;
    case iopt::TIM: opt_tim(); break;
    case iopt::REC: opt_rec(); break;
    case iopt::OPT: opt_opt(); break;
    case iopt::RNO: Io_rno_option(); break;
    case iopt::KNO: Io_kno_option(); break;
    default: Rpt_error(err::INTERNAL_CODE);
  }
}

// The read length: how many characters one device read takes.
void read_length() {
  int32_t n = Eval_range(0, 512);
  if (n == 0 && !Sw_on(sw::BX)) Rpt_error(err::OUT_OF_RANGE);
  ws.Io_read_len = n;
}

void channel_part(uint8_t dir_code, uint16_t internal);

// Selects the console record for a statement without a channel.
void use_console() {
  if (!ws.Con_fcb) Channels_init();  // the console's record is always there to fall back on
  // A running program's console I/O closes the debugger's command window.
  if (Cmd_window_enabled() && ws.Cur_stno != 0) Cmd_window_close();
  Select_console();
  if (Fcb* f = ws.Cur_fcb) {
    ws.Io_sep = f->separator;
    ws.Io_rec_prefix = f->rec_prefix;
  }
}

}  // namespace

void Io_rno_option() {
  int32_t n = Eval_integer();
  if (n < 1) Rpt_error(err::OUT_OF_RANGE);
  if (rno_kept_kind(kind())) {
    ws.Io_ind = n;
    ws.Io_opts |= IO_RNO;
  } else {
    ws.Io_ind = n - 1;
    ws.Io_opts |= IO_IND;
  }
}

void Io_kno_option() {
  int32_t k = GetKNOValue();
  ws.Io_kno = k;
  // The key named becomes the channel's current key unless parameter KR
  // keeps it.
  if (k >= 0 && k <= ws.Cur_fcb->high_key && !Sw_on(sw::KR)) ws.Cur_fcb->cur_key = uint8_t(k);
}

void Io_sep_operand() {
  if (*ws.Exec_ptr == code::OP_DIV) {
    ws.Exec_ptr++;
    ws.Io_sep = -1;
    return;
  }
  Eval_str();
  ws.Io_sep = ws.Str_len > 0 ? ws.Str_ptr[0] : -1;
}

void Eval_table_line(uint32_t ref, int err_no) {
  uint8_t* resume = ws.Exec_ptr;
  Line_pos pos = Save_line_pos();
  struct Back {
    uint8_t* at;
    const Line_pos& pos;
    ~Back() {
      ws.Exec_ptr = at;
      Restore_line_pos(pos);
    }
  } back{resume, pos};
  uint16_t n = Find_line(ref);
  if (!(ref & LINE_LABEL_BIT) && n != ref) Rpt_error(err_no);
  uint8_t* p = ws.Str_ptr + 2;
  while (*p == code::LABEL) p += 2 + p[1] + 1;  // a label ahead of the statement
  if (*p != code::D_TABLE) Rpt_error(err_no);
  ws.Exec_ptr = p + 1;
  Eval_str();
}

void Io_reset_statement() {
  Io_reset_run();
  ws.Io_rty = prmblk.WT;
  ws.Io_sep = prmblk.FS;
}

void Io_SetOptions(uint8_t dir_code) {
  uint8_t* p = ws.Exec_ptr;
  if (dir_code == 0) {
    uint8_t* s = ws.Stmt_ptr;
    while (*s == code::LABEL) s += 2 + s[1] + 1;
    dir_code = s[0] == code::EXT_DIR ? s[1] : s[0];
  }
  Io_reset_run();
  ws.Io_stmt = dir_code;
  ws.Io_rty = prmblk.WT;
  ws.Io_sep = prmblk.FS;
  uint16_t internal = ws.Io_next_chan;
  ws.Io_next_chan = 0;

  if (*p == QMARK) {
    ws.Io_opts |= IO_QMARK;
    p++;
  }
  if (*p != code::LPAREN) {
    ws.Exec_ptr = p;
    use_console();
    return;
  }
  ws.Exec_ptr = p + 1;
  try {
    channel_part(dir_code, internal);
  } catch (const Oru_error&) {
    // An error before the ERR= item was read still takes its branch.
    if (!ws.Err_line) Err_scan_from(p + 1);
    throw;
  }
}

bool Io_owner_other(const Fcb* f) { return f->owner != running_object(); }

bool Io_SetOptions_plain(uint8_t dir_code) {
  Io_plain in;
  if (!Io_plain_parse(in)) return false;
  Io_plain_apply(in, dir_code);
  return true;
}

void Io_SetOptions_next(uint8_t dir_code) {
  ws.Io_opts &= IO_ERR;
  ws.Io_key_cnt = 0;
  ws.Io_key_len = 0;
  ws.Io_key_ptr = nullptr;
  channel_part(dir_code, 0);
}

bool Io_close_more() { return Io_close_pending; }

namespace {

// The channel expression at the cursor and the options after it.
void channel_part(uint8_t dir_code, uint16_t internal) {
  Io_close_pending = false;
  uint16_t chan = Get_fno();
  if (internal) chan = internal;
  ws.Lfa_chan = chan;
  ws.Cur_chan = chan;
  if (dir_code == code::D_OPEN && chan > 127 && !Sw_on(sw::XF)) Rpt_error(err::OUT_OF_RANGE);

  Fcb* f = Find_fp(chan);
  if (f) {
    if (dir_code == code::D_OPEN) Rpt_error(err::CHANNEL_STATE);
    if (f->owner && f->owner != running_object()) Rpt_error(err::WRONG_MODE);
    if ((f->st3 & ST3_BUSY) && f != ws.Con_fcb) Rpt_error(err::DUPLICATE_LOOP);
    if (Cmd_window_enabled() && f == ws.Con_fcb && ws.Cur_stno != 0) Cmd_window_close();
    Select_channel(f);
    ws.Io_sep = f->separator;
    ws.Io_rec_prefix = f->rec_prefix;
  } else {
    if (dir_code != code::D_OPEN && dir_code != code::D_CLOSE) Rpt_error(err::CHANNEL_STATE);
    ws.Cur_fcb = nullptr;
    ws.Cur_fd = -1;
    ws.Cur_ftype = FK_DEVICE;
    ws.Cur_drv = Bad_io;
    ws.Io_rec_prefix = nullptr;
  }

  // The option items.
  while (Next_option_item()) {
    if (is_option(*ws.Exec_ptr)) {
      option_item();
    } else if (dir_code == code::D_CLOSE) {
      Io_close_pending = true;  // the cursor on the next channel of the list
      return;
    } else {
      read_length();
    }
  }

  if (!ws.Cur_fcb) return;  // OPEN or CLOSE of a channel that is not open
  if (ws.Io_opts & IO_KEY) {
    OptGenKey();
    if (dir_code != code::D_OPEN) Fio_call(FIO_SETKEY);
  }
  if (ws.Io_opts & IO_IND) Fio_call(FIO_SETIND);
}

}  // namespace

// ---- KEY= ----

void OptGenKey() {
  int cnt = ws.Io_key_cnt;
  if (cnt == 1) {
    ws.Io_key_ptr = ws.Io_key_part[0];
    ws.Io_key_len = ws.Io_key_part_len[0];
    return;
  }
  int32_t k = kind();
  if (k == FK_MEMORY) {  // memory files join the parts themselves
    ws.Io_key_ptr = ws.Io_key_part[0];
    ws.Io_key_len = ws.Io_key_part_len[0];
    return;
  }
  int32_t widths[IO_KEY_PARTS];
  int segs = 0;
  bool padded = true;
  if (keyed_kind(k) && !Key_segment_widths) Not_built("key segments of keyed files (KEY= in parts)");
  if (keyed_kind(k)) {
    int32_t key_no = ws.Io_kno;
    if (key_no < 0) {
      uint8_t s = ws.Io_stmt;
      bool writes = s == code::D_REMOVE || s == code::D_WRITE || s == code::X_INSERT || s == code::X_UPDATE;
      key_no = writes ? 0 : ws.Cur_fcb->cur_key;
    }
    segs = Key_segment_widths(ws.Cur_fcb, key_no, widths, IO_KEY_PARTS, &padded);
  }
  if (segs <= 0) Rpt_error(err::KEY_DEFINITION);
  // Each part fills its segment's width: the value cut to the width, then
  // (on a file whose keys pad their segments) zero bytes to the width, as
  // the stored key has them; the last part placed gives only its own
  // length.
  int n = cnt < segs ? cnt : segs;
  size_t total = 0;
  for (int i = 0; i < n; i++) total += size_t(widths[i]);
  uint8_t* out = Work_take(total + 1);
  size_t pos = 0;
  for (int i = 0; i < n; i++) {
    const uint8_t* v = ws.Io_key_part[i];
    int32_t len = ws.Io_key_part_len[i];
    int32_t w = widths[i];
    if (len > w) len = w;
    if (i == n - 1 || !padded) {
      std::memcpy(out + pos, v, size_t(len));
      pos += size_t(len);
    } else {
      std::memcpy(out + pos, v, size_t(len));
      std::memset(out + pos + len, 0, size_t(w - len));
      pos += size_t(w);
    }
  }
  ws.Io_key_ptr = out;
  ws.Io_key_len = int32_t(pos);
}

int Kseg_widths(const uint8_t* segs, int32_t key_no, int32_t* widths, int max) {
  // Entries of 4 bytes; segment entries carry the key number mod 16 in the
  // low nibble of byte 0 and the length in bits 0-6 of byte 3; keys ascend
  // and a change of the nibble starts the next key.
  int n = 0;
  int32_t key = -1;
  int prev_nibble = -1;
  for (const uint8_t* e = segs; e && e[0] != 255; e += 4) {
    if (e[0] == 254) continue;  // flag entry of the segment before
    int nib = e[0] & 0x0F;
    if (nib != prev_nibble) {
      key = key < 0 ? nib : key + ((nib - prev_nibble) & 0x0F);
      prev_nibble = nib;
    }
    if (key > key_no) break;
    if (key == key_no && n < max) widths[n++] = e[3] & 0x7F;
  }
  return n;
}

// ---- KNO= ----

int32_t GetKNOValueFromString(const uint8_t* s, int32_t len) {
  if (len == 0) return 0;
  if (len == 1 && s[0] == '*') {
    if (!(keyed_kind(kind()) && ws.Io_stmt == code::D_READ)) Rpt_error(err::KEY_DEFINITION);
    return KNO_PHYSICAL;
  }
  if (s[0] == '#') {
    if (len == 1) Rpt_error(err::KEY_DEFINITION);
    int32_t n = 0;
    for (int32_t i = 1; i < len; i++) {
      if (s[i] < '0' || s[i] > '9') Rpt_error(err::KEY_DEFINITION);
      n = n * 10 + (s[i] - '0');
      if (n > 255) Rpt_error(err::KEY_DEFINITION);
    }
    return n;
  }
  for (auto* e = static_cast<const Kname_node*>(ws.Cur_fcb->key_names); e; e = e->next) {
    if (e->len != len) continue;
    bool same = true;
    for (int32_t i = 0; i < len && same; i++) {
      uint8_t a = s[i], b = uint8_t(e->name[i]);
      if (a >= 'a' && a <= 'z') a = uint8_t(a - 32);
      if (b >= 'a' && b <= 'z') b = uint8_t(b - 32);
      same = a == b;
    }
    if (same) return e->key;
  }
  Rpt_error(err::KEY_DEFINITION);
}

int32_t GetKNOValue() {
  if (!ws.Cur_fcb) Rpt_error(err::CHANNEL_STATE);
  if (*ws.Exec_ptr == code::OP_DIV) {
    ws.Exec_ptr++;
    if (!(keyed_kind(kind()) && ws.Io_stmt == code::D_READ)) Rpt_error(err::KEY_DEFINITION);
    return KNO_PHYSICAL;
  }
  Eval_formula();
  if (ws.Str_len < 0 && ws.Num_acc.mant < 0 && To_integer(ws.Num_acc) == -1) return KNO_NONE;
  if (!own_keys_kind(kind()) && !(ws.Cur_fcb->st4 & ST4_KEY_DESC)) Rpt_error(err::MISSING_KEY_DESC);
  int32_t k;
  if (ws.Str_len >= 0) {
    k = GetKNOValueFromString(ws.Str_ptr, ws.Str_len);
    if (k == KNO_PHYSICAL) return k;
  } else {
    k = To_integer(ws.Num_acc);
  }
  // A memory file refuses a key it does not have when it reads (error 13);
  // a thin client's channel has the client's keys, the client checks them.
  if (k < 0 || (k > ws.Cur_fcb->high_key && kind() != FK_MEMORY && kind() != FK_THIN_CLIENT))
    Rpt_error(err::KEY_DEFINITION);
  return k;
}
