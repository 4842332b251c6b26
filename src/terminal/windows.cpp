// Text windows: opening, dropping, switching, moving, frames and the
// repaint that sends only the cells that change on the screen.
//
// The screen shows the current window on top, then the windows of its list
// in order (most recent first), window 0 at the bottom.  Every window keeps
// the whole of its own area in its planes, also the parts that others
// cover, so that whatever a window change uncovers is known.  A change
// takes the picture of the affected rectangle before, changes the stack,
// takes it again and sends the cells whose character or attribute differ.
#include "terminal/windows.h"

#include <cstring>
#include <vector>

#include "channels/print.h"
#include "core/errors.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"
#include "terminal/command_window.h"
#include "terminal/controls.h"
#include "terminal/gui_objctl.h"
#include "terminal/obj_attach.h"
#include "terminal/tc_propcache.h"
#include "terminal/terminal.h"

namespace {

// Attribute bits that change what a cell looks like.
constexpr uint32_t VISIBLE_ATTR = 0xffff1f;

struct Rect {
  int32_t x0, y0, x1, y1;  // x1, y1 exclusive
};

inline bool holds(const Window_rec& w, int32_t x, int32_t y) {
  return x >= w.scr_col && y >= w.scr_line && x < w.scr_col + w.outer_cols && y < w.scr_line + w.outer_lines;
}

inline int32_t outer_cell(const Window_rec& w, int32_t x, int32_t y) {
  return (y - w.scr_line) * w.stride + (x - w.scr_col);
}

// What the screen shows at (x, y): the topmost window holding the cell.
void shown(Dev_fcb* d, int32_t x, int32_t y, uint8_t& ch, uint32_t& attr) {
  const Window_rec* w = &d->win;
  while (w) {
    if (holds(*w, x, y)) {
      int32_t c = outer_cell(*w, x, y);
      ch = w->chars[c];
      attr = w->attrs[c];
      return;
    }
    w = w->saved;
  }
  ch = ' ';
  attr = ATTR_FRESH;
}

Rect clip(Fcb* f, Rect r) {
  if (r.x0 < 0) r.x0 = 0;
  if (r.y0 < 0) r.y0 = 0;
  if (r.x1 > f->cols) r.x1 = f->cols;
  if (r.y1 > f->lines) r.y1 = f->lines;
  return r;
}

struct Picture {
  Rect r;
  std::vector<uint8_t> c;
  std::vector<uint32_t> a;
  Picture(Dev_fcb* d, Rect rect) : r(clip(d, rect)) {
    int32_t w = r.x1 > r.x0 ? r.x1 - r.x0 : 0, h = r.y1 > r.y0 ? r.y1 - r.y0 : 0;
    c.resize(size_t(w) * size_t(h));
    a.resize(c.size());
    size_t k = 0;
    for (int32_t y = r.y0; y < r.y1; ++y)
      for (int32_t x = r.x0; x < r.x1; ++x, ++k) shown(d, x, y, c[k], a[k]);
  }
};

// Sends every cell of the picture's rectangle that now shows otherwise
// (the caller puts the cursor and attribute back).
void send_changes(Dev_fcb* d, const Picture& before) {
  Fcb* f = d;
  int32_t ax = -1, ay = -1;
  size_t k = 0;
  for (int32_t y = before.r.y0; y < before.r.y1; ++y)
    for (int32_t x = before.r.x0; x < before.r.x1; ++x, ++k) {
      uint8_t ch;
      uint32_t at;
      shown(d, x, y, ch, at);
      if (ch == before.c[k] && ((at ^ before.a[k]) & VISIBLE_ATTR) == 0) continue;
      Scr_send_cell(f, x, y, ch, at, &ax, &ay);
    }
}

// Wrap is off while cells are sent at screen positions (the last cell of
// the screen must not scroll it).
struct No_wrap {
  Dev_fcb* d;
  bool wrap;
  explicit No_wrap(Dev_fcb* dev) : d(dev), wrap(!(dev->mode & MODE_NOWRAP)) {
    if (!wrap) return;
    Output_mnem(Mnem_code('E', 'W'));
    d->mode |= MODE_NOWRAP;
  }
  ~No_wrap() {
    if (!wrap) return;
    d->mode &= uint16_t(~MODE_NOWRAP);
    try {
      Output_mnem(Mnem_code('B', 'W'));
    } catch (...) {
    }
  }
};

Rect outer_rect(const Window_rec& w) {
  return {w.scr_col, w.scr_line, w.scr_col + w.outer_cols, w.scr_line + w.outer_lines};
}

void set_relative(Dev_fcb* d) {
  const Window_rec& w = d->win;
  bool whole = w.scr_col == 0 && w.scr_line == 0 && w.col0 == 0 && w.line0 == 0 && w.cols == d->cols &&
               w.lines == d->lines;
  if (whole) d->st1 &= uint16_t(~ST1_WINDOW_REL);
  else d->st1 |= ST1_WINDOW_REL;
}

// The current window goes onto the list (its cursor and attribute kept).
void push_current(Dev_fcb* d) {
  Window_rec* r = static_cast<Window_rec*>(Get_blk(sizeof(Window_rec)));
  *r = d->win;
  r->cur_col = d->column;
  r->cur_line = d->line;
  r->cur_attr = d->attr;
  d->win = Window_rec{};
  d->win.saved = r;
}

// Record r (already unlinked) becomes the current window.
void make_current(Dev_fcb* d, Window_rec* r, Window_rec* below) {
  d->win = *r;
  d->win.saved = below;
  Ret_blk(r);
  d->column = d->win.cur_col;
  d->line = d->win.cur_line;
  set_relative(d);
}

// Puts r (a record off the stack) on top as the current window, the one
// that was current just below it, and repaints what changed since before.
void show_on_top(Dev_fcb* d, Window_rec* r, const Picture& before) {
  push_current(d);
  Window_rec* below = d->win.saved;
  uint32_t attr = r->cur_attr;
  make_current(d, r, below);
  send_changes(d, before);
  Scr_resync(d, attr);
}

[[noreturn]] void bad_mnemonic() {
  Err_mnemonic();
  throw Mnemonic_ignored{};
}

int32_t lowest_free(Dev_fcb* d) {
  for (int32_t n = 1; n <= WINDOW_NUMBER_MAX; ++n)
    if (!Window_exists(d, n)) return n;
  return -1;
}

uint32_t group_counter = 0;

struct Frame_chars {
  uint8_t c[6];
  bool graphics;
};

// Corners top-left, top-right, bottom-left, bottom-right, then the
// horizontal and the vertical edge.  A frame text gives them in that order;
// what it does not give is the plain default.  Without a text, terminals
// with graphics characters get line drawing.
Frame_chars frame_chars(Fcb* f, Win_text frame) {
  Frame_chars fc{};
  static const uint8_t plain[6] = {'+', '+', '+', '+', '-', '|'};
  static const uint8_t lines[6] = {'l', 'k', 'm', 'j', 'q', 'x'};
  if (frame.len > 0) {
    std::memcpy(fc.c, plain, 6);
    for (int32_t i = 0; i < 6 && i < frame.len; ++i) fc.c[i] = frame.p[i];
    fc.graphics = false;
    return fc;
  }
  fc.graphics = Find_mnem_in(f, Mnem_code('G', 'S')) != nullptr;
  std::memcpy(fc.c, fc.graphics ? lines : plain, 6);
  return fc;
}

// Draws a frame into window w's planes at outer offsets (x, y) of w x h and
// sends the cells (w must be the current, topmost window).  A title goes
// centred into the top edge; a dialogue's title is centred in reverse.
void draw_frame(Dev_fcb* d, Window_rec& win, int32_t x, int32_t y, int32_t w, int32_t h, Win_text title,
                Win_text frame, bool dialogue) {
  Fcb* f = d;
  Frame_chars fc = frame_chars(f, frame);
  uint32_t base = f->attr & ~ATTR_GRAPHICS;
  uint32_t fa = fc.graphics ? base | ATTR_GRAPHICS : base;
  int32_t ax = -1, ay = -1;
  uint32_t keep = f->attr;
  auto put = [&](int32_t cx, int32_t cy, uint8_t ch, uint32_t at) {
    int32_t cell = (y + cy) * win.stride + x + cx;
    win.chars[cell] = ch;
    win.attrs[cell] = at;
    int32_t sx = win.scr_col + x + cx, sy = win.scr_line + y + cy;
    if (sx < f->cols && sy < f->lines) Scr_send_cell(f, sx, sy, ch, at, &ax, &ay);
  };
  put(0, 0, fc.c[0], fa);
  for (int32_t i = 1; i < w - 1; ++i) put(i, 0, fc.c[4], fa);
  put(w - 1, 0, fc.c[1], fa);
  for (int32_t j = 1; j < h - 1; ++j) {
    put(0, j, fc.c[5], fa);
    put(w - 1, j, fc.c[5], fa);
  }
  put(0, h - 1, fc.c[2], fa);
  for (int32_t i = 1; i < w - 1; ++i) put(i, h - 1, fc.c[4], fa);
  put(w - 1, h - 1, fc.c[3], fa);
  if (title.len > 0) {
    int32_t room = w - 2;
    int32_t n = title.len < room ? title.len : room;
    int32_t at = 1 + (room - n) / 2;
    uint32_t ta = dialogue ? base | ATTR_REVERSE : base;
    for (int32_t i = 0; i < n; ++i) put(at + i, 0, title.p[i], ta);
  }
  Set_attr(keep);
}

}  // namespace

