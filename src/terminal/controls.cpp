// Character-mode controls and the control directives of a text terminal.
//
// Control directives name the control id first, then the operation keyword,
// then its operands: LIST_BOX 101,READ,X$.  Without a keyword the statement
// defines the control: LIST_BOX 101,col,line,width,height[,OPT=...].
// Positions and sizes are in character cells (hundredths inside).  The
// list-box family lives in the console's current window; buttons, check
// boxes, radio buttons and scroll bars have no character form (error 98),
// grids, charts, VBX controls and the show/hide family need the thin client
// (error 99).
#include "terminal/controls.h"

#include <algorithm>

#include <cctype>
#include <cstdlib>
#include <cstring>

#include "channels/channel.h"
#include "channels/io_list.h"
#include "channels/print.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/masks.h"
#include "core/memory.h"
#include "core/decimal.h"
#include "core/params.h"
#include "core/line_store.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "terminal/command_window.h"
#include "terminal/editor_keys.h"
#include "terminal/gui_client.h"
#include "terminal/gui_objctl.h"
#include "terminal/program_calls.h"
#include "terminal/windows.h"
#include "terminal/program_calls.h"

namespace {

constexpr int32_t KEY_TAKEN = -1000;
constexpr int32_t KEY_LEFT = -1099;
constexpr uint16_t OP_DEF = 0;
constexpr uint16_t EXT = 0x100;  // extended keyword: EXT | second byte
constexpr uint8_t POSITION_CODE = 122;  // '@(' of a position, the code of LOC(

Wob* focus_wob = nullptr;

inline bool stmt_end(uint8_t c) { return c == code::END_SCAN || (Cde_tbl[c] & CC_STMT_END); }

Dev_fcb* console() {
  if (!ws.Con_fcb) Rpt_error(err::WRONG_MODE);
  return Dev(ws.Con_fcb);
}

bool thin_client() { return ws.Con_fcb && (ws.Con_fcb->st2 & ST2_THIN_CLIENT); }

bool is_keyword(uint8_t c) {
  switch (c) {
    case code::D_CLEAR: case code::D_DELETE: case code::D_FIND: case code::D_GOTO: case code::D_LOAD:
    case code::D_LOCK: case code::D_READ: case code::D_REMOVE: case code::D_UNLOCK: case code::D_WRITE:
    case code::D_NEXT: case code::D_RESET: case code::D_ON: case code::D_DEFCTL: case code::D_EDIT:
    case code::D_DIRECTORY: case code::D_INPUT: case code::D_LIST: case code::D_OPEN: case code::D_PRINT:
    case code::D_RETRY: case code::EXT_DIR: case 61 /* OFF */:
      return true;
    default:
      return false;
  }
}

// The operation keyword after the id ("," keyword), DEF when none.
uint16_t operation(uint16_t* second = nullptr) {
  if (second) *second = 0;
  if (*ws.Exec_ptr != code::COMMA || !is_keyword(ws.Exec_ptr[1])) return OP_DEF;
  ++ws.Exec_ptr;
  uint16_t op = *ws.Exec_ptr++;
  if (op == code::EXT_DIR) op = uint16_t(EXT | *ws.Exec_ptr++);
  if (second && (*ws.Exec_ptr == code::D_NEXT || *ws.Exec_ptr == code::D_READ || *ws.Exec_ptr == code::D_RESET)) {
    *second = *ws.Exec_ptr++;
    if (*second == code::D_READ && *ws.Exec_ptr == code::D_NEXT) {
      ++ws.Exec_ptr;
      *second = code::D_NEXT | 0x200;  // READ NEXT after SELECT
    }
  }
  return op;
}

void comma() {
  if (*ws.Exec_ptr != code::COMMA) Rpt_error(err::SYNTAX);
  ++ws.Exec_ptr;
}
bool more() {
  if (*ws.Exec_ptr != code::COMMA || ws.Exec_ptr[1] == code::IOPT_FIRST + 4) return false;
  ++ws.Exec_ptr;
  return true;
}
void finish_statement() {
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ++ws.Exec_ptr;
  Chk_err();
  if (!stmt_end(*ws.Exec_ptr)) Rpt_error(err::SYNTAX);
}

// A control id: -32000..32767; others are object handles (the emulation
// takes them).
int64_t control_id() {
  Need_operand();
  Eval_val();
  Num_val v = ws.Num_acc;
  Set_scl(v, 0, 0);
  return v.mant;
}
bool is_handle(int64_t id) { return id < -32000 || id > 32767; }

// The second keyword as the emulation names it.
uint16_t emul_op2(uint16_t op2) { return (op2 & 0x200) ? uint16_t(code::D_READ) : op2; }

// The rest of the statement goes to an object: true when one took it.
bool emulated(int64_t id, uint16_t op, uint16_t op2) {
  if (!KestEmulateObjCtl(id, op, emul_op2(op2), nullptr, true)) return false;
  if (!stmt_end(*ws.Exec_ptr)) Rpt_error(err::SYNTAX);
  return true;
}

struct Target {
  Let_target t;
  bool string = false;
};
Target target() {
  Need_operand();
  ws.Cur_var = nullptr;  // set again only when the operand is a variable
  Get_value();
  Check_assignable(ws.Cur_var);
  Target t;
  Let_define(t.t);
  t.string = t.t.str_len >= 0;
  return t;
}
void assign_text(const Target& t, const std::string& s) {
  if (!t.string) Rpt_error(err::TYPE_MISMATCH);
  uint8_t* p = Work_take(s.size() + 1);
  if (!s.empty()) std::memcpy(p, s.data(), s.size());
  ws.Str_ptr = p;
  ws.Str_len = int32_t(s.size());
  Let_assign(t.t);
}
void assign_number(const Target& t, int64_t v) {
  if (t.string) Rpt_error(err::TYPE_MISMATCH);
  ws.Num_acc = Num_val{};
  ws.Num_acc.mant = v;
  ws.Str_len = -1;
  Let_assign(t.t);
}

// ---- the window and the drawing ----

Window_rec& current_window() { return console()->win; }

Wob* find_control(int32_t id) {
  for (Wob* o = current_window().controls; o; o = o->next)
    if (o->id == id) return o;
  return nullptr;
}

bool list_type(uint16_t t) { return t >= CT_LIST_BOX && t <= CT_MULTI_LINE; }

uint32_t kind_attr(int kind) {
  Fcb* con = ws.Con_fcb;
  uint32_t base = console()->win.def_attr;
  if (MnemDef* d = Find_mnem_in(con, Mnem_code('*', 'T'))) {
    if (d->len >= kind + 3) {
      const uint8_t* e = d->bytes + kind;
      uint32_t fg = e[1] & 15, bg = e[2] & 15;
      uint32_t a = e[0];
      if (fg == 0 && bg == 0) return a | (base & (ATTR_FG_MASK | ATTR_BG_MASK));
      return a | fg << 8 | bg << 16;
    }
  }
  switch (kind) {
    case 0: case 6: return base ^ ATTR_BACKGROUND;
    case 9: return base ^ ATTR_REVERSE;
    default: return base;
  }
}

// Writes text (padded or cut to width) at window cell (col, line) in the
// attribute of the display kind: only the cells that differ go out.
void tty_update(int32_t col, int32_t line, int32_t width, const std::string& text, int kind) {
  Dev_fcb* d = console();
  Window_rec& w = d->win;
  if (!w.chars || line < 0 || line >= w.lines || col >= w.cols) return;
  if (col + width > w.cols) width = w.cols - col;
  uint32_t at = kind_attr(kind);
  bool screen = Is_screen(d);
  int32_t ax = -1, ay = -1;
  bool sent = false;
  uint32_t keep = d->attr;
  for (int32_t i = 0; i < width; ++i) {
    uint8_t ch = i < int32_t(text.size()) ? uint8_t(text[size_t(i)]) : ' ';
    if (ch < 32) ch = ' ';
    int32_t cell = Cell(w, col + i, line);
    if (w.chars[cell] == ch && w.attrs[cell] == at) continue;
    w.chars[cell] = ch;
    w.attrs[cell] = at;
    if (screen) {
      Scr_send_cell(d, w.scr_col + w.col0 + col + i, w.scr_line + w.line0 + line, ch, at, &ax, &ay);
      sent = true;
    }
  }
  if (sent) Scr_resync(d, keep);
}

std::string item(const Wob* o, int32_t n) {
  if (n < 1 || n > int32_t(o->items.size())) return "";
  return o->items[size_t(n - 1)];
}

int base_kind(const Wob* o) {
  if (o->flags & WOB_DISABLED) return 6;
  return (o->flags & WOB_FOCUS) ? 3 : 0;
}

std::string shown_text(const Wob* o) {
  if ((o->type == CT_VARLIST_BOX || o->type == CT_VARDROP_BOX) && o->selected == 0) return o->text;
  return item(o, o->selected);
}

// Display lines of a multi-line edit: at most width - 1 bytes, ending at
// the delimiter or, when full, after the last blank.
std::vector<std::pair<int32_t, int32_t>> mln_lines(const Wob* o) {
  std::vector<std::pair<int32_t, int32_t>> out;
  int32_t room = o->width > 1 ? o->width - 1 : 1;
  int32_t n = int32_t(o->text.size()), at = 0;
  for (;;) {
    int32_t end = at, brk = -1;
    while (end < n && end - at < room && uint8_t(o->text[size_t(end)]) != o->delim) {
      if (o->text[size_t(end)] == ' ') brk = end + 1;
      ++end;
    }
    if (end < n && uint8_t(o->text[size_t(end)]) == o->delim) {
      out.push_back({at, end - at});
      at = end + 1;
      continue;
    }
    if (end < n && brk > at) end = brk;
    out.push_back({at, end - at});
    if (end >= n) break;
    at = end;
  }
  return out;
}

void display(Wob* o) {
  if (o->home_window != current_window().number && !(o->flags & WOB_DROPPED)) return;
  int k = base_kind(o);
  switch (o->type) {
    case CT_LIST_BOX:
      for (int32_t i = 0; i < o->height; ++i) {
        int32_t n = o->top + 1 + i;
        tty_update(o->col, o->line + i, o->width, item(o, n), n == o->selected && n > 0 ? 9 : k);
      }
      break;
    case CT_VARLIST_BOX:
      tty_update(o->col, o->line, o->width, shown_text(o), (o->flags & WOB_FOCUS) ? 9 : k);
      for (int32_t i = 1; i < o->height; ++i) {
        int32_t n = o->top + i;
        tty_update(o->col + 1, o->line + i, o->width - 1, item(o, n), n == o->selected && n > 0 ? 9 : k);
      }
      break;
    case CT_DROP_BOX:
    case CT_VARDROP_BOX: {
      std::string first = shown_text(o);
      if (int32_t(first.size()) > o->width - 1) first.resize(size_t(o->width - 1));
      first.resize(size_t(o->width - 1), ' ');
      first += 'v';
      if (o->flags & WOB_DROPPED) {
        // The current window is the drop list.
        tty_update(0, 0, o->width, first, (o->flags & WOB_FOCUS) ? 9 : k);
        for (int32_t i = 1; i < o->height; ++i) {
          int32_t n = o->top + i;
          tty_update(1, i, o->width - 1, item(o, n), n == o->selected && n > 0 ? 9 : k);
        }
      } else {
        tty_update(o->col, o->line, o->width, first, (o->flags & WOB_FOCUS) ? 9 : k);
      }
      break;
    }
    case CT_MULTI_LINE: {
      auto lines = mln_lines(o);
      for (int32_t i = 0; i < o->height; ++i) {
        size_t n = size_t(o->top + i);
        std::string s = n < lines.size() ? o->text.substr(size_t(lines[n].first), size_t(lines[n].second)) : "";
        tty_update(o->col, o->line + i, o->width, s, k);
      }
      break;
    }
    default: break;
  }
}

void redraw(Wob* o) {
  Console_current on;
  display(o);
}

int32_t visible(const Wob* o) { return o->type == CT_LIST_BOX ? o->height : o->height - 1; }

void set_index(Wob* o, int32_t n) {
  int32_t count = int32_t(o->items.size());
  if (n < 0) n = 0;
  if (n > count) n = count;
  int32_t prev = o->selected;
  o->selected = n;
  int32_t vis = visible(o);
  if (vis < 1) vis = 1;
  if (n != 0 && (n - 1 < o->top || n - 1 >= o->top + vis)) {
    int32_t off = prev > 0 ? prev - 1 - o->top : 0;
    if (off < 0 || off >= vis) off = 0;
    int32_t top = n - 1 - off;
    if (top < 0 || top > count - 1) top = 0;
    if (n - 1 >= top + vis) top = n - vis;
    o->top = top < 0 ? 0 : top;
  }
  o->flags |= WOB_CHANGED;
  redraw(o);
}

void clear_area(Wob* o) {
  int32_t h = o->type == CT_DROP_BOX || o->type == CT_VARDROP_BOX ? 1 : o->height;
  Console_current on;
  for (int32_t i = 0; i < h; ++i) {
    Window_rec& w = current_window();
    if (!w.chars) return;
    // Blanks in the window's base attribute.
    uint32_t keep = w.def_attr;
    Dev_fcb* d = console();
    int32_t ax = -1, ay = -1;
    bool sent = false;
    for (int32_t c = 0; c < o->width && o->col + c < w.cols && o->line + i < w.lines; ++c) {
      int32_t cell = Cell(w, o->col + c, o->line + i);
      if (w.chars[cell] == ' ' && w.attrs[cell] == keep) continue;
      w.chars[cell] = ' ';
      w.attrs[cell] = keep;
      if (Is_screen(d)) {
        Scr_send_cell(d, w.scr_col + w.col0 + o->col + c, w.scr_line + w.line0 + o->line + i, ' ', keep, &ax, &ay);
        sent = true;
      }
    }
    if (sent) Scr_resync(d, d->attr);
  }
}

// Opens or closes the list of a drop box: a plain window at the control's
// place holding its first line and the items.
void drop_list(Wob* o, bool open) {
  Console_current on;
  Dev_fcb* d = console();
  if (open && !(o->flags & WOB_DROPPED)) {
    Window_rec& w = d->win;
    int32_t x = w.scr_col + w.col0 + o->col, y = w.scr_line + w.line0 + o->line;
    int32_t h = o->height;
    if (y + h > d->lines) h = d->lines - y;
    if (h < 1 || !Is_screen(d)) return;
    int32_t c = d->column, l = d->line;
    try {
      Window_add(x, y, o->width, h, 0, Win_text{}, Win_text{}, Win_text{}, 0, false);
    } catch (const Mnemonic_ignored&) {
      return;
    }
    (void)c, (void)l;
    o->drop_window = d->win.number;
    o->flags |= WOB_DROPPED;
    Set_attr(d->win.def_attr);
    display(o);
  } else if (!open && (o->flags & WOB_DROPPED)) {
    o->flags &= uint16_t(~WOB_DROPPED);
    int32_t n = o->drop_window;
    o->drop_window = 0;
    if (Window_exists(d, n)) Window_drop(n);
    display(o);
  }
}

void queue_ctl(int32_t code) {
  Preinput_entry* e = static_cast<Preinput_entry*>(Get_blk(sizeof(Preinput_entry)));
  e->ctl = code;
  e->next = static_cast<Preinput_entry*>(ws.Preinput);
  ws.Preinput = e;
}

int32_t lbx_input(Wob* o, int32_t c, int32_t code);
int32_t mln_input(Wob* o, int32_t c, int32_t code);

int32_t input_of(Wob* o, int32_t c, int32_t code) {
  return o->type == CT_MULTI_LINE ? mln_input(o, c, code) : lbx_input(o, c, code);
}

// Moves the focus; CTL values the events give are queued (not when a key
// of the running input takes the focus away: that key ends the input).
void obj_focus(Wob* o, bool queue = true) {
  if (o == focus_wob) return;
  if (focus_wob) {
    Wob* old = focus_wob;
    int32_t r = input_of(old, -1, -1101);
    focus_wob = nullptr;
    if (queue && r != KEY_TAKEN && r != KEY_LEFT) queue_ctl(r);
  }
  if (o) {
    focus_wob = o;
    int32_t r = input_of(o, -1, -1102);
    if (r != KEY_TAKEN && r != KEY_LEFT) queue_ctl(r);
  }
}

void place_cursor(Wob* o, int32_t col, int32_t line) {
  Console_current on;
  Dev_fcb* d = console();
  if (!Is_screen(d)) return;
  Window_rec& w = d->win;
  if (col >= w.cols) col = w.cols - 1;
  if (line >= w.lines) line = w.lines - 1;
  (void)o;
  Scr_pos(d, col < 0 ? 0 : col, line < 0 ? 0 : line);
  Prt_flush();
}

int32_t lbx_input(Wob* o, int32_t c, int32_t code) {
  int32_t count = int32_t(o->items.size());
  if (c >= 0) {
    if (o->type != CT_LIST_BOX && o->type != CT_DROP_BOX) return KEY_LEFT;
    for (int32_t k = 1; k <= count; ++k) {
      int32_t n = (o->selected + k - 1) % count + 1;
      const std::string& s = o->items[size_t(n - 1)];
      if (!s.empty() && std::toupper(uint8_t(s[0])) == std::toupper(c)) {
        set_index(o, n);
        return KEY_TAKEN;
      }
    }
    return KEY_LEFT;
  }
  bool drop = o->type == CT_DROP_BOX || o->type == CT_VARDROP_BOX;
  switch (code) {
    case -1102:
      o->flags = uint16_t((o->flags & ~(WOB_CHANGED | WOB_OVERWRITE)) | WOB_FOCUS);
      redraw(o);
      return o->next_ctl ? o->next_ctl : KEY_TAKEN;
    case -1101: {
      if (o->flags & WOB_DROPPED) drop_list(o, false);
      o->flags &= uint16_t(~WOB_FOCUS);
      redraw(o);
      if (o->flags & WOB_CHANGED) {
        o->flags &= uint16_t(~WOB_CHANGED);
        return o->id;
      }
      return KEY_TAKEN;
    }
    case -1103:
      if (o->type == CT_LIST_BOX) {
        int32_t l = o->selected > 0 ? o->selected - 1 - o->top : 0;
        place_cursor(o, o->col, o->line + (l >= 0 && l < o->height ? l : 0));
      } else if (o->flags & WOB_DROPPED) {
        place_cursor(o, 0, 0);
      } else {
        place_cursor(o, o->col, o->line);
      }
      return KEY_TAKEN;
    case -1010: set_index(o, count > 0 ? 1 : 0); break;
    case -1018: set_index(o, count); break;
    case -1011: set_index(o, o->selected > 1 ? o->selected - 1 : (count > 0 ? 1 : 0)); break;
    case -1012:
      if (drop && !(o->flags & WOB_DROPPED)) drop_list(o, true);
      set_index(o, o->selected < count ? o->selected + 1 : count);
      break;
    case -1013: set_index(o, o->selected - visible(o) > 1 ? o->selected - visible(o) : (count > 0 ? 1 : 0)); break;
    case -1014: set_index(o, o->selected + visible(o) < count ? o->selected + visible(o) : count); break;
    case -1015:
      obj_focus(nullptr, false);
      return -1015;
    case 0:
      if (o->flags & WOB_DROPPED) drop_list(o, false);
      o->flags &= uint16_t(~WOB_CHANGED);
      o->ctl_code = 0;
      return o->id;
    default: {
      bool changed = (o->flags & WOB_CHANGED) != 0;
      obj_focus(nullptr, false);
      if (changed) return code;
      return KEY_LEFT;
    }
  }
  lbx_input(o, -1, -1103);
  return KEY_TAKEN;
}

int32_t mln_input(Wob* o, int32_t c, int32_t code) {
  auto lines = mln_lines(o);
  auto line_of = [&](int32_t ofs) {
    int32_t l = 0;
    for (size_t i = 0; i < lines.size(); ++i)
      if (lines[i].first <= ofs) l = int32_t(i);
    return l;
  };
  auto follow = [&]() {
    lines = mln_lines(o);
    int32_t l = line_of(o->offset);
    if (l < o->top) o->top = l;
    if (l >= o->top + o->height) o->top = l - o->height + 1;
    redraw(o);
    int32_t cl = line_of(o->offset);
    place_cursor(o, o->col + o->offset - lines[size_t(cl)].first, o->line + cl - o->top);
  };
  if (c >= 0 || code == 0) {
    if (o->flags2 & 0x80) return KEY_LEFT;
    uint8_t b = c >= 0 ? uint8_t(c) : o->delim;
    int32_t n = int32_t(o->text.size());
    bool at_end = o->offset >= n;
    bool over = (o->flags & WOB_OVERWRITE) && !at_end && uint8_t(o->text[size_t(o->offset)]) != o->delim &&
                b != o->delim;
    if (o->max_len > 0 && n >= o->max_len && !over) return KEY_LEFT;
    if (over) o->text[size_t(o->offset)] = char(b);
    else o->text.insert(size_t(o->offset), 1, char(b));
    ++o->offset;
    o->flags |= WOB_CHANGED;
    follow();
    return KEY_TAKEN;
  }
  int32_t n = int32_t(o->text.size());
  switch (code) {
    case -1102:
      o->flags = uint16_t((o->flags & ~(WOB_CHANGED | WOB_OVERWRITE)) | WOB_FOCUS);
      redraw(o);
      return o->next_ctl ? o->next_ctl : KEY_TAKEN;
    case -1101:
      o->flags &= uint16_t(~WOB_FOCUS);
      redraw(o);
      if (o->flags & WOB_CHANGED) {
        o->flags &= uint16_t(~WOB_CHANGED);
        return o->id;
      }
      return KEY_TAKEN;
    case -1103: follow(); return KEY_TAKEN;
    case -1004: if (o->offset > 0) --o->offset; break;
    case -1005: if (o->offset < n) ++o->offset; break;
    case -1010: o->offset = lines[size_t(line_of(o->offset))].first; break;
    case -1018: {
      auto& ln = lines[size_t(line_of(o->offset))];
      o->offset = ln.first + ln.second;
      break;
    }
    case -1011: case -1012: case -1013: case -1014: {
      int32_t l = line_of(o->offset), col = o->offset - lines[size_t(l)].first;
      int32_t step = code == -1011 ? -1 : code == -1012 ? 1 : code == -1013 ? -o->height : o->height;
      int32_t t = l + step;
      if (t < 0) t = 0;
      if (t >= int32_t(lines.size())) t = int32_t(lines.size()) - 1;
      auto& ln = lines[size_t(t)];
      o->offset = ln.first + (col < ln.second ? col : ln.second);
      break;
    }
    case -1009: o->flags ^= WOB_OVERWRITE; return KEY_TAKEN;
    case -1007:
      if (o->offset >= n || (o->flags2 & 0x80)) return KEY_LEFT;
      o->text.erase(size_t(o->offset), 1);
      o->flags |= WOB_CHANGED;
      break;
    case -1003:
      if (o->offset == 0 || (o->flags2 & 0x80)) return KEY_LEFT;
      o->text.erase(size_t(--o->offset), 1);
      o->flags |= WOB_CHANGED;
      break;
    default: {
      obj_focus(nullptr, false);
      return code;
    }
  }
  follow();
  return KEY_TAKEN;
}

// ---- the list-box family ----

// Items of a LOAD string: pieces ended by the string's last byte.
std::vector<std::string> split_items(const uint8_t* p, int32_t n) {
  std::vector<std::string> out;
  if (n <= 0) return out;
  uint8_t sep = p[n - 1];
  int32_t at = 0;
  for (int32_t i = 0; i < n; ++i)
    if (p[i] == sep) {
      out.emplace_back(reinterpret_cast<const char*>(p + at), size_t(i - at));
      at = i + 1;
    }
  return out;
}

// Whether the operand at the cursor is a whole string array (A$[ALL]).
bool whole_string_array() { return *ws.Exec_ptr == code::STR_VAR && Io_whole_array_at_cursor(); }

// The items of a whole string array as one item list ended by separators:
// the elements in storage order up to the last one that is not empty, an
// empty element before it giving one blank.  The separator is a byte that
// no element holds.
std::string array_items() {
  Var_node* node;
  uint32_t count = Io_all(&node);
  Str_blk** e = static_cast<Str_blk**>(node->elems);
  uint32_t last = 0;
  for (uint32_t i = 0; i < count; ++i)
    if (e[i] && e[i]->len > 0) last = i + 1;
  bool used[256] = {};
  for (uint32_t i = 0; i < last; ++i)
    if (e[i])
      for (uint32_t k = 0; k < e[i]->len; ++k) used[e[i]->bytes()[k]] = true;
  int sep = -1;
  for (int b : {int(prmblk.FS), 10, 0, 1, 255})
    if (!used[b]) {
      sep = b;
      break;
    }
  for (int b = 2; sep < 0 && b < 255; ++b)
    if (!used[b]) sep = b;
  if (sep < 0) Rpt_error(err::STRING_LENGTH);  // elements holding every byte value cannot be told apart
  std::string out;
  for (uint32_t i = 0; i < last; ++i) {
    if (e[i] && e[i]->len > 0) out.append(reinterpret_cast<const char*>(e[i]->bytes()), e[i]->len);
    else out += ' ';
    out += char(sep);
  }
  return out;
}

// Options of the control directives written with the extended option
// prefix, each a sub-code and its value: FNT= (a text, or "/" for the
// default font "*"), TIP= (up to 511 bytes), MSG= (up to 127), FMT=, NUL=,
// XT1=, XT2= (up to 255), DLM= (exactly one byte), MNU= (-32000..32000) and
// MAX= (0..32000).  A directive takes the ones `takes` names (a bit for
// each sub-code, opt_bit); another is error 20, a text over its limit 46.
enum : uint8_t { X_FNT = 150, X_TIP, X_MSG, X_FMT, X_NUL, X_DLM, X_MNU, X_MAX, X_XT1, X_XT2 };
constexpr uint32_t opt_bit(uint8_t x) { return 1u << (x - X_FNT); }
constexpr uint32_t LIST_OPTIONS = opt_bit(X_FNT) | opt_bit(X_TIP) | opt_bit(X_MSG) | opt_bit(X_FMT) |
                                  opt_bit(X_NUL) | opt_bit(X_DLM) | opt_bit(X_MNU) | opt_bit(X_MAX) |
                                  opt_bit(X_XT1);
constexpr uint32_t BUTTON_OPTIONS = opt_bit(X_FNT) | opt_bit(X_TIP) | opt_bit(X_MSG) | opt_bit(X_MNU) | opt_bit(X_XT1);
constexpr uint32_t SCROLL_OPTIONS = opt_bit(X_XT1);
constexpr uint32_t VBX_OPTIONS = opt_bit(X_XT1) | opt_bit(X_MNU);

void control_option(Objctl_def& d, uint32_t takes) {
  uint8_t sub = *ws.Exec_ptr++;
  if (sub < X_FNT || sub > X_XT2 || !(takes & opt_bit(sub))) Rpt_error(err::SYNTAX);
  auto text = [](size_t limit, std::string& into) {
    Eval_str();
    if (size_t(ws.Str_len) > limit) Rpt_error(err::STRING_LENGTH);
    into.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  };
  switch (sub) {
    case X_FNT:
      if (*ws.Exec_ptr == code::OP_DIV) {
        ++ws.Exec_ptr;
        d.font = "*";
        return;
      }
      return text(255, d.font);
    case X_TIP: return text(511, d.tip);
    case X_MSG: return text(127, d.message);
    case X_FMT: return text(255, d.format);
    case X_NUL: return text(255, d.null_text);
    case X_DLM:
      Eval_str();
      if (ws.Str_len != 1) Rpt_error(err::STRING_LENGTH);
      d.delim = ws.Str_ptr[0];
      return;
    case X_MNU: d.menu_ctl = Eval_range(-32000, 32000); return;
    case X_MAX: d.max_len = Eval_range(0, 32000); return;
    case X_XT1: return text(255, d.ext1);
    default: return text(255, d.ext2);
  }
}

// Where a list-family control or a scroll bar may lie in the current window
// (hundredths of a cell): error 29 outside it, 41 for a negative size.  A
// line of -1 places the control in the window's tool line, col + cols within
// 80 columns; a drop box's list may reach below the window.
void check_place(uint16_t type, int32_t col, int32_t line, int32_t cols, int32_t lines) {
  Window_rec& w = current_window();
  // Without a screen the console's window is 80 x 24 (controls are kept,
  // nothing is drawn).
  int32_t wcols = w.chars ? w.cols : 80, wlines = w.chars ? w.lines : 24;
  if (line != -100) {
    if (col < 0 || col + cols - 100 > 100 * wcols) Rpt_error(err::BAD_MNEMONIC);
    if (line < 0) Rpt_error(err::BAD_MNEMONIC);
    if (cols < 0 || lines < 0) Rpt_error(err::OUT_OF_RANGE);
    if (type != CT_DROP_BOX && type != CT_VARDROP_BOX && line + lines - 100 > 100 * wlines) Rpt_error(err::BAD_MNEMONIC);
  } else {
    if (col < 0 || col + cols > 8000 || w.type == WINDOW_DIALOGUE) Rpt_error(err::BAD_MNEMONIC);
  }
}

// DEF: col, line, width, height, then KEY=, OPT=, TBL= in any order.
void define(uint16_t type, int32_t id) {
  uint8_t* operands = ws.Exec_ptr;
  if (id == 0) Rpt_error(err::OUT_OF_RANGE);
  comma();
  Need_operand();
  int32_t col = Eval_int100();
  comma();
  int32_t line = Eval_int100();
  comma();
  int32_t cols = Eval_int100();
  comma();
  int32_t lines = Eval_int100();
  check_place(type, col, line, cols, lines);
  Window_rec& w = current_window();
  Objctl_def def;
  def.type = type;
  def.id = id;
  def.col = col;
  def.line = line;
  def.cols = cols;
  def.lines = lines;
  def.delim = type == CT_CHART ? uint8_t(',') : uint8_t(prmblk.FS);
  uint32_t takes = LIST_OPTIONS | (type == CT_MULTI_LINE ? opt_bit(X_XT2) : 0);
  while (*ws.Exec_ptr == code::COMMA) {
    uint8_t opt = ws.Exec_ptr[1];
    if (opt == code::IOPT_FIRST + 4) break;  // ERR=
    ws.Exec_ptr += 2;
    if (opt == code::IOPT_FIRST + 7) {  // KEY=
      Eval_str();
      if (ws.Str_len > 1) Rpt_error(err::STRING_LENGTH);
      def.alt_key = ws.Str_len == 1 ? uint8_t(std::toupper(ws.Str_ptr[0])) : 0;
    } else if (opt == code::IOPT_FIRST + 14 || opt == code::IOPT_FIRST + 11) {  // OPT= TBL=
      Eval_str();
      if (ws.Str_len > 255) Rpt_error(err::STRING_LENGTH);
      (opt == code::IOPT_FIRST + 14 ? def.options : def.xlate)
          .assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    } else if (opt == code::IOPT_FIRST) {
      control_option(def, takes);
    } else {
      Rpt_error(err::SYNTAX);
    }
  }
  finish_statement();
  (void)operands;
  if (KestObjCtlDefine(def)) return;
  if (thin_client()) {
    Gui_lbox r;
    r.type = type;
    r.id = id;
    r.nums[0] = col;
    r.nums[1] = line;
    r.nums[2] = cols;
    r.nums[3] = lines;
    r.options = def.options;
    r.xlate = def.xlate;
    r.alt_key = def.alt_key;
    r.delim = def.delim;
    r.font = def.font;
    r.null_text = def.null_text;
    r.tip = def.tip;
    r.format = def.format;
    r.message = def.message;
    r.ext1 = def.ext1;
    r.ext2 = def.ext2;
    r.menu_ctl = def.menu_ctl;
    r.max_len = def.max_len;
    Gui_lbox_send(r);
    return;
  }
  if (type == CT_GRID) Rpt_error_text(err::NOT_BUILT, "GRID needs the thin client");
  if (type == CT_CHART) Rpt_error_text(err::NOT_BUILT, "CHART needs the thin client");
  if (find_control(id)) Rpt_error(err::NO_CONTROL);
  Wob* o = new Wob;
  o->col = col / 100;
  o->line = line < 0 ? 0 : line / 100;
  o->width = (cols + 99) / 100;
  o->height = (lines + 99) / 100;
  if (o->width < 1) o->width = 1;
  if (o->height < 1) o->height = 1;
  o->id = id;
  o->type = type;
  o->delim = def.delim == 0 ? uint8_t(',') : def.delim;
  o->max_len = type == CT_MULTI_LINE ? def.max_len : 0;
  o->home_window = w.number;
  o->next = w.controls;
  w.controls = o;
  redraw(o);
}

// A column and a line, then nothing or ',' and a width and a height (both
// 0 or more): CLEAR, SELECT and a grid's LOCK and UNLOCK.
void two_and_size(Gui_lbox& req) {
  req.nums[req.nnums++] = Eval_integer();
  comma();
  req.nums[req.nnums++] = Eval_integer();
  if (more()) {
    if ((req.nums[req.nnums++] = Eval_integer()) < 0) Rpt_error(err::OUT_OF_RANGE);
    comma();
    if ((req.nums[req.nnums++] = Eval_integer()) < 0) Rpt_error(err::OUT_OF_RANGE);
  }
}

void list_family(uint16_t type) {
  DropComndWdw();  // the control directives draw on the program's screen
  ws.Stmt_save = ws.Stmt_ptr;
  uint16_t op2 = 0;
  int64_t id = control_id();
  uint16_t op = operation(&op2);
  if ((op != OP_DEF || is_handle(id)) && emulated(id, op, op2)) return;
  if (op == OP_DEF) return define(type, int32_t(id));
  bool grid = type == CT_GRID || type == CT_CHART;
  // Operands of the other operations, checked before anything changes.
  std::string text;
  int32_t index = -1, value_kind = 0;  // value_kind 1 number, 2 string, 3 delete ('/')
  Target targets[3], grid_cell[2];
  int ntargets = 0;
  Gui_lbox req;  // the integers of the forms that take them
  switch (op) {
    case code::D_LOAD:
      comma();
      Need_operand();
      if (type == CT_GRID) {  // a cell: column, line and its text
        req.nums[req.nnums++] = Eval_integer();
        comma();
        req.nums[req.nnums++] = Eval_integer();
        comma();
        Eval_str();
        text.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
        value_kind = 2;
        break;
      }
      if (*ws.Exec_ptr == code::NUM_VAR &&
          ws.Exec_ptr[Item_size(ws.Exec_ptr, ws.Exec_ptr + 2 + 127)] == code::WHOLE_ARRAY)
        Rpt_error(err::TYPE_MISMATCH);  // the items of a list are texts
      if (whole_string_array()) {
        text = array_items();
        value_kind = 2;
        break;
      }
      Eval_formula();
      // The item list is a text alone; an index is a number that an item
      // (or "/") follows: another kind of value is error 26.
      if (ws.Str_len >= 0) {
        if (more()) Rpt_error(err::TYPE_MISMATCH);
        text.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
        value_kind = 2;
      } else {
        index = To_integer(ws.Num_acc);
        if (!more()) Rpt_error(err::TYPE_MISMATCH);
        if (index < 0) Rpt_error(err::OUT_OF_RANGE);
        if (*ws.Exec_ptr == code::OP_DIV) {
          ++ws.Exec_ptr;
          value_kind = 3;
        } else {
          Eval_str();
          text.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
          value_kind = 1;
        }
      }
      break;
    case code::D_FIND:
      comma();
      if (grid) {
        req.nums[req.nnums++] = Eval_integer();
        comma();
        req.nums[req.nnums++] = Eval_integer();
        comma();
      } else {
        index = Eval_integer();
        if (index < 0) Rpt_error(err::OUT_OF_RANGE);
        comma();
      }
      targets[ntargets++] = target();
      break;
    case code::D_READ:
      comma();
      if (type == CT_GRID) {  // the cell's column and line first
        grid_cell[0] = target();
        comma();
        grid_cell[1] = target();
        comma();
      }
      targets[ntargets++] = target();
      if (more()) targets[ntargets++] = target();
      break;
    case code::D_GOTO:
      if (type == CT_GRID && more()) {  // a cell: both 0, or both 1 and more
        int32_t c = Eval_integer();
        comma();
        int32_t l = Eval_integer();
        if (!((c == 0 && l == 0) || (c >= 1 && l >= 1))) Rpt_error(err::OUT_OF_RANGE);
        req.nums[req.nnums++] = c;
        req.nums[req.nnums++] = l;
      }
      break;
    case code::D_LOCK: case code::D_UNLOCK:
      if (type == CT_GRID) {
        comma();
        two_and_size(req);
      }
      break;
    case EXT | 150:  // ADD: a column and a line
      comma();
      req.nums[req.nnums++] = Eval_integer();
      comma();
      req.nums[req.nnums++] = Eval_integer();
      break;
    case code::D_WRITE:
      comma();
      if (grid) {  // a cell: column and line first
        req.nums[req.nnums++] = Eval_integer();
        comma();
        req.nums[req.nnums++] = Eval_integer();
        comma();
      }
      Need_operand();
      Eval_formula();
      if (ws.Str_len >= 0) {
        text.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
        value_kind = 2;
      } else {
        if (type == CT_CHART) Rpt_error(err::TYPE_MISMATCH);  // a chart has no item to select
        index = To_integer(ws.Num_acc);
        value_kind = 1;
      }
      break;
    case code::D_NEXT:
      comma();
      index = Eval_range(-32000, 32000);
      break;
    case code::D_CLEAR: case code::D_DELETE: case EXT | 198 /* SELECT */:
      if (type == CT_CHART) Rpt_error(err::SYNTAX);  // a chart has no cells or items to clear or select
      if (op2 == code::D_RESET || op2 & 0x200 || op2 == code::D_READ) {
        if (op2 != code::D_RESET) {
          comma();
          targets[ntargets++] = target();
          comma();
          targets[ntargets++] = target();
        }
        break;
      }
      comma();
      if (op == code::D_DELETE) {  // an index range: start and count
        req.nums[req.nnums++] = Eval_integer();
        comma();
        req.nums[req.nnums++] = Eval_integer();
      } else {
        two_and_size(req);
      }
      break;
    default:
      break;
  }
  finish_statement();
  if (thin_client()) {
    req.type = type;
    req.op = op;
    req.op2 = uint16_t(op2 & 0xFF);
    req.id = int32_t(id);
    req.index = index;
    req.value_kind = value_kind;
    req.text = text;
    std::string back = Gui_lbox_send(req);
    if (op == code::D_FIND) {
      assign_text(targets[0], back);
    } else if (op == code::D_READ) {
      // A grid's 4-byte column and line, then the CTL byte, the 4-byte
      // index, the item text.
      if (type == CT_GRID) {
        if (back.size() < 8) Rpt_error_text(err::CONNECTION_LOST, "the client's grid READ reply is too short");
        const uint8_t* b = reinterpret_cast<const uint8_t*>(back.data());
        assign_number(grid_cell[0], int32_t(uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3]));
        assign_number(grid_cell[1], int32_t(uint32_t(b[4]) << 24 | uint32_t(b[5]) << 16 | uint32_t(b[6]) << 8 | b[7]));
        back.erase(0, 8);
      }
      if (back.size() < 5) Rpt_error_text(err::CONNECTION_LOST, "the client's READ reply is too short");
      const uint8_t* b = reinterpret_cast<const uint8_t*>(back.data());
      if (ntargets > 1) assign_number(targets[1], b[0]);
      int32_t n = int32_t(uint32_t(b[1]) << 24 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 8 | b[4]);
      if (targets[0].string) {
        assign_text(targets[0], back.substr(5));
      } else {
        if (n == -1) Rpt_error(err::TYPE_MISMATCH);
        assign_number(targets[0], n);
      }
    } else if (ntargets == 2 && back.size() >= 8) {  // SELECT READ: column and line
      const uint8_t* b = reinterpret_cast<const uint8_t*>(back.data());
      assign_number(targets[0], int32_t(uint32_t(b[0]) << 24 | uint32_t(b[1]) << 16 | uint32_t(b[2]) << 8 | b[3]));
      assign_number(targets[1], int32_t(uint32_t(b[4]) << 24 | uint32_t(b[5]) << 16 | uint32_t(b[6]) << 8 | b[7]));
    }
    return;
  }
  if (grid) Rpt_error_text(err::NOT_BUILT, std::string(type == CT_GRID ? "GRID" : "CHART") + " needs the thin client");
  Wob* o = find_control(id);
  if (!o || !list_type(o->type)) Rpt_error(err::NO_CONTROL);
  bool mln = o->type == CT_MULTI_LINE;
  switch (op) {
    case EXT | 169: o->flags |= WOB_DISABLED; redraw(o); break;   // DISABLE
    case EXT | 170: o->flags &= uint16_t(~WOB_DISABLED); redraw(o); break;  // ENABLE
    case EXT | 161: o->flags2 |= 1; break;  // AUTO
    case code::D_LOCK:
    case code::D_UNLOCK:
      if (!mln) Rpt_error(err::TYPE_MISMATCH);
      if (op == code::D_LOCK) o->flags2 |= 0x80;
      else o->flags2 &= uint16_t(~0x80);
      break;
    case code::D_GOTO:
      o->flags &= uint16_t(~WOB_DISABLED);
      obj_focus(o);
      break;
    case code::D_FIND:
      if (mln) Rpt_error(err::TYPE_MISMATCH);
      if (index < 1 || index > int32_t(o->items.size())) Rpt_error(err::MISSING_RECORD);
      assign_text(targets[0], item(o, index));
      break;
    case code::D_LOAD: {
      if (mln) Rpt_error(err::TYPE_MISMATCH);
      int32_t count = int32_t(o->items.size());
      if (value_kind == 2) {
        o->items = split_items(reinterpret_cast<const uint8_t*>(text.data()), int32_t(text.size()));
        o->selected = 0;
        o->top = 0;
      } else if (value_kind == 3) {
        if (index > count) Rpt_error(err::MISSING_RECORD);
        if (index > 0) {
          o->items.erase(o->items.begin() + (index - 1));
          if (o->selected == index) o->selected = 0;
          else if (o->selected > index) --o->selected;
        }
      } else {
        if (index > count) Rpt_error(err::MISSING_RECORD);
        if (index == 0) o->items.push_back(text);
        else {
          o->items.insert(o->items.begin() + (index - 1), text);
          if (o->selected >= index) ++o->selected;
        }
      }
      redraw(o);
      break;
    }
    case code::D_READ: {
      if (ntargets > 1) assign_number(targets[1], o->ctl_code);
      const Target& t = targets[0];
      if (mln) {
        assign_text(t, o->text);
      } else if (t.string) {
        if ((o->type == CT_VARLIST_BOX || o->type == CT_VARDROP_BOX) && o->selected == 0 && !o->text.empty()) {
          assign_text(t, o->text);
        } else {
          if (o->selected == 0) Rpt_error(err::MISSING_RECORD);
          assign_text(t, item(o, o->selected));
        }
      } else {
        if (o->selected == 0) Rpt_error(err::MISSING_RECORD);  // nothing selected has no number
        assign_number(t, o->selected);
      }
      break;
    }
    case code::D_NEXT: o->next_ctl = index; break;
    case code::D_REMOVE: {
      clear_area(o);
      Window_rec& w = current_window();
      Wob** at = &w.controls;
      while (*at != o) at = &(*at)->next;
      *at = o->next;
      if (focus_wob == o) focus_wob = nullptr;
      delete o;
      break;
    }
    case code::D_WRITE:
      if (mln) {
        if (value_kind != 2) Rpt_error(err::TYPE_MISMATCH);
        o->text = text;
        o->offset = 0;
        o->top = 0;
        redraw(o);
      } else if (value_kind == 1) {
        set_index(o, index);
      } else {
        int32_t found = 0;
        for (size_t i = 0; i < o->items.size() && !found; ++i) {
          const std::string& s = o->items[i];
          if (s.size() != text.size()) continue;
          bool eq = true;
          for (size_t k = 0; k < s.size() && eq; ++k)
            eq = std::toupper(uint8_t(s[k])) == std::toupper(uint8_t(text[k]));
          if (eq) found = int32_t(i + 1);
        }
        if (found) {
          set_index(o, found);
        } else if (o->type == CT_VARLIST_BOX || o->type == CT_VARDROP_BOX) {
          o->text = text;
          o->selected = 0;
          redraw(o);
        } else {
          Rpt_error(err::MISSING_RECORD);
        }
      }
      o->flags &= uint16_t(~WOB_CHANGED);
      break;
    default:
      break;  // the other operations change nothing on a character terminal
  }
  Console_current on;
  Prt_flush();
}

