// The screen image of a terminal screen and the screen mnemonics that edit
// it.
//
// Planes: chars[cell] and attrs[cell] for every cell of the screen, cell =
// (line0 + line) * stride + col0 + col.  The image always equals what the
// device shows: every byte that reaches the device through the screen goes
// through Scr_text (text), Scr_pos (cursor), Scr_line_feed or one of the
// edit mnemonics below, which update the planes first.
//
// The eight edit mnemonics ('CE' 'CF' 'CL' 'CS' 'DC' 'IC' 'LD' 'LI') either
// let the device do the work (its driver defines the mnemonic and positions
// are not window-relative: only the image changes here and Prt_mnem sends
// the definition), or are emulated: the image is changed the same way, and
// every cell whose character or attribute changed is written again, with
// wrap switched off meanwhile so that writing the last cell never scrolls.
#include <algorithm>
#include <cstring>
#include <vector>

#include "channels/print.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"
#include "terminal/colours.h"
#include "terminal/terminal.h"
#include "terminal/windows.h"

bool Mnem_override = false;
bool Menu_enabled = true;
bool Term_abs_pos = false;

namespace {

// Attribute bits that change what a cell looks like.
constexpr uint32_t VISIBLE_ATTR = 0xffff1f;

inline Window_rec& win_of(Fcb* f) { return Dev(f)->win; }

// Whether a window's cell (col, line) lies on the screen: a window may
// reach past the screen's right or bottom edge.
inline bool on_screen(const Fcb* f, const Window_rec& w, int32_t col, int32_t line) {
  return w.scr_col + w.col0 + col < f->cols && w.scr_line + w.line0 + line < f->lines;
}

void blank_cells(Window_rec& w, int32_t cell, int32_t n, uint32_t attr) {
  std::memset(w.chars + cell, ' ', size_t(n));
  for (int32_t i = 0; i < n; ++i) w.attrs[cell + i] = attr;
}

// Writes one character from the image at the cursor (the cursor is there).
void put_cell(Fcb* f, uint8_t ch) {
  const Window_rec& w = win_of(f);
  // A cell past the screen's edge (a window may reach beyond it) is kept
  // in the image only.
  if (on_screen(f, w, f->column, f->line)) Term_put(ch);
  ++f->column;
}

// Emulation: the planes before the change are in `before`; every cell of
// the window that differs now is written again.  The cursor and attribute
// return to `col`, `line` and `attr`.
// Rewrites the cells that differ from the snapshot bc/ba.  Before the first
// write on the window's last line 'EW' goes out when wrap is on, so that
// the device does not scroll; with ew_first it goes out at once whatever is
// written.  With bottom_up the lines are rewritten from the last one up.
// True when wrap was on and must come back ('BW').
bool rewrite_cells(Fcb* f, const std::vector<uint8_t>& bc, const std::vector<uint32_t>& ba, bool ew_first,
                   bool bottom_up = false) {
  Window_rec& w = win_of(f);
  Dev_fcb* d = Dev(f);
  bool wrap = !(d->mode & MODE_NOWRAP);
  bool wrap_off = false;
  if (ew_first) {
    Output_mnem(Mnem_code('E', 'W'));
    wrap_off = wrap;
  }
  for (int32_t i = 0; i < w.lines; ++i) {
    int32_t l = bottom_up ? w.lines - 1 - i : i;
    for (int32_t c = 0; c < w.cols; ++c) {
      int32_t cell = Cell(w, c, l);
      size_t k = size_t(l) * size_t(w.cols) + size_t(c);
      if (bc[k] == w.chars[cell] && ((ba[k] ^ w.attrs[cell]) & VISIBLE_ATTR) == 0) continue;
      if (wrap && !wrap_off && l == w.lines - 1) {
        Output_mnem(Mnem_code('E', 'W'));
        wrap_off = true;
      }
      if (f->column != c || f->line != l) Scr_pos(f, c, l);
      Set_attr(w.attrs[cell]);
      put_cell(f, w.chars[cell]);
      if (f->column >= w.cols) f->column = w.cols;  // pending: Scr_pos moves explicitly
    }
  }
  return wrap_off;
}

// Wrap back on when it was, the attribute and the cursor restored.
void finish_repaint(Fcb* f, bool wrap_off, int32_t col, int32_t line, uint32_t attr) {
  if (wrap_off) Output_mnem(Mnem_code('B', 'W'));
  Set_attr(attr);
  Scr_pos(f, col, line);
  Mnem_override = true;
}

void repaint_changes(Fcb* f, const std::vector<uint8_t>& bc, const std::vector<uint32_t>& ba, int32_t col,
                     int32_t line, uint32_t attr, bool ew_first = false) {
  finish_repaint(f, rewrite_cells(f, bc, ba, ew_first), col, line, attr);
}

// Clears a line of the window from `col` with the channel's own 'CL' (the
// device's, or its emulation), in the attribute `attr`.
void clear_line(Fcb* f, int32_t col, int32_t line, uint32_t attr) {
  Set_attr(attr);
  Scr_pos(f, col, line);
  Prt_mnem(Mnem_code('C', 'L'));
}

struct Snapshot {
  std::vector<uint8_t> c;
  std::vector<uint32_t> a;
  explicit Snapshot(Fcb* f) {
    Window_rec& w = win_of(f);
    c.resize(size_t(w.cols) * size_t(w.lines));
    a.resize(c.size());
    for (int32_t l = 0; l < w.lines; ++l)
      for (int32_t col = 0; col < w.cols; ++col) {
        size_t k = size_t(l) * size_t(w.cols) + size_t(col);
        c[k] = w.chars[Cell(w, col, l)];
        a[k] = w.attrs[Cell(w, col, l)];
      }
  }
};

// A thin-client console's client edits its own windows: the image only.
inline bool device_way(Fcb* f, const MnemDef* def) {
  return def && (!(f->st1 & ST1_WINDOW_REL) || Thin_console(f));
}

inline int32_t cursor_col(Fcb* f) {
  int32_t cols = win_of(f).cols;
  return f->column >= cols ? cols - 1 : f->column;
}

// The image changes of each edit mnemonic (the device way).
void image_cl(Fcb* f) {
  Window_rec& w = win_of(f);
  int32_t c = cursor_col(f);
  blank_cells(w, Cell(w, c, f->line), w.cols - c, f->attr);
}

void image_dc(Fcb* f) {
  Window_rec& w = win_of(f);
  int32_t c = cursor_col(f);
  int32_t at = Cell(w, c, f->line);
  int32_t n = w.cols - c - 1;
  if (n > 0) {
    std::memmove(w.chars + at, w.chars + at + 1, size_t(n));
    std::memmove(w.attrs + at, w.attrs + at + 1, size_t(n) * 4);
  }
  blank_cells(w, Cell(w, w.cols - 1, f->line), 1, w.def_attr);
}

void image_ic(Fcb* f) {
  Window_rec& w = win_of(f);
  int32_t c = cursor_col(f);
  int32_t at = Cell(w, c, f->line);
  int32_t n = w.cols - c - 1;
  if (n > 0) {
    std::memmove(w.chars + at + 1, w.chars + at, size_t(n));
    std::memmove(w.attrs + at + 1, w.attrs + at, size_t(n) * 4);
  }
  blank_cells(w, at, 1, f->attr);
}

void image_cf(Fcb* f) {
  Window_rec& w = win_of(f);
  for (int32_t l = 0; l < w.lines; ++l)
    for (int32_t c = 0; c < w.cols; ++c) {
      int32_t cell = Cell(w, c, l);
      if (!(w.attrs[cell] & ATTR_BACKGROUND)) {
        w.chars[cell] = ' ';
        w.attrs[cell] = f->attr;
      }
    }
}

}  // namespace

