// Prt_mnem: carries out one mnemonic on the current channel.
//
// On a terminal screen the screen table keeps the channel's model (cursor,
// attribute word, mode word, input status, image) in step and decides what
// the device gets: a definition the driver gave, an emulation, or the
// attribute changes through Set_attr.  Other channels (printers, files,
// pipes, a console whose output is not a terminal) use the general table.
#include <cstring>
#include <string>

#include "channels/print.h"
#include "channels/record_io.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"
#include "terminal/command_window.h"
#include "terminal/gui_objctl.h"
#include "terminal/editor_keys.h"
#include "terminal/controls.h"
#include "terminal/long_mnem.h"
#include "terminal/obj_attach.h"
#include "terminal/tc_propcache.h"
#include "terminal/tc_session.h"
#include "terminal/terminal.h"
#include "terminal/vformat.h"
#include "terminal/windows.h"

namespace {

constexpr int32_t LINE_MAX = 32000;
constexpr uint32_t MODE_GRAPHICS_FLAG = 0x10;  // Fcb::mode_flags: graphics characters

constexpr uint16_t M(char a, char b) { return Mnem_code(a, b); }

bool record_ending_kind(int32_t k) { return k == FK_SERIAL || k == FK_INDEXED || k == FK_PIPE; }
// The kinds whose output goes out at each line end: devices and pipes, and
// binary byte streams (record size 1), whose lines are in the file when the
// statement that printed them returns.
bool flush_on_line(const Fcb* f) {
  int32_t k = f->kind;
  return k == FK_DEVICE || k == FK_AUX_PRINTER || k == FK_PIPE || (k == FK_BINARY && f->rec_size == 1);
}

// 'SA' / 'RA' stack of five entries.
struct Attr_save {
  uint32_t attr;
  uint16_t in_status;
  uint16_t mode;
  int32_t column;
};
struct Attr_stack {
  int32_t depth;
  Attr_save e[5];
};

// Mode-word bits of the screen table's pairs: set by the first code of a
// pair, cleared by the second.  Their meaning belongs to the features that
// read them; the screen keeps them.
struct Mode_pair {
  uint16_t on, off;
  uint16_t bit;
};
const Mode_pair mode_pairs[] = {
    {M('E', 'W'), M('B', 'W'), MODE_NOWRAP}, {M('U', 'C'), M('L', 'C'), MODE_UC},
    {M('B', 'J'), M('E', 'J'), 0x8},         {M('M', 'E'), M('M', 'N'), 0x10},
    {M('S', 'D'), M('S', 'E'), 0x20},        {M('S', 'X'), M('S', 'N'), 0x40},
    {M('C', 'A'), M('C', 'D'), 0x80},        {M('+', 'W'), M('-', 'W'), 0x400},
    {M('+', 'E'), M('-', 'E'), 0x1000},      {M('+', 'F'), M('-', 'F'), 0x2000},
    {M('+', 'P'), M('-', 'P'), 0x8000},
};
// Codes of the screen table accepted and kept without a model change of
// their own (their definition, when the driver gives one, is sent).
const char kept_codes[] = "BK+T-T+X-X+D-DF+F-MT2D3D4DZXC+C-";

bool in_pairs(const char* list, uint16_t m) {
  for (size_t i = 0; list[i] && list[i + 1]; i += 2)
    if (M(list[i], list[i + 1]) == m) return true;
  return false;
}

// Normalises the parameterised and colour forms: 'F3' -> 'F0' with 3.
uint16_t normalise_code(uint16_t m, int32_t& param) {
  uint8_t a = uint8_t(m >> 8), b = uint8_t(m);
  param = -1;
  if (a == 'f' || a == 'b') {
    param = b;
    return M(a == 'f' ? 'F' : 'B', '0');
  }
  if (b >= 0x30 && b <= 0x3f) {
    param = b & 15;
    return uint16_t((a << 8) | '0');
  }
  return m;
}

void flush_channel(Fcb* f) {
  if (f->high_water > f->buf_count) f->buf_count = f->high_water;
  Fio_call(FIO_FLUSH);
  if (f->high_water > f->buf_count) f->high_water = f->buf_count;
}

void normalise_buffer(Fcb* f) {
  if (f->high_water > f->buf_count) {
    f->column += f->high_water - f->buf_count;
    f->buf_count = f->high_water;
  }
}

Attr_stack* attr_stack(Fcb* f) {
  if (!f->attr_stack) f->attr_stack = Get_blk(sizeof(Attr_stack));
  return static_cast<Attr_stack*>(f->attr_stack);
}

void cursor_move(Fcb* f, uint16_t m, const MnemDef* def) {
  Window_rec& w = Dev(f)->win;
  int32_t col = f->column >= w.cols ? w.cols - 1 : f->column, line = f->line;
  bool simple = true;  // the definition alone does it
  switch (m) {
    case M('C', 'H'): col = 0; line = 0; break;
    case M('C', 'R'): col = 0; break;
    case M('B', 'S'):
      if (col == 0) {
        Mnem_override = true;
        return;
      }
      --col;
      break;
    case M('L', 'T'):
      if (col > 0) {
        --col;
      } else {
        simple = false;
        col = w.cols - 1;
        line = line > 0 ? line - 1 : w.lines - 1;
      }
      break;
    case M('R', 'T'):
      if (col + 1 < w.cols) {
        ++col;
      } else {
        simple = false;
        col = 0;
        line = line + 1 < w.lines ? line + 1 : 0;
      }
      break;
    case M('U', 'P'):
    case M('V', 'T'):
      if (line > 0) --line;
      else { simple = false; line = w.lines - 1; }
      break;
    case M('D', 'N'):
      if (line + 1 < w.lines) ++line;
      else { simple = false; line = 0; }
      break;
    default: break;
  }
  if (f->column >= w.cols) simple = false;  // a pending wrap: move explicitly
  if (simple && def && !(f->st1 & ST1_WINDOW_REL)) {
    f->column = col;
    f->line = line;
    return;  // Prt_mnem sends the definition
  }
  Scr_pos(f, col, line);
  Mnem_override = true;
}

// The screen table; returns false for a code outside it.
bool screen_action(Fcb* f, uint16_t m, int32_t param, const MnemDef* def, uint32_t& attr, uint16_t& in_status,
                   uint16_t& mode) {
  Dev_fcb* d = Dev(f);
  switch (m) {
    case M('C', 'H'): case M('C', 'R'): case M('B', 'S'): case M('L', 'T'): case M('R', 'T'):
    case M('U', 'P'): case M('V', 'T'): case M('D', 'N'):
      cursor_move(f, m, def);
      return true;
    case M('L', 'F'):
      Scr_line_feed(f, def);
      return true;
    case M('C', 'S'):
    case M('F', 'F'): {
      Term_check_resize();
      // Clearing the window takes its character-mode controls away.
      if (f == ws.Con_fcb) Tty_purge_controls(d->win);
      const MnemDef* cs = def ? def : Find_mnem(M('C', 'S'));
      Mnem_CS(cs);
      if (!Mnem_override && cs != def) {
        Send_mnem(cs);
        Mnem_override = true;
      }
      return true;
    }
    case M('C', 'L'):
    case M('C', 'E'):
      // Clearing takes away the controls in the cleared cells.
      if (f == ws.Con_fcb && d->win.controls) Tty_purge_region(d->win, f->column, f->line, m == M('C', 'E'));
      if (m == M('C', 'L')) Mnem_CL(def);
      else Mnem_CE(def);
      return true;
    case M('C', 'F'): Mnem_CF(def); return true;
    case M('D', 'C'): Mnem_DC(def); return true;
    case M('I', 'C'): Mnem_IC(def); return true;
    case M('L', 'D'): Mnem_LD(def); return true;
    case M('L', 'I'): Mnem_LI(def); return true;
    case M('S', 'B'): attr |= ATTR_BACKGROUND; return true;
    case M('S', 'F'): attr &= ~ATTR_BACKGROUND; return true;
    case M('B', 'R'): attr |= ATTR_REVERSE; return true;
    case M('E', 'R'): attr &= ~ATTR_REVERSE; return true;
    case M('B', 'B'): attr |= ATTR_BLINK; return true;
    case M('E', 'B'): attr &= ~ATTR_BLINK; return true;
    case M('B', 'U'): attr |= ATTR_UNDERLINE; return true;
    case M('E', 'U'): attr &= ~ATTR_UNDERLINE; return true;
    case M('G', 'S'): attr |= ATTR_GRAPHICS; return true;
    case M('G', 'E'): attr &= ~ATTR_GRAPHICS; return true;
    case M('F', '0'):
      // A colour the channel defines goes out as its definition; one it
      // does not goes out through Set_attr (the nearest colour it has).
      attr = (attr & ~ATTR_FG_MASK) | (uint32_t(param) << 8);
      return true;
    case M('B', '0'):
      attr = (attr & ~ATTR_BG_MASK) | (uint32_t(param) << 16);
      return true;
    case M('R', 'M'): {
      uint32_t fresh = d->win.def_attr;
      if (mode & MODE_KEEP_COLOURS) fresh = (attr & (ATTR_FG_MASK | ATTR_BG_MASK)) | (fresh & 0xff);
      attr = fresh;
      f->attr = ~fresh;  // Set_attr sends 'RM' and every attribute again
      Mnem_override = true;
      f->out_hook = nullptr;
      d->fl_kind = 0;
      in_status &= IN_KEEP;
      mode = uint16_t((mode & 0x6400) | 1);
      return true;
    }
    case M('D', 'F'): d->win.def_attr = attr; return true;
    case M('C', '0'):
      if (param > 3) return false;
      mode = uint16_t((mode & ~MODE_CURSOR) | param);
      Mnem_override = true;  // Set_mode sends the cursor mode
      return true;
    case M('R', 'S'):
      // Redraw: the scroll region back to the whole window, then every
      // cell of the screen sent again from the windows' images (a screen
      // that something else wrote on comes back).
      if (d->win.lines != d->win.in_lines) Window_scroll(0);
      if (!(f->st2 & ST2_THIN_CLIENT)) Window_redraw();
      attr = f->attr;
      mode = d->mode;
      Mnem_override = true;
      return true;
    case M('W', 'C'): case M('W', 'R'): case M('W', 'S'): case M('S', 'R'):
      try {
        if (m == M('W', 'C')) Window_push();
        else if (m == M('W', 'R')) Window_pop();
        else if (m == M('W', 'S')) Window_swap();
        else Window_reset();
      } catch (const Mnemonic_ignored&) {
      }
      // The window change set the channel's attribute, cursor and modes.
      attr = f->attr;
      mode = d->mode;
      Mnem_override = true;
      return true;
    case M('M', '+'): case M('M', '-'):
      // The menu-enabled bit of the process (a thin client gets the
      // mnemonic itself and enables or disables its menu bar).
      Menu_enabled = m == M('M', '+');
      return true;
    case M('D', 'O'):
      // The console's character-mode controls of the current window go.
      if (f == ws.Con_fcb && !(f->st2 & ST2_THIN_CLIENT)) Tty_drop_objects();
      return true;
    case M('C', 'I'):
      if (f == ws.Con_fcb) {
        Flush_console();
        Preinput_clear();
      }
      while (d->preinput) {
        Prei_entry* n = d->preinput->next;
        Ret_blk(d->preinput);
        d->preinput = n;
      }
      return true;
    case M('T', 'W'): Mnem_TW(); return true;
    case M('F', 'L'):
    case M('E', 'L'):
      if (d->fl_kind) {
        d->fl_kind = 0;
        f->out_hook = nullptr;
        Rpt_error(err::MNEMONIC_LOAD);
      }
      d->fl_kind = m == M('F', 'L') ? 'F' : 'E';
      d->fl_op = 0;
      d->fl_state = 0;
      f->out_hook = Mnem_FL_fnc;
      Mnem_override = true;
      return true;
    case M('E', 'E'): in_status |= IN_ECHO_OFF; return true;
    case M('B', 'E'): in_status &= uint16_t(~IN_ECHO_OFF); return true;
    case M('E', 'T'): in_status |= IN_DISCARD_AHEAD; return true;
    case M('B', 'T'): in_status &= uint16_t(~IN_DISCARD_AHEAD); return true;
    case M('R', 'C'): in_status |= IN_READ_RC; return true;
    case M('R', 'L'): in_status |= IN_READ_RL; return true;
    case M('T', 'R'): in_status |= IN_READ_TR; return true;
    case M('R', 'P'): in_status |= IN_READ_RP; return true;
    case M('N', 'I'): in_status |= IN_NI; return true;
    case M('E', 'S'):
      Term_put(27);
      Mnem_override = true;
      return true;
    default: break;
  }
  for (const Mode_pair& p : mode_pairs) {
    if (m == p.on) {
      mode |= p.bit;
      return true;
    }
    if (m == p.off) {
      mode &= uint16_t(~p.bit);
      return true;
    }
  }
  return in_pairs(kept_codes, m);
}

// The general table (channels that are not terminal screens).  Returns
// false for an undefined code outside it.
// 'DF' in pass-through mode: the lines and columns the page holds at its
// line height (a character is 6/10 of the line high), the line spacing of
// parameter !P added to each line, unless 'LS' fixed them.
void pass_page(Fcb* f) {
  const Chan_page& p = Page_of(f);
  if ((f->term_flags & TF_LS) || p.line_h == 0) return;
  int64_t pitch = int64_t(p.line_h) + 10 * int64_t(prmblk.Bang_P);
  int64_t char_w = int64_t(p.line_h) * 6 / 10;
  if (char_w < 1) char_w = 1;
  int64_t lines = int64_t(p.height) * 72 / (pitch > 0 ? pitch : 1);
  int64_t cols = int64_t(p.width) * 72 / char_w;
  if (lines >= 1 && lines <= 32000) f->lines = int32_t(lines);
  if (cols >= 1 && cols <= 32000) {
    f->cols = int32_t(cols);
    f->width = int32_t(cols);  // PRINT wraps printer lines there
  }
}

bool general_action(Fcb* f, uint16_t m, const MnemDef* def) {
  switch (m) {
    case M('C', 'R'):
      if (!def) Term_put('\r');
      f->column = 0;
      return true;
    case M('L', 'F'):
      if (f->term_flags & TF_EP) {
        f->term_flags &= uint16_t(~TF_EP);
        Output_mnem(M('E', 'F'));
      }
      if (!def) {
        if (record_ending_kind(f->kind)) {
          Wrt_record();  // the driver adds the line end and writes
        } else if (f->kind == FK_BINARY || f->kind == FK_MEMORY) {
          Term_put('\n');
        } else {
          Term_put('\r');
          Term_put('\n');
        }
      }
      f->high_water = f->buf_count;
      f->column = 0;
      if (f->line < LINE_MAX) ++f->line;
      return true;
    case M('F', 'F'):
      if (f->term_flags & TF_EP) {
        f->term_flags &= uint16_t(~TF_EP);
        Output_mnem(M('E', 'F'));
      }
      if (!def) Term_put(12);
      f->column = 0;
      f->line = 0;
      flush_channel(f);
      return true;
    case M('B', 'O'):
      if (!def) return false;
      f->in_status |= IN_BO;
      return true;
    case M('E', 'O'): f->in_status &= uint16_t(~IN_BO); return true;
    case M('B', 'I'): f->in_status |= IN_BI; return true;
    case M('E', 'I'): f->in_status &= uint16_t(~IN_BI); return true;
    case M('E', 'G'): f->in_status |= IN_IGNORE_BAD; return true;
    case M('B', 'G'): f->in_status &= uint16_t(~IN_IGNORE_BAD); return true;
    case M('G', 'S'):
      f->mode_flags |= MODE_GRAPHICS_FLAG;
      f->attr |= ATTR_GRAPHICS;
      return true;
    case M('G', 'E'):
      f->mode_flags &= ~MODE_GRAPHICS_FLAG;
      f->attr &= ~ATTR_GRAPHICS;
      return true;
    case M('S', 'A'): {
      Attr_stack* s = attr_stack(f);
      if (s->depth >= 5) return true;
      Attr_save& e = s->e[s->depth++];
      e.attr = f->attr;
      e.in_status = f->in_status;
      e.mode = Is_screen(f) ? Dev(f)->mode : 0;
      e.column = f->column;
      return true;
    }
    case M('R', 'A'): {
      if (!f->attr_stack) return true;
      Attr_stack* s = attr_stack(f);
      if (s->depth == 0) return true;
      Attr_save& e = s->e[--s->depth];
      f->in_status = e.in_status;
      if (Is_screen(f)) {
        Set_attr(e.attr);
        Set_mode(e.mode);
      } else {
        // The graphics characters end with the attribute that set them.
        f->attr = e.attr;
        if (e.attr & ATTR_GRAPHICS) f->mode_flags |= MODE_GRAPHICS_FLAG;
        else f->mode_flags &= ~MODE_GRAPHICS_FLAG;
      }
      return true;
    }
    case M('M', 'S'): f->term_flags |= TF_MS; return true;
    case M('M', 'P'): f->term_flags &= uint16_t(~TF_MS); return true;
    case M('+', 'O'): f->term_flags |= TF_PLUS_O; return true;
    case M('-', 'O'): f->term_flags &= uint16_t(~TF_PLUS_O); return true;
    case M('L', 'S'): f->term_flags |= TF_LS; return true;
    case M('U', 'S'): f->term_flags &= uint16_t(~TF_LS); return true;
    case M('+', 'B'): f->term_flags |= TF_PLUS_B; return true;
    case M('-', 'B'): f->term_flags &= uint16_t(~TF_PLUS_B); return true;
    case M('E', 'P'): f->term_flags |= TF_EP; return true;
    case M('E', 'F'): f->term_flags &= uint16_t(~TF_EP); return true;
    case M('B', 'M'):
      if (f == ws.Con_fcb) return false;
      f->term_flags |= TF_PASS;
      f->cols = 85;
      f->lines = 66;
      Page_of(f) = Chan_page{850, 1100, 1200};
      return true;
    case M('E', 'M'): f->term_flags &= uint16_t(~TF_PASS); return true;
    case M('D', 'F'): return true;
    case M('J', 'C'): case M('J', 'D'): case M('J', 'L'): case M('J', 'N'): case M('J', 'R'): case M('J', 'S'):
      return true;  // value markers: only the client-side kinds use them
    case M('S', 'L'): Mnem_SL(); return true;
    case M('E', 'L'): Mnem_EL(); return true;
    case M('V', 'T'): Mnem_S0(6); return true;  // the vertical tab: the next line coded 6
    default:
      if ((m >> 8) == 'S' && (m & 0xff) >= '0' && (m & 0xff) <= '8') {
        Mnem_S0((m & 0xff) - '0');
        return true;
      }
      return def != nullptr;
  }
}

// The console when its output is not a terminal: a transcript, no screen.
// Line and return go out as they stand; the screen mnemonics shape a screen
// that is not there and are passed over; anything else is unknown.
void plain_console_mnem(uint16_t m) {
  int32_t param;
  uint16_t n = normalise_code(m, param);
  switch (m) {
    case M('L', 'F'): Prt_console_text("\n", 1); return;
    case M('C', 'R'): Prt_console_text("\r", 1); return;
    case M('F', 'F'): Prt_console_text("\n", 1); return;
    default: break;
  }
  static const char screen_codes[] =
      "CHBSLTRTUPVTDNCSCLCECFDCICLDLISBSFBRERBBEBBUEUGSGERMDFC0WCWRWSRSSRDOM+M-CITWFLELEEBEETBTRCRLTRRPNIES"
      "BJEJBWEWLCUCMEMNSDSESNSXBKCACD+W-W+E-E+F-F+P-P+T-T+X-X+D-DF+F-MT2D3D4DZXC+C-RBVBBOEOBIEIEGBGSARA";
  if (m == M('m', 'n') || m == M('m', 'x')) {
    StartLongMnem(m);
    return;
  }
  if (m == M('D', 'O')) {  // controls are kept without a screen too
    Tty_drop_objects();
    return;
  }
  if (in_pairs(screen_codes, m) || n == M('F', '0') || n == M('B', '0')) return;
  Err_mnemonic();
}

// The definition a thin-client console uses for every code: ESC and the
// code's two characters.
MnemDef* thin_client_def(uint16_t m) {
  alignas(MnemDef) static uint8_t store[sizeof(MnemDef) + 4];
  MnemDef* d = reinterpret_cast<MnemDef*>(store);
  d->next = nullptr;
  d->code = m;
  d->len = 3;
  d->p1 = d->p2 = 0;
  d->bytes[0] = 27;
  uint8_t* b = d->bytes;
  b[1] = uint8_t(m >> 8);
  b[2] = uint8_t(m);
  return d;
}

// A line-feed or form-feed delay (parameters DL and DF, hundredths of a
// second) joins the wait served at the next statement boundary: any delay
// makes a wait (of 0 for 1), one above 1 adds to it.  The sum is bounded
// so that it cannot overflow however many feeds one statement sends.
void add_feed_delay(uint16_t delay) {
  if (delay == 0) return;
  constexpr int32_t WAIT_MAX = 100 * 3600 * 24;  // a day
  if (ws.Pending_wait < 0) ws.Pending_wait = 0;
  if (delay > 1) ws.Pending_wait = ws.Pending_wait > WAIT_MAX - delay ? WAIT_MAX : ws.Pending_wait + delay;
  ws.Run_flags |= RF_PENDING_WAIT;
}

// A client channel (kind 13) sends its mnemonics to the client as ESC and
// the code's two characters in its output.
void client_channel_mnem(Fcb* f, uint16_t m) {
  if (f->buf_count + 10 >= f->buf_size) Fio_call(FIO_FLUSH);
  if (m == M('E', 'O') || m == M('E', 'L')) Fio_call(FIO_FLUSH);
  if (m == M('m', 'n') || m == M('m', 'x')) {
    StartLongMnem(m);
    return;
  }
  Send_mnem(thin_client_def(m));
  if (m == M('L', 'F')) add_feed_delay(prmblk.DL);
  else if (m == M('F', 'F')) add_feed_delay(prmblk.DF);
  if (m == M('E', 'O')) {
    Fio_call(FIO_FLUSH);
    f->in_status &= uint16_t(~IN_BO);
  } else if (m == M('B', 'O')) {
    f->in_status |= IN_BO;
  } else if (m == M('E', 'L')) {
    Fio_call(FIO_FLUSH);
  } else if (m == M('L', 'F') || m == M('F', 'F') || m == M('E', 'U') || m == M('C', 'R') || m == M('B', 'S') ||
             m == M('B', 'U') || m == M('E', 'G') || m == M('E', 'S') || m == M('R', 'B')) {
    // nothing more
  } else {
    f->column = 0;
    Fio_call(FIO_FLUSH);
  }
}

}  // namespace