// Buttons: parsed, then error 98 (no character form).
// Where a button may lie (hundredths of a cell), error 29 outside: a
// negative line puts it in the tool line, 80 columns wide (with switch TB
// the console window's width, at least 80), which a dialogue has not.
void check_button_place(int32_t col, int32_t line, int32_t cols, int32_t lines) {
  Window_rec& w = current_window();
  int32_t wcols = w.chars ? w.cols : 80, wlines = w.chars ? w.lines : 24;
  if (cols < 0) Rpt_error(err::BAD_MNEMONIC);
  if (line < 0) {
    int32_t limit = Sw_on(sw::TB) ? std::max(wcols, int32_t(80)) : 80;
    if (col < 0 || col + cols > 100 * limit || w.type == WINDOW_DIALOGUE) Rpt_error(err::BAD_MNEMONIC);
    return;
  }
  if (col < 0 || (col + cols) / 100 > wcols || (line + std::abs(lines)) / 100 > wlines) Rpt_error(err::BAD_MNEMONIC);
}

void button(uint16_t type) {
  DropComndWdw();  // the control directives draw on the program's screen
  ws.Stmt_save = ws.Stmt_ptr;
  bool alt_form = *ws.Exec_ptr == code::OP_DIV;
  if (alt_form) ++ws.Exec_ptr;
  uint16_t op2 = 0;
  int64_t id = control_id();
  // A radio button's group follows its id: RADIO_BUTTON 5:3,READ,X.
  int32_t group = 0;
  if (type == CT_RADIO_BUTTON && *ws.Exec_ptr == code::COLON) {
    ++ws.Exec_ptr;
    group = Eval_range(1, 127);
  }
  uint16_t op = operation(&op2);
  if ((op != OP_DEF || is_handle(id)) && emulated(id, op, op2)) return;
  Objctl_def def;
  def.type = type;
  def.id = int32_t(id);
  def.group = group;
  if (op == OP_DEF) {
    int32_t* pos[4] = {&def.col, &def.line, &def.cols, &def.lines};
    for (int i = 0; i < 4; ++i) {
      comma();
      *pos[i] = Eval_int100();
    }
    check_button_place(def.col, def.line, def.cols, def.lines);
    comma();
    Eval_str();
    def.text.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    while (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] != code::IOPT_FIRST + 4) {
      uint8_t opt = ws.Exec_ptr[1];
      ws.Exec_ptr += 2;
      if (opt == code::IOPT_FIRST) {
        control_option(def, BUTTON_OPTIONS);
        continue;
      }
      if (opt != code::IOPT_FIRST + 11 && opt != code::IOPT_FIRST + 14) Rpt_error(err::SYNTAX);
      Eval_str();
      if (opt == code::IOPT_FIRST + 11) {  // TBL=
        if (type != CT_CHECK_BOX && type != CT_TRISTATE_BOX) Rpt_error(err::MISSING_KEY_DESC);
        if (ws.Str_len != 0 && ws.Str_len != 2 && ws.Str_len != 3) Rpt_error(err::STRING_LENGTH);
        def.xlate.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      } else if (opt == code::IOPT_FIRST + 14) {
        def.options.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      } else {
        Rpt_error(err::SYNTAX);
      }
    }
    finish_statement();
    if (KestObjCtlDefine(def)) return;
  }
  uint8_t state = 0;
  int32_t next = 0;
  Target targets[2];
  int ntargets = 0;
  if (op == code::D_WRITE) {
    comma();
    Eval_str();
    if (ws.Str_len > 1) Rpt_error(err::STRING_LENGTH);
    state = ws.Str_len == 1 ? ws.Str_ptr[0] : 0;
  } else if (op == code::D_NEXT) {
    comma();
    next = Eval_range(-32000, 32000);
  } else if (op == code::D_READ) {
    comma();
    targets[ntargets++] = target();
    if (type != CT_BUTTON && more()) targets[ntargets++] = target();  // a button has no state: its CTL alone
  }
  if (op != OP_DEF) finish_statement();
  if (thin_client()) {
    Gui_button b;
    b.type = type;
    b.op = op;
    b.id = def.id;
    b.group = def.group;
    b.next = next;
    b.col = def.col;
    b.line = def.line;
    b.cols = def.cols;
    b.lines = def.lines;
    b.state = state;
    b.alt_form = alt_form || def.options.find('G') != std::string::npos;
    b.text = def.text;
    b.options = def.options;
    b.states = def.xlate;
    b.message = def.message;
    b.tip = def.tip;
    b.font = def.font;
    b.menu_ctl = def.menu_ctl;
    b.ext = def.ext1;
    std::string back = Gui_button_send(b);
    if (op == code::D_READ && type == CT_BUTTON) {
      // A button's whole reply is the CTL value that ended the read.
      if (targets[0].string) assign_text(targets[0], back);
      else assign_number(targets[0], back.empty() ? 0 : uint8_t(back[0]));
    } else if (op == code::D_READ) {
      // The state character, then the CTL value that ended the read.
      if (targets[0].string) assign_text(targets[0], back.substr(0, 1));
      else assign_number(targets[0], back.empty() ? 0 : uint8_t(back[0]));
      if (ntargets > 1) assign_number(targets[1], back.size() > 1 ? uint8_t(back[1]) : 0);
    }
    return;
  }
  Rpt_error_text(err::NOT_FOR_DEVICE, "buttons, check boxes and radio buttons have no form on a text terminal");
}

}  // namespace