bool Window_exists(Dev_fcb* d, int32_t n) {
  for (const Window_rec* w = &d->win; w; w = w->saved)
    if (w->number == n) return true;
  return false;
}

int32_t Window_depth(Dev_fcb* d) {
  int32_t n = 0;
  for (const Window_rec* w = d->win.saved; w; w = w->saved) ++n;
  return n;
}

int32_t Window_highest(Dev_fcb* d, int32_t below) {
  int32_t best = -1;
  for (const Window_rec* w = &d->win; w; w = w->saved)
    if (w->number < below && w->number > best) best = w->number;
  return best;
}

void Window_release(Window_rec& w) {
  Tty_purge_controls(w);
  if (w.chars) Ret_blk(w.chars);
  if (w.attrs) Ret_blk(w.attrs);
  w.chars = nullptr;
  w.attrs = nullptr;
  Key_free_list(w.keys);
  while (w.ctl_defs) {
    Ctl_def* n = w.ctl_defs->next;
    Ret_blk(w.ctl_defs);
    w.ctl_defs = n;
  }
  while (w.mouse) {
    Mouse_region* n = w.mouse->next;
    Ret_blk(w.mouse);
    w.mouse = n;
  }
}

void Window_free_list(Dev_fcb* d) {
  Window_rec* w = d->win.saved;
  while (w) {
    Window_rec* n = w->saved;
    Window_release(*w);
    Ret_blk(w);
    w = n;
  }
  d->win.saved = nullptr;
}