// ---- windows ----

void Window_add_full(Dev_fcb* d, int32_t cols, int32_t lines) {
  Window_free(d);
  Window_rec& w = d->win;
  w = Window_rec{};
  w.cols = cols;
  w.lines = lines;
  w.stride = cols;
  w.outer_cols = w.in_cols = cols;
  w.outer_lines = w.in_lines = lines;
  w.def_attr = ATTR_FRESH;
  size_t cells = size_t(cols) * size_t(lines);
  w.chars = static_cast<uint8_t*>(Get_blk(cells));
  w.attrs = static_cast<uint32_t*>(Get_blk(cells * 4));
  blank_cells(w, 0, int32_t(cells), ATTR_FRESH);
  w.options = 1;  // single-line frame kind of window 0
  d->st1 &= uint16_t(~ST1_WINDOW_REL);
}

// The screen takes a new size and keeps what it shows: window 0 (wherever
// it stands on the stack) grows or shrinks at its bottom right, its new
// cells blank, and every other window, definition and key stays.
void Window_resize_screen(Dev_fcb* d, int32_t cols, int32_t lines) {
  Window_rec* w = &d->win;
  while (w->number != 0 && w->saved) w = w->saved;
  size_t cells = size_t(cols) * size_t(lines);
  uint8_t* chars = static_cast<uint8_t*>(Get_blk(cells));
  uint32_t* attrs = static_cast<uint32_t*>(Get_blk(cells * 4));
  for (size_t k = 0; k < cells; ++k) {
    chars[k] = ' ';
    attrs[k] = ATTR_FRESH;
  }
  int32_t keep_cols = std::min(cols, w->outer_cols), keep_lines = std::min(lines, w->outer_lines);
  for (int32_t y = 0; y < keep_lines; ++y)
    for (int32_t x = 0; x < keep_cols; ++x) {
      chars[size_t(y) * size_t(cols) + size_t(x)] = w->chars[y * w->stride + x];
      attrs[size_t(y) * size_t(cols) + size_t(x)] = w->attrs[y * w->stride + x];
    }
  if (w->chars) Ret_blk(w->chars);
  if (w->attrs) Ret_blk(w->attrs);
  w->chars = chars;
  w->attrs = attrs;
  w->stride = w->outer_cols = w->in_cols = w->cols = cols;
  w->outer_lines = w->in_lines = w->lines = lines;
  w->col0 = w->line0 = w->in_col0 = w->in_line0 = 0;  // a scroll region does not outlive the size
  Fcb* f = d;
  f->cols = cols;
  f->lines = lines;
  if (w == &d->win) {
    d->st1 &= uint16_t(~ST1_WINDOW_REL);
    if (f->column >= cols) f->column = cols - 1;
    if (f->line >= lines) f->line = lines - 1;
  } else {
    if (w->cur_col >= cols) w->cur_col = cols - 1;
    if (w->cur_line >= lines) w->cur_line = lines - 1;
  }
}