void Tty_purge_controls(Window_rec& w) {
  Objctl_windows_cleared();  // the menu bar and drag-and-drop services are looked up again
  Wob* o = w.controls;
  w.controls = nullptr;
  while (o) {
    Wob* n = o->next;
    if (o == focus_wob) focus_wob = nullptr;
    if (o->bound_obj) Objctl_release_binding(o);
    delete o;
    o = n;
  }
}

void Tty_purge_region(Window_rec& w, int32_t col, int32_t line, bool to_end) {
  Wob** at = &w.controls;
  while (Wob* o = *at) {
    if (o->type == CT_BINDING) {
      at = &o->next;
      continue;
    }
    int32_t h = o->type == CT_DROP_BOX || o->type == CT_VARDROP_BOX ? 1 : o->height;
    int32_t last_line = o->line + std::max(h, 1) - 1, last_col = o->col + std::max(o->width, 1) - 1;
    // Cleared: the cursor line from the cursor column, and with to_end
    // every line below it.
    bool hit = (o->line <= line && last_line >= line && last_col >= col) || (to_end && last_line > line);
    if (!hit) {
      at = &o->next;
      continue;
    }
    *at = o->next;
    if (o == focus_wob) focus_wob = nullptr;
    delete o;
  }
}

void Tty_drop_objects() {
  if (!ws.Con_fcb) return;
  Window_rec& w = current_window();
  Wob** at = &w.controls;
  while (Wob* o = *at) {
    if (o->type == CT_BINDING) {  // a binding to an object is no region of the screen
      at = &o->next;
      continue;
    }
    if (o == focus_wob) obj_focus(nullptr, false);
    if (o->flags & WOB_DROPPED) drop_list(o, false);
    clear_area(o);
    // The focus change or the list closing may have changed the list.
    at = &w.controls;
    while (*at && *at != o) at = &(*at)->next;
    if (!*at) continue;
    *at = o->next;
    if (focus_wob == o) focus_wob = nullptr;
    delete o;
    at = &w.controls;
  }
  Console_current on;
  Prt_flush();
}