void Window_add(int32_t col, int32_t line, int32_t width, int32_t height, int32_t number, Win_text title,
                Win_text frame, Win_text options, uint8_t type, bool frame_inside) {
  Fcb* f = ws.Cur_fcb;
  if (!Is_screen(f)) bad_mnemonic();
  Dev_fcb* d = Dev(f);
  if (type == WINDOW_DIALOGUE && title.len < 0) {
    static const uint8_t blank = ' ';
    title = {&blank, 1};
  }
  bool framed = title.len >= 0;
  if (width < 1 || height < 1 || width > 255 || height > 255) bad_mnemonic();
  if (framed && (width <= 2 || height <= 2)) {
    if (frame_inside) framed = false;  // too small to hold its frame inside
    else bad_mnemonic();
  }
  // A window may reach past the screen's edge (up to 255 x 255): the cells
  // beyond it are kept in its image and never sent.
  if (col < 0 || line < 0) Rpt_error(err::OUT_OF_RANGE);
  if (number < 0 || number > WINDOW_NUMBER_MAX) Rpt_error(err::OUT_OF_RANGE);
  if (number == 0) {
    number = lowest_free(d);
    if (number < 0) Rpt_error(err::WINDOW_NOT_CURRENT);
  } else if (Window_exists(d, number)) {
    Rpt_error(err::WINDOW_NOT_CURRENT);
  }
  bool join = false;
  for (int32_t i = 0; i < options.len; ++i)
    if (options.p[i] == '&') join = true;
  if (join) {
    bool c_opt = false;
    for (int32_t i = 0; i < options.len; ++i)
      if (options.p[i] == 'c') c_opt = true;
    bool both_dialogues = type == WINDOW_DIALOGUE && d->win.type == WINDOW_DIALOGUE;
    if (!both_dialogues && !c_opt) bad_mnemonic();
  }
  // The new window starts with what the screen shows beneath it.
  size_t cells = size_t(width) * size_t(height);
  uint8_t* chars = static_cast<uint8_t*>(Get_blk(cells));
  uint32_t* attrs = static_cast<uint32_t*>(Get_blk(cells * 4));
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      size_t k = size_t(y) * size_t(width) + size_t(x);
      shown(d, col + x, line + y, chars[k], attrs[k]);
    }
  uint32_t def_attr = d->win.def_attr;
  uint32_t parent_group = d->win.group;
  push_current(d);
  Window_rec& w = d->win;
  w.chars = chars;
  w.attrs = attrs;
  w.stride = width;
  w.scr_col = col;
  w.scr_line = line;
  w.outer_cols = width;
  w.outer_lines = height;
  w.cols = width;
  w.lines = height;
  w.number = number;
  w.type = type;
  w.def_attr = def_attr;
  w.options = 1;
  if (join) {
    w.group = parent_group;
    w.wflags |= 0x10000;
  } else {
    w.group = ++group_counter;
  }
  d->column = 0;
  d->line = 0;
  if (framed) {
    w.frame = title.len > 0 ? 2 : 1;
    bool dialogue = type == WINDOW_DIALOGUE;
    draw_frame(d, w, 0, 0, width, height, dialogue ? Win_text{} : title, frame, false);
    if (dialogue) draw_frame(d, w, 0, 0, width, height, title, frame, true);
    w.col0 = 1;
    w.line0 = 1;
    w.cols = width - 2;
    w.lines = height - 2;
  }
  w.in_col0 = w.col0;
  w.in_line0 = w.line0;
  w.in_cols = w.cols;
  w.in_lines = w.lines;
  set_relative(d);
  Scr_resync(f, f->attr);
}

