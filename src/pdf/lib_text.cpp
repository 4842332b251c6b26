// The PDF library back end: print mnemonics, placing PRINT text, font
// strings and alternate fonts, text in a box, flowing text, TXW( and TXH(,
// and the font list.  Widths, line breaks and the fixed-pitch test come
// from the library's font metrics.
#include <cmath>
#include <cstring>

#include "channels/print.h"
#include "core/errors.h"
#include "core/params.h"
#include "core/process_config.h"
#include "core/workspace.h"
#include "pdf/lib_backend.h"
#include "terminal/colours.h"
#include "terminal/terminal.h"

namespace {

constexpr double PI = 3.14159;
constexpr int32_t FONT_SIZE_MAX = 300;
constexpr size_t FACE_MAX = 100;

constexpr uint16_t M(char a, char b) { return uint16_t(uint8_t(a) << 8 | uint8_t(b)); }

double factor() { return Kest_cfg.pdf_factor; }

// A number of a font string in hundredths ("2" 200, "0.5" 50, "-10" -1000);
// at most nine digits count.
int64_t hundredths(const std::string& s) {
  int64_t v = 0;
  int decimals = -1, digits = 0;
  bool negative = false;
  for (char c : s) {
    if (c == '-') negative = true;
    else if (c == '.') {
      if (decimals < 0) decimals = 0;
    } else if (c >= '0' && c <= '9') {
      if (decimals >= 2 || digits >= 9) continue;
      v = v * 10 + (c - '0');
      digits++;
      if (decimals >= 0) decimals++;
    }
  }
  int d = decimals < 0 ? 0 : decimals;
  for (; d < 2; d++) v *= 10;
  return negative ? -v : v;
}

std::string trim_blanks(const std::string& s) {
  size_t a = s.find_first_not_of(' ');
  if (a == std::string::npos) return {};
  size_t b = s.find_last_not_of(' ');
  return s.substr(a, b - a + 1);
}

// The text as the library shows it: control characters become blanks (a
// line feed stays when lines are cut at a width); with the ampersand flag
// "&" escapes are removed ("&&" gives "&").  at[i] is the byte of the
// original text that character i came from.
std::string shown_text(const std::string& in, uint32_t flags, bool keep_lf, std::vector<size_t>* at) {
  std::string out;
  out.reserve(in.size());
  if (at) at->clear();
  for (size_t i = 0; i < in.size(); i++) {
    uint8_t c = uint8_t(in[i]);
    if ((flags & PFF_AMPERSAND) && c == '&') {
      if (i + 1 >= in.size()) break;
      c = uint8_t(in[++i]);
    }
    if (c < 32 && !(keep_lf && c == '\n')) c = ' ';
    out += char(c);
    if (at) at->push_back(i);
  }
  return out;
}

// RGB of the attribute word's foreground and background.
uint32_t fore_rgb(uint32_t attr) { return GetRGBFromIdx(GetForeColourIdx(attr)); }
uint32_t back_rgb(uint32_t attr) { return GetRGBFromIdx(GetBackColourIdx(attr)); }

const MnemDef* definition(uint16_t code) { return Find_mnem_in(ws.Cur_fcb, code); }

}  // namespace


void ParseFontStr(const uint8_t* p, size_t n, int32_t base_size, Lib_font& slot) {
  std::vector<std::string> fields;
  std::string cur;
  for (size_t i = 0; i < n; i++) {
    if (p[i] == ',') {
      fields.push_back(cur);
      cur.clear();
    } else {
      cur += char(p[i]);
    }
  }
  fields.push_back(cur);
  std::string face = trim_blanks(fields[0]);
  if (face.size() > FACE_MAX) face = trim_blanks(face.substr(0, FACE_MAX));
  if (!face.empty()) slot.face = face;
  if (fields.size() > 1) {
    int64_t v = hundredths(fields[1]);
    if (v > 0) slot.size = int32_t(std::min<int64_t>(int64_t(base_size) * v / 100, 100000));
    else if (v < 0) slot.size = int32_t(std::min<int64_t>(-v / 100, 100000));
  }
  if (slot.size <= 0) slot.size = base_size > 0 ? base_size : 12;
  if (fields.size() > 2)
    slot.flags = Pdf_font_flag_letters(reinterpret_cast<const uint8_t*>(fields[2].data()), fields[2].size(), 0);
  if (fields.size() > 3) slot.angle = int32_t(((hundredths(fields[3]) / 100) % 360 + 360) % 360);
}

// ---- fonts on the page ----

hpdf::Handle Lib_backend::font_for(const Lib_font& slot) {
  // A face no font serves prints in Helvetica.
  return Pdf_AllocateFont(slot.face, int(slot.flags & 3), fonts);
}

