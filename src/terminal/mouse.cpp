// Mouse regions (SETMSE) and the terminal's mouse reports.
//
// SETMSE [/] region,[RELEASE ]value | SETMSE [/] CLEAR, where region is
//   @(col,line,width,height)  a rectangle in hundredths of a cell, relative
//                             to the current window
//   @(/)                      the whole window
//   "text"                    every place the text shows on the screen
// and value a CTL integer or a statement (a string, compiled at once).
// With '/' the region goes to the channel-wide list, else to the current
// window's.  RELEASE makes a region act when the button is released,
// otherwise it acts when the button is pressed.  A region identical to an
// existing one (same flag and text, or same flag and rectangle) replaces it;
// a new region goes at the head of its list.
//
// Regions are kept screen based: col0..col1 and line0..line1 are the first
// and last hundredths of a cell they cover.  A click on cell (c, l) is the
// point c*100+50, l*100+50, the middle of the cell.
//
// While an input runs on a screen that has regions, the terminal is asked
// for mouse reports ('+M', off again with '-M' when the input ends); both
// report forms are read: SGR  ESC [ < b ; x ; y M|m  (m: released) and
// X10  ESC [ M b x y  (each byte + 32, button 3: released); positions count
// from 1.  Motion and wheel reports are absorbed.
#include <cstring>
#include <string>
#include <vector>

#include "channels/channel.h"
#include "channels/print.h"
#include "core/codes.h"
#include "core/compiler.h"
#include "core/exec_command.h"
#include "core/control_stack.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/executor.h"
#include "core/line_store.h"
#include "core/memory.h"
#include "core/nested_run.h"
#include "core/workspace.h"
#include "terminal/gui_objctl.h"
#include "terminal/mouse.h"
#include "terminal/terminal.h"