void Window_free(Dev_fcb* d) {
  Window_free_list(d);
  Window_release(d->win);
}

// ---- attributes and modes ----

void Set_attr(uint32_t word) {
  Fcb* f = ws.Cur_fcb;
  if (word == f->attr) return;
  f->attr = word;
  if (f->st2 & ST2_THIN_CLIENT) return;  // the client was sent the mnemonics themselves
  Output_mnem(Mnem_code('R', 'M'));
  if (f->term_flags & TF_AT_DEFINED) {
    Output_mnem(Mnem_code('A', 'T'));
  } else {
    if (word & ATTR_BLINK) Output_mnem(Mnem_code('B', 'B'));
    if (word & ATTR_UNDERLINE) Output_mnem(Mnem_code('B', 'U'));
  }
  Output_mnem(word & ATTR_BACKGROUND ? Mnem_code('S', 'B') : Mnem_code('S', 'F'));
  uint32_t fg = (word >> 8) & 0xff, bg = (word >> 16) & 0xff;
  if (word & ATTR_REVERSE) {
    if (f->term_flags & TF_BR_DEFINED) {
      Output_mnem(Mnem_code('B', 'R'));
    } else {
      std::swap(fg, bg);
    }
  }
  if (word & ATTR_GRAPHICS) Output_mnem(Mnem_code('G', 'S'));
  if (fg != 7) Term_send_colour(true, fg);
  if (bg != 0) Term_send_colour(false, bg);
}