void Lib_backend::HPDFSetFontAndSize(hpdf::Handle pg, hpdf::Handle font, int32_t size) {
  if (!pg || !font) return;
  if (size > FONT_SIZE_MAX) size = FONT_SIZE_MAX;
  if (size < 1) size = 1;
  Hpdf.HPDF_Page_SetFontAndSize(pg, font, hpdf::REAL(size));
}

int32_t Lib_backend::GetCurPageFontWidth(const Lib_font& slot) {
  if (!slot.font) return 600;
  hpdf::TextWidth tw = Hpdf.HPDF_Font_TextWidth(slot.font, reinterpret_cast<const uint8_t*>("a"), 1);
  // Every font has a width for "a"; a font that gives none would make the
  // column arithmetic divide by zero.
  return tw.width > 0 ? int32_t(tw.width) : 600;
}

void Lib_backend::Pdf_ChkFontVariable(Lib_font& slot) {
  if (!slot.font) return;
  if (Hpdf.HPDF_Font_GetUnicodeWidth(slot.font, 'i') == Hpdf.HPDF_Font_GetUnicodeWidth(slot.font, 'W'))
    slot.flags &= ~uint32_t(PFF_PROPORTIONAL);
  else
    slot.flags |= PFF_PROPORTIONAL;
}

void Lib_backend::Pdf_GetTextExtent_L(const std::string& text, const Lib_font& slot, int32_t* w, int32_t* h) {
  *w = *h = 0;
  if (text.empty() || !slot.font) return;
  *h = int32_t(slot.size * factor());
  std::string s = shown_text(text, slot.flags, false, nullptr);
  hpdf::TextWidth tw =
      Hpdf.HPDF_Font_TextWidth(slot.font, reinterpret_cast<const uint8_t*>(s.data()), hpdf::UINT(s.size()));
  *w = int32_t(int64_t(tw.width) * slot.size / 1000);
}

namespace {

struct Text_line {
  size_t start, len;  // in the shown text
  double width;       // points
};

// Cuts a text into lines no wider than limit points (limit <= 0: one line
// per line feed-free run when lf_breaks, else the whole text).  Every line
// holds at least one character, so cutting always ends.
std::vector<Text_line> cut_lines(hpdf::Handle pg, hpdf::Handle font, double size, const std::string& s, double limit,
                                 bool wrap) {
  std::vector<Text_line> lines;
  auto width_of = [&](size_t a, size_t n) {
    hpdf::TextWidth tw = Hpdf.HPDF_Font_TextWidth(font, reinterpret_cast<const uint8_t*>(s.data() + a), hpdf::UINT(n));
    return double(tw.width) * size / 1000.0;
  };
  if (limit <= 0) {
    lines.push_back({0, s.size(), width_of(0, s.size())});
    return lines;
  }
  size_t pos = 0;
  std::string seg;
  while (pos < s.size()) {
    size_t end = s.find('\n', pos);
    if (end == std::string::npos) end = s.size();
    if (end == pos) {  // an empty line
      lines.push_back({pos, 0, 0.0});
      pos++;
      continue;
    }
    seg.assign(s, pos, end - pos);
    hpdf::REAL real = 0;
    size_t k = Hpdf.HPDF_Page_MeasureText(pg, seg.c_str(), hpdf::REAL(limit), wrap ? 1 : 0, &real);
    // No word ends within the width (a word wider than the box): the line
    // is filled with what fits, as the own writer fills it, and the word
    // goes on on the next line.
    if (k == 0 && wrap) k = Hpdf.HPDF_Page_MeasureText(pg, seg.c_str(), hpdf::REAL(limit), 0, &real);
    if (k > seg.size()) k = seg.size();
    if (k == 0) k = 1;
    lines.push_back({pos, k, width_of(pos, k)});
    pos += k;
    if (pos == end && end < s.size()) pos++;  // the line feed ends this line
  }
  return lines;
}

}  // namespace

