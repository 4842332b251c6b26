// PRINT and the output character machine.
//
// Compiled PRINT: [ '(' channel [, options] ')' ] then items separated by
// ',' (code 37).  An item is a mnemonic literal (code 8, two characters), a
// position '@(' column [, line] ')' (the token of LOC(, code 122), an
// expression with an optional ':' mask, '/' or nothing (both empty items).  A ',' right before the
// end of the statement keeps the line open; every other PRINT ends its line.
//
// Channel output state (Fcb::out_state): the low byte is the state, the high
// byte a byte held between states:
//   0 plain
//   1 after ESC
//   2 after ESC and the first character of a mnemonic (held)
//   3 after ESC 0x01 (or ESC '@' '1'): the next byte is a column
//   4 after ESC 0x02 (or ESC '@' '2'): the next byte is a column (held) ...
//   5 ... and the byte after it the line
//   6 transparent output after ESC (parameter EO)
//   7 transparent output after ESC 'E'
//   8 passing UTF-8 continuation bytes (Fcb::utf8_cont counts them)
//
// Buffer invariant: out_buf[0, buf_count) is output not yet handed to the
// driver.  After '@(' moved the fill back inside the current line,
// high_water marks the end of the text beyond it: what follows overwrites
// that text, and the next mnemonic (or a flush) raises the fill back to the
// mark, so nothing printed is lost.
#include "channels/print.h"
#include "channels/memory_file.h"

#include <cstring>
#include <string>

#include "channels/channel.h"
#include "core/console_device.h"
#include "channels/dupl_write.h"
#include "channels/field_convert.h"
#include "channels/io_list.h"
#include "channels/record_io.h"
#include "core/codes.h"
#include "core/hooks.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/line_store.h"
#include "core/params.h"
#include "core/workspace.h"
#include "core/masks.h"
#include "channels/chan_hooks.h"

