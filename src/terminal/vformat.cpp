// Vertical format of a printer or file channel: 'SL' collects a format of
// up to 255 lines, one channel-code digit '0'..'8' per line, ended by
// ESC 'EL'; 'S0'..'S8' advance to the next line of the format whose code is
// that digit (a form feed where the format wraps round to its first line).
#include <string>
#include <unordered_map>

#include "channels/print.h"
#include "core/errors.h"
#include "core/workspace.h"
#include "terminal/terminal.h"
#include "terminal/vformat.h"

namespace {

constexpr size_t FORMAT_MAX = 255;

struct Vformat {
  std::string lines;    // the format: one digit per line
  int32_t at = 0;       // current line of the format
  std::string draft;    // a definition being collected
  bool too_long = false;
  int esc = 0;          // 1 after ESC, 2 after ESC and one byte
  uint8_t held = 0;
};

std::unordered_map<const void*, Vformat> formats;

void collect(uint8_t c) {
  Fcb* f = ws.Cur_fcb;
  Vformat& v = formats[f];
  if (v.esc == 0) {
    if (c >= '0' && c <= '8') {
      if (v.draft.size() < FORMAT_MAX) v.draft.push_back(char(c));
      else v.too_long = true;
      return;
    }
    if (c == 27) {
      v.esc = 1;
      return;
    }
    // Anything else ends the definition and is printed as it came.
    f->out_hook = nullptr;
    v.draft.clear();
    Prt_bytes(&c, 1);
    return;
  }
  if (v.esc == 1) {
    v.held = c;
    v.esc = 2;
    return;
  }
  v.esc = 0;
  f->out_hook = nullptr;
  if (v.held == 'E' && c == 'L') {
    // An empty format, or one of 256 lines or more, is not taken.
    if (!v.draft.empty() && !v.too_long) {
      v.lines = v.draft;
      v.at = 0;
    }
    v.draft.clear();
    return;
  }
  v.draft.clear();
  uint8_t seq[3] = {27, v.held, c};
  Prt_bytes(seq, 3);
}

}  // namespace

void Mnem_SL() {
  Fcb* f = ws.Cur_fcb;
  Vformat& v = formats[f];
  v.draft.clear();
  v.too_long = false;
  v.esc = 0;
  f->out_hook = collect;
}

void Mnem_EL() {
  // Outside a definition (the collector takes ESC 'EL' itself).
  Err_mnemonic();
}

void Mnem_S0(int digit) {
  Fcb* f = ws.Cur_fcb;
  auto it = formats.find(f);
  if (it == formats.end() || it->second.lines.empty()) return Err_mnemonic();
  Vformat& v = it->second;
  int32_t n = int32_t(v.lines.size());
  int32_t steps = 0;
  for (int32_t k = 1; k <= n; ++k)
    if (v.lines[size_t((v.at + k) % n)] == char('0' + digit)) {
      steps = k;
      break;
    }
  if (steps == 0) return Err_mnemonic();
  for (int32_t k = 0; k < steps; ++k) {
    if (++v.at >= n) {
      v.at = 0;
      Prt_mnem(Mnem_code('F', 'F'));
    } else {
      Prt_mnem(Mnem_code('L', 'F'));
    }
  }
}

void Vformat_release(const void* fcb) { formats.erase(fcb); }

bool Vformat_takes(Fcb* f, uint16_t code) {
  if (!f || f->out_hook != collect) return false;
  collect(27);
  collect(uint8_t(code >> 8));
  collect(uint8_t(code));
  return true;
}