void Lib_backend::Pdf_TextOut(Pdf_doc& d, int32_t x, int32_t y, int32_t width, int32_t height, Lib_font& slot,
                              const std::string& text, int32_t* width_out) {
  last_bytes_left = int64_t(text.size());
  last_points_used = 0;
  if (width_out) *width_out = 0;
  hpdf::Handle pg = page();
  if (text.empty() || !pg || !slot.font) return;
  Hpdf.HPDF_Page_GSave(pg);
  HPDFSetFontAndSize(pg, slot.font, slot.size);
  double fs = Hpdf.HPDF_Page_GetCurrentFontSize(pg);
  if (fs <= 0) fs = 1;
  bool wrap = slot.flags & PFF_WRAP;
  if (height > 0 && height < fs) {
    if (wrap) {
      Hpdf.HPDF_Page_GRestore(pg);
      return;
    }
    height = int32_t(std::ceil(fs));
  }
  double a = slot.angle * PI / 180.0, ca = std::cos(a), sa = std::sin(a);
  bool limited = width > 0;
  double limit = width;
  if (slot.angle != 0 && limited) {
    if (std::fabs(ca) < 0.001) limited = false;
    else limit = width / std::fabs(ca);
  }
  std::vector<size_t> at;
  std::string s = shown_text(text, slot.flags, limited, &at);
  std::vector<Text_line> lines = cut_lines(pg, slot.font, fs, s, limited ? limit : 0, wrap);
  size_t drawn = lines.size();
  if (height > 0) drawn = std::min(drawn, std::max<size_t>(1, size_t(height / fs)));
  double widest_raw = 0;
  for (const Text_line& l : lines) widest_raw = std::max(widest_raw, l.width);
  double total = std::floor(slot.size * factor() * double(lines.size()) + 0.5);
  double widest = std::floor(widest_raw * std::fabs(ca) + 0.5);
  if (width_out) *width_out = int32_t(std::lround((widest + 0.00001) * 1000 / slot.size));

  // The underline pen; the page's pen, fill, font and clipping come back
  // with the graphics state at the end.
  Lib_pen saved_pen = pen;
  if (slot.flags & PFF_UNDERLINE) {
    pen = Lib_pen{1, std::max(1, slot.size / 8), slot.colour};
    SetPen();
  }

  double fx = x;
  if (slot.flags & PFF_NUMERIC) {
    // The characters before the decimal point (or up to the first
    // non-digit after a digit) end where they would in fixed pitch.
    size_t n = s.find(char(prmblk.DP));
    if (n == std::string::npos) {
      bool digit = false;
      for (n = 0; n < s.size(); n++) {
        bool isd = s[n] >= '0' && s[n] <= '9';
        if (digit && !isd) break;
        digit = digit || isd;
      }
    }
    hpdf::TextWidth tw = Hpdf.HPDF_Font_TextWidth(slot.font, reinterpret_cast<const uint8_t*>(s.data()), hpdf::UINT(n));
    fx += double(n) * d.char_w / 1000.0 - double(tw.width) * fs / 1000.0;
  }
  double xs = fx + 1 + d.m_left;
  double baseline = std::floor(d.page_h - slot.size * factor() - y - d.m_top + 0.5);
  double top = double(d.page_h) - y - d.m_top;
  bool centre = slot.flags & PFF_CENTRE, right = slot.flags & PFF_RIGHT;
  if (centre && height > 0 && total < height) {
    baseline -= (height - total) / 2;
    top -= (height - total) / 2;
  }
  baseline += slot.size / 5.0 * factor();
  double left = xs;
  if (centre) left += width >= 1 ? (width - widest) / 2 : -widest / 2;
  else if (right) left += width >= 1 ? width - widest - 2 : -widest - 2;
  double h = height > 0 ? std::min(total, double(height)) : total;
  if ((slot.flags & PFF_BACKGROUND) || background_text) {
    float r, g, b;
    ExtractColors(slot.background, &r, &g, &b);
    Hpdf.HPDF_Page_SetRGBFill(pg, r, g, b);
    Hpdf.HPDF_Page_Rectangle(pg, hpdf::REAL(left - 2), hpdf::REAL(top - h), hpdf::REAL(widest + 2), hpdf::REAL(h));
    Hpdf.HPDF_Page_Clip(pg);
    Hpdf.HPDF_Page_Fill(pg);
  } else if (height > 0) {
    Hpdf.HPDF_Page_Rectangle(pg, hpdf::REAL(left - 2), hpdf::REAL(top - h), hpdf::REAL(widest + 2), hpdf::REAL(h));
    Hpdf.HPDF_Page_Clip(pg);
    Hpdf.HPDF_Page_EndPath(pg);
  }
  float tr, tg, tb;
  ExtractColors(slot.colour, &tr, &tg, &tb);
  std::string piece;
  size_t shown_end = 0;
  for (size_t i = 0; i < drawn; i++) {
    const Text_line& l = lines[i];
    shown_end = l.start + l.len;
    if (l.len == 0) {
      last_points_used += int64_t(fs);
      baseline -= fs;
      continue;
    }
    double lw = std::floor(l.width + 0.999);
    double lx = xs;
    if (centre) lx += width >= 1 ? (width - lw) / 2 : -lw / 2;
    else if (right) lx += width >= 1 ? width - lw - 2 : -lw - 2;
    piece.assign(s, l.start, l.len);
    Hpdf.HPDF_Page_BeginText(pg);
    if (slot.angle == 0) {
      Hpdf.HPDF_Page_MoveTextPos(pg, hpdf::REAL(lx), hpdf::REAL(baseline));
    } else {
      double dd = 0.75 * slot.size;
      Hpdf.HPDF_Page_SetTextMatrix(pg, hpdf::REAL(ca), hpdf::REAL(sa), hpdf::REAL(-sa), hpdf::REAL(ca),
                                   hpdf::REAL(xs + dd * sa), hpdf::REAL(baseline + dd - dd * ca));
    }
    Hpdf.HPDF_Page_SetRGBFill(pg, tr, tg, tb);
    Hpdf.HPDF_Page_ShowText(pg, piece.c_str());
    if (slot.angle != 0) Hpdf.HPDF_Page_SetTextMatrix(pg, 1, 0, 0, 1, 0, 0);
    Hpdf.HPDF_Page_EndText(pg);
    if (slot.flags & PFF_UNDERLINE) {
      // Each line is underlined over its own width.
      double uy = baseline - 1.5 * pen.width * 0.5;
      Hpdf.HPDF_Page_MoveTo(pg, hpdf::REAL(lx), hpdf::REAL(uy));
      Hpdf.HPDF_Page_LineTo(pg, hpdf::REAL(lx + l.width * ca), hpdf::REAL(uy + l.width * sa));
      Hpdf.HPDF_Page_Stroke(pg);
    }
    last_points_used += int64_t(fs);
    baseline -= fs;
  }
  // Bytes of the caller's text not shown (line feeds that ended the lines
  // drawn count as shown).
  size_t consumed = text.size();
  if (drawn < lines.size()) consumed = at.empty() || lines[drawn].start >= at.size() ? text.size() : at[lines[drawn].start];
  else if (shown_end < s.size() && shown_end < at.size()) consumed = at[shown_end];
  last_bytes_left = int64_t(text.size() - consumed);
  pen = saved_pen;
  Hpdf.HPDF_Page_GRestore(pg);
}