void Reset_attr(uint32_t word) {
  Fcb* f = ws.Cur_fcb;
  uint32_t cur = f->attr;
  if ((word & ATTR_REVERSE) && !(cur & ATTR_REVERSE)) Prt_mnem(Mnem_code('B', 'R'));
  if (!(word & ATTR_REVERSE) && (cur & ATTR_REVERSE)) Prt_mnem(Mnem_code('E', 'R'));
  if ((word & ATTR_BACKGROUND) && !(cur & ATTR_BACKGROUND)) Prt_mnem(Mnem_code('S', 'B'));
  if (!(word & ATTR_BACKGROUND) && (cur & ATTR_BACKGROUND)) Prt_mnem(Mnem_code('S', 'F'));
  uint32_t fg = (word >> 8) & 0xff, bg = (word >> 16) & 0xff;
  if (fg != ((f->attr >> 8) & 0xff)) {
    Prt_mnem(fg <= 15 ? Mnem_code('F', char('0' + fg)) : Mnem_code('f', char(fg)));
  }
  if (bg != ((f->attr >> 16) & 0xff)) {
    Prt_mnem(bg <= 15 ? Mnem_code('B', char('0' + bg)) : Mnem_code('b', char(bg)));
  }
}

void Clear_reset(uint32_t& word) {
  Fcb* f = ws.Cur_fcb;
  Dev_fcb* d = Dev(f);
  uint32_t w;
  if (!(d->mode & MODE_KEEP_COLOURS))
    w = (d->win.def_attr & 0xff) | (f->attr & (ATTR_FG_MASK | ATTR_BG_MASK));
  else
    w = d->win.def_attr;
  if (d->win.options & 8) w |= ATTR_BACKGROUND;
  Set_attr(w);
  word = w;
}

void Set_curmode(uint16_t mode) {
  Fcb* f = ws.Cur_fcb;
  Dev_fcb* d = Dev(f);
  uint8_t m = uint8_t(mode & MODE_CURSOR);
  if ((f->st1 & ST1_OUT_SUPPRESS) || (mode & MODE_CURSOR_OFF)) m = 0;
  if (m == d->cur_sent) return;
  d->cur_sent = m;
  Output_mnem(Mnem_code('C', char('0' + m)));
}

void Set_mode(uint16_t mode) {
  Fcb* f = ws.Cur_fcb;
  Dev_fcb* d = Dev(f);
  Set_curmode(mode);
  if ((mode ^ d->mode) & MODE_NOWRAP) Output_mnem(mode & MODE_NOWRAP ? Mnem_code('E', 'W') : Mnem_code('B', 'W'));
  d->mode = mode;
}

// ---- image ----

void Image_clear() {
  Fcb* f = ws.Cur_fcb;
  Window_rec& w = win_of(f);
  int32_t c = cursor_col(f);
  blank_cells(w, Cell(w, c, f->line), w.cols - c, f->attr);
  for (int32_t l = f->line + 1; l < w.lines; ++l) blank_cells(w, Cell(w, 0, l), w.cols, f->attr);
}

void Image_rollup(int32_t line) {
  Fcb* f = ws.Cur_fcb;
  Window_rec& w = win_of(f);
  for (int32_t l = line; l + 1 < w.lines; ++l) {
    std::memmove(w.chars + Cell(w, 0, l), w.chars + Cell(w, 0, l + 1), size_t(w.cols));
    std::memmove(w.attrs + Cell(w, 0, l), w.attrs + Cell(w, 0, l + 1), size_t(w.cols) * 4);
  }
  blank_cells(w, Cell(w, 0, w.lines - 1), w.cols, f->attr);
}