namespace {

constexpr uint8_t ESC = 27;
constexpr uint32_t MODE_GRAPHICS = 0x10;
constexpr uint16_t OUT_TRANSPARENT = 8;
constexpr int32_t LINE_MAX = 32000;

enum : uint8_t {
  S_PLAIN = 0,
  S_ESC = 1,
  S_MNEM2 = 2,
  S_COL = 3,
  S_COL2 = 4,
  S_LINE2 = 5,
  S_TRANSP_ESC = 6,
  S_TRANSP_E = 7,
  S_UTF8 = 8,
};

inline bool ends_statement(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

inline uint8_t state_of(const Fcb* f) { return uint8_t(f->out_state); }
inline void set_state(Fcb* f, uint8_t s, uint8_t held = 0) { f->out_state = uint16_t(s | (held << 8)); }

bool utf8_mode() { return (ws.Utf8_mode & 1) != 0; }

// Hands the buffer to the driver.  A pending end mark counts as output.
void buf_flush(Fcb* f) {
  if (f->high_water > f->buf_count) f->buf_count = f->high_water;
  Fio_call(FIO_FLUSH);
  if (f->high_water > f->buf_count) f->high_water = f->buf_count;
}

// One byte into the channel's buffer, flushing a full buffer first.
inline void put_byte(Fcb* f, uint8_t c) {
  if (f->buf_count >= f->buf_size) {
    if (f->buf_size <= 0) Rpt_error(err::WRONG_MODE);
    buf_flush(f);
    if (f->buf_count >= f->buf_size) Rpt_error(err::RECORD_TOO_LONG);
  }
  f->out_buf[f->buf_count++] = c;
}

// A client channel (kind 13) is positioned on the client's side: the
// position travels in its output as ESC 0x02 column line, or ESC 0x01
// column for a column alone, a byte each (so 255 at most: beyond that it
// is a mnemonic error).  line -1: the column alone.
void client_pos(Fcb* f, int32_t col, int32_t line) {
  if (col > 255 || line > 255) {
    Chan_hook.bad_mnemonic();
    return;
  }
  if (f->high_water > f->buf_count) {
    f->column += f->high_water - f->buf_count;
    f->buf_count = f->high_water;
  }
  if (f->buf_size > 0 && f->buf_count + 4 > f->buf_size) buf_flush(f);
  put_byte(f, 0x1B);
  put_byte(f, line < 0 ? 1 : 2);
  put_byte(f, uint8_t(col));
  if (line >= 0) put_byte(f, uint8_t(line));
  f->column = col;
  if (line >= 0) f->line = line;
}

// A mnemonic ends the stretch that '@(' may have reopened.
void normalise(Fcb* f) {
  if (f->high_water > f->buf_count) {
    f->column += f->high_water - f->buf_count;
    f->buf_count = f->high_water;
  }
}


// Length of the leading stretch of p[0, n) that the plain state copies as
// it stands: no byte below 0x20 (ESC, BS, LF, FF, CR and NUL are among
// them) and none equal to the field separator of parameter FS.  Eight bytes
// are tested at a time; the word tests are exact as yes/no answers.
int32_t quiet_run(const uint8_t* p, int32_t n, uint8_t fs) {
  constexpr uint64_t ones = 0x0101010101010101ULL, highs = 0x8080808080808080ULL;
  const uint64_t fs_word = ones * fs;
  int32_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t x;
    std::memcpy(&x, p + i, 8);
    uint64_t below_blank = (x - ones * 0x20) & ~x & highs;
    uint64_t y = x ^ fs_word;
    uint64_t is_fs = (y - ones) & ~y & highs;
    if (below_blank | is_fs) break;
  }
  while (i < n && p[i] >= 0x20 && p[i] != fs) ++i;
  return i;
}

// Whether the current channel takes plain text bytes straight into its
// buffer (no translation, hooks, graphics, UTF-8 or pending state).
bool plain_channel(const Fcb* f) {
  return f->out_state == 0 && !f->out_hook && !(f->out_flags & OUT_TRANSPARENT) && !ws.Io_tbl &&
         !f->out_xlate && !(f->mode_flags & MODE_GRAPHICS) && !utf8_mode() && !(f->st3 & ST3_TYPED_OUT2) &&
         f->buf_size > 0;
}

// The bytes of a printable character after translation.
inline void put_text_byte(Fcb* f, uint8_t c) {
  if (f->out_xlate) c = f->out_xlate[c];
  put_byte(f, c);
}

// The line reached the channel's width: a line feed wraps it.  PRINT's own
// line end right after it is left out with parameter BX.
void wrap_line(Fcb* f) {
  Chan_hook.prt_mnem(Mnem_code('L', 'F'));
  f->st3 |= ST3_WRAPPED;
}

inline void after_column_advance(Fcb* f) {
  if (f->width > 0 && f->column >= f->width) wrap_line(f);
}

// n text bytes of a plain channel (see plain_channel) into its buffer, in
// runs as long as the buffer and the line width allow.
void put_text_run(Fcb* f, const uint8_t* p, int32_t n) {
  f->st3 &= uint16_t(~ST3_WRAPPED);
  while (n > 0) {
    if (f->buf_count >= f->buf_size) {
      buf_flush(f);
      if (f->buf_count >= f->buf_size) Rpt_error(err::RECORD_TOO_LONG);
    }
    int32_t take = f->buf_size - f->buf_count;
    if (take > n) take = n;
    if (f->width > 0) {
      int32_t line_room = f->width - f->column;
      if (line_room < 1) line_room = 1;
      if (take > line_room) take = line_room;
    }
    std::memcpy(f->out_buf + f->buf_count, p, size_t(take));
    f->buf_count += take;
    f->column += take;
    p += take;
    n -= take;
    after_column_advance(f);
  }
}

// n blanks on a plain channel.
void put_blank_run(Fcb* f, int32_t n) {
  static const uint8_t blanks[64] = {' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                     ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                     ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                     ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                     ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' '};
  while (n > 0) {
    int32_t k = n < 64 ? n : 64;
    put_text_run(f, blanks, k);
    n -= k;
  }
}

// BS, LF, CR and FF are their mnemonics, and a NUL byte is dropped under
// switch N00; true when c was taken so.
inline bool control_mnemonic(uint8_t c) {
  switch (c) {
    case 8:
      Chan_hook.prt_mnem(Mnem_code('B', 'S'));
      return true;
    case 10:
      Chan_hook.prt_mnem(Mnem_code('L', 'F'));
      return true;
    case 13:
      Chan_hook.prt_mnem(Mnem_code('C', 'R'));
      return true;
    case 12:
      Chan_hook.prt_mnem(Mnem_code('F', 'F'));
      return true;
    case 0:
      return Sw_on(sw::N00);
    default:
      return false;
  }
}

// The byte a TBL= table gives for c (the table's first byte masks c).
inline uint8_t table_mapped(uint8_t c) {
  int idx = c & ws.Io_tbl[0];
  return idx + 1 < ws.Io_tbl_len ? ws.Io_tbl[idx + 1] : uint8_t(idx);
}

void char_plain(Fcb* f, uint8_t c) {
  if (f->out_flags & OUT_TRANSPARENT) {
    if (c == ESC && Sw_on(sw::EO)) {
      set_state(f, S_TRANSP_ESC);
      return;
    }
    put_text_byte(f, c);
    return;
  }
  if (utf8_mode() && c >= 0xC0) {
    // The column counts the character here; a wrap waits for its last byte.
    f->utf8_cont = c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
    set_state(f, S_UTF8);
    f->st3 &= uint16_t(~ST3_WRAPPED);
    put_byte(f, c);
    ++f->column;
    return;
  }
  if (c == prmblk.FS) {
    Prt_slew(1);
    return;
  }
  if (c == ESC) {
    set_state(f, S_ESC);
    return;
  }
  if (control_mnemonic(c)) return;
  if (Is_screen(f)) {
    // The screen wraps by itself (Scr_text), like the device.
    Chan_hook.scr_text(f, &c, 1);
    return;
  }
  if (f->mode_flags & MODE_GRAPHICS) c = Chan_hook.graphic_char(f, c);
  f->st3 &= uint16_t(~ST3_WRAPPED);
  put_text_byte(f, c);
  ++f->column;
  after_column_advance(f);
}

// The bytes after ESC, in state st (a channel's out_state): a two-letter
// mnemonic, or a position (ESC 1 column, ESC 2 column line, also as the
// mnemonics "@1" and "@2").  False, with nothing done, in any other state.
bool escape_step(uint16_t& st, uint8_t c) {
  uint8_t held = uint8_t(st >> 8);
  switch (uint8_t(st)) {
    case S_ESC:
      st = c == 1 ? uint16_t(S_COL) : c == 2 ? uint16_t(S_COL2) : uint16_t(S_MNEM2 | (c << 8));
      return true;
    case S_MNEM2:
      st = S_PLAIN;
      if (held == '@' && c == '1')
        st = S_COL;
      else if (held == '@' && c == '2')
        st = S_COL2;
      else
        Chan_hook.prt_mnem(uint16_t((held << 8) | c));
      return true;
    case S_COL:
      st = S_PLAIN;
      Prt_pos1(c);
      return true;
    case S_COL2:
      st = uint16_t(S_LINE2 | (c << 8));
      return true;
    case S_LINE2:
      st = S_PLAIN;
      Prt_pos(held, c);
      return true;
    default:
      return false;
  }
}

void char_channel(Fcb* f, uint8_t c) {
  if (ws.Io_tbl && ws.Io_tbl_len > 0) c = table_mapped(c);
  if (f->out_hook) {
    f->out_hook(c);
    return;
  }
  switch (state_of(f)) {
    case S_PLAIN:
      char_plain(f, c);
      break;
    case S_ESC:
    case S_MNEM2:
    case S_COL:
    case S_COL2:
    case S_LINE2:
      escape_step(f->out_state, c);
      return;
    case S_TRANSP_ESC:
      if (c == 'E') {
        set_state(f, S_TRANSP_E);
        return;
      }
      set_state(f, S_PLAIN);
      put_text_byte(f, ESC);
      char_channel(f, c);
      return;
    case S_TRANSP_E:
      set_state(f, S_PLAIN);
      if (c == 'O') {
        Chan_hook.prt_mnem(Mnem_code('E', 'O'));
        return;
      }
      put_text_byte(f, ESC);
      put_text_byte(f, 'E');
      char_channel(f, c);
      return;
    case S_UTF8:
      put_byte(f, c);
      if (f->utf8_cont <= 1) {
        f->utf8_cont = 0;
        set_state(f, S_PLAIN);
        after_column_advance(f);
      } else {
        --f->utf8_cont;
      }
      return;
    default:
      set_state(f, S_PLAIN);
      char_plain(f, c);
      return;
  }
  if ((f->st3 & ST3_TYPED_OUT2) && f->buf_size - f->buf_count < 100) buf_flush(f);
}

// Text on a terminal screen: runs of text go to the screen image and the
// buffer together; the special bytes through the character machine.
void screen_bytes(Fcb* f, const uint8_t* p, int32_t n) {
  const uint8_t fs = prmblk.FS;
  int32_t i = 0;
  while (i < n) {
    int32_t run = quiet_run(p + i, n - i, fs);
    if (run > 0) Chan_hook.scr_text(f, p + i, run);
    i += run;
    if (i < n) {
      char_channel(f, p[i++]);
      if (!plain_channel(f)) {
        for (; i < n; ++i) char_channel(f, p[i]);
        return;
      }
    }
  }
}

// The console when it is not a terminal (output to a file or a pipe) runs
// the same character machine: TBL= maps each byte, the FS byte is a line
// feed, ESC opens a mnemonic or a position, BS, LF, CR and FF are their
// mnemonics.  The state lives in the console's record (a static one while
// there is none), so a sequence may span PRINT statements; the bytes of a
// sequence are never written and so never count as columns.  A long
// mnemonic's bytes go to its collector, as on every channel.
uint16_t console_state_spare = 0;

uint16_t& console_state(Fcb* f) { return f ? f->out_state : console_state_spare; }

void console_char(Fcb* f, uint8_t c) {
  if (ws.Io_tbl && ws.Io_tbl_len > 0) c = table_mapped(c);
  if (f && f->out_hook) {  // a long mnemonic being collected
    f->out_hook(c);
    return;
  }
  uint16_t& st = console_state(f);
  if (uint8_t(st) != S_PLAIN) {
    if (escape_step(st, c)) return;
    st = S_PLAIN;
  }
  if (c == prmblk.FS) {
    Prt_slew(1);
    return;
  }
  if (c == ESC) {
    st = S_ESC;
    return;
  }
  if (control_mnemonic(c)) return;
  Con_write(&c, 1);
}

// Text on the plain console: runs of ordinary bytes go out in one write.
void console_bytes(Fcb* f, const uint8_t* p, int32_t n) {
  const uint8_t fs = prmblk.FS;
  int32_t i = 0;
  while (i < n) {
    if (console_state(f) == S_PLAIN && !ws.Io_tbl && !(f && f->out_hook)) {
      int32_t run = quiet_run(p + i, n - i, fs);
      if (run > 0) Con_write(p + i, size_t(run));
      i += run;
      if (i == n) return;
    }
    console_char(f, p[i++]);
  }
}

// Text of n bytes on channel f; plain runs go into the buffer in one copy.
void print_bytes(Fcb* f, const uint8_t* p, int32_t n) {
  if (Prt_is_console(f)) {
    console_bytes(f, p, n);
    return;
  }
  if (Is_screen(f) && !(f->term_flags & TF_PASS) && plain_channel(f)) {
    screen_bytes(f, p, n);
    return;
  }
  if (!plain_channel(f)) {
    for (int32_t i = 0; i < n; ++i) char_channel(f, p[i]);
    return;
  }
  const uint8_t fs = prmblk.FS;
  int32_t i = 0;
  while (i < n) {
    int32_t run = quiet_run(p + i, n - i, fs);
    if (run > 0) {
      put_text_run(f, p + i, run);
      i += run;
    }
    if (i < n) {
      char_channel(f, p[i]);
      ++i;
      if (!plain_channel(f)) {  // an escape sequence began: byte by byte
        for (; i < n; ++i) char_channel(f, p[i]);
        return;
      }
    }
  }
}

// The text of a number as PRINT shows it without a mask.
int number_text(char* buf) {
  Num_val v = ws.Num_acc;
  if (ws.Prm.RS && v.scale > ws.Precision) Set_scl(v, ws.Precision, 1);
  int n = 0;
  if (v.mant >= 0) buf[n++] = ' ';
  n += Conv_normal(v, buf + n);
  return n;
}

// A value through a ':' mask at the cursor; the value is in the accumulator.
void print_masked() {
  bool numeric = ws.Str_len < 0;
  Num_val num = ws.Num_acc;
  std::string text;
  if (!numeric) text.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  ws.Exec_ptr++;  // ':'
  if (Is_fmt_code(*ws.Exec_ptr)) {
    // A field format (CHR(5), NUM(4) ...): the field as WRITE would make
    // it, its delimiter after it.
    Fmt_item fi;
    Fmt_parse(fi);
    if (numeric) {
      ws.Num_acc = num;
      ws.Str_len = -1;
    } else {
      uint8_t* p = Work_take(text.size());
      if (!text.empty()) std::memcpy(p, text.data(), text.size());
      ws.Str_ptr = p;
      ws.Str_len = int32_t(text.size());
    }
    Cnv_outfmt(fi);
    Prt_fld();
    return;
  }
  Eval_str();
  std::string mask(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  std::string out;
  int err = numeric
                ? Conv_val_viafmt(num, reinterpret_cast<const uint8_t*>(mask.data()), mask.size(), out)
                : Fmt_str(reinterpret_cast<const uint8_t*>(text.data()), text.size(),
                          reinterpret_cast<const uint8_t*>(mask.data()), mask.size(), out);
  if (err) Rpt_error(err);
  print_bytes(ws.Cur_fcb, reinterpret_cast<const uint8_t*>(out.data()), int32_t(out.size()));
}

void typed_marker(Fcb* f, bool numeric) {
  if (Prt_is_console(f) || !(f->st3 & (ST3_TYPED_OUT | ST3_TYPED_OUT2))) return;
  Chan_hook.prt_mnem(Mnem_code('J', numeric ? 'N' : 'S'));
}

// The channel part of PRINT without '(': the console, with the per-statement
// fields of the current-I/O area cleared as the option parser would.
void use_console() {
  if (Cmd_window_enabled() && ws.Cur_stno != 0) Cmd_window_close();  // the program's own screen again
  Select_console();
  ws.Io_stmt = code::D_PRINT;
  ws.Io_opts = 0;
  ws.Io_tbl = nullptr;
}

}  // namespace

void Prt_begin_output() {
  Fcb* f = ws.Cur_fcb;
  if (Prt_is_console(f)) return;
  switch (f->kind) {
    case FK_KEYED:
    case FK_EFF:
      Rpt_error(err::WRONG_MODE);
    default:
      break;
  }
  if ((f->st1 & ST1_INPUT_ONLY) || (f->st2 & ST2_LOAD)) Rpt_error(err::WRONG_MODE);
  if (!(f->st1 & ST1_WRITTEN)) Fio_call(FIO_WR_MODE);
}

void Prt_at_item() {
  int32_t col = Eval_integer();
  int32_t line = -1;
  if (*ws.Exec_ptr == code::COMMA) {
    ws.Exec_ptr++;
    line = Eval_integer();
  }
  // "@(c,l,ERR=n)": the clause takes the errors of the move itself, as a
  // function's does; the statement's own ERR= holds again after it.
  uint8_t* stmt_save = ws.Stmt_save;
  uint32_t err_line = ws.Err_line;
  Chk_err();
  if (*ws.Exec_ptr != code::RPAREN) Rpt_error(err::SYNTAX);
  ws.Exec_ptr++;
  if (line < 0 && col >= 0)
    Prt_pos1(col);
  else
    Prt_pos(col, line);
  ws.Stmt_save = stmt_save;
  ws.Err_line = err_line;
}

bool Prt_is_console(const Fcb* f) { return !f || (f == ws.Con_fcb && !Is_screen(f)); }

void Prt_console_text(const char* p, size_t n) { Con_write(p, n); }

void Prt_flush() {
  Fcb* f = ws.Cur_fcb;
  if (Prt_is_console(f)) {
    Con_flush();
    return;
  }
  normalise(f);
  buf_flush(f);
}

void Prt_char(uint8_t c) {
  Fcb* f = ws.Cur_fcb;
  if (Prt_is_console(f)) {
    console_char(f, c);
    return;
  }
  char_channel(f, c);
}

void Prt_bytes(const uint8_t* p, int32_t n) {
  if (n > 0) print_bytes(ws.Cur_fcb, p, n);
}

void Prt_fld() {
  if (ws.Str_len <= 0) return;
  print_bytes(ws.Cur_fcb, ws.Str_ptr, ws.Str_len);
}

void Prt_value() {
  if (ws.Str_len >= 0) {
    Prt_fld();
    return;
  }
  char buf[CONV_NORMAL_MAX + 2];
  int n = number_text(buf);
  print_bytes(ws.Cur_fcb, reinterpret_cast<const uint8_t*>(buf), n);
}

void Prt_slew(int n) {
  if (n == 0) {
    Chan_hook.prt_mnem(Mnem_code('C', 'R'));
    return;
  }
  for (int i = 0; i < n; ++i) Chan_hook.prt_mnem(Mnem_code('L', 'F'));
}

void Prt_pos1(int32_t col) {
  Fcb* f = ws.Cur_fcb;
  if (col < 0) {
    Chan_hook.bad_mnemonic();
    return;
  }
  if (Prt_is_console(f)) {
    int32_t at = Con_column();
    if (col < at) {
      Con_write("\r", 1);
      at = 0;
    }
    for (; at < col; ++at) Con_write(" ", 1);
    return;
  }
  if (f->kind == FK_PDF) {
    normalise(f);
    Chan_hook.pdf_pos1(col);
    return;
  }
  if (f->kind == FK_THIN_CLIENT) {
    client_pos(f, col, -1);
    return;
  }
  if (Is_screen(f) && !(f->term_flags & TF_PASS)) {
    normalise(f);
    Chan_hook.scr_pos(f, col, f->line);
    return;
  }
  if (col == f->column) return;
  if (col < f->column) {
    int32_t back = f->column - col;
    bool typed = (f->st3 & (ST3_TYPED_OUT | ST3_TYPED_OUT2)) != 0;
    if (!typed && !utf8_mode() && f->buf_count >= back && f->out_state == 0) {
      if (f->high_water < f->buf_count) f->high_water = f->buf_count;
      f->buf_count -= back;
      f->column = col;
      return;
    }
    Chan_hook.prt_mnem(Mnem_code('C', 'R'));
  }
  if (plain_channel(f)) {
    put_blank_run(f, col - f->column);
    return;
  }
  while (f->column < col) char_channel(f, ' ');
}

void Prt_pos(int32_t col, int32_t line) {
  Fcb* f = ws.Cur_fcb;
  if (col < 0 || line < 0) {
    Chan_hook.bad_mnemonic();
    return;
  }
  if (Prt_is_console(f)) {
    // A console that is not a terminal has no lines to move between.
    Prt_pos1(col);
    return;
  }
  if (f->kind == FK_PDF) {
    normalise(f);
    Chan_hook.pdf_pos(line, col);
    return;
  }
  if (f->kind == FK_THIN_CLIENT) {
    client_pos(f, col, line);
    return;
  }
  if (Is_screen(f) && !(f->term_flags & TF_PASS)) {
    if (!Chan_hook.scr_fits(f, col, line)) {
      Chan_hook.bad_mnemonic();  // ignored: the nearest cell
    }
    normalise(f);
    Chan_hook.scr_pos(f, col, line);
    return;
  }
  if (col == f->column && line == f->line) return;
  if (line < f->line) Chan_hook.prt_mnem(Mnem_code('F', 'F'));
  while (f->line < line) Chan_hook.prt_mnem(Mnem_code('L', 'F'));
  Prt_pos1(col);
}

namespace {

// An expression item at the cursor, with its ':' mask when one follows.
void print_expression_item(Fcb* f) {
  Eval_formula();
  bool numeric = ws.Str_len < 0;
  typed_marker(f, numeric);
  if (*ws.Exec_ptr == code::LABEL_END)
    print_masked();
  else
    Prt_value();
  if (!Prt_is_console(f)) {
    if (numeric)
      f->st3 |= ST3_LAST_NUMERIC;
    else
      f->st3 &= uint16_t(~ST3_LAST_NUMERIC);
  }
}

// An item that begins with A[ALL] (or a range, A{1:3}) is printed once for
// every element, in element order, each time as an item of its own (a
// number with its blank, the item's mask applied): A[ALL]+1 prints every
// element plus one.
void print_array_item(Fcb* f) {
  Io_each_element([f] { print_expression_item(f); });
}

// Whether f's buffer holds its records up to rec_start and after it the
// record being built alone: the kinds whose line end writes a record, and
// those whose whole buffer is one record (a flush is error 1).
bool one_record_buffer(const Fcb* f) {
  int32_t k = f->kind;
  return k == FK_SERIAL || k == FK_INDEXED || k == FK_PIPE || Fio_slot_is(k, FIO_FLUSH, Io_rsz_err);
}

void print_items(Fcb* f);

}  // namespace

// Whether the '(' at the cursor begins the channel part: it does unless the
// group is followed by an operator, as in PRINT (2+3)*4.
bool channel_part() {
  const uint8_t* p = ws.Exec_ptr;
  if (*p != code::LPAREN) return false;
  uint8_t next;
  if (p[1] == code::SMALL_INT && p[4] == code::RPAREN) {
    next = p[5];  // "(n)", the usual channel part, needs no scan
  } else {
    uint8_t* at = ws.Exec_ptr;
    next = Skip_value();
    ws.Exec_ptr = at;
  }
  return !(next == code::LIKE || (next != code::EOL && (Cde_tbl[next] & (CC_BINOP | CC_LOGOP))));
}

void d_prin() {
  uint8_t* at = ws.Exec_ptr;
  bool channel = channel_part();
  if (channel) {
    Io_SetOptions(0);
    if (ws.Cur_fcb && ws.Cur_fcb->kind == FK_MEMORY) Dyn_CheckKno(ws.Cur_fcb);
    Dupl_check(ws.Cur_fcb);
  } else {
    use_console();
  }
  Prt_begin_output();
  Fcb* f = ws.Cur_fcb;
  const Out_mark mark(f);
  try {
    print_items(f);
  } catch (...) {
    // A PRINT that failed takes back what it put in the record being
    // built; the text of earlier PRINTs, finished statements, stays.
    if (ws.Cur_fcb && !Prt_is_console(f) && one_record_buffer(f)) mark.take_back(f);
    throw;
  }
  if (channel && (f->st4 & ST4_HAS_DUP)) KestDuplData(d_prin, at, "PRINT");
}

namespace {

// The items of a PRINT, its line end and flush.
void print_items(Fcb* f) {
  bool keep_line = false;
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (ends_statement(c)) break;
    keep_line = false;
    if (c == code::COMMA) {  // an empty item
      ws.Exec_ptr++;
      keep_line = true;
      continue;
    }
    if (c == code::OP_DIV && (ws.Exec_ptr[1] == code::COMMA || ends_statement(ws.Exec_ptr[1]))) {
      ws.Exec_ptr++;  // "/": an empty item
    } else if (c == code::MNEM_LIT && (ws.Exec_ptr[3] == code::COMMA || ends_statement(ws.Exec_ptr[3]))) {
      uint16_t m = Mnem_code(char(ws.Exec_ptr[1]), char(ws.Exec_ptr[2]));
      ws.Exec_ptr += 3;
      Chan_hook.prt_mnem(m);
    } else if (c == AT_ITEM_CODE) {
      ws.Exec_ptr++;
      Prt_at_item();
    } else if (Io_array_item_at_cursor()) {
      print_array_item(f);
    } else {
      print_expression_item(f);
    }
    c = *ws.Exec_ptr;
    if (c == code::COMMA) {
      ws.Exec_ptr++;
      keep_line = true;
    } else if (!ends_statement(c)) {
      Rpt_error(err::SYNTAX);
    }
  }
  if (!keep_line) {
    bool just_wrapped = !Prt_is_console(f) && (f->st3 & ST3_WRAPPED);
    if (!(just_wrapped && Sw_on(sw::BX))) Prt_slew(1);
  }
  if (!Prt_is_console(f) && (f->st3 & ST3_FLUSH_EACH)) Prt_flush();
  // A kind whose flush is the record-size error and whose line end writes
  // no record (all but indexed files, which keep an unfinished line for the
  // next PRINT) cannot take the text a PRINT left in its buffer.
  if (!Prt_is_console(f) && f->kind != FK_INDEXED && f->buf_count > f->rec_start &&
      Fio_slot_is(f->kind, FIO_FLUSH, Io_rsz_err))
    buf_flush(f);
}

}  // namespace