bool Tty_has_focus() { return focus_wob != nullptr; }
int32_t TtyCurFocus() { return focus_wob ? focus_wob->id : 0; }

int32_t Tty_focus_key(int32_t c, int32_t code) {
  if (!focus_wob) return KEY_LEFT;
  Wob* o = focus_wob;
  int32_t r = input_of(o, c, code);
  if (r != KEY_TAKEN && r != KEY_LEFT) o->ctl_code = uint8_t(code < 0 ? 0 : code);
  return r;
}

static void d_lbox_body() {
  uint8_t c = ws.Exec_ptr[-1];
  uint16_t type = c == 185 ? CT_LIST_BOX : c == 186 ? CT_VARLIST_BOX : c == 187 ? CT_DROP_BOX
                : c == 188 ? CT_VARDROP_BOX : c == 189 ? CT_MULTI_LINE : CT_GRID;
  list_family(type);
}
void d_lbox() { As_token_form(d_lbox_body); }

static void d_chrt_body() { list_family(CT_CHART); }
void d_chrt() { As_token_form(d_chrt_body); }

static void d_wbtn_body() { button(CT_BUTTON); }
void d_wbtn() { As_token_form(d_wbtn_body); }
static void d_ckbx_body() { button(CT_CHECK_BOX); }
void d_ckbx() { As_token_form(d_ckbx_body); }
static void d_3sbx_body() { button(CT_TRISTATE_BOX); }
void d_3sbx() { As_token_form(d_3sbx_body); }
static void d_rbtn_body() { button(CT_RADIO_BUTTON); }
void d_rbtn() { As_token_form(d_rbtn_body); }