// ---- alternate fonts ----

void Lib_backend::Pdf_SetAltFont(Pdf_doc& d, const Lib_font* slot) {
  if (alt_active) {
    print_font = saved_print;
    Pdf_set_columns(d, d.char_w);
    alt_adjust = alt_per_col = alt_voffset = 0;
    alt_active = false;
  }
  if (!slot) return;
  saved_print = print_font;
  print_font = *slot;
  if (print_font.size < 1) print_font.size = 1;
  alt_active = true;
  int64_t dd = int64_t(saved_print.size - print_font.size) * 1000;
  alt_voffset = dd - dd / 4 + 1;
  int64_t alt_w = int64_t(GetCurPageFontWidth(print_font)) * print_font.size;
  alt_per_col = d.char_w - alt_w;
  Pdf_set_columns(d, alt_w);
}

namespace {

const Lib_font& normal_print(const Lib_backend& b) { return b.alt_active ? b.saved_print : b.print_font; }

}  // namespace

// ---- the font long mnemonic ----

void Lib_backend::Pdf_SetFont(Pdf_doc&, const uint8_t* p, uint32_t n) {
  const Lib_font& pf = normal_print(*this);
  Lib_font slot;
  slot.face.clear();
  slot.size = pf.size;
  slot.flags = pf.flags;
  slot.angle = pf.angle;
  uint32_t i = 0;
  const uint8_t* fstr = nullptr;
  size_t flen = 0;
  if (i < n) {
    flen = p[i++];
    if (flen > n - i) return Err_mnemonic();
    fstr = p + i;
    i += uint32_t(flen);
  }
  if (i + 2 <= n) {
    int16_t v = int16_t(uint16_t(p[i] << 8 | p[i + 1]));
    i += 2;
    if (v >= 1) slot.size = int32_t(int64_t(pf.size) * v / 100);
    else if (v < 0) slot.size = -int32_t(v) / 100;
  }
  if (i < n) {
    size_t m = p[i++];
    if (m > n - i) return Err_mnemonic();
    slot.flags = Pdf_font_flag_letters(p + i, m, 0);
    i += uint32_t(m);
  }
  if (i + 2 <= n) {
    int16_t v = int16_t(uint16_t(p[i] << 8 | p[i + 1]));
    slot.angle = ((int32_t(v) + 36000) % 360 + 360) % 360;
  }
  if (slot.size == 0) slot.size = 12;
  if (fstr) ParseFontStr(fstr, flen, pf.size, slot);
  slot.font = font_for(slot);
  Pdf_ChkFontVariable(slot);
  slot.colour = 0x000000;
  slot.background = 0xFFFFFF;
  gr_font = slot;
}

namespace {

// A copy of the normal print font at n/d of its size (rounded up).
Lib_font resized(const Lib_font& pf, int n, int d) {
  Lib_font slot = pf;
  slot.size = int32_t((int64_t(pf.size) * n + d - 1) / d);
  return slot;
}

}  // namespace

// ---- print mnemonics ----

