// Long mnemonics: the collector and the executor of the operations a
// character terminal carries out (windows, frames, attributes, colours).
#include "terminal/long_mnem.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <unordered_map>
#include <vector>

#include "channels/print.h"
#include "core/errors.h"
#include "core/process_config.h"
#include "core/workspace.h"
#include "terminal/colours.h"
#include "terminal/gui_objctl.h"
#include "terminal/tc_files.h"
#include "terminal/terminal.h"
#include "terminal/windows.h"

namespace {

constexpr uint32_t LONG_MNEM_MAX = 1u << 24;  // a longer block is refused (error 46)

struct Collector {
  uint8_t phase = 0;  // 0 operation (or '$'), 2 length bytes, 3 parameters
  uint8_t hex = 0;    // 0 off, 1 waiting for a high digit, 2 waiting for a low digit
  uint8_t high = 0;
  bool wide = false;
  uint8_t op = 0;
  int length_bytes = 0;
  uint32_t len = 0;
  std::vector<uint8_t> block;
};

std::unordered_map<const void*, Collector> collectors;

// Per-channel state of the message line and of the pitch of a forwarding
// channel.  The message line is one screen line shown in the whole-screen
// window: its layout is {line (-1: the last), first column, slot width (0:
// slot 0 alone, to the end of the line)}; slot k lies at column + k x width.
constexpr uint32_t MSG_SLOTS = 32;
struct Chan_extra {
  std::string slots[MSG_SLOTS];
  int32_t layout[3] = {-1, 0, 0};
  // Base of the pitch mnemonics in hundredths of an inch: the page length
  // for lines per inch, the line width for characters per inch.
  int32_t lpi_base = 1100, cpi_base = 800;
  Chan_page page;
};
std::unordered_map<const void*, Chan_extra> extras;

void stop(Fcb* f) {
  f->out_hook = nullptr;
  collectors.erase(f);
}

void put_hex(uint8_t b) {
  static const char digits[] = "0123456789ABCDEF";
  Term_put(uint8_t(digits[b >> 4]));
  Term_put(uint8_t(digits[b & 15]));
}

// A channel that passes long mnemonics on (a printer that understands them)
// takes the drawing operations only; the pitch operations also set its
// lines and columns.  The mnemonic goes out in the hexadecimal form.
void forward(Fcb* f, uint8_t op, const uint8_t* p, uint32_t n) {
  bool refused = op < 7 || op > 45 || (op >= 20 && op <= 25) || (op >= 27 && op <= 31) || (op >= 34 && op <= 36) ||
                 op == 42 || op == 15;
  if (refused) return Err_mnemonic();
  if (op == 32 || op == 33) {
    if (n != 2) return Err_mnemonic();
    int32_t v = int16_t(uint16_t(p[0] << 8 | p[1]));
    Chan_extra& x = extras[f];
    int32_t& base = op == 32 ? x.lpi_base : x.cpi_base;
    if (v < 0) {
      base = -v;
    } else {
      int64_t count = int64_t(v) * base / 10000;
      if (count < 1 || count > 32000) return Err_mnemonic();
      if (op == 32) {
        f->lines = int32_t(count);
      } else {
        f->cols = int32_t(count);
        f->width = int32_t(count);  // PRINT wraps printer lines there
      }
    }
  }
  LongMnemSend(op, p, n, true);
}

// The thin-client console: a picture of a host file goes through the
// client's utility; anything else keeps the local screen model in step
// (windows, attributes, colours: the operations a terminal would carry out)
// and then goes to the client, which draws it.  Pending output leaves
// first so that the client sees everything in order.
void thin_console(Fcb* f, uint8_t op, const uint8_t* p, uint32_t n) {
  if (op == 8 && ZefVrlPictMnem(p, n)) return;
  Prt_flush();
  switch (op) {
    case 1: case 2: case 3: case 4: case 5: case 6: case 7: case 20: case 27: case 43: case 44: {
      // The client draws and repaints its own windows: the local model's
      // frames and repaints are not sent.
      Term_mute_guard mute(f);
      LongMnemExec(op, p, n);
      break;
    }
    case 31: case 36:
      Err_mnemonic();  // no screen, the client's or a terminal's, has these
      break;
    default:
      break;  // the client acts on the others itself
  }
  LongMnemSend(op, p, n, false);
  Prt_flush();
}

void finish(Fcb* f, Collector& c) {
  uint8_t op = c.op;
  std::vector<uint8_t> block = std::move(c.block);
  stop(f);
  if ((f->term_flags & TF_FORWARD_LONG) && f->kind != FK_PDF && !Is_screen(f)) {
    forward(f, op, block.data(), uint32_t(block.size()));
    return;
  }
  // A control handler's "Mnemonics" service object may take it.
  if (f == ws.Con_fcb && Objctl_handler() && KestObjCtlMNEM(op, block.data(), uint32_t(block.size()))) return;
  if (f->kind == FK_THIN_CLIENT) {
    // A client channel: the client carries the mnemonic out; it travels
    // in the channel's output whole, after what the buffer holds.
    if (f->buf_count + int64_t(block.size()) + 9 > f->buf_size && f->buf_count > 0) Prt_flush();
    LongMnemSend(op, block.data(), uint32_t(block.size()), false);
    return;
  }
  if (f->st2 & ST2_THIN_CLIENT) {
    thin_console(f, op, block.data(), uint32_t(block.size()));
    return;
  }
  LongMnemExec(op, block.data(), uint32_t(block.size()));
}

// Draws the message line of a terminal screen from its slots.
void draw_message_line(Fcb* f, const Chan_extra& x) {
  if (!Is_screen(f) || Prt_is_console(f)) return;
  Dev_fcb* d = Dev(f);
  int32_t line = x.layout[0] < 0 ? f->lines - 1 : x.layout[0];
  int32_t col = x.layout[1], width = x.layout[2];
  if (line < 0 || line >= f->lines || col >= f->cols) return;
  std::string text;
  if (width == 0) {
    text = x.slots[0];
    text.resize(size_t(f->cols - col), ' ');
  } else {
    for (uint32_t k = 0; k < MSG_SLOTS && col + int32_t(text.size()) < f->cols; ++k) {
      std::string piece = x.slots[k];
      piece.resize(size_t(width), ' ');
      text += piece;
    }
    if (int32_t(text.size()) > f->cols - col) text.resize(size_t(f->cols - col));
  }
  Window_rec* base = &d->win;
  while (base->saved) base = base->saved;
  uint32_t attr = base->def_attr ^ ATTR_REVERSE;
  Window_base_text(d, col, line, reinterpret_cast<const uint8_t*>(text.data()), int32_t(text.size()), attr);
}

// Operation 24: a text (length byte and bytes) and an optional slot number;
// operation 29: up to three layout values.
void message_line(Fcb* f, uint8_t op, const uint8_t* p, uint32_t n) {
  if (op == 24) {
    if (n < 1 || uint32_t(p[0]) + 1 > n) return Err_mnemonic();
    uint32_t len = p[0], rest = n - 1 - len;
    uint32_t slot = 0;
    if (rest == 2) slot = uint32_t(p[1 + len] << 8 | p[2 + len]);
    else if (rest != 0) return Err_mnemonic();
    if (slot >= MSG_SLOTS) return Err_mnemonic();
    Chan_extra& x = extras[f];
    x.slots[slot].assign(reinterpret_cast<const char*>(p + 1), len);
    draw_message_line(f, x);
    return;
  }
  if (n % 2 != 0 || n > 6) return Err_mnemonic();
  int32_t v[3];
  Chan_extra& x = extras[f];
  for (uint32_t i = 0; i < 3; ++i) v[i] = i * 2 < n ? int16_t(uint16_t(p[i * 2] << 8 | p[i * 2 + 1])) : x.layout[i];
  int32_t lines = Is_screen(f) ? f->lines : 32000, cols = Is_screen(f) ? f->cols : 32000;
  if (v[0] < -1 || v[0] >= lines || v[1] < 0 || v[1] >= cols || v[2] < 0 || v[2] > cols) return Err_mnemonic();
  for (int i = 0; i < 3; ++i) x.layout[i] = v[i];
  draw_message_line(f, x);
}

void collect(uint8_t b) {
  Fcb* f = ws.Cur_fcb;
  auto it = collectors.find(f);
  if (it == collectors.end()) {
    f->out_hook = nullptr;
    return;
  }
  Collector& c = it->second;
  if (c.hex) {
    int v;
    if (b >= '0' && b <= '9') v = b - '0';
    else if (std::isxdigit(b)) v = (b & 15) + 9;
    else {
      stop(f);
      Err_mnemonic();
      return;
    }
    if (c.hex == 1) {
      c.high = uint8_t(v);
      c.hex = 2;
      return;
    }
    c.hex = 1;
    b = uint8_t(c.high << 4 | v);
  } else if (c.phase == 0 && b == '$') {
    c.hex = 1;
    return;
  }
  switch (c.phase) {
    case 0:
      c.op = b;
      c.phase = 2;
      c.length_bytes = c.wide ? 4 : 1;
      c.len = 0;
      return;
    case 2:
      c.len = c.len << 8 | b;
      if (--c.length_bytes > 0) return;
      if (c.len == 0) {
        finish(f, c);
        return;
      }
      if (c.len > LONG_MNEM_MAX) {
        stop(f);
        Rpt_error(err::STRING_LENGTH);
      }
      c.block.reserve(c.len);
      c.phase = 3;
      return;
    default:
      c.block.push_back(b);
      if (c.block.size() >= c.len) finish(f, c);
      return;
  }
}

// Parameter reader: every read is bounded by the block.
struct Params {
  const uint8_t* p;
  uint32_t n, at = 0;
  bool bad = false;
  int32_t num16() {
    if (at + 2 > n) {
      bad = true;
      return 0;
    }
    int32_t v = int16_t(uint16_t(p[at] << 8 | p[at + 1]));
    at += 2;
    return v;
  }
  int32_t byte() {
    if (at + 1 > n) {
      bad = true;
      return 0;
    }
    return p[at++];
  }
  // A text: a length byte and the bytes; 0xFF (or nothing left) is none.
  Win_text text() {
    if (at >= n) return {};
    uint32_t len = p[at++];
    if (len == 0xFF) return {};
    if (at + len > n) {
      bad = true;
      return {};
    }
    Win_text t{p + at, int32_t(len)};
    at += len;
    return t;
  }
};

void set_attribute(Fcb* f, const uint8_t* p, uint32_t n) {
  uint32_t a = f->attr;
  uint32_t def = Is_screen(f) ? Dev(f)->win.def_attr : ATTR_FRESH;
  if (n >= 4 && std::tolower(p[0]) == 'b' && std::tolower(p[1]) == 'b' && std::tolower(p[2]) == 'x' && p[3] == ':') {
    uint8_t t[3] = {0, 0, 0};
    for (uint32_t i = 4; i < n && i < 7; ++i) t[i - 4] = p[i];
    a = KestSetBBXClr(t, 1, a);
    a = KestSetBBXClr(t, 0, a);
  } else {
    auto colour = [&](uint32_t shift, uint8_t v) {
      uint32_t c = v == 0xFF ? (def >> shift & 0xFF) : v;
      a = (a & ~(0xFFu << shift)) | c << shift;
    };
    switch (n) {
      case 1: a = (a & ~0xFFu) | p[0]; break;
      case 2: colour(8, p[0]); colour(16, p[1]); break;
      case 3: a = (a & ~0xFFu) | p[0]; colour(8, p[1]); colour(16, p[2]); break;
      default: Err_mnemonic(); return;
    }
  }
  if (Is_screen(f)) Set_attr(a);
  else f->attr = a;
}

void exec_screen(Fcb* f, uint8_t op, const uint8_t* p, uint32_t n) {
  Params in{p, n};
  switch (op) {
    case 1: {
      int32_t col = in.num16(), line = in.num16(), w = in.byte(), h = in.byte();
      in.byte();  // window number: a box has none
      Win_text title = in.text(), frame = in.text();
      if (in.bad) return Err_mnemonic();
      Window_box(col, line, w, h, title, frame);
      return;
    }
    case 2: case 20: case 27: {
      int32_t col = in.num16(), line = in.num16(), w = in.byte(), h = in.byte(), num = in.byte();
      Win_text title = in.text(), frame = in.text(), options = in.text();
      if (in.bad) return Err_mnemonic();
      // A channel marked for framed areas opens every framed window with
      // its frame inside (operation 2 acts as 27).
      bool inside = op == 27 || (op == 2 && (f->term_flags & TF_FRAMED_AREAS));
      Window_add(col, line, w, h, num, title, frame, options, op == 20 ? WINDOW_DIALOGUE : 0, inside);
      return;
    }
    case 3: {
      int32_t num = in.byte();
      if (in.bad) return Err_mnemonic();
      Window_drop(num == 0xFF ? -1 : num);
      return;
    }
    case 4: {
      int32_t num = in.byte();
      if (in.bad) return Err_mnemonic();
      Window_goto(num);
      return;
    }
    case 5: {
      int32_t col = in.num16(), line = in.num16();
      if (in.bad) return Err_mnemonic();
      Window_move(col, line);
      return;
    }
    case 6: {
      if (n != 4) return Err_mnemonic();
      Window_scroll(p[0]);
      return;
    }
    default: break;
  }
}

}  // namespace