// A scroll bar's definition may leave its place to the client: a variable
// named F in place of the positions, with nothing but options after it.
// Another variable alone there stands for no positions: error 41.
bool client_placed() {
  uint8_t* at = ws.Exec_ptr;
  if (*at != code::NUM_VAR) return false;
  Var_node* v = Find_var();
  bool alone = stmt_end(*ws.Exec_ptr) ||
               (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] >= code::IOPT_FIRST && ws.Exec_ptr[1] <= code::IOPT_LAST);
  if (alone && v->name_len == 1 && (v->name[0] == 'F' || v->name[0] == 'f')) return true;
  if (alone) Rpt_error_text(err::OUT_OF_RANGE, "a scroll bar takes four positions, or F for the client's place");
  ws.Exec_ptr = at;
  return false;
}

// V_SCROLLBAR / H_SCROLLBAR: parsed, then error 98.
static void d_vsbr_body() {
  DropComndWdw();  // the control directives draw on the program's screen
  ws.Stmt_save = ws.Stmt_ptr;
  uint16_t scroll_type = ws.Exec_ptr[-1] == 180 ? CT_HSCROLL : CT_VSCROLL;
  int64_t id = control_id();
  uint16_t op = operation();
  if ((op != OP_DEF || is_handle(id)) && emulated(id, op, 0)) return;
  Objctl_def def;
  def.type = scroll_type;
  Target pos_target;
  int32_t nums[4] = {};
  if (op == OP_DEF) {
    if (id == 0) Rpt_error(err::OUT_OF_RANGE);
    def.type = scroll_type;
    def.id = int32_t(id);
    int32_t* pos[4] = {&def.col, &def.line, &def.cols, &def.lines};
    comma();
    if (client_placed()) {
      // F: the client places the bar (the positions go as -1).
      for (int32_t* p : pos) *p = -1;
    } else {
      Need_operand();
      for (int i = 0; i < 4; ++i) {
        if (i > 0) comma();
        *pos[i] = Eval_int100();
      }
      check_place(scroll_type, def.col, def.line, def.cols, def.lines);
    }
    while (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] != code::IOPT_FIRST + 4) {
      uint8_t opt = ws.Exec_ptr[1];
      ws.Exec_ptr += 2;
      if (opt == code::IOPT_FIRST) {
        control_option(def, SCROLL_OPTIONS);
        continue;
      }
      if (opt != code::IOPT_FIRST + 14) Rpt_error(err::SYNTAX);
      Eval_str();
      def.options.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
    }
    finish_statement();
    if (KestObjCtlDefine(def)) return;
  } else if (op == code::D_READ) {
    comma();
    pos_target = target();
    comma();
    if ((nums[0] = Eval_integer()) < 1) Rpt_error(err::OUT_OF_RANGE);
    nums[2] = 1;
    if (more() && (nums[1] = Eval_integer()) < 0) Rpt_error(err::OUT_OF_RANGE);
    if (more() && (nums[2] = Eval_integer()) < 1) nums[2] = 1;
  } else if (op == code::D_WRITE) {
    comma();
    nums[0] = Eval_integer();
    comma();
    if ((nums[1] = Eval_integer()) < 1) Rpt_error(err::OUT_OF_RANGE);
    if (nums[0] > nums[1]) nums[0] = nums[1];
  }
  if (op != OP_DEF) finish_statement();
  if (thin_client()) {
    if (op == OP_DEF) {
      nums[0] = def.col;
      nums[1] = def.line;
      nums[2] = def.cols;
      nums[3] = def.lines;
    }
    int32_t at = Gui_scroll_send(scroll_type, op, int32_t(id), nums, def.options);
    if (op == code::D_READ) assign_number(pos_target, at);
    return;
  }
  Rpt_error_text(err::NOT_FOR_DEVICE, "scroll bars have no form on a text terminal");
}
void d_vsbr() { As_token_form(d_vsbr_body); }