void Image_rolldown(int32_t line) {
  Fcb* f = ws.Cur_fcb;
  Window_rec& w = win_of(f);
  for (int32_t l = w.lines - 1; l > line; --l) {
    std::memmove(w.chars + Cell(w, 0, l), w.chars + Cell(w, 0, l - 1), size_t(w.cols));
    std::memmove(w.attrs + Cell(w, 0, l), w.attrs + Cell(w, 0, l - 1), size_t(w.cols) * 4);
  }
  blank_cells(w, Cell(w, 0, line), w.cols, f->attr);
}

// ---- the eight edit mnemonics ----

// A clear the device does itself ('CL', 'CE') under VC with the cursor in
// column 0: the device clears, then the cursor position is sent again (for
// devices that move the cursor when clearing).
static void resend_position_after(Fcb* f, const MnemDef* def) {
  if (!Sw_on(sw::VC) || f->column != 0) return;
  Send_mnem(def);
  Mnem_override = true;
  int32_t l = f->line;
  f->line = -1;
  Scr_pos(f, 0, l);
}

void Mnem_CL(const MnemDef* def) {
  Fcb* f = ws.Cur_fcb;
  if (device_way(f, def)) {
    image_cl(f);
    resend_position_after(f, def);
    return;
  }
  Snapshot s(f);
  int32_t col = f->column, line = f->line;
  image_cl(f);
  repaint_changes(f, s.c, s.a, col, line, f->attr);
}

void Mnem_CE(const MnemDef* def) {
  Fcb* f = ws.Cur_fcb;
  if (device_way(f, def)) {
    Image_clear();
    resend_position_after(f, def);
    return;
  }
  // Each line below the cursor's, from the last one up, then the rest of
  // the cursor's line, is cleared with the channel's 'CL'.
  int32_t col = f->column, line = f->line;
  uint32_t attr = f->attr;
  for (int32_t l = win_of(f).lines - 1; l > line; --l) clear_line(f, 0, l, attr);
  clear_line(f, col, line, attr);
  finish_repaint(f, false, col, line, attr);
}

void Mnem_CS(const MnemDef* def) {
  Fcb* f = ws.Cur_fcb;
  if (device_way(f, def)) {
    f->column = 0;
    f->line = 0;
    Image_clear();
    return;
  }
  // Every line is cleared with the channel's 'CL'; the cursor ends at the
  // top left.
  uint32_t attr = f->attr;
  for (int32_t l = 0; l < win_of(f).lines; ++l) clear_line(f, 0, l, attr);
  f->column = -1;  // the top left is sent explicitly
  finish_repaint(f, false, 0, 0, attr);
}

void Mnem_CF(const MnemDef* def) {
  Fcb* f = ws.Cur_fcb;
  if (device_way(f, def)) {
    image_cf(f);
    f->column = 0;
    f->line = 0;
    return;
  }
  Snapshot s(f);
  image_cf(f);
  repaint_changes(f, s.c, s.a, 0, 0, f->attr);
}

void Mnem_DC(const MnemDef* def) {
  Fcb* f = ws.Cur_fcb;
  if (device_way(f, def)) {
    image_dc(f);
    return;
  }
  Snapshot s(f);
  int32_t col = f->column, line = f->line;
  image_dc(f);
  repaint_changes(f, s.c, s.a, col, line, f->attr, true);
}

void Mnem_IC(const MnemDef* def) {
  Fcb* f = ws.Cur_fcb;
  if (device_way(f, def)) {
    image_ic(f);
    return;
  }
  Snapshot s(f);
  int32_t col = f->column, line = f->line;
  image_ic(f);
  repaint_changes(f, s.c, s.a, col, line, f->attr, true);
}

