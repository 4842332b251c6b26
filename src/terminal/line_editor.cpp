// The line-input editor: INPUT on a device channel and the console's own
// line reading, on a terminal screen with raw keys.
//
// A field begins at the cursor and runs to the end of the window's line
// (the visible width; on a screen that cannot go back up a line, to the
// column before the last); longer answers scroll horizontally.  On a
// screen without cursor addressing the cursor moves back along the field
// by backspaces or a carriage return and the prompt written again
// (Scr_pos).  Keys become
// codes: printable bytes are typed (inserted or replacing, by insert mode),
// byte sequences of the window's function-key records give their CTL
// values ('F' keys: number + 1; 'E' keys: editing codes), raw control bytes
// map to editing codes (below), and an editing code that cannot act rings
// the bell unless a DEFCTL definition turns it into a CTL value.  A CTL
// value of 0 or above ends the input; SETCTL may then send the program to
// a subroutine, after which the INPUT runs again.
//
// Raw control bytes: CR and LF end the input (CTL 0); BS and DEL delete
// left; TAB tabs forward; ^A start, ^E end of text, ^B left, ^F right, ^D
// delete at the cursor, ^K clear to the end, ^U clear the field, ^P and ^N
// a line up and down (history at the console prompt), ^Z undo; a lone ESC
// is absorbed; other control bytes ring the bell.
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "core/console_device.h"
#include "channels/print.h"
#include "channels/record_locks.h"
#include "core/control_stack.h"
#include "core/errors.h"
#include "core/executor.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"
#include "core/masks.h"
#include "core/nested_run.h"
#include "terminal/program_calls.h"
#include "terminal/controls.h"
#include "terminal/editor_keys.h"
#include "terminal/gui_objctl.h"
#include "terminal/mouse.h"
#include "terminal/num_field.h"
#include "terminal/tc_protocol.h"
#include "terminal/tc_session.h"
#include "terminal/terminal.h"
#include "core/signal_flags.h"

Edit_request Dev_edit_req;

namespace {

constexpr int32_t FIELD_MAX = 1920;
constexpr int ESC_WAIT_MS = 60;   // a key's bytes arrive within this time
constexpr size_t HISTORY_MAX = 100;

// Editor state: saved and restored whole by Dev_save / Dev_restore.
struct Ed_state {
  bool echo = true;
  int32_t ofs = 0;       // cursor offset in the field
  int32_t len = 0;       // maximum length
  int32_t insz = 0;      // visible width
  int32_t shft = 0;      // first visible offset
  int32_t col0 = 0, line0 = 0;
  int32_t shown = 0;     // characters shown on the screen
  bool ins_mode = true;
  bool real_inp = true;
  std::string buf;       // the text entered (with literals of a string mask)
  std::string orig;      // copy kept for undo
  bool has_orig = false;
  std::vector<uint8_t> cls;  // string mask: class per position (0 literal)
  bool num_mask = false;
  Num_field num;         // a numeric mask's field
  Num_field num_orig;    // its copy kept for undo
  std::string mask;
  int refused = 0;
};
Ed_state ed;

std::deque<std::string> history;
bool at_prompt = false;

// Class bits of a string mask position.
enum : uint8_t { C_UPPER = 1, C_LETTER = 2, C_DIGIT = 4, C_ANY = 8 };

Dev_fcb* cur_dev() { return Dev(ws.Cur_fcb); }

// ---- keyboard ----

int read_fd(Fcb* f) { return f == ws.Con_fcb ? 0 : f->fd; }

}  // namespace

bool Device_kbhit(Fcb* f, int32_t ms) {
  if (f == ws.Con_fcb && (f->st2 & ST2_THIN_CLIENT) && !Tc_ahead_empty()) return true;
  if (f == ws.Con_fcb) return Con_poll(ms);
  struct pollfd p = {read_fd(f), POLLIN, 0};
  int r;
  do {
    r = ::poll(&p, 1, ms);
  } while (r < 0 && errno == EINTR && !(Run_flags_now() & RF_ESCAPE) && !ws.End_process);
  return r > 0;
}

// -1 time-out, -2 interrupted by an escape or hang-up, -3 end of input.
int Device_getch(Fcb* f, int32_t hundredths) {
  // A client's keys come through its stream reader: type-ahead kept while
  // a reply was awaited first, frames and escapes taken out.
  if (f == ws.Con_fcb && (f->st2 & ST2_THIN_CLIENT)) {
    int b = Tc_read_key(hundredths);
    return b == TC_KEY_EVENT ? -1 : b;
  }
  if (f == ws.Con_fcb) return Con_getc(hundredths < 0 ? -1 : hundredths > 0x7fffff ? 0x7fffffff : hundredths * 10);
  int fd = read_fd(f);
  for (;;) {
    // poll is never restarted after a signal handler (read may be), so an
    // interrupt always ends the wait.
    struct pollfd p = {fd, POLLIN, 0};
    int r = ::poll(&p, 1, hundredths >= 0 ? hundredths * 10 : -1);
    if (r == 0) return -1;
    if (r < 0) {
      if (errno == EINTR) {
        if ((Run_flags_now() & RF_ESCAPE) || ws.End_process) return -2;
        continue;
      }
      return -3;
    }
    uint8_t b;
    ssize_t n = ::read(fd, &b, 1);
    if (n == 1) return b;
    if (n == 0) return -3;
    if (errno == EINTR) {
      if ((Run_flags_now() & RF_ESCAPE) || ws.End_process) return -2;
      continue;
    }
    if (errno == EAGAIN) continue;
    return -3;
  }
}