void Window_drop(int32_t n) {
  Fcb* f = ws.Cur_fcb;
  if (!Is_screen(f)) bad_mnemonic();
  Dev_fcb* d = Dev(f);
  if (n == 0) Rpt_error(err::WINDOW_NOT_CURRENT);  // window 0, the whole screen, is never dropped
  if (n < 0) {
    n = d->win.number;
    if (n == 0) Rpt_error(err::WRONG_MODE);  // the current window is the whole screen
  }
  if (!Window_exists(d, n)) Rpt_error(err::WINDOW_NOT_CURRENT);
  if (n == 1 && Sw_on(sw::BX)) Rpt_error(err::WRONG_MODE);
  if (f == ws.Con_fcb) {
    // The objects attached to the window are told once; their code may not
    // drop the window again meanwhile (error 13).
    static int32_t closing = -1;
    if (n == closing) Rpt_error(err::WRONG_MODE);
    ZefVrl_DropWindow(n);
    {
      struct Closing {
        int32_t keep;
        explicit Closing(int32_t w) : keep(closing) { closing = w; }
        ~Closing() { closing = keep; }
      } mark(n);
      Obj4_OnClose(n, 0);
    }
    if (!Window_exists(d, n)) return;  // their code dropped it (from a nested console)
    // Objects bound to the window's control ids are told first; their
    // methods may change the windows, so the number is looked up again.
    Window_rec* r = &d->win;
    while (r && r->number != n) r = r->saved;
    if (r && Objctl_bindings_active()) {
      KestClearObjCtls(*r);
      ws.Cur_fcb = f;
      if (!Window_exists(d, n)) return;
    }
  }
  No_wrap nw(d);
  if (n == d->win.number) {
    Picture before(d, outer_rect(d->win));
    Window_rec* below = d->win.saved;
    Window_release(d->win);
    Window_rec* next_below = below->saved;
    uint32_t attr = below->cur_attr;
    make_current(d, below, next_below);
    send_changes(d, before);
    Scr_resync(f, attr);
  } else {
    Window_rec* prev = &d->win;
    while (prev->saved && prev->saved->number != n) prev = prev->saved;
    Window_rec* r = prev->saved;
    if (!r) Rpt_error(err::WINDOW_NOT_CURRENT);
    Picture before(d, outer_rect(*r));
    prev->saved = r->saved;
    Window_release(*r);
    Ret_blk(r);
    send_changes(d, before);
    Scr_resync(f, f->attr);
  }
}

void Window_goto(int32_t n) {
  Fcb* f = ws.Cur_fcb;
  if (!Is_screen(f)) bad_mnemonic();
  Dev_fcb* d = Dev(f);
  if (n == d->win.number) return;
  Window_rec* prev = &d->win;
  while (prev->saved && prev->saved->number != n) prev = prev->saved;
  Window_rec* r = prev->saved;
  if (!r) Rpt_error(err::WINDOW_NOT_CURRENT);
  No_wrap nw(d);
  Picture before(d, outer_rect(*r));
  prev->saved = r->saved;
  show_on_top(d, r, before);
}