int Lib_backend::mnem(Pdf_doc& d, uint16_t code) {
  if (!LibHaruReady_L()) return 0;
  if (d.page_state == PDF_ABANDONED) return 1;
  Lib_error_clear clear{fonts};
  if (code != M('J', 'S') && code != M('J', 'N')) flush(d);
  DocStartPage(d);
  auto drop_line_bound = [&] {
    if (alt_active && (d.text_flags & PTF_LINE_BOUND_ALT)) {
      Pdf_SetAltFont(d, nullptr);
      d.text_flags &= ~uint32_t(PTF_LINE_BOUND_ALT);
    }
  };
  auto alt_from_definition = [&](const MnemDef* def) {
    if (!def || def->len == 0) return false;
    Pdf_SetAltFont(d, nullptr);
    d.text_flags &= ~uint32_t(PTF_LINE_BOUND_ALT);
    const Lib_font& pf = print_font;
    Lib_font slot = pf;
    if (slot.size == 0) slot.size = 12;
    ParseFontStr(def->bytes, def->len, slot.size, slot);
    slot.font = font_for(slot);
    Pdf_ChkFontVariable(slot);
    Pdf_SetAltFont(d, &slot);
    return true;
  };
  const uint32_t justify = PTF_RIGHT | PTF_CENTRE | PTF_DECIMAL;
  uint8_t hi = uint8_t(code >> 8), lo = uint8_t(code);
  if (hi == 'F' && lo >= '0' && lo <= '?') {
    d.attr = (d.attr & ~uint32_t(ATTR_FG_MASK)) | uint32_t(lo - '0') << 8;
    return 1;
  }
  if (hi == 'B' && lo >= '0' && lo <= '?') {
    d.attr = (d.attr & ~uint32_t(ATTR_BG_MASK)) | uint32_t(lo - '0') << 16;
    return 1;
  }
  if (hi == 'f') {
    d.attr = (d.attr & ~uint32_t(ATTR_FG_MASK)) | uint32_t(lo) << 8;
    return 1;
  }
  if (hi == 'b') {
    d.attr = (d.attr & ~uint32_t(ATTR_BG_MASK)) | uint32_t(lo) << 16;
    return 1;
  }
  switch (code) {
    case M('A', 'B'): d.page_state = PDF_ABANDONED; return 1;
    case M('B', 'B'): d.attr |= ATTR_BLINK; return 1;
    case M('E', 'B'): d.attr &= ~uint32_t(ATTR_BLINK); return 1;
    case M('B', 'R'): d.attr |= ATTR_REVERSE; print_font.flags |= PFF_REVERSE; return 1;
    case M('E', 'R'): d.attr &= ~uint32_t(ATTR_REVERSE); print_font.flags &= ~uint32_t(PFF_REVERSE); return 1;
    case M('B', 'U'): d.attr |= ATTR_UNDERLINE; print_font.flags |= PFF_UNDERLINE; return 1;
    case M('E', 'U'): d.attr &= ~uint32_t(ATTR_UNDERLINE); print_font.flags &= ~uint32_t(PFF_UNDERLINE); return 1;
    case M('G', 'S'): d.attr |= ATTR_GRAPHICS; return 1;
    case M('G', 'E'): d.attr &= ~uint32_t(ATTR_GRAPHICS); return 1;
    case M('R', 'M'):
      d.attr &= ~uint32_t(ATTR_REVERSE | ATTR_BLINK | ATTR_UNDERLINE | ATTR_GRAPHICS | ATTR_FG_MASK | ATTR_BG_MASK);
      d.attr |= 7u << 16;
      // Underline and reverse of the print font follow the attribute bits.
      print_font.flags &= ~uint32_t(PFF_UNDERLINE | PFF_REVERSE);
      d.text_flags &= ~justify;
      return 1;
    case M('S', 'A'):
      if (attr_stack.size() < 5) attr_stack.push_back(d.attr);
      return 1;
    case M('R', 'A'):
      if (!attr_stack.empty()) {
        d.attr = attr_stack.back();
        attr_stack.pop_back();
      }
      return 1;
    case M('J', 'L'): d.text_flags &= ~justify; return 1;
    case M('J', 'R'): d.text_flags = (d.text_flags & ~justify) | PTF_RIGHT; return 1;
    case M('J', 'C'): d.text_flags = (d.text_flags & ~justify) | PTF_CENTRE; return 1;
    case M('J', 'D'): d.text_flags = (d.text_flags & ~justify) | PTF_DECIMAL; return 1;
    case M('J', 'N'): d.text_flags |= PTF_NUMERIC; return 1;
    case M('J', 'S'): d.text_flags &= ~uint32_t(PTF_NUMERIC); return 1;
    case M('+', 'S'): d.text_flags |= PTF_RULES; return 1;
    case M('-', 'S'): d.text_flags &= ~uint32_t(PTF_RULES); return 1;
    case M('M', 'S'):
      if (!(ws.Sys_flags10 & 0x8000)) d.term_flags |= TF_MS;
      return 1;
    case M('M', 'P'):
      if (!(ws.Sys_flags10 & 0x8000)) d.term_flags &= uint16_t(~TF_MS);
      return 1;
    case M('+', 'O'): d.term_flags |= TF_PLUS_O; return 1;
    case M('-', 'O'): d.term_flags &= uint16_t(~TF_PLUS_O); return 1;
    case M('B', 'G'): d.in_status |= IN_IGNORE_BAD; return 1;
    case M('E', 'G'): d.in_status &= uint16_t(~IN_IGNORE_BAD); return 1;
    case M('L', 'S'): d.text_flags |= PTF_KEEP_LAYOUT; return 1;
    case M('U', 'S'): d.text_flags &= ~uint32_t(PTF_KEEP_LAYOUT); return 1;
    case M('L', '6'):
      d.line_h = 12000;
      Pdf_SetXY(d, normal_print(*this).flags & PFF_PROPORTIONAL);
      return 1;
    case M('L', '8'):
      d.line_h = 9000;
      Pdf_SetXY(d, normal_print(*this).flags & PFF_PROPORTIONAL);
      return 1;
    case M('C', 'R'):
      d.column = 0;
      alt_adjust = 0;
      Pdf_SetCurXY(d);
      if (!(d.term_flags & TF_PLUS_O)) d.high_col = 0;
      return 1;
    case M('L', 'F'):
      drop_line_bound();
      d.line++;
      d.column = 0;
      alt_adjust = 0;
      d.high_col = 0;
      if (d.line >= d.lines) {
        d.line = 0;
        DocEndPage(d);
      }
      Pdf_SetCurXY(d);
      return 1;
    case M('F', 'F'):
    case M('C', 'S'):
      drop_line_bound();
      d.line = d.column = 0;
      d.high_col = 0;
      alt_adjust = 0;
      Pdf_SetCurXY(d);
      DocEndPage(d);
      return 1;
    case M('C', 'P'):
      if (!alt_from_definition(definition(code))) {
        Lib_font slot = resized(normal_print(*this), 5, 8);
        Pdf_SetAltFont(d, &slot);
      }
      return 1;
    case M('E', 'P'):
      if (!alt_from_definition(definition(code))) {
        Lib_font slot = resized(normal_print(*this), 2, 1);
        Pdf_SetAltFont(d, &slot);
      }
      d.text_flags |= PTF_LINE_BOUND_ALT;
      return 1;
    case M('S', 'P'):
      Pdf_SetAltFont(d, nullptr);
      d.text_flags &= ~uint32_t(PTF_LINE_BOUND_ALT);
      return 1;
    case M('D', 'F'):
      Pdf_SetAltFont(d, nullptr);
      d.text_flags &= ~uint32_t(PTF_LINE_BOUND_ALT);
      print_font = gr_font;
      if (!(d.text_flags & PTF_KEEP_LAYOUT)) {
        print_font.angle = 0;
        print_font.flags &= PFF_BOLD | PFF_ITALIC | PFF_PROPORTIONAL;
        d.line_h = int32_t(int64_t(print_font.size) * 1000 * factor());
        d.char_w = GetCurPageFontWidth(print_font) * print_font.size;
        Pdf_SetXY(d, print_font.flags & PFF_PROPORTIONAL);
      }
      return 1;
    default:
      alt_from_definition(definition(code));
      return 1;
  }
}