void Mnem_LD(const MnemDef* def) {
  Fcb* f = ws.Cur_fcb;
  if (device_way(f, def)) {
    Image_rollup(f->line);
    return;
  }
  Snapshot s(f);
  int32_t col = f->column, line = f->line;
  uint32_t attr = f->attr;
  Image_rollup(f->line);
  // The last line is cleared by 'CL': until then the image keeps what the
  // device shows there.
  Window_rec& w = win_of(f);
  int32_t last = w.lines - 1;
  size_t k = size_t(last) * size_t(w.cols);
  std::memcpy(w.chars + Cell(w, 0, last), s.c.data() + k, size_t(w.cols));
  std::memcpy(w.attrs + Cell(w, 0, last), s.a.data() + k, size_t(w.cols) * 4);
  bool wrap_off = rewrite_cells(f, s.c, s.a, true);
  Set_attr(attr);
  Scr_pos(f, 0, last);
  Prt_mnem(Mnem_code('C', 'L'));
  finish_repaint(f, wrap_off, col, line, attr);
}

void Mnem_LI(const MnemDef* def) {
  Fcb* f = ws.Cur_fcb;
  if (device_way(f, def)) {
    Image_rolldown(f->line);
    return;
  }
  Snapshot s(f);
  int32_t col = f->column, line = f->line;
  uint32_t attr = f->attr;
  Image_rolldown(f->line);
  // The cursor's line is cleared by 'CL': until then the image keeps what
  // the device shows there.
  Window_rec& w = win_of(f);
  size_t k = size_t(line) * size_t(w.cols);
  std::memcpy(w.chars + Cell(w, 0, line), s.c.data() + k, size_t(w.cols));
  std::memcpy(w.attrs + Cell(w, 0, line), s.a.data() + k, size_t(w.cols) * 4);
  bool wrap_off = rewrite_cells(f, s.c, s.a, true, true);
  clear_line(f, 0, line, attr);
  finish_repaint(f, wrap_off, col, line, attr);
}

// ---- text, cursor and line feed ----

namespace {

inline bool relative(const Fcb* f) { return (f->st1 & ST1_WINDOW_REL) != 0; }

// The last line of a window that is not the whole screen scrolls by
// rewriting what changes; the cursor ends on the last line at `col`.
void window_scroll_up(Fcb* f, int32_t col) {
  Window_rec& w = win_of(f);
  Snapshot s(f);
  Image_rollup(0);
  f->column = -1;
  repaint_changes(f, s.c, s.a, col, w.lines - 1, f->attr);
}

// The cursor goes to column 0 of the next line, the window scrolling at its
// last line: on the whole screen with the device's return and line feed, in
// a window by positioning.
void wrap_now(Fcb* f) {
  Window_rec& w = win_of(f);
  Term_mute_guard mute(f, Thin_console(f));  // the client wraps its own lines
  bool last = f->line + 1 >= w.lines;
  if (!relative(f)) {
    if (last) Image_rollup(0);
    else ++f->line;
    f->column = 0;
    if (MnemDef* lf = Find_mnem(Mnem_code('L', 'F'))) {
      Send_mnem(lf);
    } else {
      Term_put('\r');
      Term_put('\n');
    }
    return;
  }
  if (last) {
    window_scroll_up(f, 0);
  } else {
    f->column = w.cols;  // the device cursor is not where the model goes
    Scr_pos(f, 0, f->line + 1);
  }
}

// Back along the cursor's line from at_col to col on a device whose driver
// defines neither cursor addressing nor 'CR', with what every terminal
// does: backspaces, or a carriage return after which Scr_pos writes the
// cells up to col again (the prompt in front of an input field) when that
// is shorter.  A carriage return goes to the device's column 0, so in a
// window that does not begin there only backspaces are of use.  at_col
// becomes where the device is.
void back_along_line(Fcb* f, int32_t& at_col, int32_t col, bool pending) {
  const Window_rec& w = win_of(f);
  bool cr_reaches = !relative(f) || w.scr_col + w.col0 == 0;
  if (cr_reaches && (pending || at_col - col > col + 1)) {
    Term_put('\r');
    at_col = 0;
    return;
  }
  MnemDef* bs = Find_mnem(Mnem_code('B', 'S'));
  for (; at_col > col; --at_col) {
    if (bs) Send_mnem(bs);
    else Term_put('\b');
  }
}

}  // namespace

