// The functions that build window, attribute, colour and graphics requests
// (each returns a long mnemonic or a two-letter mnemonic to print), and the
// queries of a channel's windows: MXC( MXL( HWN( MNM( CTL(.
#include <cstring>
#include <string>

#include "channels/channel.h"
#include "channels/print.h"
#include "terminal/tc_channel.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/params.h"
#include "core/evaluator.h"
#include "core/workspace.h"
#include "functions/channel_access.h"
#include "functions/fnc_args.h"
#include "functions/function_table.h"
#include "pdf/pdf_channel.h"
#include "terminal/colours.h"
#include "terminal/long_mnem.h"
#include "terminal/tc_files.h"
#include "terminal/tc_protocol.h"
#include "core/decimal.h"
#include "terminal/terminal.h"
#include "terminal/windows.h"

namespace {

constexpr int32_t GRAPHIC_MAX = 32000;

inline bool at_close() { return *ws.Exec_ptr == code::RPAREN || *ws.Exec_ptr == code::END_SCAN; }

// A required argument that is missing is a syntax error (20).
void need_arg() {
  if (at_close() || *ws.Exec_ptr == code::COMMA) Rpt_error(err::SYNTAX);
}
void next_arg() {
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
  ++ws.Exec_ptr;
  need_arg();
}

void put16(std::string& s, int32_t v) {
  s += char(uint8_t(uint32_t(v) >> 8));
  s += char(uint8_t(v));
}

// A text with its length byte (at most 254 bytes: 255 means "none").
void put_text(std::string& s, const uint8_t* p, int32_t n) {
  if (n > 254) Rpt_error(err::STRING_LENGTH);
  s += char(n);
  s.append(reinterpret_cast<const char*>(p), size_t(n));
}

void result(const std::string& s) { Fnc_result_text(s); }

// MVE( SIZ( MXZ( MNZ( OFS(: two graphic values, 2 bytes each.
void two_graphic(uint8_t op) {
  std::string s;
  need_arg();
  put16(s, Eval_range(-GRAPHIC_MAX, GRAPHIC_MAX));
  next_arg();
  put16(s, Eval_range(-GRAPHIC_MAX, GRAPHIC_MAX));
  result(LongMnemBuild(op, s));
}

// A text of 255 bytes or more, with a 4-byte length.
void put_wide_text(std::string& s, const uint8_t* p, int32_t n) {
  s += char(uint8_t(uint32_t(n) >> 24));
  s += char(uint8_t(uint32_t(n) >> 16));
  s += char(uint8_t(uint32_t(n) >> 8));
  s += char(uint8_t(n));
  s.append(reinterpret_cast<const char*>(p), size_t(n));
}

[[noreturn]] void bad_text() {
  // A text that names no mnemonic: the mnemonic error, which a channel may
  // ignore; then the result is empty.
  Err_mnemonic();
  throw Mnemonic_ignored{};
}

// BOX( WDW( NWA( DLG(: col, line, width, height [, number [, title [, frame
// [, options]]]].
void window_request(uint8_t op) {
  std::string s;
  need_arg();
  int32_t col = Eval_range(-GRAPHIC_MAX, GRAPHIC_MAX);
  next_arg();
  int32_t line = Eval_range(-GRAPHIC_MAX, GRAPHIC_MAX);
  next_arg();
  int32_t w = Eval_range(1, 255);
  next_arg();
  int32_t h = Eval_range(1, 255);
  int32_t num = 0;
  put16(s, col);
  put16(s, line);
  s += char(w);
  s += char(h);
  std::string texts;
  int given = 0;
  if (Fnc_more()) {
    num = Eval_range(0, WINDOW_NUMBER_MAX);
    // Parameter OW offsets the window numbers a program gives (0 keeps
    // meaning "the lowest free"): two parts of an application can number
    // their windows alike.
    if (num != 0 && prmblk.OW != 0) {
      num += prmblk.OW;
      if (num > WINDOW_NUMBER_MAX) Rpt_error(err::OUT_OF_RANGE);
    }
    for (; given < 3 && Fnc_more(); ++given) {
      Fnc_str t = Fnc_string();
      put_text(texts, t.p, t.len);
    }
  }
  s += char(num);
  if (given == 0) texts += char(0xFF);  // no title: no frame
  s += texts;
  result(LongMnemBuild(op, s));
}

// One channel argument (default: the console) that must be an open device
// (or, with pages, a PDF channel: its columns and lines of the page).
Fcb* device_arg(bool pages = false) {
  int32_t ch = 0;
  if (!at_close()) ch = Eval_range(0, 65535);
  Fcb* f = Channel_record(uint16_t(ch));
  if (f && pages && f->kind == FK_PDF) return f;
  if (f && pages && f->kind == FK_THIN_CLIENT) return f;
  if (!f || (f->kind != FK_DEVICE && f->kind != FK_AUX_PRINTER)) Rpt_error(err::WRONG_MODE);
  return f;
}

// Graphics functions: every argument appended, numbers as 2 bytes, texts
// with a length byte (raw pairs for coordinate lists).
void graphic(uint8_t op, bool pairs, bool long_text, int scale_arg, int nonneg_arg, int channel_arg = 0) {
  std::string s;
  bool wide = false;
  int idx = 0;
  if (!at_close()) {
    for (;;) {
      ++idx;
      if (idx == channel_arg) {
        if (!Channel_record(uint16_t(Eval_range(0, 65535)))) Rpt_error(err::WRONG_MODE);
        if (!Fnc_more()) break;
        continue;
      }
      Eval_formula();
      if (ws.Str_len < 0) {
        Num_val v = ws.Num_acc;
        int32_t n = To_integer(v);
        if (idx == scale_arg) {
          if (n > GRAPHIC_MAX / 100 || n < -GRAPHIC_MAX / 100) Rpt_error(err::OUT_OF_RANGE);
          n *= 100;
        }
        if (idx == nonneg_arg && n < 0) Rpt_error(err::OUT_OF_RANGE);
        if (n < -GRAPHIC_MAX || n > GRAPHIC_MAX) Rpt_error(err::OUT_OF_RANGE);
        put16(s, n);
      } else if (pairs) {
        if (ws.Str_len % 2 != 0) Rpt_error(err::STRING_LENGTH);
        s.append(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      } else if (ws.Str_len >= 255) {
        if (!long_text) Rpt_error(err::STRING_LENGTH);
        wide = true;
        put_wide_text(s, ws.Str_ptr, ws.Str_len);
      } else {
        put_text(s, ws.Str_ptr, ws.Str_len);
      }
      if (!Fnc_more()) break;
    }
  }
  if (wide) op = op == 26 ? 41 : 45;
  result(LongMnemBuild(op, s, s.size() + 6 >= 261));
}

// FCLR( BCLR(: a palette index 0..254 (two bytes: 0 and the index) or a
// colour text as it stands.
void colour_request(uint8_t op) {
  need_arg();
  Eval_formula();
  std::string s;
  if (ws.Str_len < 0) {
    int32_t n = To_integer(ws.Num_acc);
    if (n < 0 || n > 254) Rpt_error(err::OUT_OF_RANGE);
    s += char(0);
    s += char(n);
  } else {
    if (ws.Str_len > 8192) Rpt_error(err::STRING_LENGTH);
    s.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  }
  result(LongMnemBuild(op, s));
}

std::string mnem2(char a, char b) { return std::string("\x1b") + a + b; }

bool text_is(const Fnc_str& t, const char* word) {
  size_t n = std::strlen(word);
  if (size_t(t.len) != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::toupper(t.p[i]) != word[i]) return false;
  return true;
}

// A function whose mnemonic text was refused (ignored bad mnemonics) gives
// an empty text.
template <class F>
void guarded(F body) {
  try {
    body();
  } catch (const Mnemonic_ignored&) {
    Fnc_result_str(nullptr, 0);
  }
}

}  // namespace

void fnc_box() { window_request(1); }
void fnc_wdw() { window_request(2); }
void fnc_nwa() { window_request(27); }
void fnc_dlg() { window_request(20); }

// DRP(n) or DRP(/) (the current window).  Window 0, the whole screen, is
// never dropped: error 57.
void fnc_drp() {
  int32_t n;
  need_arg();
  if (*ws.Exec_ptr == code::OP_DIV) {
    ++ws.Exec_ptr;
    n = 0xFF;
  } else {
    n = Eval_integer();
    if (n == 0) Rpt_error(err::WINDOW_NOT_CURRENT);
    if (n == -1) n = 0xFF;
    else if (n < 1 || n > WINDOW_NUMBER_MAX) Rpt_error(err::OUT_OF_RANGE);
  }
  result(LongMnemBuild(3, std::string(1, char(n))));
}

void fnc_gto() {
  need_arg();
  int32_t n = Eval_range(0, WINDOW_NUMBER_MAX);
  result(LongMnemBuild(4, std::string(1, char(n))));
}

void fnc_mve() { two_graphic(5); }

// SCR("ON"|"OFF"|"RESET") or SCR(n): the lines from n down scroll.
void fnc_scr() {
  guarded([] {
  need_arg();
    Eval_formula();
    if (ws.Str_len < 0) {
      // The first line of the region, then up to three more values kept
      // for the thin client (two of 0..250, one of 0..256 held in a byte);
      // a character terminal uses the first.
      int32_t n = To_integer(ws.Num_acc);
      if (n < 0 || n > 255) bad_text();
      std::string s(4, '\0');
      s[0] = char(n);
      static const int32_t top[3] = {250, 250, 256};
      for (int i = 0; i < 3 && Fnc_more(); ++i) {
        int32_t v = Eval_integer();
        if (v < 0 || v > top[i]) bad_text();
        s[size_t(i + 1)] = char(uint8_t(v));
      }
      result(LongMnemBuild(6, s));
      return;
    }
    Fnc_str t{ws.Str_ptr, ws.Str_len};
    if (text_is(t, "ON")) result(mnem2('E', 'S'));
    else if (text_is(t, "OFF")) result(mnem2('D', 'S'));
    else if (text_is(t, "RESET")) result(mnem2('R', 'S'));
    else bad_text();
  });
}

void fnc_cur() {
  guarded([] {
  need_arg();
    Eval_formula();
    if (ws.Str_len < 0) {
      int32_t n = To_integer(ws.Num_acc);
      if (n < 0 || n > 255) Rpt_error(err::OUT_OF_RANGE);
      result(LongMnemBuild(23, std::string(1, char(n))));
      return;
    }
    Fnc_str t{ws.Str_ptr, ws.Str_len};
    if (text_is(t, "ON") || text_is(t, "REP")) result(mnem2('C', '1'));
    else if (text_is(t, "OFF")) result(mnem2('C', '0'));
    else if (text_is(t, "INS")) result(mnem2('C', '2'));
    else bad_text();
  });
}

void fnc_wrp() {
  guarded([] {
  need_arg();
    Fnc_str t = Fnc_string();
    if (text_is(t, "ON")) result(mnem2('B', 'W'));
    else if (text_is(t, "OFF")) result(mnem2('E', 'W'));
    else bad_text();
  });
}

// MDE(n) or MDE(text of 1..3, 5..7 bytes): the attribute request.
void fnc_mde() {
  need_arg();
  Eval_formula();
  std::string s;
  if (ws.Str_len < 0) {
    int32_t n = To_integer(ws.Num_acc);
    if (n < 0 || n > 255) Rpt_error(err::OUT_OF_RANGE);
    s += char(n);
  } else {
    int32_t n = ws.Str_len;
    if (n < 1 || n == 4 || n > 7) Rpt_error(err::STRING_LENGTH);
    s.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(n));
  }
  result(LongMnemBuild(7, s));
}