bool Set_channel0_option(const uint8_t* p, uint32_t n) {
  if (n < 1 || uint32_t(p[0]) + 1 > n) return false;
  std::string text(reinterpret_cast<const char*>(p + 1), p[0]);
  size_t eq = text.find('=');
  if (eq == std::string::npos) return false;
  std::string name = text.substr(0, eq), value = text.substr(eq + 1);
  for (char& ch : name) ch = char(std::toupper(uint8_t(ch)));
  if (name == "SUPPRESS_FF") {
    // Low three bits: 1 first, 2 last, 3 both, 4 all, 0 none.
    uint16_t v = 0;
    switch (value.empty() ? 0 : std::toupper(uint8_t(value[0]))) {
      case 'F': v = 1; break;
      case 'L': v = 2; break;
      case 'B': v = 3; break;
      case 'A': v = 4; break;
      default: break;
    }
    ws.Cur_fcb->inherited = uint16_t((ws.Cur_fcb->inherited & ~7u) | v);
    return true;
  }
  if (name == "PDFMARGIN") {
    Kest_cfg.pdf_margin = int(std::strtol(value.c_str(), nullptr, 10));
    return true;
  }
  if (name == "PDFFACTOR") {
    double d = std::strtod(value.c_str(), nullptr);
    Kest_cfg.pdf_factor = d >= 1.0 ? d : 1.0;  // below 1 (or not a number) is 1
    return true;
  }
  if (name == "PDFFONTDIR") {
    while (value.size() > 1 && value.back() == '/') value.pop_back();
    Kest_cfg.pdf_font_dir = value;
    return true;
  }
  return false;
}