// ---- placing the pending PRINT text ----

void Lib_backend::flush(Pdf_doc& d) {
  int32_t count = std::max(d.buf_count, d.high_water);
  if (count <= 0) return;
  if (d.page_state == PDF_ABANDONED || !LibHaruReady_L()) {
    // Output after 'AB' goes nowhere, but the buffer is emptied, so that
    // later PRINTs neither overrun it nor wait for it.
    d.buf_count = d.high_water = 0;
    return;
  }
  if (count > d.buf_size) count = d.buf_size;
  Lib_error_clear clear{fonts};
  DocStartPage(d);
  std::string text(reinterpret_cast<const char*>(d.out_buf), size_t(count));
  int32_t start = d.column - count;
  if (d.column > d.high_col) d.high_col = d.column;
  int32_t fg = GetForeColourIdx(d.attr), bg = GetBackColourIdx(d.attr);
  print_font.colour = GetRGBFromIdx(fg);
  print_font.background = GetRGBFromIdx(bg);
  if (bg != 7) print_font.flags |= PFF_BACKGROUND;
  else print_font.flags &= ~uint32_t(PFF_BACKGROUND);
  int64_t xm = int64_t(start) * d.char_w - alt_adjust;
  int64_t ym = int64_t(d.line) * d.line_h + (alt_active ? alt_voffset : 0);
  if (alt_active) alt_adjust += int64_t(count) * alt_per_col;
  int32_t x = int32_t(xm / 1000), y = int32_t(ym / 1000);
  auto done = [&] {
    d.buf_count = 0;
    d.high_water = 0;
    Pdf_SetCurXY(d);
  };
  if (d.attr & ATTR_GRAPHICS) {
    background_text = print_font.flags & PFF_BACKGROUND;
    Pdf_GraphicText_LH(d, x, y, text);
    background_text = false;
    return done();
  }
  Lib_font keep = print_font;
  if ((d.attr & ATTR_BLINK) && !(print_font.flags & PFF_BOLD)) {
    print_font.font = Pdf_AllocateFont(print_font.face, int((print_font.flags & PFF_ITALIC) | PFF_BOLD), fonts);
    print_font.flags |= PFF_BOLD;
  }
  if (d.attr & ATTR_UNDERLINE) print_font.flags |= PFF_UNDERLINE;
  bool drawn = false;
  if (print_font.flags & PFF_PROPORTIONAL) {
    double field = double(d.char_w - alt_per_col) / 1000.0;  // points per column
    uint32_t just = d.text_flags & (PTF_RIGHT | PTF_CENTRE | PTF_DECIMAL | PTF_NUMERIC);
    if ((d.text_flags & PTF_RULES) && !just && count >= 3 &&
        text.find_first_not_of("-_=") == std::string::npos) {
      double len = field * count;
      int32_t sz = int32_t(print_font.size * factor());
      Lib_pen saved = pen;
      pen = Lib_pen{1, 1, print_font.colour};
      SetPen();
      if (text[0] == '-') {
        PDF_Line(d, x, y + sz / 2.0, x + len, y + sz / 2.0);
      } else if (text[0] == '_') {
        PDF_Line(d, x, y - 2.0 + sz, x + len, y - 2.0 + sz);
      } else {
        PDF_Line(d, x, y - 2.0 + sz / 2.0, x + len, y - 2.0 + sz / 2.0);
        PDF_Line(d, x, y + sz / 2.0, x + len, y + sz / 2.0);
      }
      pen = saved;
      SetPen();
      drawn = true;
    } else if (just) {
      size_t n = size_t(count);
      if (d.text_flags & (PTF_DECIMAL | PTF_NUMERIC)) {
        size_t dp = text.find(char(prmblk.DP));
        if (dp != std::string::npos) {
          n = dp + 1;
        } else {
          size_t last = text.find_last_of("0123456789");
          n = last == std::string::npos ? size_t(count) : last + 1;
        }
      }
      int32_t w = 0, h = 0;
      if (d.text_flags & PTF_CENTRE) {
        // The text ends at the middle of its fixed-pitch field.
        Pdf_GetTextExtent_L(text, print_font, &w, &h);
        x += int32_t(std::lround(field * count / 2 - w));
      } else {
        Pdf_GetTextExtent_L(text.substr(0, n), print_font, &w, &h);
        x += int32_t(std::lround(field * double(n) - w));
      }
    }
  }
  if (!drawn) Pdf_TextOut(d, x, y, 0, 0, print_font, text, nullptr);
  print_font = keep;
  done();
}