void fnc_mxc() {
  Fcb* f = device_arg(true);
  Wty_learn_size(f);
  int32_t n = Is_screen(f) ? Dev(f)->win.cols : f->cols;
  Fnc_result_int(n > 0 ? n : 80);  // a device without a size: 80 x 24
}

void fnc_mxl() {
  Fcb* f = device_arg(true);
  Wty_learn_size(f);
  int32_t n = Is_screen(f) ? Dev(f)->win.lines : f->lines;
  Fnc_result_int(n > 0 ? n : 24);
}

// HWN(channel [, below]): the highest window number in use below `below`
// (default: any), -1 when none.
void fnc_hwn() {
  Fcb* f = device_arg();
  int32_t below = WINDOW_NUMBER_MAX + 1;
  if (Fnc_more()) below = Eval_range(0, WINDOW_NUMBER_MAX + 1);
  Fnc_result_int(Is_screen(f) ? Window_highest(Dev(f), below) : (below > 0 ? 0 : -1));
}

// MNM(mnemonic [, channel]): the definition text (empty when undefined).
void fnc_mnm() {
  need_arg();
  Fnc_str t = Fnc_string();
  if (t.len < 3 || t.p[0] != 27) Rpt_error(err::TYPE_MISMATCH);
  uint16_t code = Mnem_code(char(t.p[1]), char(t.p[2]));
  int32_t ch = 0;
  if (Fnc_more()) ch = Eval_range(0, 65535);
  Fcb* f = Channel_record(uint16_t(ch));
  if (!f || (f->kind != FK_DEVICE && f->kind != FK_AUX_PRINTER)) Rpt_error(err::WRONG_MODE);
  MnemDef* d = Find_mnem_in(f, code);
  if (!d) {
    Fnc_result_str(nullptr, 0);
    return;
  }
  Fnc_result_copy(d->bytes, d->len);
}