// FOCUS id | FOCUS RETRY id | FOCUS READ target
static void d_fcus_body() {
  DropComndWdw();  // the control directives draw on the program's screen
  ws.Stmt_save = ws.Stmt_ptr;
  if (*ws.Exec_ptr == code::D_READ) {
    ++ws.Exec_ptr;
    if (Objctl_single("SetFocusRead")) {
      Objctl_call_single_with_operands("SetFocusRead", nullptr);
      return;
    }
    Target t = target();
    finish_statement();
    if (thin_client()) {
      assign_number(t, Gui_focus_read());
      return;
    }
    assign_number(t, TtyCurFocus());
    return;
  }
  bool retry = *ws.Exec_ptr == code::D_RETRY;
  if (retry) ++ws.Exec_ptr;
  Need_operand();
  int64_t wide = control_id();
  finish_statement();
  if (Objctl_single("SetFocus")) {
    Objctl_call_single(retry ? "SetFocus_Retry" : "SetFocus", Term_args_add_number(nullptr, wide));
    return;
  }
  if (KestEmulateObjCtl(wide, code::D_GOTO, retry ? code::D_RETRY : 0, nullptr, false)) return;
  int32_t id = int32_t(wide);
  if (thin_client()) {
    if (id < -32000 || id > 32767) Rpt_error(err::OUT_OF_RANGE);
    Gui_focus_set(id, retry);
    return;
  }
  if (id == 0) {
    obj_focus(nullptr);
  } else {
    Wob* o = find_control(id);
    if (!o) Rpt_error(err::NO_CONTROL);
    if (!list_type(o->type)) Rpt_error(err::NOT_FOR_DEVICE);
    o->flags |= WOB_CHANGED;
    obj_focus(o);
  }
  Console_current on;
  Prt_flush();
}
void d_fcus() { As_token_form(d_fcus_body); }