// ---- flowing text ----

void Lib_backend::Pdf_TextClose() {
  flow.clear();
  flow_at = 0;
  flow_active = false;
}

void Lib_backend::Pdf_PrintText(Pdf_doc& d, int32_t x, int32_t y, int32_t width, int32_t height,
                                const std::string& text, const std::string& kind) {
  if (kind.size() < 4) return Err_mnemonic();
  std::string k = kind.substr(0, 4);
  for (char& c : k)
    if (c >= 'a' && c <= 'z') c = char(c - 32);
  if (k == "*TEX") {
    Pdf_TextClose();
    if (text.empty()) return;
    flow = text;
    flow_at = 0;
    flow_active = true;
  } else if (k == "*MOR") {
    if (!flow_active) return Err_mnemonic();
  } else if (k == "*RTF") {
    Rpt_error(err::NOT_FOR_DEVICE);
  } else {
    return Err_mnemonic();
  }
  Lib_font slot = gr_font;
  slot.flags |= PFF_WRAP;
  slot.colour = fore_rgb(d.attr);
  slot.background = back_rgb(d.attr);
  std::string rest = flow.substr(flow_at);
  Pdf_TextOut(d, x, y, width, height, slot, rest, nullptr);
  size_t printed = rest.size() - size_t(std::max<int64_t>(0, std::min<int64_t>(last_bytes_left, int64_t(rest.size()))));
  // A box lower than one line draws nothing: the text stays pending for
  // the next "*MOR" box (FIN "BYTESLEFT" still counts it).
  flow_at += printed;
  if (flow_at >= flow.size()) Pdf_TextClose();
}