// CTL(channel, text): the control whose caption is the text; controls of a
// character terminal have no captions, so none is found (-1099).  CTL(
// channel, number): the captions of controls with that number (none).
void fnc_ctl() {
  Fcb* f = device_arg();
  (void)f;
  next_arg();
  Eval_formula();
  if (ws.Str_len < 0) {
    Fnc_result_str(nullptr, 0);
    return;
  }
  Fnc_result_int(-1099);
}

void fnc_siz() { two_graphic(30); }
void fnc_mxz() { two_graphic(34); }
void fnc_mnz() { two_graphic(35); }
void fnc_ofs() { two_graphic(37); }
void fnc_lpi() {
  std::string s;
  need_arg();
  put16(s, Eval_int100());
  if (uint8_t(s[0]) > 0x7D && uint8_t(s[0]) < 0x83) Rpt_error(err::OUT_OF_RANGE);
  result(LongMnemBuild(32, s));
}
void fnc_cpi() {
  std::string s;
  need_arg();
  put16(s, Eval_int100());
  result(LongMnemBuild(33, s));
}

// SHW(id, state): the second argument is -2..3.
void fnc_shw() {
  std::string s;
  need_arg();
  put16(s, Eval_range(-GRAPHIC_MAX, GRAPHIC_MAX));
  next_arg();
  put16(s, Eval_range(-2, 3));
  while (Fnc_more()) put16(s, Eval_range(-GRAPHIC_MAX, GRAPHIC_MAX));
  result(LongMnemBuild(22, s));
}