namespace {

// Next key byte: pre-input first, then the device.
int Dev_getch(bool translate, int32_t hundredths) {
  Dev_fcb* d = cur_dev();
  while (d->preinput) {
    Prei_entry* e = d->preinput;
    if (e->pos < e->len) {
      uint8_t b = e->bytes[e->pos++];
      if (e->pos >= e->len) {
        d->preinput = e->next;
        Ret_blk(e);
      }
      ed.real_inp = false;
      return b;
    }
    d->preinput = e->next;
    Ret_blk(e);
  }
  int b = Device_getch(d, hundredths);
  if (b < 0) return b;
  if (translate && d->in_xlate) b = d->in_xlate[b];
  ed.real_inp = true;
  return b;
}

bool more_soon(Dev_fcb* d) { return d->preinput != nullptr || Device_kbhit(d, ESC_WAIT_MS); }

bool defctl_string(const std::string& seq, int32_t& ctl);

struct Key {
  bool is_code;
  int32_t value;  // a byte, or a code (CTL value or negative editing code)
};

int32_t control_code(int b) {
  switch (b) {
    case 13: case 10: return 0;
    case 8: case 127: return -1003;
    case 9: return -1015;
    case 1: return -1010;
    case 5: return -1018;
    case 2: return -1004;
    case 6: return -1005;
    case 4: return -1007;
    case 11: return -1023;
    case 21: return -1002;
    case 16: return -1011;
    case 14: return -1012;
    case 26: return -1024;
    case 27: return -1000;
    default: return -1099;
  }
}

// Swallows the rest of an escape sequence no key record knows.
void swallow_sequence(Dev_fcb* d, const std::string& seq) {
  if (seq.size() < 2 || (seq[1] != '[' && seq[1] != 'O')) return;
  if (seq.size() > 2 && (uint8_t(seq.back()) >= 0x40 && uint8_t(seq.back()) <= 0x7e)) return;
  if (seq[1] == 'O' && seq.size() >= 3) return;
  for (int i = 0; i < 32 && more_soon(d); ++i) {
    int b = Dev_getch(false, 0);
    if (b < 0) return;
    if (b >= 0x40 && b <= 0x7e) return;
  }
}

Mouse_report last_mouse;  // the report of the last -1080 / -1081 key

// A mouse report that began with the bytes of seq (ESC [ and '<' or 'M'):
// its remaining bytes are read untranslated.  Gives -1080 (pressed),
// -1081 (released) or -1000 (motion, wheel, or a broken report).
int32_t read_mouse_report(Dev_fcb* d, std::string& seq) {
  for (;;) {
    int r = Mouse_decode(reinterpret_cast<const uint8_t*>(seq.data()), seq.size(), last_mouse);
    if (r > 0) return !last_mouse.click ? -1000 : (last_mouse.release ? -1081 : -1080);
    if (r < 0 || seq.size() > 32 || !more_soon(d)) return -1000;
    int c = Dev_getch(false, 100);
    if (c < 0) return -1000;
    seq.push_back(char(c));
  }
}

bool mouse_prefix(const std::string& seq) {
  return Mouse_reporting() && seq.size() >= 3 && seq[0] == 27 && seq[1] == '[' && (seq[2] == '<' || seq[2] == 'M');
}

Key read_key(int32_t timeout) {
  Dev_fcb* d = cur_dev();
  int b = Dev_getch(true, timeout);
  if (b < 0) return {true, b == -1 ? -100000 : (b == -2 ? -100001 : -100002)};
  std::string seq(1, char(b));
  const Key_rec* exact = nullptr;
  for (;;) {
    bool longer = false;
    exact = nullptr;
    // The keys of the current window, then those of the windows beneath
    // (the driver's keys belong to window 0).
    for (const Window_rec* wr = &d->win; wr; wr = wr->saved)
      for (const Key_rec* k = wr->keys; k; k = k->next) {
        if (k->len < seq.size()) continue;
        if (std::memcmp(k->bytes, seq.data(), seq.size()) != 0) continue;
        if (k->len == seq.size()) {
          if (!exact) exact = k;
        } else {
          longer = true;
        }
      }
    if (!longer) break;
    if (!more_soon(d)) break;
    int c = Dev_getch(true, 100);
    if (c < 0) break;
    seq.push_back(char(c));
  }
  // A key string of DEFCTL goes before the key tables.
  if (int32_t ctl; defctl_string(seq, ctl)) return {true, ctl};
  if (exact && exact->len == seq.size()) return {true, exact->ctl};
  if (seq.size() == 1) {
    uint8_t c = uint8_t(seq[0]);
    if (c == 27 && more_soon(d)) {
      int c2 = Dev_getch(false, 0);
      if (c2 >= 0) {
        seq.push_back(char(c2));
        if (c2 == '[' && Mouse_reporting() && more_soon(d)) {
          int c3 = Dev_getch(false, 0);
          if (c3 >= 0) seq.push_back(char(c3));
          if (mouse_prefix(seq)) return {true, read_mouse_report(d, seq)};
        }
        swallow_sequence(d, seq);
        return {true, -1000};
      }
    }
    if (c < 32 || c == 127) return {true, control_code(c)};
    return {false, c};
  }
  if (mouse_prefix(seq)) return {true, read_mouse_report(d, seq)};
  // A prefix of some key that went no further: an unknown sequence.
  if (uint8_t(seq[0]) == 27) {
    swallow_sequence(d, seq);
    return {true, -1000};
  }
  // Bytes that began like a key but were typed text: take the first.
  return {false, uint8_t(seq[0])};
}

// ---- screen side of the field ----

void pos_field(int32_t ofs) {
  Fcb* f = ws.Cur_fcb;
  Scr_pos(f, ed.col0 + (ofs - ed.shft), ed.line0);
}

// Shows the field from offset `from` on, then puts the cursor at ed.ofs.
void redraw(int32_t from) {
  if (!ed.echo) return;
  Fcb* f = ws.Cur_fcb;
  // Scroll so that the cursor is visible.
  int32_t old_shft = ed.shft;
  if (ed.ofs < ed.shft) ed.shft = ed.ofs;
  if (ed.ofs >= ed.shft + ed.insz) ed.shft = ed.ofs - ed.insz + 1;
  if (ed.shft != old_shft) from = ed.shft;
  if (from < ed.shft) from = ed.shft;
  int32_t end = int32_t(ed.buf.size());
  if (end > ed.shft + ed.insz) end = ed.shft + ed.insz;
  int32_t want = end - ed.shft;  // cells that show text
  if (from < end) {
    pos_field(from);
    Scr_text(f, reinterpret_cast<const uint8_t*>(ed.buf.data()) + from, end - from);
  }
  if (ed.shown > want) {
    pos_field(end);
    std::string blanks(size_t(ed.shown - want), ' ');
    Scr_text(f, reinterpret_cast<const uint8_t*>(blanks.data()), int32_t(blanks.size()));
  }
  ed.shown = want;
  pos_field(ed.ofs);
}

void bell() { Output_mnem(Mnem_code('R', 'B')); }

// ---- string masks ----

void string_mask(const std::string& m) {
  ed.cls.clear();
  ed.buf.clear();
  for (size_t i = 0; i < m.size(); ++i) {
    char c = m[i];
    uint8_t cl;
    if (c == '\\' && i + 1 < m.size()) {
      ed.cls.push_back(0);
      ed.buf.push_back(m[++i]);
      continue;
    }
    switch (c) {
      case 'X': cl = C_ANY | C_UPPER; break;
      case 'x': cl = C_ANY; break;
      case 'A': cl = C_LETTER | C_UPPER; break;
      case 'a': cl = C_LETTER; break;
      case 'Z': cl = C_LETTER | C_DIGIT | C_UPPER; break;
      case 'z': cl = C_LETTER | C_DIGIT; break;
      case '0': cl = C_DIGIT; break;
      default: cl = 0; break;
    }
    size_t times = 1;
    if (cl && i + 1 < m.size() && m[i + 1] == '(') {
      size_t j = i + 2, n = 0;
      while (j < m.size() && m[j] >= '0' && m[j] <= '9') n = n * 10 + size_t(m[j++] - '0');
      if (j < m.size() && m[j] == ')' && j > i + 2) {
        times = n;
        i = j;
      }
    }
    for (size_t t = 0; t < times && ed.cls.size() < size_t(FIELD_MAX); ++t) {
      ed.cls.push_back(cl);
      ed.buf.push_back(cl ? ' ' : c);
    }
  }
  ed.len = int32_t(ed.cls.size());
}

bool class_takes(uint8_t cl, uint8_t& c) {
  bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == ' ' || c >= 128;
  bool digit = c >= '0' && c <= '9';
  bool ok = (cl & C_ANY) || ((cl & C_LETTER) && letter) || ((cl & C_DIGIT) && digit);
  if (ok && (cl & C_UPPER) && c >= 'a' && c <= 'z') c = uint8_t(c - 32);
  return ok;
}

int32_t next_input_pos(int32_t from) {
  while (from < ed.len && ed.cls[size_t(from)] == 0) ++from;
  return from;
}

// The run of positions of the same class around ofs: [a, b).
void class_run(int32_t ofs, int32_t& a, int32_t& b) {
  uint8_t cl = ed.cls[size_t(ofs)];
  a = b = ofs;
  while (a > 0 && ed.cls[size_t(a - 1)] == cl) --a;
  while (b < ed.len && ed.cls[size_t(b)] == cl) ++b;
}

// ---- typing ----

// A numeric field shows its number formatted anew after every change.
void num_sync() {
  ed.buf = ed.num.shown();
  ed.ofs = ed.num.ofs;
  redraw(0);
}

bool type_char(uint8_t c) {
  if (!ed.cls.empty()) {
    if (ed.ofs >= ed.len) return false;
    if (ed.cls[size_t(ed.ofs)] == 0) {
      if (uint8_t(ed.buf[size_t(ed.ofs)]) == c) {
        ed.ofs = next_input_pos(ed.ofs + 1);
        redraw(ed.ofs);
        return true;
      }
      ed.ofs = next_input_pos(ed.ofs);
      if (ed.ofs >= ed.len) return false;
    }
    if (!class_takes(ed.cls[size_t(ed.ofs)], c)) return false;
    int32_t from = ed.ofs;
    if (ed.ins_mode) {
      int32_t a, b;
      class_run(ed.ofs, a, b);
      for (int32_t i = b - 1; i > ed.ofs; --i) ed.buf[size_t(i)] = ed.buf[size_t(i - 1)];
    }
    ed.buf[size_t(ed.ofs)] = char(c);
    ed.ofs = next_input_pos(ed.ofs + 1);
    redraw(from);
    return true;
  }
  if (ed.num_mask) {
    if (!ed.num.type(c)) return false;
    num_sync();
    return true;
  }
  int32_t from = ed.ofs;
  if (ed.ins_mode || ed.ofs >= int32_t(ed.buf.size())) {
    if (int32_t(ed.buf.size()) >= ed.len) return false;
    ed.buf.insert(size_t(ed.ofs), 1, char(c));
  } else {
    ed.buf[size_t(ed.ofs)] = char(c);
  }
  ++ed.ofs;
  redraw(from);
  return true;
}

void keep_copy() {
  ed.orig = ed.buf;
  ed.num_orig = ed.num;
  ed.has_orig = true;
}

void delete_at(int32_t at) {
  if (!ed.cls.empty()) {
    if (ed.cls[size_t(at)] == 0) return;
    int32_t a, b;
    class_run(at, a, b);
    for (int32_t i = at; i + 1 < b; ++i) ed.buf[size_t(i)] = ed.buf[size_t(i + 1)];
    ed.buf[size_t(b - 1)] = (ed.cls[size_t(at)] == C_DIGIT) ? '0' : ' ';
    return;
  }
  ed.buf.erase(size_t(at), 1);
}

int32_t text_end() {
  if (ed.cls.empty()) return int32_t(ed.buf.size());
  int32_t e = ed.len;
  while (e > 0 && (ed.cls[size_t(e - 1)] == 0 || ed.buf[size_t(e - 1)] == ' ')) --e;
  return e;
}

// History at the console prompt: the recalled line replaces the field; the
// text typed before the first recall is kept and comes back below the
// newest line.
size_t hist_pos = 0;
std::string hist_draft;

bool history_move(int dir) {
  if (!at_prompt || history.empty()) return false;
  if (dir < 0) {
    if (hist_pos == 0) return false;
    if (hist_pos == history.size()) hist_draft = ed.buf;
    --hist_pos;
    ed.buf = history[hist_pos];
  } else {
    if (hist_pos >= history.size()) return false;
    ++hist_pos;
    ed.buf = hist_pos == history.size() ? hist_draft : history[hist_pos];
  }
  if (int32_t(ed.buf.size()) > ed.len) ed.buf.resize(size_t(ed.len));
  ed.ofs = int32_t(ed.buf.size());
  redraw(ed.shft);
  return true;
}

// Carries out an editing code; false when it cannot act.
bool edit(int32_t code) {
  int32_t n = int32_t(ed.buf.size());
  if (ed.num_mask) {
    switch (code) {
      case -1017: case -1025:
        keep_copy();
        [[fallthrough]];
      case -1002: case -1003: case -1004: case -1005: case -1007: case -1010: case -1018: case -1023:
        if (!ed.num.edit(code)) return false;
        num_sync();
        return true;
      case -1024:
        if (!ed.has_orig) return false;
        ed.num = ed.num_orig;
        ed.has_orig = false;
        num_sync();
        return true;
      case -1000: case -1106: case -1107: case -1108: case -1009: case -1099: case -1100:
        break;
      default:
        if (code <= -2000 && code >= -2256) break;
        return false;
    }
  }
  switch (code) {
    case -1000: case -1106: case -1107: case -1108: return true;
    case -1002:
      if (ed.cls.empty()) {
        ed.buf.clear();
      } else {
        for (int32_t i = 0; i < ed.len; ++i)
          if (ed.cls[size_t(i)]) ed.buf[size_t(i)] = ' ';
      }
      ed.ofs = ed.cls.empty() ? 0 : next_input_pos(0);
      redraw(0);
      return true;
    case -1003: {
      if (ed.ofs == 0) return false;
      int32_t at = ed.ofs - 1;
      if (!ed.cls.empty()) {
        while (at >= 0 && ed.cls[size_t(at)] == 0) --at;
        if (at < 0) return false;
      }
      delete_at(at);
      ed.ofs = at;
      redraw(at);
      return true;
    }
    case -1004: {
      if (ed.ofs == 0) return false;
      --ed.ofs;
      if (!ed.cls.empty()) {
        while (ed.ofs > 0 && ed.cls[size_t(ed.ofs)] == 0) --ed.ofs;
      }
      redraw(ed.ofs);
      return true;
    }
    case -1005:
      if (ed.cls.empty() && ed.ofs >= n && ed.ofs < ed.len) {
        // Past the text: the character the screen shows under the cursor
        // joins the field.
        const Window_rec& w = cur_dev()->win;
        int32_t c = ed.col0 + ed.ofs - ed.shft;
        uint8_t ch = c >= 0 && c < w.cols && ed.line0 >= 0 && ed.line0 < w.lines ? w.chars[Cell(w, c, ed.line0)] : ' ';
        while (int32_t(ed.buf.size()) < ed.ofs) ed.buf.push_back(' ');
        ed.buf.push_back(char(ch));
        ++ed.ofs;
        redraw(n);
        return true;
      }
      if (ed.ofs >= (ed.cls.empty() ? n : ed.len - 1)) return false;
      ++ed.ofs;
      if (!ed.cls.empty()) ed.ofs = next_input_pos(ed.ofs);
      if (ed.ofs > ed.len - 1 && !ed.cls.empty()) ed.ofs = ed.len - 1;
      redraw(ed.ofs);
      return true;
    case -1006:
      if (!ed.cls.empty() || n >= ed.len || ed.ofs > n) return false;
      ed.buf.insert(size_t(ed.ofs), 1, ' ');
      redraw(ed.ofs);
      return true;
    case -1007:
      if (ed.ofs >= (ed.cls.empty() ? n : ed.len)) return false;
      delete_at(ed.ofs);
      redraw(ed.ofs);
      return true;
    case -1008: {
      size_t p = ed.buf.find(' ', size_t(ed.ofs) + 1);
      if (p == std::string::npos) return false;
      ed.ofs = int32_t(p);
      redraw(ed.ofs);
      return true;
    }
    case -1009:
      ed.ins_mode = !ed.ins_mode;
      {
        Dev_fcb* d = cur_dev();
        uint16_t m = uint16_t((d->mode & ~MODE_CURSOR) | (ed.ins_mode ? 2 : 1));
        Set_mode(m);
      }
      return true;
    case -1010:
      if (ed.ofs == 0) return false;
      ed.ofs = ed.cls.empty() ? 0 : next_input_pos(0);
      redraw(ed.ofs);
      return true;
    case -1011: return history_move(-1);
    case -1012: return history_move(1);
    case -1015: {
      int32_t to = (ed.ofs / 10 + 1) * 10;
      int32_t lim = ed.cls.empty() ? n : ed.len - 1;
      if (to > lim) to = lim;
      if (to <= ed.ofs) return false;
      ed.ofs = to;
      redraw(ed.ofs);
      return true;
    }
    case -1016: {
      if (ed.ofs == 0) return false;
      ed.ofs = (ed.ofs - 1) / 10 * 10;
      redraw(ed.ofs);
      return true;
    }
    case -1017:
    case -1025:
      keep_copy();
      ed.ofs = 0;
      redraw(0);
      return true;
    case -1018: {
      int32_t e = text_end();
      if (ed.ofs == e) return false;
      ed.ofs = e;
      redraw(ed.ofs);
      return true;
    }
    case -1021: {
      int32_t p = ed.ofs;
      while (p < n && ed.buf[size_t(p)] != ' ') ++p;
      while (p < n && ed.buf[size_t(p)] == ' ') ++p;
      if (p == ed.ofs || p > n) return false;
      ed.ofs = p;
      redraw(p);
      return true;
    }
    case -1022: {
      int32_t p = ed.ofs;
      if (p == 0) return false;
      while (p > 0 && ed.buf[size_t(p - 1)] == ' ') --p;
      while (p > 0 && ed.buf[size_t(p - 1)] != ' ') --p;
      ed.ofs = p;
      redraw(p);
      return true;
    }
    case -1023:
      if (!ed.cls.empty()) {
        for (int32_t i = ed.ofs; i < ed.len; ++i)
          if (ed.cls[size_t(i)]) ed.buf[size_t(i)] = ' ';
      } else {
        if (ed.ofs >= n) return false;
        ed.buf.resize(size_t(ed.ofs));
      }
      redraw(ed.ofs);
      return true;
    case -1024:
      if (!ed.has_orig) return false;
      ed.buf = ed.orig;
      ed.has_orig = false;
      if (ed.ofs > int32_t(ed.buf.size()) && ed.cls.empty()) ed.ofs = int32_t(ed.buf.size());
      redraw(0);
      return true;
    case -1099: bell(); return true;
    case -1100: ws.Ctl_value = 0; return true;
    default:
      if (code <= -2000 && code >= -2256) return true;  // pseudo keys
      return false;
  }
}

// A refused code: DEFCTL of the window, then of the channel.
bool defctl_lookup(int32_t code, int32_t& ctl) {
  Dev_fcb* d = cur_dev();
  if (d->mode & MODE_NO_SPECIAL) return false;
  if (++ed.refused > 11) return false;
  for (Ctl_def* c : {d->win.ctl_defs, d->ctl_defs})
    for (; c; c = c->next)
      if (c->key_len <= 0 && c->ecode == code) {
        ctl = c->ctl;
        return true;
      }
  return false;
}

// A key string defined by DEFCTL (checked before the key tables).
bool defctl_string(const std::string& seq, int32_t& ctl) {
  Dev_fcb* d = cur_dev();
  for (Ctl_def* c : {d->win.ctl_defs, d->ctl_defs})
    for (; c; c = c->next)
      if (c->key_len > 0 && size_t(c->key_len) == seq.size() && std::memcmp(c->key, seq.data(), seq.size()) == 0) {
        ctl = c->ctl;
        return true;
      }
  return false;
}

// The library program "*control", called for the keys -999..-1 on the
// console: run to its end in a nested execution; an error it does not
// handle is the input's error.
void call_control_program() {
  static const char name[] = "*control";
  int rc;
  bool started = false;
  {
    Nested_run_guard<NESTED_IO | NESTED_WORK> saved;
    struct Restore_editor {
      Ed_state kept = ed;
      ~Restore_editor() { ed = kept; }
    } restore;
    uint8_t* p = Work_take(sizeof name - 1);
    std::memcpy(p, name, sizeof name - 1);
    ws.Str_ptr = p;
    ws.Str_len = int32_t(sizeof name - 1);
    ws.Cur_stno = 0;
    rc = Term_call_nested(&started);
  }
  if (!started && rc == err::FILE_NOT_FOUND) Rpt_error_text(err::FILE_NOT_FOUND, "no program \"*control\"");
  if (rc >= 0) Rpt_error(rc);
}

[[noreturn]] void restart_statement() {
  ws.Exec_ptr = ws.Stmt_ptr;
  throw Stmt_restart{};
}

void set_result(const std::string& s) {
  uint8_t* out = Work_take(s.size() + 1);
  std::memcpy(out, s.data(), s.size());
  ws.Str_ptr = out;
  ws.Str_len = int32_t(s.size());
}

// The read-back requests of 'TR', 'RP', 'RL' and 'RC'.
bool read_back() {
  Fcb* f = ws.Cur_fcb;
  uint16_t st = f->in_status & IN_READBACK;
  if (!st) return false;
  Window_rec& w = cur_dev()->win;
  int32_t col = f->column >= w.cols ? w.cols - 1 : f->column;
  std::string out;
  // In graphics mode each cell gives four bytes: its foreground and
  // background palette indexes (the other way round with window option 4),
  // its attribute bits, then its character.
  bool four = (f->attr & ATTR_GRAPHICS) != 0;
  bool bg_first = (w.options & 4) != 0;
  auto cells = [&](int32_t c0, int32_t l0, int32_t c1, int32_t l1) {
    for (int32_t l = l0; l <= l1; ++l)
      for (int32_t c = (l == l0 ? c0 : 0); c <= (l == l1 ? c1 : w.cols - 1); ++c) {
        int32_t cell = Cell(w, c, l);
        char ch = char(w.chars[cell]);
        if ((cur_dev()->mode & MODE_UC) && ch >= 'a' && ch <= 'z') ch = char(ch - 32);
        if (four) {
          uint32_t a = w.attrs[cell];
          char fg = char((a >> 8) & 0xff), bg = char((a >> 16) & 0xff);
          out.push_back(bg_first ? bg : fg);
          out.push_back(bg_first ? fg : bg);
          out.push_back(char(a & 0xff));
        }
        out.push_back(ch);
      }
  };
  if (st & IN_READ_RC) {
    f->in_status &= uint16_t(~IN_READ_RC);
    char b[8];
    std::snprintf(b, sizeof b, "%02d%02d", int(f->line % 100), int(col % 100));
    out = b;
  } else if (st & IN_READ_TR) {
    f->in_status &= uint16_t(~IN_READ_TR);
    if (ws.Sys_flags2 & 0x800)
      cells(0, 0, col, f->line);
    else
      cells(0, 0, w.cols - 1, w.lines - 1);
  } else if (st & IN_READ_RP) {
    f->in_status &= uint16_t(~IN_READ_RP);
    cells(col, f->line, w.cols - 1, w.lines - 1);
  } else {
    f->in_status &= uint16_t(~IN_READ_RL);
    cells(0, f->line, w.cols - 1, f->line);
  }
  if ((ws.Con_flags & CON_READBACK_CR) && (ws.Io_opts & IO_QMARK)) out.push_back('\r');
  ws.Ctl_value = 0;
  ws.Eom_chars[0] = '\r';
  ws.Eom_len = 1;
  set_result(out);
  return true;
}

void raw_read(int32_t count) {
  std::string out;
  while (int32_t(out.size()) < count) {
    int b = Dev_getch(false, ws.Io_tim);
    if (b == -1) {
      if (out.empty()) {
        ws.Io_rty = 0;
        Rpt_error(err::RECORD_BUSY);
      }
      break;
    }
    if (b == -2) restart_statement();
    if (b < 0) Io_end_err();
    out.push_back(char(b));
  }
  ws.Ctl_value = 0;
  set_result(out);
}

// Ends the input: the final text, the cursor, SETCTL.
void finish(int32_t ctl) {
  ws.Ctl_value = ctl;
  if (ed.echo) {
    if (ed.shft > 0) {
      ed.ofs = ed.shft;
    } else {
      ed.ofs = ed.cls.empty() ? int32_t(ed.buf.size()) : ed.len;
      if (ed.ofs > ed.shft + ed.insz) ed.ofs = ed.shft + ed.insz;
    }
    if (ed.ofs - ed.shft >= ed.insz) ed.ofs = ed.shft + ed.insz - 1;
    if (ed.ofs < 0) ed.ofs = 0;
    pos_field(ed.ofs);
  }
  ed.has_orig = false;
}

// A release that follows a press which ended the input belongs to that
// click: the next input does not take it.
bool swallow_release = false;

// A mouse key (-1080 pressed, -1081 released) at last_mouse: a region
// under the click gives its CTL value (or runs its statement); a release
// that no region takes acts on the field: outside the window -1082, on the
// cursor's cell 0 (the input ends), on the text the cursor moves there,
// beyond the text but inside the field the field takes the characters
// shown up to the click, further out -1012.
int32_t mouse_key(int32_t code) {
  bool release = code == -1081;
  if (release && swallow_release) {
    swallow_release = false;
    return -1000;
  }
  swallow_release = false;
  int32_t col = last_mouse.col, line = last_mouse.line;
  if (const Mouse_region* r = MSE_check(release, col, line)) {
    // A statement restarts the input afresh: the screen loses the text
    // the field loses.
    if (r->stmt_len) {
      edit(-1002);
      Prt_flush();
    }
    int32_t ctl = -1000;
    MSE_act(r, ctl);
    if (!release && ctl >= 0) swallow_release = true;
    return ctl;
  }
  if (!release) return -1000;
  const Window_rec& w = cur_dev()->win;
  int32_t wc = col - (w.scr_col + w.col0), wl = line - (w.scr_line + w.line0);
  if (wc < 0 || wl < 0 || wc >= w.cols || wl >= w.lines) return -1082;
  if (!ed.echo || wl != ed.line0 || wc < ed.col0 || wc >= ed.col0 + ed.insz) return -1012;
  int32_t at = ed.shft + (wc - ed.col0);
  if (at == ed.ofs) return 0;
  if (at >= ed.len) return -1012;
  if (!ed.cls.empty() || ed.num_mask) {
    if (!ed.cls.empty()) {
      at = next_input_pos(at);
      if (at >= ed.len) return -1012;
    }
    ed.ofs = at;
    ed.num.ofs = at;
    redraw(ed.ofs);
    return -1000;
  }
  int32_t n = int32_t(ed.buf.size());
  if (at > n) {
    for (int32_t i = n; i < at; ++i) ed.buf.push_back(char(w.chars[Cell(w, ed.col0 + i - ed.shft, ed.line0)]));
    redraw(n);
  }
  ed.ofs = at;
  redraw(ed.ofs);
  return -1000;
}

// Mouse reports are asked for while an input with regions runs and
// switched off however the input ends.
struct Mouse_guard {
  bool owner = false;
  Mouse_guard() {
    if (!Mouse_reporting() && Mouse_wanted(ws.Cur_fcb)) {
      Mouse_reports(true);
      owner = Mouse_reporting();
    }
  }
  ~Mouse_guard() {
    if (!owner) return;
    try {
      Mouse_reports(false);
    } catch (const Oru_error&) {
    }
  }
};

}  // namespace