void Window_move(int32_t col, int32_t line) {
  Fcb* f = ws.Cur_fcb;
  if (!Is_screen(f)) bad_mnemonic();
  Dev_fcb* d = Dev(f);
  Window_rec& w = d->win;
  if (w.number == 0) Rpt_error(err::WRONG_MODE);
  if (col < 0 || line < 0) Rpt_error(err::OUT_OF_RANGE);
  Rect a = outer_rect(w);
  Rect r{a.x0 < col ? a.x0 : col, a.y0 < line ? a.y0 : line,
         a.x1 > col + w.outer_cols ? a.x1 : col + w.outer_cols, a.y1 > line + w.outer_lines ? a.y1 : line + w.outer_lines};
  No_wrap nw(d);
  Picture before(d, r);
  w.scr_col = col;
  w.scr_line = line;
  set_relative(d);
  send_changes(d, before);
  Scr_resync(f, f->attr);
}

void Window_scroll(int32_t top) {
  Fcb* f = ws.Cur_fcb;
  if (!Is_screen(f)) bad_mnemonic();
  Window_rec& w = Dev(f)->win;
  if (top < 0 || top >= w.in_lines) Rpt_error(err::BAD_MNEMONIC);
  w.col0 = w.in_col0;
  w.cols = w.in_cols;
  w.line0 = w.in_line0 + top;
  w.lines = w.in_lines - top;
  f->column = 0;
  f->line = 0;
  set_relative(Dev(f));
  Scr_resync(f, f->attr);
}

void Window_box(int32_t col, int32_t line, int32_t width, int32_t height, Win_text title, Win_text frame) {
  Fcb* f = ws.Cur_fcb;
  if (!Is_screen(f)) bad_mnemonic();
  Dev_fcb* d = Dev(f);
  Window_rec& w = d->win;
  if (width < 2 || height < 2 || col < 0 || line < 0 || col + width > w.cols || line + height > w.lines)
    Rpt_error(err::OUT_OF_RANGE);
  int32_t c = f->column, l = f->line;
  draw_frame(d, w, w.col0 + col, w.line0 + line, width, height, title, frame, false);
  f->column = c;
  f->line = l;
  Scr_resync(f, f->attr);
}

// The window stack mnemonics.  Every one re-orders the stack (current window
// on top, window 0 always at the bottom) and repaints what changes.
namespace {

// Re-orders the windows above window 0: `order` receives them top first
// (the current one included) and returns the new order; the first becomes
// current.  Window 0 stays at the bottom.
template <class Fn>
void restack(Dev_fcb* d, Fn order) {
  Fcb* f = d;
  No_wrap nw(d);
  Picture before(d, Rect{0, 0, f->cols, f->lines});
  push_current(d);
  std::vector<Window_rec*> stack;
  Window_rec* r = d->win.saved;
  Window_rec* base = nullptr;
  while (r) {
    if (r->number == 0 && !r->saved) {
      base = r;
      break;
    }
    stack.push_back(r);
    r = r->saved;
  }
  order(stack);
  for (size_t i = 0; i + 1 < stack.size(); ++i) stack[i]->saved = stack[i + 1];
  Window_rec* top;
  if (stack.empty()) {
    top = base;  // only window 0: it stays current
    base = nullptr;
  } else {
    stack.back()->saved = base;
    top = stack.front();
  }
  uint32_t attr = top->cur_attr;
  make_current(d, top, top->saved);
  send_changes(d, before);
  Scr_resync(f, attr);
}

Dev_fcb* screen_channel() {
  Fcb* f = ws.Cur_fcb;
  if (!Is_screen(f)) bad_mnemonic();
  return Dev(f);
}

}  // namespace

void Window_redraw() {
  Dev_fcb* d = screen_channel();
  Fcb* f = d;
  uint32_t keep = f->attr;
  No_wrap nw(d);
  int32_t ax = -1, ay = -1;
  for (int32_t y = 0; y < f->lines; ++y)
    for (int32_t x = 0; x < f->cols; ++x) {
      uint8_t ch;
      uint32_t at;
      shown(d, x, y, ch, at);
      Scr_send_cell(f, x, y, ch, at, &ax, &ay);
    }
  Scr_resync(f, keep);
}