void StartLongMnem(uint16_t code) {
  Fcb* f = ws.Cur_fcb;
  if (!f) return;  // no channel record: nothing to collect on
  Collector& c = collectors[f];
  c = Collector{};
  c.wide = (code & 0xFF) == 'x';
  f->out_hook = collect;
}

Chan_page& Page_of(const void* fcb) { return extras[fcb].page; }

void LongMnemRelease(const void* fcb) {
  collectors.erase(fcb);
  extras.erase(fcb);
}

void LongMnemSend(uint8_t op, const uint8_t* p, uint32_t n, bool hex) {
  bool wide = n >= 256;
  Term_put(27);
  Term_put('m');
  Term_put(wide ? 'x' : 'n');
  auto put = [&](uint8_t b) {
    if (hex) put_hex(b);
    else Term_put(b);
  };
  if (hex) Term_put('$');
  put(op);
  if (wide) {
    put(uint8_t(n >> 24));
    put(uint8_t(n >> 16));
    put(uint8_t(n >> 8));
  }
  put(uint8_t(n));
  for (uint32_t i = 0; i < n; ++i) put(p[i]);
}

Term_pdf_hooks Term_pdf;

void LongMnemExec(uint8_t op, const uint8_t* p, uint32_t n) {
  Fcb* f = ws.Cur_fcb;
  if (f && f->kind == FK_PDF) {
    if (!Term_pdf.graphics) Not_built("PDF channels");
    Term_pdf.graphics(op, p, n);
    return;
  }
  bool screen = Is_screen(f);
  switch (op) {
    case 1: case 2: case 3: case 4: case 5: case 6: case 20: case 27:
      if (Prt_is_console(f)) return;  // a transcript has no screen to shape
      if (!screen) return Err_mnemonic();
      try {
        exec_screen(f, op, p, n);
      } catch (const Mnemonic_ignored&) {
      }
      return;
    case 7:
      if (Prt_is_console(f)) return;
      set_attribute(f, p, n);
      return;
    case 43: case 44:
      if (Prt_is_console(f)) return;
      ColourMnem(op == 43 ? '+' : ',', p, int32_t(n));
      return;
    case 24: case 29:
      if (Prt_is_console(f)) return;
      message_line(f, op, p, n);
      return;
    case 40:
      // Options given as text act on channel 0 only; another channel has
      // none of its own to take them.
      if (f != ws.Con_fcb) return;
      if (!Set_channel0_option(p, n)) Err_mnemonic();
      return;
    default:
      // Pictures, graphics, fonts, sizes and the rest need the thin client
      // or a PDF channel; a character terminal has no way to show them.
      Err_mnemonic();
      return;
  }
}

std::string LongMnemBuild(uint8_t op, const std::string& params, bool wide) {
  std::string out = "\x1bm";
  size_t n = params.size();
  if (!wide && n < 256) {
    out += 'n';
    out += char(op);
    out += char(n);
  } else {
    out += 'x';
    out += char(op);
    out += char(n >> 24);
    out += char(n >> 16);
    out += char(n >> 8);
    out += char(n);
  }
  return out + params;
}