namespace {

inline bool ends_statement(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

bool reports_on = false;

void free_regions(Mouse_region*& head) {
  while (head) {
    Mouse_region* n = head->next;
    Ret_blk(head);
    head = n;
  }
}

bool same_region(const Mouse_region* a, const Mouse_region* b) {
  if (a->on_release != b->on_release || a->key_len != b->key_len) return false;
  if (a->key_len > 0) return std::memcmp(a->data + a->stmt_len, b->data + b->stmt_len, a->key_len) == 0;
  return a->col0 == b->col0 && a->col1 == b->col1 && a->line0 == b->line0 && a->line1 == b->line1;
}

void insert_region(Mouse_region*& head, Mouse_region* r) {
  for (Mouse_region** at = &head; *at; at = &(*at)->next) {
    if (same_region(*at, r)) {
      Mouse_region* old = *at;
      *at = old->next;
      Ret_blk(old);
      break;
    }
  }
  r->next = head;
  head = r;
}

int32_t hundredths() {
  Need_operand();
  Eval_formula();
  if (ws.Str_len >= 0) Rpt_error(err::TYPE_MISMATCH);
  return To_integer(ws.Num_acc);
}

void expect(uint8_t c) {
  if (*ws.Exec_ptr != c) Rpt_error(err::SYNTAX);
  ws.Exec_ptr++;
}

// A key-text region matches when the clicked cell lies inside one of the
// text's occurrences on the clicked line.
bool text_under(const Window_rec& w, const Mouse_region* r, int32_t col, int32_t line) {
  const uint8_t* key = r->data + r->stmt_len;
  int32_t n = r->key_len;
  int32_t screen_cols = w.stride;
  const uint8_t* row = w.chars + line * w.stride;
  for (int32_t start = col - n + 1; start <= col; ++start) {
    if (start < 0 || start + n > screen_cols) continue;
    if (std::memcmp(row + start, key, size_t(n)) == 0) return true;
  }
  return false;
}

// Runs a region's statement nested, as the console runs a line, with the
// program's context put back afterwards.
void run_statement(const Mouse_region* r) {
  std::vector<uint8_t> line(r->data, r->data + r->stmt_len);
  Io_save_guard io;
  Nested_run_guard<NESTED_UNWIND> saved;
  ws.Cur_stno = 0;
  ws.Exec_ptr = ws.Stmt_ptr = line.data() + 2;
  ws.Call_status = -1;
  InternalExecLine();
  if (ws.Call_status >= 0) {
    int err = ws.Call_status;
    ws.Call_status = -1;
    Rpt_error(err);
  }
}

}  // namespace

int Mouse_decode(const uint8_t* p, size_t n, Mouse_report& r) {
  static const uint8_t sgr[] = {27, '[', '<'};
  static const uint8_t x10[] = {27, '[', 'M'};
  size_t head = n < 3 ? n : 3;
  bool is_sgr = std::memcmp(p, sgr, head) == 0;
  bool is_x10 = std::memcmp(p, x10, head) == 0;
  if (!is_sgr && !is_x10) return -1;
  if (n < 3) return 0;
  int32_t b, x, y;
  size_t used;
  if (is_sgr) {
    int32_t v[3] = {0, 0, 0};
    int k = 0;
    size_t i = 3;
    bool digit = false;
    for (;; ++i) {
      if (i >= n) return 0;
      uint8_t c = p[i];
      if (c >= '0' && c <= '9') {
        if (v[k] > 9999) return -1;
        v[k] = v[k] * 10 + (c - '0');
        digit = true;
      } else if (c == ';' && digit && k < 2) {
        ++k;
        digit = false;
      } else if ((c == 'M' || c == 'm') && digit && k == 2) {
        break;
      } else {
        return -1;
      }
    }
    used = i + 1;
    b = v[0];
    x = v[1];
    y = v[2];
    r.release = p[i] == 'm';
    if (x < 1 || y < 1) return -1;
  } else {
    if (n < 6) return 0;
    b = p[3] - 32;
    x = p[4] - 32;
    y = p[5] - 32;
    if (b < 0 || x < 1 || y < 1) return -1;
    used = 6;
    r.release = (b & 3) == 3;
  }
  r.col = x - 1;
  r.line = y - 1;
  r.button = b & 3;
  // Motion (32) and wheel (64) reports are no clicks.
  r.click = (b & (32 | 64)) == 0;
  return int(used);
}

bool Mouse_wanted(Fcb* f) {
  if (!Is_screen(f) || f->kind != FK_DEVICE || Thin_console(f)) return false;  // a client reports its own
  Dev_fcb* d = Dev(f);
  return (d->mouse || d->win.mouse) && Find_mnem_in(f, Mnem_code('+', 'M'));
}

bool Mouse_reporting() { return reports_on; }

void Mouse_reports(bool on) {
  if (on == reports_on) return;
  MnemDef* def = Find_mnem(Mnem_code(on ? '+' : '-', 'M'));
  if (!def && on) return;
  reports_on = on;
  if (def) {
    Send_mnem(def);
    Prt_flush();
  }
}

const Mouse_region* MSE_check(bool release, int32_t col, int32_t line) {
  Dev_fcb* d = Dev(ws.Cur_fcb);
  const Window_rec& w = d->win;
  int32_t px = col * 100 + 50, py = line * 100 + 50;
  for (const Mouse_region* r : {static_cast<const Mouse_region*>(w.mouse), static_cast<const Mouse_region*>(d->mouse)}) {
    for (; r; r = r->next) {
      if (bool(r->on_release) != release) continue;
      bool hit = r->key_len > 0 ? text_under(w, r, col, line)
                                : (px >= r->col0 && px <= r->col1 && py >= r->line0 && py <= r->line1);
      if (hit) return r;
    }
  }
  return nullptr;
}

bool MSE_act(const Mouse_region* r, int32_t& ctl) {
  if (r->stmt_len == 0) {
    ctl = r->ctl;
    return true;
  }
  // The statement runs, then the interrupted statement starts again.
  Mouse_reports(false);
  run_statement(r);
  ws.Exec_ptr = ws.Stmt_ptr;
  throw Stmt_restart{};
}

void Mouse_free(Dev_fcb* d) {
  free_regions(d->mouse);
  free_regions(d->win.mouse);
}

static void d_smse_body() {
  Fcb* con = ws.Con_fcb;
  if (!con || con->kind != FK_DEVICE) Rpt_error(err::WRONG_MODE);
  bool global = false;
  if (*ws.Exec_ptr == code::OP_DIV) {
    global = true;
    ws.Exec_ptr++;
  }
  if (*ws.Exec_ptr == code::OP_EQ) {  // '=' ends the statement: nothing to do
    ws.Exec_ptr++;
    if (!ends_statement(*ws.Exec_ptr) && !At_err_tail()) Rpt_error(err::SYNTAX);
    return;
  }
  Dev_fcb* d = Dev(con);
  Mouse_region*& head = global ? d->mouse : d->win.mouse;
  if (*ws.Exec_ptr == code::D_CLEAR) {
    ws.Exec_ptr++;
    if (!ends_statement(*ws.Exec_ptr) && !At_err_tail()) Rpt_error(err::SYNTAX);
    free_regions(head);
    return;
  }
  // Without a screen the window is the console's size (regions then
  // wait for a screen to be clicked on).
  Window_rec w = d->win;
  w.col0 += w.scr_col;  // screen based from here on
  w.line0 += w.scr_line;
  if (!Is_screen(con)) {
    w.col0 = w.line0 = 0;
    w.cols = con->cols > 0 ? con->cols : 80;
    w.lines = con->lines > 0 ? con->lines : 24;
  }
  int32_t c0 = 0, c1 = 0, l0 = 0, l1 = 0;
  std::string key;
  if (*ws.Exec_ptr == AT_ITEM_CODE) {
    ws.Exec_ptr++;
    if (*ws.Exec_ptr == code::OP_DIV) {
      ws.Exec_ptr++;
      c0 = w.col0 * 100;
      c1 = c0 + w.cols * 100 - 1;
      l0 = w.line0 * 100;
      l1 = l0 + w.lines * 100 - 1;
    } else {
      int32_t col = hundredths();
      expect(code::COMMA);
      int32_t line = hundredths();
      expect(code::COMMA);
      int32_t width = hundredths();
      expect(code::COMMA);
      int32_t height = hundredths();
      int32_t wmax = w.cols * 100, hmax = w.lines * 100;
      if (col < 0 || col >= wmax || line < 0 || line >= hmax || width < 1 || height < 1 || width > wmax - col ||
          height > hmax - line)
        Rpt_error(err::BAD_MNEMONIC);
      c0 = w.col0 * 100 + col;
      c1 = c0 + width - 1;
      l0 = w.line0 * 100 + line;
      l1 = l0 + height - 1;
    }
    expect(code::RPAREN);
  } else {
    Need_operand();
    Eval_formula();
    if (ws.Str_len < 0) Rpt_error(err::TYPE_MISMATCH);
    if (ws.Str_len == 0) Rpt_error(err::STRING_LENGTH);
    if (ws.Str_len > 255) Rpt_error(err::STRING_LENGTH);
    key.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  }
  expect(code::COMMA);
  bool on_release = false;
  if (*ws.Exec_ptr == code::D_RELEASE) {
    on_release = true;
    ws.Exec_ptr++;
  }
  Need_operand();
  Eval_formula();
  if (key.empty() && Objctl_handler()) {
    // A control handler may keep the rectangle itself.
    if (!ends_statement(*ws.Exec_ptr) && !At_err_tail()) Rpt_error(err::SYNTAX);
    Objctl_region r;
    r.col = c0 - w.col0 * 100;
    r.line = l0 - w.line0 * 100;
    r.cols = c1 - c0 + 1;
    r.lines = l1 - l0 + 1;
    r.code = (on_release ? 1 : 0) | (global ? 2 : 0);
    r.is_text = ws.Str_len >= 0;
    if (r.is_text) r.text.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    else r.value = ws.Num_acc;
    uint8_t* resume = ws.Exec_ptr;
    if (KestObjCtlSETMSE(r)) return;
    ws.Exec_ptr = resume;
    if (r.is_text) {
      ws.Str_ptr = Work_take(r.text.size());
      std::memcpy(ws.Str_ptr, r.text.data(), r.text.size());
      ws.Str_len = int32_t(r.text.size());
    } else {
      ws.Num_acc = r.value;
      ws.Str_len = -1;
    }
  }
  int32_t ctl = 0;
  std::vector<uint8_t> stmt;
  if (ws.Str_len < 0) {
    ctl = To_integer(ws.Num_acc);
    if (ctl < -32768 || ctl > 32767) Rpt_error(err::OUT_OF_RANGE);
  } else {
    std::string text(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    int err = Compile_text(text, stmt);
    if (err) Rpt_error(err);
    if (stmt.size() < 2 || stmt[0] != 0 || stmt[1] != 0) Rpt_error(err::SYNTAX);  // no line number
    if (stmt.size() > 0xFFFF) Rpt_error(err::LINE_TOO_LONG);
  }
  if (!ends_statement(*ws.Exec_ptr) && !At_err_tail()) Rpt_error(err::SYNTAX);
  size_t extra = stmt.size() + key.size();
  Mouse_region* r = static_cast<Mouse_region*>(Get_blk(sizeof(Mouse_region) + extra));
  r->ctl = ctl;
  r->stmt_len = uint16_t(stmt.size());
  r->key_len = uint16_t(key.size());
  r->col0 = c0;
  r->col1 = c1;
  r->line0 = l0;
  r->line1 = l1;
  r->on_release = on_release ? 1 : 0;
  if (!stmt.empty()) std::memcpy(r->data, stmt.data(), stmt.size());
  if (!key.empty()) std::memcpy(r->data + stmt.size(), key.data(), key.size());
  insert_region(head, r);
}
void d_smse() {
  Err_tail_run([] { As_token_form(d_smse_body); });
}