const Mouse_report& Mouse_last_report() { return last_mouse; }

bool Preinput_answer() {
  Preinput_entry* e = Preinput_take();
  if (!e) return false;
  int32_t n = e->len;
  if (e->slash) {
    for (int32_t i = 0; i < n; ++i)
      if (e->text[i] == '\r' || e->text[i] == '\n') {
        n = i;
        break;
      }
  }
  std::string text(reinterpret_cast<const char*>(e->text), size_t(n));
  ws.Ctl_value = e->ctl >= 0 ? e->ctl : 0;
  Ret_blk(e);
  set_result(text);
  return true;
}

void Dev_add_prei(Dev_fcb* d, const uint8_t* p, uint32_t n) {
  if (n == 0) return;
  Prei_entry* e = static_cast<Prei_entry*>(Get_blk(sizeof(Prei_entry) + n));
  e->len = n;
  std::memcpy(e->bytes, p, n);
  Prei_entry** at = &d->preinput;
  while (*at) at = &(*at)->next;
  *at = e;
}

void Dev_save_state() {
  if (ws.Drv_save) return;  // one level
  ws.Drv_save = new Ed_state(ed);
}

void Dev_restore_state() {
  if (!ws.Drv_save) return;
  Ed_state* s = static_cast<Ed_state*>(ws.Drv_save);
  ed = *s;
  delete s;
  ws.Drv_save = nullptr;
}