void Window_push() {
  Dev_fcb* d = screen_channel();
  if (d->win.number == 0) Rpt_error(err::WRONG_MODE);  // the whole screen is always at the bottom
  restack(d, [](std::vector<Window_rec*>& s) {
    if (s.size() < 2) return;
    Window_rec* top = s.front();
    s.erase(s.begin());
    s.push_back(top);
  });
}

void Window_pop() {
  Dev_fcb* d = screen_channel();
  restack(d, [](std::vector<Window_rec*>& s) {
    if (s.size() < 2) return;
    Window_rec* last = s.back();
    s.pop_back();
    s.insert(s.begin(), last);
  });
}

void Window_swap() {
  Dev_fcb* d = screen_channel();
  Window_rec* below = d->win.saved;
  if (!below) Rpt_error(err::WINDOW_NOT_CURRENT);  // nothing below the current window
  Window_goto(below->number);
}

void Window_reset() {
  Dev_fcb* d = screen_channel();
  if (d->win.number == 0 && !d->win.saved) return;
  Fcb* f = d;
  if (f == ws.Con_fcb && Objctl_bindings_active()) {
    // Objects bound to the control ids of the windows that go are told first
    // (their REMOVE method). The methods may change the windows, so each
    // window is looked up again by its number.
    std::vector<int32_t> going;
    for (Window_rec* r = &d->win; r; r = r->saved)
      if (r->number != 0) going.push_back(r->number);
    for (int32_t n : going) {
      Window_rec* r = &d->win;
      while (r && r->number != n) r = r->saved;
      if (!r) continue;
      KestClearObjCtls(*r);
      ws.Cur_fcb = f;
    }
    if (d->win.number == 0 && !d->win.saved) return;
  }
  No_wrap nw(d);
  Picture before(d, Rect{0, 0, f->cols, f->lines});
  while (d->win.number != 0) {
    Window_rec* below = d->win.saved;
    if (!below) break;
    Window_release(d->win);
    make_current(d, below, below->saved);
  }
  Window_free_list(d);
  send_changes(d, before);
  Scr_resync(f, d->win.cur_attr);
}

void Cls_windows() {
  Fcb* con = ws.Con_fcb;
  if (!con || !Is_screen(con)) return;
  Console_current cc;
  DropComndWdw();
  try {
    Window_reset();
  } catch (const Mnemonic_ignored&) {
  }
}

void Window_push_record(Window_rec* r) {
  Dev_fcb* d = screen_channel();
  No_wrap nw(d);
  Picture before(d, outer_rect(*r));
  show_on_top(d, r, before);
}

void Window_take(int32_t number, Window_rec*& out) {
  out = nullptr;
  Dev_fcb* d = screen_channel();
  Fcb* f = d;
  if (number == 0 || !Window_exists(d, number)) return;
  No_wrap nw(d);
  if (d->win.number == number) {
    Picture before(d, outer_rect(d->win));
    Window_rec* r = static_cast<Window_rec*>(Get_blk(sizeof(Window_rec)));
    *r = d->win;
    r->cur_col = d->column;
    r->cur_line = d->line;
    r->cur_attr = d->attr;
    r->saved = nullptr;
    Window_rec* below = d->win.saved;
    uint32_t attr = below->cur_attr;
    make_current(d, below, below->saved);
    out = r;
    send_changes(d, before);
    Scr_resync(f, attr);
    return;
  }
  Window_rec* prev = &d->win;
  while (prev->saved && prev->saved->number != number) prev = prev->saved;
  Window_rec* r = prev->saved;
  Picture before(d, outer_rect(*r));
  prev->saved = r->saved;
  r->saved = nullptr;
  out = r;
  send_changes(d, before);
  Scr_resync(f, f->attr);
}

void Window_base_text(Dev_fcb* d, int32_t col, int32_t line, const uint8_t* p, int32_t n, uint32_t attr) {
  Fcb* f = d;
  Window_rec* base = &d->win;
  while (base->saved) base = base->saved;
  if (!base->chars || line < 0 || line >= base->outer_lines || col < 0) return;
  if (col + n > base->outer_cols) n = base->outer_cols - col;
  if (n <= 0) return;
  No_wrap nw(d);
  Picture before(d, Rect{base->scr_col + col, base->scr_line + line, base->scr_col + col + n, base->scr_line + line + 1});
  for (int32_t i = 0; i < n; ++i) {
    int32_t cell = line * base->stride + col + i;
    base->chars[cell] = p[i];
    base->attrs[cell] = attr;
  }
  uint32_t keep = f->attr;
  send_changes(d, before);
  Scr_resync(f, keep);
}
