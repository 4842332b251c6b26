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
#include "pdf/pdf_channel.h"
#include "core/startup.h"
#include "core/workspace.h"
#include "terminal/colours.h"
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

void stop(Fcb* f) {
  f->out_hook = nullptr;
  collectors.erase(f);
}

void finish(Fcb* f, Collector& c) {
  uint8_t op = c.op;
  std::vector<uint8_t> block = std::move(c.block);
  stop(f);
  LongMnemExec(op, block.data(), uint32_t(block.size()));
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
        Rpt_error(46);
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

void exec_screen([[maybe_unused]] Fcb* f, uint8_t op, const uint8_t* p, uint32_t n) {
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
      Window_add(col, line, w, h, num, title, frame, options, op == 20 ? WINDOW_DIALOGUE : 0, op == 27);
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

void LongMnemRelease(const void* fcb) { collectors.erase(fcb); }

void LongMnemExec(uint8_t op, const uint8_t* p, uint32_t n) {
  Fcb* f = ws.Cur_fcb;
  if (f && f->kind == FK_PDF) {
    Pdf_Graphics(op, p, n);
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
      Not_built("the message line (its layout and texts)");
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