// A control handler implementing "Input" reads the console's field
// itself.  The 'EE' echo switch is off while its method runs (so that the
// handler's own inputs are seen) and comes back afterwards.
static bool handler_input(Fcb* f) {
  Objctl_input in;
  in.col = f->column;
  in.line = f->line;
  bool echo_off = (f->in_status & IN_ECHO_OFF) != 0;
  in.mode = (ed.echo ? 1 : 0) | (echo_off ? 2 : 0);
  in.max_len = ed.len > FIELD_MAX ? FIELD_MAX : ed.len;
  if (Dev_edit_req.preset) in.preset.assign(reinterpret_cast<const char*>(Dev_edit_req.preset), size_t(Dev_edit_req.preset_len));
  in.tim = ws.Io_tim;
  struct Echo_guard {
    Fcb* f;
    bool off;
    ~Echo_guard() {
      if (off) f->in_status |= IN_ECHO_OFF;
    }
  } guard{f, echo_off};
  f->in_status &= uint16_t(~IN_ECHO_OFF);
  // The preset goes to the method as an argument, not typed into the
  // handler's own field: its entry stays aside during the call.
  struct Preset_aside {
    Preinput_entry* e = nullptr;
    ~Preset_aside() {
      if (e) {
        e->next = static_cast<Preinput_entry*>(ws.Preinput);
        ws.Preinput = e;
      }
    }
  } aside;
  if (Dev_edit_req.preset_entry && ws.Preinput == Dev_edit_req.preset_entry) {
    aside.e = Dev_edit_req.preset_entry;
    ws.Preinput = aside.e->next;
  }
  std::string answer;
  {
    // The handler's own statements use the I/O area and the edit request.
    Io_save_guard io;
    Edit_request req = Dev_edit_req;
    bool taken = KestObjCtlINPUT(in, answer);
    Dev_edit_req = req;
    if (!taken) return false;
  }
  ws.Eom_chars[0] = '\r';
  ws.Eom_len = 1;
  set_result(answer);
  return true;
}