// FMSG(text [, slot]) sets a message-line text (operation 24); FMSG(a, b
// [, c]) its layout (29), the second value 0..3 unless a third follows.
void fnc_fmsg() {
  need_arg();
  Eval_formula();
  std::string s;
  if (ws.Str_len >= 0) {
    put_text(s, ws.Str_ptr, ws.Str_len);
    if (Fnc_more()) put16(s, Eval_range(-GRAPHIC_MAX, GRAPHIC_MAX));
    result(LongMnemBuild(24, s));
    return;
  }
  int32_t a = To_integer(ws.Num_acc);
  if (a < -GRAPHIC_MAX || a > GRAPHIC_MAX) Rpt_error(err::OUT_OF_RANGE);
  put16(s, a);
  if (Fnc_more()) {
    int32_t b = Eval_range(-GRAPHIC_MAX, GRAPHIC_MAX);
    bool third = Fnc_more();
    if (!third && (b < 0 || b > 3)) Rpt_error(err::OUT_OF_RANGE);
    put16(s, b);
    if (third) put16(s, Eval_range(-GRAPHIC_MAX, GRAPHIC_MAX));
  }
  result(LongMnemBuild(29, s));
}

// TXT(x, y [, x2, y2], text [, flags]): the arguments appended in order (a
// number as 2 bytes, a text with its length byte, or with a 4-byte length
// and operation 41 from 255 bytes on); fewer than four numbers before the
// text are padded with zeros, so the text always follows x, y, x2, y2.
void fnc_txt() {
  need_arg();
  std::string s;
  bool wide = false, text_seen = false;
  int numbers = 0;
  for (;;) {
    Eval_formula();
    if (ws.Str_len < 0) {
      int32_t n = To_integer(ws.Num_acc);
      if (n < -GRAPHIC_MAX || n > GRAPHIC_MAX) Rpt_error(err::OUT_OF_RANGE);
      put16(s, n);
      if (!text_seen) ++numbers;
    } else {
      if (!text_seen) {
        for (; numbers < 4; ++numbers) put16(s, 0);
        text_seen = true;
        if (ws.Str_len >= 255) {
          wide = true;
          put_wide_text(s, ws.Str_ptr, ws.Str_len);
          if (!Fnc_more()) break;
          continue;
        }
      } else if (ws.Str_len >= 255) {
        Rpt_error(err::STRING_LENGTH);
      }
      put_text(s, ws.Str_ptr, ws.Str_len);
    }
    if (!Fnc_more()) break;
  }
  if (!text_seen) Rpt_error(err::SYNTAX);
  result(LongMnemBuild(wide ? 41 : 26, s, s.size() + 6 >= 261));
}

