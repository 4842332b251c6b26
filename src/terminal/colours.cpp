// Colours: palette, colour index table, colour texts, BBx-style triples,
// the VIDEO_PALETTE directive and the mapping onto the terminal's colours.
//
// A colour value of an attribute word below 16 is a colour number looked up
// through OruClrIdxTbl; 16 or more is a palette index used directly.  On a
// terminal, colour numbers 0..15 go out as 'F0'..'F15' / 'B0'..'B15' when the
// driver defines them; palette entries (and colour numbers the terminal
// lacks) go to the nearest colour the terminal has: the 256- or 88-colour
// cube through the driver's 'FX'/'BX' definitions, else the nearest of its
// 16 or 8 standard colours.
#include "terminal/colours.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/codes.h"
#include "core/directives.h"
#include "channels/print.h"
#include "core/errors.h"
#include "core/evaluator.h"
#include "core/variables.h"
#include "core/workspace.h"
#include "terminal/terminal.h"

namespace {

const uint32_t std_rgb[16] = {0x000000, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF,
                              0x808080, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0};
const uint8_t std_idx[48] = {0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                             0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15,
                             0,  9,  10, 11, 12, 13, 14, 7,  8,  1,  2,  3,  4,  5,  6,  15};
const char* const colour_names[9] = {"BLACK", "RED", "GREEN", "YELLOW", "BLUE", "MAGENTA", "CYAN", "WHITE", "GRAY"};

// What the terminals' own standard colours look like (xterm's values), for
// the nearest-colour search on 8- and 16-colour terminals.
const uint32_t term_rgb[16] = {0x000000, 0xCD0000, 0x00CD00, 0xCDCD00, 0x0000EE, 0xCD00CD, 0x00CDCD, 0xE5E5E5,
                               0x7F7F7F, 0xFF0000, 0x00FF00, 0xFFFF00, 0x5C5CFF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

struct Palette_init {
  Palette_init() {
    for (int i = 0; i < 16; ++i) {
      OruClrRGBTbl[i][0] = uint8_t(std_rgb[i] >> 16);
      OruClrRGBTbl[i][1] = uint8_t(std_rgb[i] >> 8);
      OruClrRGBTbl[i][2] = uint8_t(std_rgb[i]);
    }
    std::memcpy(OruClrIdxTbl, std_idx, 48);
  }
};

inline uint32_t entry_rgb(int32_t i) {
  return uint32_t(OruClrRGBTbl[i][0]) << 16 | uint32_t(OruClrRGBTbl[i][1]) << 8 | OruClrRGBTbl[i][2];
}

inline int32_t dist2(uint32_t a, uint32_t b) {
  int32_t dr = int32_t(a >> 16 & 255) - int32_t(b >> 16 & 255);
  int32_t dg = int32_t(a >> 8 & 255) - int32_t(b >> 8 & 255);
  int32_t db = int32_t(a & 255) - int32_t(b & 255);
  return dr * dr + dg * dg + db * db;
}

// Each non-zero component becomes v.
uint32_t flatten(uint32_t rgb, uint32_t v) {
  uint32_t out = 0;
  for (int s = 16; s >= 0; s -= 8)
    if (rgb >> s & 255) out |= v << s;
  return out;
}

bool ieq_prefix(const uint8_t* p, int32_t n, const char* word) {
  int32_t k = int32_t(std::strlen(word));
  if (n < k) return false;
  for (int32_t i = 0; i < k; ++i)
    if (std::toupper(p[i]) != uint8_t(word[i])) return false;
  return true;
}

// Nearest xterm 256-colour index of an RGB value (cube or grey ramp).
int32_t nearest_256(uint32_t rgb) {
  static const int lv[6] = {0, 95, 135, 175, 215, 255};
  auto level = [](int v) {
    int best = 0;
    for (int i = 1; i < 6; ++i)
      if (std::abs(lv[i] - v) < std::abs(lv[best] - v)) best = i;
    return best;
  };
  int r = int(rgb >> 16 & 255), g = int(rgb >> 8 & 255), b = int(rgb & 255);
  int ri = level(r), gi = level(g), bi = level(b);
  uint32_t cube = uint32_t(lv[ri]) << 16 | uint32_t(lv[gi]) << 8 | uint32_t(lv[bi]);
  int grey = (r + g + b) / 3;
  int gk = grey < 8 ? 0 : grey > 238 ? 23 : (grey - 8 + 5) / 10;
  if (gk > 23) gk = 23;
  uint32_t gv = uint32_t(8 + gk * 10);
  uint32_t grey_rgb = gv << 16 | gv << 8 | gv;
  if (dist2(rgb, grey_rgb) < dist2(rgb, cube)) return 232 + gk;
  return 16 + 36 * ri + 6 * gi + bi;
}

// Nearest index of the 88-colour cube (4 levels) and grey ramp.
int32_t nearest_88(uint32_t rgb) {
  static const int lv[4] = {0, 139, 205, 255};
  auto level = [](int v) {
    int best = 0;
    for (int i = 1; i < 4; ++i)
      if (std::abs(lv[i] - v) < std::abs(lv[best] - v)) best = i;
    return best;
  };
  int ri = level(int(rgb >> 16 & 255)), gi = level(int(rgb >> 8 & 255)), bi = level(int(rgb & 255));
  uint32_t cube = uint32_t(lv[ri]) << 16 | uint32_t(lv[gi]) << 8 | uint32_t(lv[bi]);
  // The eight greys 80..87.
  static const int grey[8] = {46, 92, 115, 139, 162, 185, 208, 231};
  int gk = 0;
  for (int i = 1; i < 8; ++i) {
    uint32_t gi_rgb = uint32_t(grey[i]) * 0x010101u, gb_rgb = uint32_t(grey[gk]) * 0x010101u;
    if (dist2(rgb, gi_rgb) < dist2(rgb, gb_rgb)) gk = i;
  }
  if (dist2(rgb, uint32_t(grey[gk]) * 0x010101u) < dist2(rgb, cube)) return 80 + gk;
  return 16 + 16 * ri + 4 * gi + bi;
}

int32_t nearest_std(uint32_t rgb, int32_t count) {
  int32_t best = 0;
  for (int32_t i = 1; i < count; ++i)
    if (dist2(rgb, term_rgb[i]) < dist2(rgb, term_rgb[best])) best = i;
  return best;
}

}  // namespace

uint8_t OruClrRGBTbl[256][3];
int32_t OruClrRGBTblCnt = 16;
uint8_t OruClrInUseTbl[PALETTE_MAX];
uint8_t OruClrIdxTbl[48];
int32_t Term_colour_value = 0;
static Palette_init palette_init;

uint32_t GetRGBFromIdx(int32_t idx) {
  // Entries 0..count-1 are defined; anything else is entry 1.
  if (idx < 0 || idx >= OruClrRGBTblCnt) idx = 1;
  return entry_rgb(idx);
}

int32_t GetClrIdxFromRGB(uint32_t rgb) {
  rgb &= 0xFFFFFF;
  for (int32_t i = 16; i < OruClrRGBTblCnt; ++i)
    if (entry_rgb(i) == rgb) return i;
  if (OruClrRGBTblCnt < PALETTE_MAX) {
    int32_t i = OruClrRGBTblCnt++;
    OruClrRGBTbl[i][0] = uint8_t(rgb >> 16);
    OruClrRGBTbl[i][1] = uint8_t(rgb >> 8);
    OruClrRGBTbl[i][2] = uint8_t(rgb);
    OruClrInUseTbl[i] = 1;
    return i;
  }
  for (uint32_t mask = 0xFE; mask != 0; mask = (mask << 1) & 0xFF) {
    uint32_t m = mask << 16 | mask << 8 | mask;
    for (int32_t i = 16; i < OruClrRGBTblCnt; ++i)
      if ((entry_rgb(i) & m) == (rgb & m)) return i;
  }
  return 16;
}

int32_t GetForeColourIdx(uint32_t attr) {
  int32_t n;
  if (!(attr & ATTR_REVERSE)) {
    n = int32_t(attr >> 8 & 255);
    if (n < 16) n = OruClrIdxTbl[n + ((attr & 1) ? 8 : 0) + ((attr & ATTR_BLINK) ? 16 : 0)];
  } else {
    n = int32_t(attr >> 16 & 255);
    if (n < 16) n = OruClrIdxTbl[32 + n];
  }
  if (attr & 0x40) n = GetClrIdxFromRGB(flatten(GetRGBFromIdx(n), (attr & 1) ? 0x80 : 0xFF));
  return n;
}

int32_t GetBackColourIdx(uint32_t attr) {
  int32_t n;
  if (!(attr & ATTR_REVERSE)) {
    n = int32_t(attr >> 16 & 255);
    if (n < 16) n = OruClrIdxTbl[32 + n];
  } else {
    n = int32_t(attr >> 8 & 255);
    if (n < 16) n = OruClrIdxTbl[n + ((attr & 1) ? 8 : 0) + ((attr & ATTR_BLINK) ? 16 : 0)];
  }
  if (attr & 0x80) return GetClrIdxFromRGB(0x808080);
  if (attr & 0x40) n = GetClrIdxFromRGB(flatten(GetRGBFromIdx(n), 0x80));
  return n;
}

int32_t CnvColour(const uint8_t* p, int32_t n, int dark) {
  while (n > 0 && *p == ' ') ++p, --n;
  while (n > 0 && p[n - 1] == ' ') --n;
  if (n == 0 || (n == 7 && ieq_prefix(p, n, "DEFAULT"))) return -1;
  if (n > 6 && (ieq_prefix(p, n, "COLOUR") || ieq_prefix(p, n, "COLOR"))) {
    int32_t k = ieq_prefix(p, n, "COLOUR") ? 6 : 5;
    int64_t v = 0;
    for (; k < n && std::isdigit(p[k]); ++k)
      if (v < 100000) v = v * 10 + (p[k] - '0');
    if (v >= OruClrRGBTblCnt) return -1;
    return int32_t(entry_rgb(int32_t(v)));
  }
  if (ieq_prefix(p, n, "LIGHT ")) {
    dark = 0;
    p += 6, n -= 6;
  } else if (ieq_prefix(p, n, "DARK ")) {
    dark = 1;
    p += 5, n -= 5;
  }
  while (n > 0 && *p == ' ') ++p, --n;
  if (n > 8192) Rpt_error(err::STRING_LENGTH);
  if (ieq_prefix(p, n, "RGB:")) {
    int32_t v[3] = {0, 0, 0};
    int found = 0;
    for (int32_t k = 4; k < n;) {
      if (!std::isdigit(p[k])) {
        ++k;
        continue;
      }
      int32_t x = 0;
      for (; k < n && std::isdigit(p[k]); ++k)
        if (x < 1000) x = x * 10 + (p[k] - '0');
      v[0] = v[1];
      v[1] = v[2];
      v[2] = x > 255 ? 255 : x;
      ++found;
    }
    if (found < 3) {  // fewer than three numbers: the missing ones are 0
      int32_t got[3] = {0, 0, 0};
      for (int i = 0; i < found; ++i) got[i] = v[3 - found + i];
      v[0] = got[0], v[1] = got[1], v[2] = got[2];
    }
    return v[0] << 16 | v[1] << 8 | v[2];
  }
  for (int i = 0; i < 9; ++i) {
    if (int32_t(std::strlen(colour_names[i])) != n || !ieq_prefix(p, n, colour_names[i])) continue;
    int32_t idx;
    if (i == 8) idx = OruClrIdxTbl[dark ? 8 : 15];
    else idx = dark ? OruClrIdxTbl[32 + i] : OruClrIdxTbl[i];
    return int32_t(GetRGBFromIdx(idx));
  }
  return -1;
}

std::string GetColour(int32_t rgb) {
  if (rgb < 0) return "DEFAULT";
  uint32_t v = uint32_t(rgb) & 0xFFFFFF;
  for (int i = 0; i < 8; ++i)
    if (GetRGBFromIdx(OruClrIdxTbl[i]) == v) return std::string(i == 0 || i == 7 ? "" : "LIGHT ") + colour_names[i];
  for (int i = 0; i < 8; ++i)
    if (GetRGBFromIdx(OruClrIdxTbl[32 + i]) == v) return std::string("DARK ") + colour_names[i];
  if (GetRGBFromIdx(OruClrIdxTbl[8]) == v) return "DARK GRAY";
  if (GetRGBFromIdx(OruClrIdxTbl[15]) == v) return "GRAY";
  char buf[40];
  std::snprintf(buf, sizeof buf, "RGB:%u,%u,%u", v >> 16 & 255, v >> 8 & 255, v & 255);
  return buf;
}

uint32_t GetColourValue(const uint8_t* p, int32_t n) {
  int32_t v = CnvColour(p, n, 0);
  return v < 0 ? 0 : uint32_t(v);
}

void ColourMnem(int kind, const uint8_t* p, int32_t n) {
  Fcb* f = ws.Cur_fcb;
  int32_t idx;
  if (n == 2 && p[0] == 0) {
    idx = p[1];
  } else {
    int32_t rgb = CnvColour(p, n, 0);
    if (rgb < 0) {
      // The channel's own default colour.
      if (Is_screen(f)) {
        uint32_t def = Dev(f)->win.def_attr;
        idx = int32_t(kind == '+' ? def >> 8 & 255 : def >> 16 & 255);
      } else {
        idx = kind == '+' ? 0 : 7;
      }
    } else {
      idx = GetClrIdxFromRGB(uint32_t(rgb));
    }
  }
  uint32_t a = f->attr;
  if (kind == '+') a = (a & ~ATTR_FG_MASK) | uint32_t(idx) << 8;
  else a = (a & ~ATTR_BG_MASK) | uint32_t(idx) << 16;
  if (Is_screen(f)) Set_attr(a);
  else f->attr = a;
}

void KestGetBBXClr(uint32_t attr, uint8_t t[3]) {
  uint8_t flags = 0;
  if (!(attr & 1)) flags |= 1;
  if (attr & ATTR_REVERSE) flags |= 2;
  if (attr & ATTR_BLINK) flags |= 8;
  if (attr & ATTR_UNDERLINE) flags |= 4;
  if (attr & ATTR_GRAPHICS) flags |= 32;
  uint32_t fg = attr >> 8 & 255, bg = attr >> 16 & 255;
  auto bits = [](uint32_t c) { return uint8_t(0x40 | ((c & 1) ? 32 : 0) | ((c & 2) ? 8 : 0) | ((c & 4) ? 2 : 0)); };
  auto levels = [](uint32_t c) {
    uint32_t rgb = c < 16 ? 0 : GetRGBFromIdx(int32_t(c));
    uint32_t r, g, b;
    if (c >= 16) {
      r = rgb >> 16 & 255, g = rgb >> 8 & 255, b = rgb & 255;
    } else if (c == 15) {
      r = g = b = 191;
    } else if (c == 8) {
      r = g = b = 127;
    } else {
      uint32_t on = c < 8 ? 255 : 127;
      r = (c & 1) ? on : 0, g = (c & 2) ? on : 0, b = (c & 4) ? on : 0;
    }
    return uint8_t((r / 64) << 4 | (g / 64) << 2 | (b / 64));
  };
  t[0] = flags;
  if (fg < 16 && bg < 16) {
    t[1] = bits(bg);
    t[2] = bits(fg);
  } else {
    t[1] = levels(bg);
    t[2] = levels(fg);
  }
}

uint32_t KestSetBBXClr(const uint8_t t[3], int mode, uint32_t attr) {
  if (mode == 1) {
    uint32_t a = (attr & ~0x3Fu) | 1;
    if (t[0] & 1) a &= ~1u;
    if (t[0] & 2) a |= ATTR_REVERSE;
    if (t[0] & 4) a |= ATTR_UNDERLINE;
    if (t[0] & 8) a |= ATTR_BLINK;
    if (t[0] & 32) a |= ATTR_GRAPHICS;
    return a;
  }
  uint32_t a = attr & 0x3F;
  if (t[0] & 0x40) a |= 0x40;
  auto number = [&](uint8_t c, bool second) {
    uint32_t r = c >> 4 & 3, g = c >> 2 & 3, b = c & 3;
    if (c & 0x40) {  // the bit form: red 32, green 8, blue 2
      r = (c & 32) ? 3 : 0, g = (c & 8) ? 3 : 0, b = (c & 2) ? 3 : 0;
    }
    if (second && (attr & 0x40)) {
      r = r ? 2 : 0, g = g ? 2 : 0, b = b ? 2 : 0;
    }
    uint32_t n = (r ? 1 : 0) | (g ? 2 : 0) | (b ? 4 : 0);
    uint32_t hi = r > g ? r : g;
    if (b > hi) hi = b;
    if (hi > 0 && hi < 3) n = n == 7 ? (hi == 2 ? 15 : 8) : n + 8;
    return n;
  };
  uint32_t bg = number(t[1], false), fg = number(t[2], true);
  return a | fg << 8 | bg << 16;
}

// ---- the terminal's colours ----

int32_t Term_colour_count() {
  if (MnemDef* k = Find_mnem(Mnem_code('*', 'K'))) {
    int32_t v = 0;
    for (int i = 0; i < k->len && std::isdigit(k->bytes[i]); ++i) v = v * 10 + (k->bytes[i] - '0');
    if (v > 0) return v;
  }
  if (Find_mnem(Mnem_code('F', '?'))) return 16;
  if (Find_mnem(Mnem_code('F', '0'))) return 8;
  return 0;
}

void Term_send_colour(bool fg, uint32_t n) {
  char up = fg ? 'F' : 'B';
  if (n <= 15) {
    if (MnemDef* d = Find_mnem(Mnem_code(up, char('0' + n)))) {
      Send_mnem(d);
      return;
    }
  } else if (MnemDef* d = Find_mnem(Mnem_code(fg ? 'f' : 'b', char(n)))) {
    Send_mnem(d);  // a definition of this palette index of its own
    return;
  }
  int32_t count = Term_colour_count();
  if (count == 0) return;
  uint32_t rgb = GetRGBFromIdx(n <= 15 ? OruClrIdxTbl[n] : int32_t(n));
  MnemDef* x = Find_mnem(Mnem_code(up, 'X'));
  if (x && count >= 88) {
    Term_colour_value = count >= 256 ? nearest_256(rgb) : nearest_88(rgb);
    Send_mnem(x);
    return;
  }
  int32_t k = nearest_std(rgb, count >= 16 ? 16 : 8);
  if (MnemDef* d = Find_mnem(Mnem_code(up, char('0' + k)))) Send_mnem(d);
}

namespace {
// An optional ERR= clause, then the end of the statement.
void end_of_statement() {
  if (*ws.Exec_ptr == code::COMMA && ws.Exec_ptr[1] == code::IOPT_FIRST + 4) ++ws.Exec_ptr;
  Chk_err();
  uint8_t c = *ws.Exec_ptr;
  if (c != code::END_SCAN && !(Cde_tbl[c] & CC_STMT_END)) Rpt_error(err::SYNTAX);
}
}  // namespace

// VIDEO_PALETTE S$ / VIDEO_PALETTE READ V$: the palette as 3-byte entries
// (16..255 of them).  VIDEO_PALETTE INDEXED S$ / VIDEO_PALETTE INDEXED
// READ V$: the 48-byte colour index table.
static void d_vpal_body() {
  ws.Stmt_save = ws.Stmt_ptr;  // an ERR= clause is found from the start
  bool table = false;
  if (*ws.Exec_ptr == code::D_INDEXED) {
    table = true;
    ++ws.Exec_ptr;
  }
  if (*ws.Exec_ptr == code::D_READ) {
    ++ws.Exec_ptr;
    Need_operand();
    Get_value();
    Check_assignable(ws.Cur_var);
    Let_target t;
    Let_define(t);
    if (t.str_len < 0) Rpt_error(err::TYPE_MISMATCH);
    static uint8_t out[768];
    int32_t n;
    if (table) {
      std::memcpy(out, OruClrIdxTbl, 48);
      n = 48;
    } else {
      n = OruClrRGBTblCnt * 3;
      std::memcpy(out, OruClrRGBTbl, size_t(n));
    }
    end_of_statement();
    ws.Str_ptr = out;
    ws.Str_len = n;
    Let_assign(t);
    return;
  }
  Need_operand();
  Eval_str();
  int32_t n = ws.Str_len;
  const uint8_t* p = ws.Str_ptr;
  end_of_statement();
  if (table) {
    if (n != 48) Rpt_error(err::STRING_LENGTH);
    std::memcpy(OruClrIdxTbl, p, 48);
    return;
  }
  if (n % 3 != 0 || n / 3 < 16 || n / 3 > PALETTE_MAX) Rpt_error(err::STRING_LENGTH);
  std::memcpy(OruClrRGBTbl, p, size_t(n));
  OruClrRGBTblCnt = n / 3;
  std::memset(OruClrInUseTbl, 0, sizeof OruClrInUseTbl);
}
void d_vpal() { As_token_form(d_vpal_body); }