// ---- TXW( and TXH( ----

int64_t Lib_backend::tx_size(Pdf_doc& d, int mode, const std::string& text, int32_t width, const std::string& font) {
  hpdf::Handle pg = page();
  if (!LibHaruReady_L() || text.empty() || !pg) return 0;
  Lib_font slot = gr_font;
  if (!font.empty()) {
    slot = Lib_font();
    slot.face.clear();
    slot.size = 12;
    slot.flags = 0;
    slot.angle = 0;
    ParseFontStr(reinterpret_cast<const uint8_t*>(font.data()), font.size(), normal_print(*this).size, slot);
    slot.font = font_for(slot);
  }
  if (!slot.font) return 0;
  Hpdf.HPDF_Page_GSave(pg);
  HPDFSetFontAndSize(pg, slot.font, slot.size);
  double fs = Hpdf.HPDF_Page_GetCurrentFontSize(pg);
  int32_t cw = std::max(1, d.char_w);
  int64_t result = 0;
  if (mode == 2 && width < 1) {
    result = std::llround(slot.size * factor() * 16 * 1000 / cw);
  } else {
    double limit = double(cw) * width / 16000.0;
    double a = slot.angle * PI / 180.0, ca = std::cos(a);
    if (slot.angle != 0 && limit > 0) limit = std::fabs(ca) < 0.001 ? 0 : limit / std::fabs(ca);
    std::string s = shown_text(text, slot.flags, limit > 0, nullptr);
    std::vector<Text_line> lines = cut_lines(pg, slot.font, fs, s, limit, slot.flags & PFF_WRAP);
    double widest = 0;
    for (const Text_line& l : lines) widest = std::max(widest, l.width);
    int64_t total = int64_t(std::floor(double(lines.size()) * fs + 0.5));
    int64_t wide = int64_t(std::floor(widest * std::fabs(ca) + 0.5));
    switch (mode) {
      case 1: result = wide * 16000 / cw; break;
      case 2: result = total * 16000 / cw; break;
      case 3: result = wide; break;
      case 4: result = total; break;
      default: result = 0; break;
    }
  }
  Hpdf.HPDF_Page_GRestore(pg);
  return result;
}

// ---- the font list ----

std::string Pdf_GetFonts_L(const std::string& request) {
  // The library is loaded for the list when it can be; without it the
  // standard fonts are still listed.
  try {
    Catch_region region;
    Pdf_LoadLibHaru_L();
  } catch (const Oru_error&) {
    Set_ext_error("");
  }
  uint32_t flags = 0;
  Fcb* f = ws.Cur_fcb;
  if (f && f->kind == FK_PDF && static_cast<Pdf_doc*>(f)->library && static_cast<Pdf_doc*>(f)->be)
    flags = static_cast<Lib_backend*>(static_cast<Pdf_doc*>(f)->be)->fonts.flags;
  else if (Kest_cfg.pdf_embed == 'N' || Kest_cfg.pdf_embed == 'n')
    flags = LIBDOC_NO_TRUETYPE;
  else if (Kest_cfg.pdf_embed == 'A' || Kest_cfg.pdf_embed == 'a')
    flags = LIBDOC_TRUETYPE_ONLY;
  bool standard = !(flags & LIBDOC_TRUETYPE_ONLY);
  std::string out;
  if (request.empty()) {
    if (standard)
      for (const Builtin_font& b : Lib_builtin_fonts) out += std::string(b.base) + ",";
    if (LibHaruReady_L() && !(flags & LIBDOC_NO_TRUETYPE))
      for (const FontProps& p : Tt_fonts()) {
        std::string shown = !p.qualified.empty() ? p.qualified : p.family;
        if (shown.empty()) shown = p.path.substr(p.path.rfind('/') + 1);
        out += shown + ",";
      }
    return out;
  }
  auto upper = [](std::string s) {
    for (char& c : s)
      if (c >= 'a' && c <= 'z') c = char(c - 32);
    return s;
  };
  if (request.size() >= 6 && upper(request.substr(0, 6)) == "*PROP*") {
    std::string want = upper(request.substr(6));
    if (!standard) return out;
    for (const Builtin_font& b : Lib_builtin_fonts) {
      if (!want.empty() && upper(b.base) != want) continue;
      out += b.base;
      out += ":INTERNAL";
      out += (b.style & 4) ? "+VARIABLE+ANSI" : "+FIXED+ANSI";
      if (b.style & 2) out += "+ITALIC";
      if (b.style & 1) out += "+BOLD";
      out += ",";
    }
    return out;
  }
  for (int s = 4; s <= 127; s++) out += std::to_string(s) + ",";
  return out;
}