namespace {

// A value for a target of the client's text: numbers converted from it.
void assign_reply(const Target& t, const std::string& s) {
  if (t.string) return assign_text(t, s);
  Num_val v{};
  if (!s.empty() && Conv_str_chk(reinterpret_cast<const uint8_t*>(s.data()), s.size(), v) != 0)
    Rpt_error_text(err::TYPE_MISMATCH, "the client's value is not a number");
  ws.Num_acc = v;
  ws.Str_len = -1;
  Let_assign(t.t);
}

// A VBX property operand: '/' the default property, a number, or a name.
void vbx_property(Gui_vbx& v) {
  if (*ws.Exec_ptr == code::OP_DIV) {
    ++ws.Exec_ptr;
    v.prop_kind = '/';
    return;
  }
  Eval_formula();
  if (ws.Str_len >= 0) {
    v.prop_kind = 'S';
    v.prop_name.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  } else {
    v.prop_kind = 'N';
    v.prop_number = To_integer(ws.Num_acc);
    if (v.prop_number < -32000 || v.prop_number > 32000) Rpt_error(err::OUT_OF_RANGE);
  }
}

int32_t vbx_index() {
  if (!more()) return -1;
  return Eval_range(-1, 32000);
}

}  // namespace

// VBX id[,keyword][,operands]: only the thin client serves VBX controls.
//   DEF     col,line,width,height,class$,caption$[,KEY=][,OPT=][,TBL=][,XT1=][,MNU=]
//   DEFCTL  /,target | event,value$
//   LOAD    index,item$ | index,/
//   READ    [property,]target[,index]   (property: name, number or /)
//   WRITE   property,value[,index]
//   GOTO, REMOVE and the extended keywords: no operands
static void d_cvbx_body() {
  DropComndWdw();  // the control directives draw on the program's screen
  ws.Stmt_save = ws.Stmt_ptr;
  Need_operand();
  Gui_vbx v;
  v.id = Eval_range(-32000, 32000);
  v.op = operation();
  Target t;
  bool has_target = false;
  switch (v.op) {
    case OP_DEF: {
      for (int i = 0; i < 4; ++i) {
        comma();
        v.nums[i] = Eval_int100();
      }
      Window_rec& w = current_window();
      int32_t wcols = w.chars ? w.cols : 80, wlines = w.chars ? w.lines : 24;
      if (v.nums[0] < 0 || v.nums[1] < 0 || v.nums[0] + v.nums[2] - 100 > 100 * wcols ||
          v.nums[1] + v.nums[3] - 100 > 100 * wlines)
        Rpt_error(err::BAD_MNEMONIC);
      if (v.nums[2] < 0 || v.nums[3] < 0) Rpt_error(err::OUT_OF_RANGE);
      comma();
      Eval_str();
      v.text1.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      comma();
      Eval_str();
      v.text2.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      while (*ws.Exec_ptr == code::COMMA) {
        uint8_t opt = ws.Exec_ptr[1];
        if (opt == code::IOPT_FIRST + 4) break;  // ERR=
        ws.Exec_ptr += 2;
        if (opt == code::IOPT_FIRST) {  // XT1= text, MNU= number
          Objctl_def def;
          control_option(def, VBX_OPTIONS);
          if (!def.ext1.empty()) v.ext1 = def.ext1;
          if (def.menu_ctl) v.menu_ctl = def.menu_ctl;
          continue;
        }
        Eval_str();
        if (opt == code::IOPT_FIRST + 7) {  // KEY=
          if (ws.Str_len > 1) Rpt_error(err::STRING_LENGTH);
          v.alt_key = ws.Str_len == 1 ? uint8_t(std::toupper(ws.Str_ptr[0])) : 0;
        } else if (opt == code::IOPT_FIRST + 14 || opt == code::IOPT_FIRST + 11) {  // OPT= TBL=
          if (ws.Str_len > 255) Rpt_error(err::STRING_LENGTH);
          (opt == code::IOPT_FIRST + 14 ? v.options : v.xlate)
              .assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
        } else {
          Rpt_error(err::SYNTAX);
        }
      }
      break;
    }
    case code::D_DEFCTL:
      comma();
      if (*ws.Exec_ptr == code::OP_DIV) {
        ++ws.Exec_ptr;
        comma();
        v.readback = true;
        t = target();
        has_target = true;
      } else {
        Need_operand();
        v.event = Eval_range(-32000, 32000);
        comma();
        Eval_formula();
        if (ws.Str_len >= 0) {
          if (ws.Str_len == 0) Rpt_error(err::STRING_LENGTH);
          v.value.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
        } else {
          char text[CONV_NORMAL_MAX];
          v.value.assign(text, size_t(Conv_normal(ws.Num_acc, text)));
        }
      }
      break;
    case code::D_LOAD:
      comma();
      Need_operand();
      v.index = Eval_range(-1, 32000);
      comma();
      if (*ws.Exec_ptr == code::OP_DIV) {
        ++ws.Exec_ptr;
        v.value_delete = true;
      } else {
        Eval_str();
        v.value.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      }
      break;
    case code::D_READ: {
      comma();
      Need_operand();
      // [property,] target [,index]: a single operand is the target.
      uint8_t* at = ws.Exec_ptr;
      bool lone = false;
      if (*ws.Exec_ptr != code::OP_DIV) {
        Eval_formula();  // looked at only: what follows it decides
        lone = !(*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] != code::IOPT_FIRST + 4);
        ws.Exec_ptr = at;
      }
      if (lone) {
        v.prop_kind = ' ';
      } else {
        vbx_property(v);
        comma();
      }
      t = target();
      has_target = true;
      v.index = vbx_index();
      break;
    }
    case code::D_WRITE: {
      comma();
      Need_operand();
      vbx_property(v);
      comma();
      Need_operand();
      Eval_formula();
      v.value_string = ws.Str_len >= 0;
      if (v.value_string) {
        v.value.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
      } else {
        char text[CONV_NORMAL_MAX];
        v.value.assign(text, size_t(Conv_normal(ws.Num_acc, text)));
      }
      v.index = vbx_index();
      break;
    }
    default:
      break;
  }
  finish_statement();
  if (!thin_client()) Rpt_error_text(err::NOT_BUILT, "VBX controls need the thin client");
  std::string back = Gui_vbx_send(v);
  if (has_target) assign_reply(t, back);
}
void d_cvbx() { As_token_form(d_cvbx_body); }