void Prt_mnem(uint16_t m) {
  Fcb* f = ws.Cur_fcb;
  if (Vformat_takes(f, m)) return;
  if (Prt_is_console(f)) {
    plain_console_mnem(m);
    return;
  }
  // Form feeds on channels other than the console.
  if (f->channel != 0) {
    if (m == M('F', 'F')) {
      if (f->column == 0 && f->line == 0 &&
          (((f->term_flags & TF_SKIP_FIRST_FF)) ||
           ((f->term_flags & TF_NO_DOUBLE_FF) && (f->term_flags & TF_LAST_FF)))) {
        f->term_flags = uint16_t((f->term_flags & ~TF_SKIP_FIRST_FF) | TF_LAST_FF);
        return;
      }
      f->term_flags |= TF_LAST_FF;
    } else {
      f->term_flags &= uint16_t(~TF_LAST_FF);
    }
    if (f->column != 0 || f->line != 0) f->term_flags &= uint16_t(~TF_SKIP_FIRST_FF);
  }
  // A thin-client console sends every mnemonic as ESC and its two
  // characters, and keeps its screen model in step locally.
  bool thin = (f->st2 & ST2_THIN_CLIENT) != 0;
  if (f == ws.Con_fcb && (m == M('C', 'S') || m == M('D', 'O')) && Objctl_handler() && KestObjCtlMNEM(m, nullptr, 0))
    return;  // the control handler's "Mnemonics" service object did it
  if (f->kind == FK_THIN_CLIENT) {
    client_channel_mnem(f, m);
    return;
  }
  if (thin && f == ws.Con_fcb) {
    if (!Tc_console_sends(m)) return;  // the client has it already
    // The local model takes a cursor mode without printing: the client is
    // told here.
    if (m >= M('C', '0') && m <= M('C', '2')) Send_mnem(thin_client_def(m));
  }
  // The client's debugger command window opens and closes at once.
  if (thin && (m == M('+', 'C') || m == M('-', 'C'))) {
    Send_mnem(thin_client_def(m));
    flush_channel(f);
    return;
  }
  if (thin && f == ws.Con_fcb && m == M('D', 'O')) {
    // The client drops the window's object controls: the objects attached
    // to the window that it no longer knows are released, and the window's
    // cached properties go.
    Send_mnem(thin_client_def(m));
    int32_t window = Dev(f)->win.number;
    Obj4_MnemDO_Check(window);
    ZefVrl_DropWindow(window);
    return;
  }
  if (f->kind == FK_PDF) {
    // The PDF driver places the pending text and carries the code out;
    // 'JN' and 'JS' leave the buffer as it stood (they place nothing).
    if (!Term_pdf.mnem || !Term_pdf.start_page) Not_built("PDF channels");
    if (m == M('m', 'n') || m == M('m', 'x')) {
      Term_pdf.start_page();
      StartLongMnem(m);
      return;
    }
    int32_t count = f->buf_count, column = f->column;
    normalise_buffer(f);
    if (m == M('J', 'N') || m == M('J', 'S')) {
      f->buf_count = count;
      f->column = column;
    }
    if (Term_pdf.mnem(m)) return;
  }
  if ((m == M('m', 'n') || m == M('m', 'x')) && !(f->term_flags & TF_PASS)) {
    DropComndWdw();
    StartLongMnem(m);
    return;
  }
  MnemDef* def = thin ? thin_client_def(m) : Find_mnem(m);
  int32_t param;
  uint16_t n = normalise_code(m, param);
  // 'f' or 'b' with a colour up to 15 is 'F0'..'F?' or 'B0'..'B?'.
  uint8_t lead = uint8_t(m >> 8);
  if (!def && (lead == 'f' || lead == 'b') && param >= 0 && param <= 15)
    def = Find_mnem(uint16_t((n & 0xff00) | uint16_t('0' + param)));
  if (Is_screen(f) && !(f->term_flags & TF_PASS)) {
    Dev_fcb* d = Dev(f);
    uint32_t attr = f->attr;
    uint16_t in_status = f->in_status;
    uint16_t mode = d->mode;
    Mnem_override = false;
    normalise_buffer(f);
    bool done;
    {
      // A thin-client console: the model follows, the client gets the
      // mnemonic itself (below), none of the host's ways of doing it.
      Term_mute_guard mute(f, thin);
      done = screen_action(f, n, param, def, attr, in_status, mode);
      if (done) {
        if (thin) {
          f->attr = attr;
        } else if (def && !Mnem_override) {
          Send_mnem(def);
          f->attr = attr;  // the definition set the device's attributes itself
        } else if (attr != f->attr) {
          Set_attr(attr);
        }
        f->in_status = in_status;
        if (mode != d->mode || (n == M('C', '0'))) Set_mode(mode);
      }
    }
    if (done) {
      // Cursor modes 'C0'..'C2' were sent above when the client needs them.
      if (thin && !(m >= M('C', '0') && m <= M('C', '2'))) Send_mnem(def);
      if (m == M('L', 'F') || m == M('F', 'F')) flush_channel(f);
      return;
    }
    if (def && def->p1 != 0) {
      // A screen-size mnemonic: the device changes its size (and may clear
      // itself doing so), so the screen is shown again at the new size.
      Send_mnem(def);
      Window_resize_screen(d, def->p1, def->p2);
      if (!thin) Window_redraw();
      return;
    }
  }
  // Any other channel, and codes outside the screen table.
  normalise_buffer(f);
  if (f->term_flags & TF_PASS) {
    bool general = m == M('B', 'M') || m == M('C', 'R') || m == M('E', 'M') || m == M('F', 'F') || m == M('L', 'F');
    if (!general) {
      if (m == M('m', 'n') || m == M('m', 'x')) {
        StartLongMnem(m);
        return;
      }
      if (m == M('D', 'F')) pass_page(f);
      Term_put(27);
      Term_put(uint8_t(m >> 8));
      Term_put(uint8_t(m));
      if (m == M('M', 'P')) f->term_flags &= uint16_t(~TF_MS);
      if (m == M('M', 'S')) f->term_flags |= TF_MS;
      if (m == M('+', 'O')) f->term_flags |= TF_PLUS_O;
      if (m == M('-', 'O')) f->term_flags &= uint16_t(~TF_PLUS_O);
      if (m == M('L', 'S')) f->term_flags |= TF_LS;
      if (m == M('U', 'S')) f->term_flags &= uint16_t(~TF_LS);
      return;
    }
  }
  if (def && def->p1 != 0) {
    f->cols = def->p1;
    f->lines = def->p2;
    if (!Is_screen(f)) f->width = def->p1;  // PRINT wraps printer lines there
  }
  f->high_water = f->buf_count;
  if (def) Send_mnem(def);
  if (!general_action(f, n == M('F', '0') || n == M('B', '0') || n == M('S', '0') ? m : n, def)) {
    Err_mnemonic();
    return;
  }
  if (m != M('F', 'F') && flush_on_line(f) && m == M('L', 'F') && f->buf_count > 0) flush_channel(f);
}