// INPUT on a device: see the top of the file.
void Dev_tru_read() {
  Fcb* f = ws.Cur_fcb;
  if (!Is_screen(f)) {
    // A device without a screen: a PREINPUT entry, else raw bytes up to a
    // line end.
    if (Preinput_answer()) return;
    std::string out;
    for (;;) {
      int b = Dev_getch(true, ws.Io_tim);
      if (b == -1) {
        ws.Io_rty = 0;
        Rpt_error(err::RECORD_BUSY);
      }
      if (b == -2) restart_statement();
      if (b < 0) {
        if (out.empty()) Io_end_err();
        break;
      }
      if (b == '\r' || b == '\n') break;
      out.push_back(char(b));
    }
    ws.Ctl_value = 0;
    set_result(out);
    return;
  }
  Term_check_resize();
  if (ws.Io_siz < 0) {
    Prt_flush();
    raw_read(-ws.Io_siz);
    return;
  }
  if (f->in_status & IN_DISCARD_AHEAD) Flush_console();
  if (f->st1 & ST1_UNCOMMITTED) Do_commit();
  if (read_back()) return;

  Dev_fcb* d = cur_dev();
  Window_rec& w = d->win;
  ed = Ed_state{};
  ed.echo = !(f->in_status & IN_ECHO_OFF) && !(ws.Io_opts & IO_NOECHO);
  ed.len = ws.Io_siz > 0 ? ws.Io_siz : FIELD_MAX;
  // On a screen that cannot go back up a line the field stops short of the
  // last column: writing there wraps the device, and the cursor could not
  // come back to the field's line.
  int32_t field_end = Scr_can_go_up(f) ? w.cols : w.cols - 1;
  if (f->column >= field_end && field_end > 0) {
    // A pending wrap (or no room left before the last column): the field
    // begins on the next line.
    Prt_mnem(Mnem_code('L', 'F'));
  }
  ed.col0 = f->column;
  ed.line0 = f->line;
  ed.insz = field_end - ed.col0;
  if (ed.insz < 1) ed.insz = 1;
  if (!at_prompt && f == ws.Con_fcb && Objctl_handler() && handler_input(f)) return;
  if (Dev_edit_req.mask_len > 0) {
    ed.mask.assign(reinterpret_cast<const char*>(Dev_edit_req.mask), size_t(Dev_edit_req.mask_len));
    if (Dev_edit_req.numeric) {
      if (ed.num.init(ed.mask) != 0) Rpt_error(err::BAD_FORMAT);
      ed.num_mask = true;
      ed.len = ed.num.length();
      ed.buf = ed.num.shown();
      ed.ofs = ed.num.ofs;
    } else {
      string_mask(ed.mask);
      ed.ofs = next_input_pos(0);
    }
  }
  if (ed.len > FIELD_MAX) ed.len = FIELD_MAX;
  ed.ins_mode = true;
  if (!ed.cls.empty() || ed.num_mask) redraw(0);
  uint8_t cursor_before = uint8_t(d->mode & MODE_CURSOR);
  hist_pos = history.size();
  hist_draft.clear();
  Mouse_guard mouse;
  // A control of the console with the focus takes the keys first.
  bool controls = !at_prompt && f == ws.Con_fcb && Tty_has_focus();
  if (controls) Tty_focus_key(-1, -1103);
  bool pending = false;     // a PREINPUT entry's CTL value waits for its text
  int32_t pending_ctl = 0;
  for (;;) {
    Prt_flush();
    Key k;
    if (pending && !d->preinput) {
      pending = false;
      k = {true, pending_ctl};
    } else if (!pending && !at_prompt && ws.Preinput) {
      Preinput_entry* e = Preinput_take();
      pending = true;
      pending_ctl = e->ctl;
      if (e->slash) {
        Dev_add_prei(d, e->text, uint32_t(e->len));
      } else {
        for (int32_t i = 0; i < e->len; ++i)
          if (!type_char(e->text[i])) bell();
      }
      Ret_blk(e);
      continue;
    } else {
      k = read_key(ws.Io_tim);
    }
    if (k.is_code && (k.value == -1080 || k.value == -1081)) k.value = mouse_key(k.value);
    if (controls && Tty_has_focus() && (!k.is_code || k.value > -100000)) {
      int32_t r = k.is_code ? Tty_focus_key(-1, k.value) : Tty_focus_key(k.value, 0);
      if (r == -1000) continue;
      if (r != -1099) {
        finish(r);
        break;
      }
    }
    if (k.is_code && k.value <= -100000) {
      if (k.value == -100000) {
        ws.Io_rty = 0;
        Rpt_error(err::RECORD_BUSY);
      }
      if (k.value == -100001) {
        if (at_prompt) {
          ed.buf.clear();
          finish(0);
          set_result("");
          return;
        }
        restart_statement();
      }
      if (ed.buf.empty() || !at_prompt) Io_end_err();
      finish(0);
      break;
    }
    int32_t code;
    if (!k.is_code) {
      if (!type_char(uint8_t(k.value))) bell();
      continue;
    }
    code = k.value;
    if (code < 0 && code > -1000) {
      // Keys -999..-1: on the console the program "*control" is called and
      // the statement starts again (with the 0x800 run flag the input ends
      // instead); other channels absorb the key; mode bit 0x200 refuses it.
      if (!(d->mode & MODE_NO_SPECIAL)) {
        if (ws.Cur_fcb != ws.Con_fcb) continue;
        call_control_program();
        if (ws.Run_flags & 0x800) {
          Set_console();
          finish(code);
          break;
        }
        if (at_prompt) continue;  // the console's own read: the line goes on
        restart_statement();
      }
      int32_t ctl;
      if (defctl_lookup(code, ctl)) {
        code = ctl;
      } else {
        bell();
        continue;
      }
    }
    if (code == -1001) {
      ws.Run_flags |= RF_ESCAPE;
      Rpt_error(err::INTERRUPTED);
    }
    if (code < 0) {
      if (code <= -3001 && code >= -3999 && ((ws.Run_flags & 0x800) || (ws.Con_flags & 0x800))) {
        finish(code);
        break;
      }
      if (!edit(code)) {
        int32_t ctl;
        if (defctl_lookup(code, ctl)) {
          if (ctl >= 0) {
            finish(ctl);
            break;
          }
        } else {
          bell();
        }
      }
      continue;
    }
    finish(code);
    break;
  }
  if (cursor_before != (d->mode & MODE_CURSOR)) Set_mode(uint16_t((d->mode & ~MODE_CURSOR) | cursor_before));
  ws.Eom_chars[0] = '\r';
  ws.Eom_len = 1;
  std::string result = ed.num_mask ? ed.num.value_text() : ed.buf;
  if (!ed.cls.empty()) {
    // Empty input positions give blanks; trailing blanks stay, as the mask
    // shapes the answer.
  }
  set_result(result);
  // SETCTL: a subroutine for this CTL value, after which the input runs again.
  for (Setctl_entry* e = static_cast<Setctl_entry*>(ws.Setctl_list); e; e = e->next) {
    if (e->ctl == ws.Ctl_value) {
      Prt_flush();
      ws.Exec_ptr = ws.Stmt_ptr;
      Internal_gosub(e->stno);
      throw Stmt_restart{};
    }
  }
}