// WINPRT [=] DIRECTORY|INPUT|LIST|READ [FROM] target | WINPRT [=] WRITE [FROM] text:
// the client's printers.  FROM sets the printer flag ('P').
static void d_prtr_body() {
  DropComndWdw();
  ws.Stmt_save = ws.Stmt_ptr;
  if (*ws.Exec_ptr == code::OP_EQ) ++ws.Exec_ptr;  // the optional leading mark changes nothing
  uint8_t op = *ws.Exec_ptr;
  uint8_t letter;
  switch (op) {
    case code::D_DIRECTORY: letter = 'd'; break;
    case code::D_INPUT: letter = '?'; break;
    case code::D_LIST: letter = 'l'; break;
    case code::D_READ: letter = 'R'; break;
    case code::D_WRITE: letter = 'W'; break;
    default: Rpt_error_text(err::SYNTAX, "WINPRT takes DIRECTORY, INPUT, LIST, READ or WRITE");
  }
  ++ws.Exec_ptr;
  uint8_t flag = ' ';
  if (ws.Exec_ptr[0] == code::PREFIX2 && ws.Exec_ptr[1] == code::P2_FROM) {
    ws.Exec_ptr += 2;
    flag = 'P';
  }
  if (*ws.Exec_ptr == code::COMMA) ++ws.Exec_ptr;
  if (Objctl_single("Winprt_Open")) {
    // The handler's printer: the operation's name, 1 with FROM, then the
    // statement's operand (a target passes by reference).
    const char* name = letter == 'd' ? "DIRECTORY" : letter == '?' ? "INPUT" : letter == 'l' ? "LIST"
                       : letter == 'R' ? "READ" : "WRITE";
    Arg_rec* args = Term_args_add_text(nullptr, reinterpret_cast<const uint8_t*>(name), std::strlen(name));
    Objctl_call_single_with_operands("Winprt_Open", Term_args_add_number(args, flag == 'P' ? 1 : 0));
    return;
  }
  Need_operand();
  std::string text;
  Target t;
  if (letter == 'W') {
    Eval_str();
    text.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  } else {
    t = target();
  }
  finish_statement();
  if (!thin_client()) Rpt_error_text(err::NOT_BUILT, "WINPRT needs the thin client");
  std::string back = Gui_winprt(letter, flag, text);
  if (letter != 'W') assign_reply(t, back);
}
void d_prtr() { As_token_form(d_prtr_body); }

// DROP ON id,window,+value | DROP ON id,window,- | DROP ON id,window,keyword:
// drag and drop between controls.  The id is -32000..32000, or 32767 (also
// written as a keyword) for every control; '+' makes the control a drop
// target with that value, '-' removes it, ENABLE gives 'E' and any other
// keyword 'D'.  The handler's "DragDrop" service object may take it, else
// the thin client gets '~' with the letter, the id, the window and for '+'
// the value (no reply).
static void drag_drop() {
  ws.Stmt_save = ws.Stmt_ptr;
  Need_operand();
  int32_t id;
  uint8_t c = *ws.Exec_ptr;
  if (c == code::EXT_DIR || c == code::PREFIX2) {
    ws.Exec_ptr += 2;
    id = 32767;
  } else if (c == 61 || (c >= 150 && c <= 243)) {
    ++ws.Exec_ptr;
    id = 32767;
  } else {
    id = Eval_integer();
    if (id != 32767 && (id < -32000 || id > 32000)) Rpt_error(err::OUT_OF_RANGE);
  }
  comma();
  Need_operand();
  int32_t window = Eval_range(0, 255);
  comma();
  uint8_t letter;
  uint16_t op;
  int32_t value = 0;
  c = *ws.Exec_ptr;
  if (c == code::OP_ADD) {
    ++ws.Exec_ptr;
    Need_operand();
    value = Eval_range(-32000, 32000);
    letter = '+';
    op = OP_DEF;
  } else if (c == code::OP_SUB) {
    ++ws.Exec_ptr;
    letter = '-';
    op = code::D_REMOVE;
  } else if (c == code::EXT_DIR) {
    op = uint16_t(EXT | ws.Exec_ptr[1]);
    letter = ws.Exec_ptr[1] == 170 ? 'E' : 'D';
    ws.Exec_ptr += 2;
  } else if (c == 61 || (c >= 150 && c <= 243)) {
    op = c;
    letter = 'D';
    ++ws.Exec_ptr;
  } else {
    Rpt_error_text(err::SYNTAX, "DROP ON takes +value, - or a keyword after the window");
  }
  finish_statement();
  if (KestObjCtlGetObjId("DragDrop")) {
    Arg_rec* list = letter == '+' ? Term_args_add_number(nullptr, value) : nullptr;
    list = Term_args_add_number(list, window);
    list = Term_args_add_number(list, id);
    if (Objctl_service("DragDrop", op, list, false)) return;
  }
  if (!thin_client()) Rpt_error_text(err::NOT_BUILT, "DROP ON needs the thin client");
  Gui_drop_on(letter, id, window, value);
}

void OruDragDrop() { As_token_form(drag_drop); }

// SHOW / HIDE of controls: the ids are checked, then the thin client is
// needed.
// Entries are 3 bytes: the id (16 bits, big-endian) and a window number
// (0 none).  Ids that are object handles go to their objects, bound ids to
// theirs.
void show_hide(uint16_t op) {
  DropComndWdw();  // the control directives draw on the program's screen
  ws.Stmt_save = ws.Stmt_ptr;
  Need_operand();
  Eval_formula();
  std::string entries;
  if (ws.Str_len >= 0) {
    // A text of entries stands alone: a window number or a further id
    // after it is error 26.
    if (*ws.Exec_ptr == code::COLON || more()) Rpt_error(err::TYPE_MISMATCH);
    if (ws.Str_len % 3 != 0) Rpt_error(err::STRING_LENGTH);
    entries.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  } else {
    for (;;) {
      if (ws.Str_len >= 0) Rpt_error(err::TYPE_MISMATCH);  // the ids of a list are numbers
      Num_val v = ws.Num_acc;
      Set_scl(v, 0, 0);
      int64_t id = v.mant;
      int32_t window = 0;
      if (*ws.Exec_ptr == code::COLON) {
        ++ws.Exec_ptr;
        window = Eval_range(1, 255);
      }
      if (is_handle(id)) {
        Arg_rec* args = nullptr;
        if (window) {
          Num_val w{};
          w.mant = window;
          Term_arg_number(&args, w);
        }
        if (!KestEmulateObjCtl(id, op, window ? OBJCTL_ID : 0, args, false)) Rpt_error(err::OUT_OF_RANGE);
      } else {
        entries += char(uint8_t(uint32_t(id) >> 8));
        entries += char(uint8_t(id));
        entries += char(uint8_t(window));
      }
      if (!more()) break;
      Eval_formula();
    }
  }
  finish_statement();
  KestHideShowObjCtl(op, entries);
  if (entries.empty()) return;
  if (thin_client()) {
    Gui_show_hide(op, entries);
    return;
  }
  Rpt_error_text(err::NOT_BUILT, "showing and hiding controls needs the thin client");
}
static void d_show_body() { show_hide(OBJCTL_EXT | 202); }
void d_show() { As_token_form(d_show_body); }
void Control_enable(bool disable) {
  As_token_form([disable] { show_hide(OBJCTL_EXT | (disable ? 169 : 170)); });
}
static void d_hide_body() { show_hide(OBJCTL_EXT | 203); }
void d_hide() { As_token_form(d_hide_body); }

// POPUP_MENU [@(col,line),] menu$, target: a text terminal has no popup
// menus; the target keeps its value.  The position is in hundredths of a
// cell, each at least 0 (41).
static void d_pmnu_body() {
  DropComndWdw();  // the control directives draw on the program's screen
  ws.Stmt_save = ws.Stmt_ptr;
  if (Objctl_single("Popup_Menu")) {
    // The position in cells with 2 decimals (given in hundredths); -1,-1
    // without one: where the cursor stands.
    int64_t at[2] = {-100, -100};
    if (*ws.Exec_ptr == POSITION_CODE) {
      ++ws.Exec_ptr;
      at[0] = Eval_integer();
      if (at[0] < 0) Rpt_error(err::OUT_OF_RANGE);
      comma();
      at[1] = Eval_integer();
      if (at[1] < 0) Rpt_error(err::OUT_OF_RANGE);
      if (*ws.Exec_ptr != code::RPAREN) Rpt_error(err::SYNTAX);
      ++ws.Exec_ptr;
      comma();
    }
    Num_val v{};
    v.scale = 2;
    v.mant = at[0];
    Arg_rec* args = Term_args_add_number(nullptr, v);
    v.mant = at[1];
    Objctl_call_single_with_operands("Popup_Menu", Term_args_add_number(args, v));
    return;
  }
  Need_operand();
  int32_t col = -1, line = -1;
  if (*ws.Exec_ptr == POSITION_CODE) {
    ++ws.Exec_ptr;
    col = Eval_integer();
    if (col < 0) Rpt_error(err::OUT_OF_RANGE);
    comma();
    line = Eval_integer();
    if (line < 0) Rpt_error(err::OUT_OF_RANGE);
    if (*ws.Exec_ptr != code::RPAREN) Rpt_error(err::SYNTAX);
    ++ws.Exec_ptr;
    comma();
    Need_operand();
  }
  Eval_str();
  std::string menu(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  comma();
  Target t = target();
  finish_statement();
  if (thin_client()) {
    std::string back = Gui_popup(t.string, col, line, menu);
    if (t.string) {
      assign_text(t, back);
    } else {
      if (back.size() < 2) Rpt_error_text(err::CONNECTION_LOST, "the client's popup-menu reply is too short");
      assign_number(t, int16_t(uint16_t(uint8_t(back[0]) << 8 | uint8_t(back[1]))));
    }
  }
}
void d_pmnu() { As_token_form(d_pmnu_body); }