void Scr_text(Fcb* f, const uint8_t* p, int32_t n) {
  Dev_fcb* d = Dev(f);
  Window_rec& w = d->win;
  const uint8_t* xl = f->out_xlate;
  f->st3 &= uint16_t(~ST3_WRAPPED);
  while (n > 0) {
    if (f->column >= w.cols) {
      // Left at the edge (no wrap in a window): back onto the last column.
      if (d->mode & MODE_NOWRAP) {
        Term_mute_guard mute(f, Thin_console(f));
        Scr_pos(f, w.cols - 1, f->line);
      } else {
        wrap_now(f);
      }
    }
    f->st3 &= uint16_t(~ST3_WRAPPED);
    int32_t room = w.cols - f->column;
    int32_t take = n < room ? n : room;
    int32_t cell = Cell(w, f->column, f->line);
    uint32_t a = f->attr;
    for (int32_t i = 0; i < take; ++i) {
      uint8_t c = p[i];
      w.chars[cell + i] = c;
      w.attrs[cell + i] = a;
    }
    // Only the cells that lie on the screen are sent (a window may reach
    // past its right or bottom edge; positions there are never sent).
    int32_t sx = w.scr_col + w.col0 + f->column, sy = w.scr_line + w.line0 + f->line;
    int32_t shown = sy < f->lines ? (f->cols - sx < take ? f->cols - sx : take) : 0;
    if (shown < 0) shown = 0;
    if (xl || f->buf_size - f->buf_count < shown) {
      for (int32_t i = 0; i < shown; ++i) Term_put(xl ? xl[p[i]] : p[i]);
    } else {
      std::memcpy(f->out_buf + f->buf_count, p, size_t(shown));
      f->buf_count += shown;
    }
    f->column += take;
    p += take;
    n -= take;
    if (f->column >= w.cols) {
      if (d->mode & MODE_NOWRAP) {
        // The whole screen's device stays on its last column; in a window
        // the device moved on and is put back before the next character.
        if (!relative(f)) f->column = w.cols - 1;
      } else {
        // Writing the last column wraps at once.
        wrap_now(f);
        f->st3 |= ST3_WRAPPED;
      }
    }
  }
}

void Scr_send_cell(Fcb* f, int32_t x, int32_t y, uint8_t ch, uint32_t attr, int32_t* at_x, int32_t* at_y) {
  Dev_fcb* d = Dev(f);
  if (x != *at_x || y != *at_y) {
    if (!d->at_at) return;  // no cursor addressing: the screen cannot be reached
    int32_t c = f->column, l = f->line;
    f->column = x;
    f->line = y;
    Term_abs_pos = true;
    Send_mnem(d->at_at);
    Term_abs_pos = false;
    f->column = c;
    f->line = l;
  }
  Set_attr(attr);
  bool corner = x == f->cols - 1 && y == f->lines - 1 && !(d->mode & MODE_NOWRAP);
  if (corner) Output_mnem(Mnem_code('E', 'W'));
  Term_put(f->out_xlate ? f->out_xlate[ch] : ch);
  if (corner) Output_mnem(Mnem_code('B', 'W'));
  *at_x = x + 1 < f->cols ? x + 1 : -1;
  *at_y = y;
}

void Scr_resync(Fcb* f, uint32_t attr) {
  Set_attr(attr);
  Window_rec& w = win_of(f);
  int32_t c = f->column, l = f->line;
  if (c < 0) c = 0;
  if (l < 0) l = 0;
  if (c > w.cols) c = w.cols;
  if (l >= w.lines) l = w.lines - 1;
  f->column = -1;
  f->line = -1;
  Scr_pos(f, c >= w.cols ? w.cols - 1 : c, l);
  if (c >= w.cols) f->column = w.cols;
}