// IMG(name$): the thin client gets the current version of a host picture
// file (sent when it asks for it); the result is the name it keeps it under.
void fnc_img() {
  need_arg();
  Fnc_str t = Fnc_string();
  std::string name(reinterpret_cast<const char*>(t.p), size_t(t.len));
  Fnc_result_text(ZefVrlImage(name));
}
void fnc_dll() { Not_built("DLL( and DLX( (no local libraries can be called)"); }
// TXW(channel, text [, width [, font]]) and TXH(: the width and height of a
// text (cut into lines at the width, in sixteenths of a column) in the
// channel's graphics font or the font string given.  PDF channels measure
// it themselves; other channels ask the thin client.
void text_size(int mode, const char* name) {
  need_arg();
  Fcb* f = Channel_record(uint16_t(Eval_range(0, 65535)));
  bool client_channel = f && f->kind == FK_THIN_CLIENT;
  bool console = f && f == ws.Con_fcb && Tc_attached();
  if (!f || (f->kind != FK_PDF && !client_channel && !console))
    Rpt_error_text(err::NOT_BUILT, std::string(name) + " measures texts on PDF channels and with the thin client only");
  if (!Fnc_more()) Rpt_error(err::SYNTAX);
  Fnc_str t = Fnc_string();
  std::string text(reinterpret_cast<const char*>(t.p), size_t(t.len));
  int32_t width = 0;
  std::string font;
  if (Fnc_more()) width = Eval_range(0, GRAPHIC_MAX);
  if (Fnc_more()) {
    Fnc_str fs = Fnc_string();
    font.assign(reinterpret_cast<const char*>(fs.p), size_t(fs.len));
  }
  if (f->kind != FK_PDF) {
    // The client measures it: 'f' 'w' (width) or 'h' (height), int the
    // client's handle of the channel (0 the console), str text, long width,
    // str font; the reply is a 4-byte number.
    Io_save_guard io;
    if (client_channel) Wtty_init_wty(f, 'f', mode == 1 ? 'w' : 'h');
    else Wtty_init('f', mode == 1 ? 'w' : 'h');
    Wtty_int(client_channel ? f->fd : 0);
    Wtty_str(text);
    Wtty_long(width);
    Wtty_str(font);
    Wtty_xmit(1);
    if (ws.Str_len < 4) Rpt_error_text(err::CONNECTION_LOST, "the thin client's text size is too short");
    const uint8_t* r = ws.Str_ptr;
    Fnc_result_int(int32_t(uint32_t(r[0]) << 24 | uint32_t(r[1]) << 16 | uint32_t(r[2]) << 8 | r[3]));
    return;
  }
  int64_t v = Pdf_TxSize(f, mode, text, width, font);
  Fnc_result_int(int32_t(v > INT32_MAX ? INT32_MAX : v));
}