bool Term_read_line(std::string& line) {
  Fcb* f = ws.Con_fcb;
  if (!f || !Is_screen(f) || !Console_raw_keys()) return false;
  // The read is I/O on the console in the middle of whatever the caller's
  // I/O area holds (a program stopped inside a statement): the area comes
  // back whole.
  struct Prompt_guard : Io_save_guard {
    Prompt_guard() { at_prompt = true; }
    ~Prompt_guard() { at_prompt = false; }
  } guard;
  Select_channel(f);
  ws.Io_siz = 0;
  ws.Io_tim = -1;
  ws.Io_opts = 0;
  Dev_edit_req = Edit_request{};
  uint16_t in_status = f->in_status;
  f->in_status &= uint16_t(~(IN_READBACK | IN_ECHO_OFF));
  uint8_t* work = ws.Work_ptr;
  bool got = true;
  try {
    Dev_tru_read();
    line.assign(reinterpret_cast<const char*>(ws.Str_ptr), size_t(ws.Str_len));
  } catch (const End_of_data&) {
    got = false;
  } catch (const Oru_error& e) {
    if (e.no != err::END_OF_FILE) {
      f->in_status = in_status;
      ws.Work_ptr = work;
      throw;
    }
    got = false;
  }
  f->in_status = uint16_t((f->in_status & ~(IN_READBACK | IN_ECHO_OFF)) | (in_status & (IN_READBACK | IN_ECHO_OFF)));
  ws.Work_ptr = work;
  Prt_mnem(Mnem_code('L', 'F'));
  if (got && !line.empty() && (history.empty() || history.back() != line)) {
    history.push_back(line);
    if (history.size() > HISTORY_MAX) history.pop_front();
  }
  return got;
}