void Scr_pos(Fcb* f, int32_t col, int32_t line) {
  Dev_fcb* d = Dev(f);
  Window_rec& w = d->win;
  if (col >= w.cols) col = w.cols - 1;
  if (line >= w.lines) line = w.lines - 1;
  int32_t from_col = f->column, from_line = f->line;
  if (col == from_col && line == from_line) return;
  bool pending = from_col >= w.cols;
  f->column = col;
  f->line = line;
  const bool thin = Thin_console(f);
  // Past the screen's edge: nothing to send (text there is not sent either;
  // the next position on the screen is sent in full).
  if (!thin && !on_screen(f, w, col, line)) return;
  if (thin) {
    // The client places its cursor in its current window: the position
    // goes in the form the client's output reads, ESC 0x02 column line.
    Term_put(27);
    Term_put(2);
    Term_put(uint8_t(col));
    Term_put(uint8_t(line));
    return;
  }
  if (from_line >= 0 && from_col >= 0 && !(f->st1 & ST1_WINDOW_REL)) {
    // Short forms: carriage return, and a return with one line down.
    if (col == 0 && line == from_line) {
      if (MnemDef* cr = Find_mnem(Mnem_code('C', 'R'))) {
        Send_mnem(cr);
        return;
      }
    }
    if (col == 0 && line == from_line + 1) {
      MnemDef* cr = Find_mnem(Mnem_code('C', 'R'));
      MnemDef* dn = Find_mnem(Mnem_code('D', 'N'));
      if (cr && dn) {
        Send_mnem(cr);
        Send_mnem(dn);
        return;
      }
    }
    if (!pending && line == from_line && col == from_col - 1) {
      if (MnemDef* bs = Find_mnem(Mnem_code('B', 'S'))) {
        Send_mnem(bs);
        return;
      }
    }
  }
  if (d->at_at) {
    Send_mnem(d->at_at);
    return;
  }
  // No cursor addressing: get there with what the device has.
  MnemDef* cr = Find_mnem(Mnem_code('C', 'R'));
  MnemDef* dn = Find_mnem(Mnem_code('D', 'N'));
  MnemDef* up = Find_mnem(Mnem_code('U', 'P'));
  MnemDef* home = Find_mnem(Mnem_code('C', 'H'));
  int32_t at_col = from_col < 0 ? 0 : (pending ? w.cols - 1 : from_col);
  int32_t at_line = from_line < 0 ? 0 : from_line;
  if (line < at_line && !up && home) {
    Send_mnem(home);
    at_col = at_line = 0;
  }
  while (at_line < line && dn) {
    Send_mnem(dn);
    ++at_line;
  }
  while (at_line > line && up) {
    Send_mnem(up);
    --at_line;
  }
  if (col < at_col) {
    if (cr) {
      Send_mnem(cr);
      at_col = 0;
    } else if (at_line == line) {
      back_along_line(f, at_col, col, pending);
    }
  }
  // Moving right writes the characters the image holds.
  if (at_line == line) {
    const uint8_t* xl = f->out_xlate;
    for (; at_col < col; ++at_col) {
      uint8_t ch = w.chars[Cell(w, at_col, line)];
      Term_put(xl ? xl[ch] : ch);
    }
  }
  // The model follows the program even where the device could not.
  f->line = line;
  f->column = col;
}

bool Scr_can_go_up(Fcb* f) {
  if (Dev(f)->at_at || Find_mnem_in(f, Mnem_code('U', 'P'))) return true;
  return Find_mnem_in(f, Mnem_code('C', 'H')) && Find_mnem_in(f, Mnem_code('D', 'N'));
}

void Scr_line_feed(Fcb* f, const MnemDef* def) {
  Window_rec& w = win_of(f);
  if (relative(f)) {
    // A window: the device's line feed would leave it.
    if (f->line + 1 >= w.lines) {
      window_scroll_up(f, 0);
    } else {
      int32_t l = f->line + 1;
      f->column = -1;
      Scr_pos(f, 0, l);
    }
    Mnem_override = true;
    return;
  }
  if (f->line + 1 >= w.lines) {
    // The whole-screen window scrolls with the device.
    Image_rollup(0);
  } else {
    ++f->line;
  }
  f->column = 0;
  if (def) {
    Send_mnem(def);
  } else {
    Term_put('\r');
    Term_put('\n');
  }
  Mnem_override = true;
}
