// Mnemonic definitions and the definition language.
//
// MNEMONIC (channel)mnem,def[:p1,p2][,mnem,def[:p1,p2]]... defines or (with
// an empty definition) deletes mnemonics of a channel.  A mnemonic is a
// mnemonic literal ('CS') or a 3-byte string ESC and the two characters.
//
// Definition language (Send_mnem): bytes are sent as they stand; a
// backslash begins an escape: a selector (A attribute bits, B background,
// F foreground, C column, L line, r t l b h w window geometry), then any
// number of operators each taking the next raw byte k (+ - & | ^ with k,
// t n table: v = table[v] when 0 <= v < n, else the escape ends silently),
// then a format (a decimal, A decimal of v+1, 2 and 3 digits, b byte,
// B byte + 32, T n table lookup).  "\\" sends one backslash.
#include <cstring>

#include "channels/print.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"
#include "terminal/obj_attach.h"
#include "terminal/tc_channel.h"
#include "terminal/colours.h"
#include "terminal/long_mnem.h"
#include "terminal/vformat.h"
#include "terminal/terminal.h"

namespace {

constexpr uint8_t ESC = 27;

inline bool ends_statement(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

MnemDef*& list_head(Fcb* f) { return reinterpret_cast<MnemDef*&>(f->mnemonics); }

// Undoes what a kept definition did to its channel.
void undo_side_effect(Fcb* f, MnemDef* d) {
  if (f->gd_def == d) f->gd_def = nullptr;
  if (f->o_def == d) f->o_def = nullptr;
  if (f->kind == FK_DEVICE) {
    Dev_fcb* dv = Dev(f);
    if (dv->at_at == d) dv->at_at = nullptr;
    if (d->code == Mnem_code('*', 'I')) dv->in_xlate = nullptr;
  }
  switch (d->code) {
    case Mnem_code('A', 'T'): f->term_flags &= uint16_t(~TF_AT_DEFINED); break;
    case Mnem_code('B', 'R'): f->term_flags &= uint16_t(~TF_BR_DEFINED); break;
    case Mnem_code('*', 'L'): f->term_flags &= uint16_t(~TF_FORWARD_LONG); break;
    case Mnem_code('*', 'W'): f->term_flags &= uint16_t(~TF_FRAMED_AREAS); break;
    default: break;
  }
}

void record_side_effect(Fcb* f, MnemDef* d) {
  bool screen = Is_screen(f);
  Dev_fcb* dv = f->kind == FK_DEVICE ? Dev(f) : nullptr;
  switch (d->code) {
    case Mnem_code('G', 'D'): f->gd_def = d; break;
    case Mnem_code('*', 'O'): f->o_def = d; break;
    case Mnem_code('*', 'I'):
      if (screen && dv && d->len >= 256) dv->in_xlate = d->bytes;
      break;
    case Mnem_code('@', '@'):
      if (screen && dv) dv->at_at = d;
      break;
    // Channel marks of a terminal definition: '*L' passes long mnemonics on
    // to the device (a printer that understands them), '*W' makes framed
    // windows draw their frame inside the window.
    case Mnem_code('*', 'L'): f->term_flags |= TF_FORWARD_LONG; break;
    case Mnem_code('*', 'W'): f->term_flags |= TF_FRAMED_AREAS; break;
    default: break;
  }
  if (!screen || !dv) return;
  switch (d->code) {
    case Mnem_code('A', 'T'): f->term_flags |= TF_AT_DEFINED; dv->caps |= 15; break;
    case Mnem_code('B', '7'): dv->caps |= 0xff0002; break;
    case Mnem_code('B', 'B'): dv->caps |= 4; break;
    case Mnem_code('B', 'R'): f->term_flags |= TF_BR_DEFINED; dv->caps |= 2; break;
    case Mnem_code('B', 'U'): dv->caps |= 8; break;
    case Mnem_code('F', '7'): dv->caps |= 0xff00; break;
    case Mnem_code('G', 'D'):
    case Mnem_code('G', 'E'):
    case Mnem_code('G', 'S'): dv->caps |= 16; break;
    case Mnem_code('S', 'B'):
    case Mnem_code('S', 'F'): dv->caps |= 1; break;
    default: break;
  }
}

void remove_code(Fcb* f, uint16_t code) {
  MnemDef** at = &list_head(f);
  while (*at) {
    MnemDef* d = *at;
    if (d->code == code) {
      *at = d->next;
      undo_side_effect(f, d);
      Ret_blk(d);
    } else {
      at = &d->next;
    }
  }
}

int32_t small_operand(int32_t lo, int32_t hi, int err) {
  int32_t v = Eval_integer();
  if (v < lo || v > hi) Rpt_error(err);
  return v;
}

// The current window's geometry for the r t l b h w selectors.
void window_geometry(Fcb* f, int32_t& c0, int32_t& l0, int32_t& w, int32_t& h) {
  if (f->kind == FK_DEVICE && Is_screen(f)) {
    const Window_rec& win = Dev(f)->win;
    c0 = win.scr_col + win.col0;
    l0 = win.scr_line + win.line0;
    w = win.cols;
    h = win.lines;
    return;
  }
  c0 = l0 = 0;
  w = f->cols;
  h = f->lines;
}

void put_decimal(int32_t v, int digits) {
  char buf[12];
  int n = 0;
  if (digits == 0) {
    if (v < 0 || v > 999) v = ((v % 1000) + 1000) % 1000;
    if (v >= 100) buf[n++] = char('0' + v / 100);
    if (v >= 10) buf[n++] = char('0' + v / 10 % 10);
    buf[n++] = char('0' + v % 10);
  } else {
    int32_t m = digits == 2 ? 100 : 1000;
    v = ((v % m) + m) % m;
    if (digits == 3) buf[n++] = char('0' + v / 100);
    buf[n++] = char('0' + v / 10 % 10);
    buf[n++] = char('0' + v % 10);
  }
  for (int i = 0; i < n; ++i) Term_put(uint8_t(buf[i]));
}

}  // namespace

Fcb* Term_muted = nullptr;

void Term_put(uint8_t c) {
  Fcb* f = ws.Cur_fcb;
  if (f == Term_muted) return;
  if (f->buf_count >= f->buf_size) {
    if (f->buf_size <= 0) Rpt_error(err::WRONG_MODE);
    Prt_flush();
    if (f->buf_count >= f->buf_size) Rpt_error(err::RECORD_TOO_LONG);
  }
  f->out_buf[f->buf_count++] = c;
}

MnemDef* Find_mnem_in(const Fcb* f, uint16_t code) {
  if (!f) return nullptr;
  for (MnemDef* d = static_cast<MnemDef*>(f->mnemonics); d; d = d->next)
    if (d->code == code) return d;
  return nullptr;
}

MnemDef* Find_mnem(uint16_t code) { return Find_mnem_in(ws.Cur_fcb, code); }

MnemDef* Output_mnem(uint16_t code) {
  Fcb* f = ws.Cur_fcb;
  if (f && Thin_console(f)) {
    // The host terminal's definitions are not the client's: what the model
    // would send for itself (attributes, modes, emulations) the client was
    // told by the mnemonics themselves.  A bell is a bell there too.
    if (code == Mnem_code('R', 'B')) {
      Term_put(27);
      Term_put('R');
      Term_put('B');
    }
    return nullptr;
  }
  MnemDef* d = Find_mnem(code);
  if (d) Send_mnem(d);
  return d;
}

uint8_t Graphic_arms(const Fcb* f, uint8_t c) {
  static const uint8_t default_arms[11] = {12, 9, 6, 3, 5, 10, 15, 14, 11, 7, 13};
  static const char digit_map[] = "EFABCDHIJKG";  // "0".."9", ":"
  if ((c >= '0' && c <= '9') || c == ':') c = uint8_t(digit_map[c - '0']);
  int idx = int(c) - 'A';
  if (const auto* gd = static_cast<const MnemDef*>(f->gd_def)) return idx >= 0 && idx < gd->len ? gd->bytes[idx] : 15;
  return idx >= 0 && idx < 11 ? default_arms[idx] : 15;
}

uint8_t Prt_graphic(Fcb* f, uint8_t c) {
  if (c == ' ' || Find_mnem_in(f, Mnem_code('G', 'S'))) return c;
  uint8_t arms = Graphic_arms(f, c) & 15;
  if (arms == 0) return ' ';
  if ((arms & 10) == 0) return '-';  // left and right only
  if ((arms & 5) == 0) return '|';   // up and down only
  return '+';
}

void Send_close_mnemonic(Fcb* f) {
  if (Thin_console(f)) return;  // the host terminal's, not the client's
  if (const MnemDef* d = Find_mnem_in(f, Mnem_code('*', 'C'))) Send_mnem(d);
}

void Send_mnem(const MnemDef* def) {
  Fcb* f = ws.Cur_fcb;
  if (!def || !f) return;
  if ((f->st1 & ST1_OUT_SUPPRESS) && def->code != Mnem_code('R', 'M')) return;
  const uint8_t* p = def->bytes;
  const uint8_t* end = p + def->len;
  while (p < end) {
    uint8_t c = *p++;
    if (c != '\\') {
      Term_put(c);
      continue;
    }
    if (p >= end) break;  // a trailing backslash is dropped
    uint8_t sel = *p++;
    int32_t v;
    int32_t c0, l0, w, h;
    window_geometry(f, c0, l0, w, h);
    bool rel = (f->st1 & ST1_WINDOW_REL) != 0 && !Term_abs_pos;
    switch (sel) {
      case 'A': v = int32_t(f->attr & 0xff); break;
      case 'B': v = int32_t((f->attr >> 16) & 15); break;
      case 'F': v = int32_t((f->attr >> 8) & 15); break;
      case 'C': v = f->column + (rel ? c0 : 0); break;
      case 'L': v = f->line + (rel ? l0 : 0); break;
      case 'r': v = c0; break;
      case 't': v = l0; break;
      case 'l': v = c0 + w; break;
      case 'b': v = l0 + h; break;
      case 'h': v = w; break;
      case 'w': v = h; break;
      case 'X': v = Term_colour_value; break;
      default:
        Term_put('\\');
        continue;
    }
    // Operators and table lookups.
    bool silent = false;
    for (;;) {
      if (p >= end) return;
      uint8_t op = *p;
      if (op == '+' || op == '-' || op == '&' || op == '|' || op == '^') {
        if (p + 1 >= end) return;  // an operator without its byte ends the definition
        int32_t k = p[1];
        p += 2;
        switch (op) {
          case '+': v += k; break;
          case '-': v -= k; break;
          case '&': v &= k; break;
          case '|': v |= k; break;
          default: v ^= k; break;
        }
        continue;
      }
      if (op == 't') {
        if (p + 1 >= end) return;
        int32_t n = p[1];
        const uint8_t* tbl = p + 2;
        p = tbl + n > end ? end : tbl + n;
        if (v >= 0 && v < n && tbl + v < end) {
          v = tbl[v];
        } else {
          silent = true;
          break;
        }
        continue;
      }
      break;
    }
    if (silent) continue;
    if (p >= end) return;
    uint8_t fmt = *p++;
    switch (fmt) {
      case 'a': put_decimal(v, 0); break;
      case 'A': put_decimal(v + 1, 0); break;
      case '2': put_decimal(v, 2); break;
      case '3': put_decimal(v, 3); break;
      case 'b': Term_put(uint8_t(v)); break;
      case 'B': Term_put(uint8_t(v + 32)); break;
      case 'T': {
        if (p >= end) return;
        int32_t n = *p++;
        const uint8_t* tbl = p;
        p = tbl + n > end ? end : tbl + n;
        if (v >= 0 && v < n && tbl + v < end) Term_put(tbl[v]);
        break;
      }
      default: break;  // consumed, nothing sent
    }
  }
}

void Term_release(Fcb* f) {
  Obj4_OnClose(OBJ4_CHANNEL, f->channel);
  MnemDef* d = static_cast<MnemDef*>(f->mnemonics);
  while (d) {
    MnemDef* next = d->next;
    Ret_blk(d);
    d = next;
  }
  f->mnemonics = nullptr;
  f->gd_def = f->o_def = nullptr;
  LongMnemRelease(f);
  Vformat_release(f);
  if (f->attr_stack) Ret_blk(f->attr_stack);
  f->attr_stack = nullptr;
  if (f->kind == FK_DEVICE && Is_screen(f)) {
    Fcb* saved = ws.Cur_fcb;
    ws.Cur_fcb = f;
    Terminal_close();
    ws.Cur_fcb = saved;
  }
}

// MNEMONIC (channel) entries: see the top of the file.
static void d_dmnm_body() {
  Io_SetOptions(0);
  Fcb* f = ws.Cur_fcb;
  if (!f) Rpt_error(err::WRONG_MODE);
  for (;;) {
    uint8_t c = *ws.Exec_ptr;
    if (ends_statement(c) || At_err_tail()) break;
    uint16_t code;
    if (c == code::MNEM_LIT) {
      code = Mnem_code(char(ws.Exec_ptr[1]), char(ws.Exec_ptr[2]));
      ws.Exec_ptr += 3;
    } else {
      Need_operand();
      Eval_str();
      if (ws.Str_len != 3) Rpt_error(err::STRING_LENGTH);
      if (ws.Str_ptr[0] != ESC) Rpt_error(err::WRONG_FILE_KIND);
      code = Mnem_code(char(ws.Str_ptr[1]), char(ws.Str_ptr[2]));
    }
    if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
    ws.Exec_ptr++;
    Need_operand();
    Eval_str();
    int32_t len = ws.Str_len;
    if (len > 0xFFFF) Rpt_error(err::STRING_LENGTH);
    // Copy before any further evaluation can reuse the accumulator.
    MnemDef* d = nullptr;
    if (len > 0) {
      d = static_cast<MnemDef*>(Get_blk(sizeof(MnemDef) + size_t(len)));
      d->code = code;
      d->len = uint16_t(len);
      std::memcpy(d->bytes, ws.Str_ptr, size_t(len));
    }
    try {
      // A client channel's own definitions live on the client: it learns
      // each change ('*R' and '*X' are the host's own).
      if (f->kind == FK_THIN_CLIENT && code != Mnem_code('*', 'R') && code != Mnem_code('*', 'X'))
        Wtty_mnem(f, code, d ? d->bytes : nullptr, d ? int32_t(d->len) : 0);
      if (*ws.Exec_ptr == code::LABEL_END) {
        ws.Exec_ptr++;
        Need_operand();
        int32_t p1 = small_operand(0, 255, 41);
        if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
        ws.Exec_ptr++;
        Need_operand();
        int32_t p2 = small_operand(0, 255, 41);
        if (d) {
          d->p1 = uint8_t(p1);
          d->p2 = uint8_t(p2);
        }
      }
    } catch (...) {
      if (d) Ret_blk(d);
      throw;
    }
    remove_code(f, code);
    if (d) {
      MnemDef** at = &list_head(f);
      while (*at) at = &(*at)->next;
      *at = d;
      record_side_effect(f, d);
    }
    c = *ws.Exec_ptr;
    if (c == code::COMMA && !At_err_tail()) {
      ws.Exec_ptr++;
      continue;
    }
    if (!ends_statement(c) && !At_err_tail()) Rpt_error(err::SYNTAX);
    break;
  }
}
void d_dmnm() {
  Err_tail_run([] { As_token_form(d_dmnm_body); });
}

void Err_mnemonic() {
  Fcb* f = ws.Cur_fcb;
  if (f && (f->in_status & IN_IGNORE_BAD)) return;
  if (Sw_on(sw::EG)) return;
  Rpt_error(err::BAD_MNEMONIC);
}