void fnc_txw() { text_size(1, "TXW("); }
void fnc_txh() { text_size(2, "TXH("); }
// @X(units) and @Y(units): a distance in the client's units (pixels) as
// columns or lines of the console, with two decimals.  The client tells
// its cell size through the window-metrics request 'f' '@' (int 0 for the
// console): 4 bytes, then the cell width and height, 2 bytes each.
static void client_units(bool x, const char* name) {
  need_arg();
  Num_val v = Fnc_num();
  if (!Tc_attached()) Rpt_error_text(err::NOT_BUILT, std::string(name) + " needs the thin client");
  Io_save_guard io;
  Wtty_init('f', '@');
  Wtty_int(0);
  Wtty_xmit(1);
  if (ws.Str_len < 8) Rpt_error_text(err::CONNECTION_LOST, "the thin client's window metrics are too short");
  const uint8_t* p = ws.Str_ptr + (x ? 4 : 6);
  int32_t cell = int16_t(uint16_t(p[0] << 8 | p[1]));
  if (cell <= 0) Rpt_error_text(err::CONNECTION_LOST, "the thin client reports a cell size of 0 or less");
  Set_scl(v, 2, 1);
  if (v.scale != 2) Rpt_error(err::OUT_OF_RANGE);
  int64_t h = v.mant;  // hundredths of a unit: the quotient is in hundredths of a cell
  int64_t q = h / cell, r = h % cell;
  if (2 * (r < 0 ? -r : r) >= cell) q += h < 0 ? -1 : 1;  // rounded half away from zero
  Num_val out{};
  out.mant = q;
  out.scale = 2;
  Fnc_result(out);
}
void fnc_atx() { client_units(true, "@X("); }
void fnc_aty() { client_units(false, "@Y("); }

void fnc_pic() { graphic(8, false, false, 0, 0); }
void fnc_lin() { graphic(9, true, false, 0, 0); }
void fnc_rct() { graphic(10, true, false, 0, 0); }
void fnc_pgn() { graphic(11, true, false, 0, 0); }
void fnc_pie() { graphic(12, false, false, 4, 3); }
void fnc_gcrc() { graphic(13, false, false, 4, 3); }
void fnc_arc() { graphic(14, false, false, 4, 3); }
void fnc_fld() { graphic(15, false, false, 0, 0); }
void fnc_pen() { graphic(39, false, false, 0, 0); }
void fnc_fil() { graphic(38, false, false, 0, 0); }
// FNT(face, size, style [, channel]): a channel given fourth names the
// channel the font is for; it must be open (error 13) and is not part of
// the mnemonic.
void fnc_fnt() { graphic(18, false, false, 2, 0, 4); }
void fnc_cap() { graphic(21, false, false, 0, 0); }
void fnc_frm() { graphic(28, false, false, 0, 0); }
void fnc_mopt() { graphic(40, false, true, 0, 0); }
void fnc_beep() { graphic(42, false, false, 0, 0); }
void fnc_fclr() { colour_request(43); }
void fnc_bclr() { colour_request(44); }