int Term_read_key() {
  Fcb* f = ws.Con_fcb;
  if (!f || !Is_screen(f) || !Console_raw_keys()) return -2;
  Io_save_guard guard;
  Select_channel(f);
  ws.Io_siz = -1;  // one byte as it comes: no echo, no editing
  ws.Io_tim = -1;
  ws.Io_opts = 0;
  Dev_edit_req = Edit_request{};
  // The read-back state and the work area are as before, however the read ends.
  struct Restore {
    Fcb* f;
    uint16_t in_status;
    uint8_t* work;
    ~Restore() {
      f->in_status = in_status;
      ws.Work_ptr = work;
    }
  } restore{f, f->in_status, ws.Work_ptr};
  f->in_status = uint16_t(restore.in_status & ~IN_READBACK);
  int key = -1;
  try {
    Dev_tru_read();
    key = ws.Str_len > 0 ? ws.Str_ptr[0] : '\r';
    if (key == 27) {
      // A function or edit key (the escape byte and more at once) is kept
      // whole as typed ahead for the next read.
      Dev_fcb* d = cur_dev();
      std::string seq(1, char(27));
      while (more_soon(d)) {
        int b = Dev_getch(false, 0);
        if (b < 0) break;
        seq.push_back(char(b));
      }
      if (seq.size() > 1) Dev_add_prei(d, reinterpret_cast<const uint8_t*>(seq.data()), uint32_t(seq.size()));
    }
  } catch (const Stmt_restart&) {
    key = 27;  // an interrupt while waiting
  } catch (const End_of_data&) {
  } catch (const Oru_error& e) {
    if (e.no != err::END_OF_FILE && e.no != err::INTERRUPTED) throw;
    if (e.no == err::INTERRUPTED) key = 27;
  }
  return key;
}
