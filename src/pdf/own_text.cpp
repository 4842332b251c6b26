// The own PDF writer: the document's life, print mnemonics, placing PRINT
// text, fonts and font strings, alternate fonts, text in boxes and flowing
// text.
//
// Text is placed in integer milli-points (column x character width, line x
// line height) and written in whole points; a text line's PDF baseline is
// page height - size - y - top margin + size / 4 - 1.
#include <sys/stat.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "core/errors.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "channels/print.h"
#include "pdf/own_backend.h"
#include "pdf/own_fonts.h"
#include "pdf/pdf_common.h"
#include "terminal/colours.h"
#include "terminal/terminal.h"

namespace {

constexpr uint16_t M(char a, char b) { return uint16_t((uint8_t(a) << 8) | uint8_t(b)); }

constexpr const char* DEFAULT_PRODUCER = "oru Business BASIC (https://oru.example.org)";

int ref_width(int row) { return Pdf_BuiltinFontList[row].widths['0']; }
bool proportional(int row) { return (Pdf_BuiltinFontList[row].style & PSTYLE_PROPORTIONAL) != 0; }
int style_of(uint32_t flags) { return (flags & PFF_BOLD ? PSTYLE_BOLD : 0) | (flags & PFF_ITALIC ? PSTYLE_ITALIC : 0); }

// Points of the first n bytes of a text in a slot's font.
int32_t width_pts(const Own_font_slot& s, const uint8_t* t, size_t n) {
  return int32_t(Pdf_text_units(s.row, t, n, (s.flags & PFF_AMPERSAND) != 0) * s.size / 1000);
}

// Bytes up to and including the decimal point (parameter DP), else up to
// the last digit.
size_t numeric_split(const uint8_t* t, size_t n) {
  for (size_t i = 0; i < n; ++i)
    if (t[i] == prmblk.DP) return i + 1;
  for (size_t i = n; i > 0; --i)
    if (t[i - 1] >= '0' && t[i - 1] <= '9') return i;
  return n;
}

std::string now_stamp() {
  std::time_t t = std::time(nullptr);
  std::tm tm {};
  localtime_r(&t, &tm);
  char b[32];
  std::snprintf(b, sizeof b, "%04d%02d%02d%02d%02d%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour,
                tm.tm_min, tm.tm_sec);
  return b;
}

// A number of a font string: digits with "-" and "." (hundredths).
int64_t hundredths(const std::string& f, bool& given) {
  int64_t v = 0;
  int dec = -1;
  bool neg = false;
  given = false;
  for (char c : f) {
    if (c >= '0' && c <= '9') {
      if (dec >= 2) continue;
      if (v < 100000000) v = v * 10 + (c - '0');
      if (dec >= 0) ++dec;
      given = true;
    } else if (c == '.') {
      if (dec < 0) dec = 0;
    } else if (c == '-') {
      neg = true;
    }
  }
  if (dec < 0) dec = 0;
  for (; dec < 2; ++dec) v *= 10;
  return neg ? -v : v;
}

}  // namespace

Pdf_backend* Pdf_new_own_backend(Pdf_doc& d) { return new Own_backend(d); }

Own_backend::Own_backend(Pdf_doc& d) : d_(d) {}
Own_backend::~Own_backend() = default;

void Own_backend::op(const char* f, ...) {
  char b[512];
  va_list ap;
  va_start(ap, f);
  int n = std::vsnprintf(b, sizeof b, f, ap);
  va_end(ap);
  if (n < 0) return;
  std::string& o = out();
  o.append(b, size_t(n) < sizeof b ? size_t(n) : sizeof b - 1);
  o.append("\r\n", 2);
}

// ---- the document ----

void Own_backend::open(Pdf_doc& d) {
  Pdf_writer_settings s;
  const Pdf_options& o = *d.opts;
  s.compress = !o.no_compression;
  s.page_w = d.page_w;
  s.page_h = d.page_h;
  s.m_left = d.m_left;
  s.m_top = d.m_top;
  s.producer = o.producer_given ? o.producer : DEFAULT_PRODUCER;
  s.author = o.author.empty() ? Pdf_login_name() : o.author;
  s.creator = o.creator;
  s.keywords = o.keywords;
  s.subject = o.subject_given ? o.subject : "Unknown";
  s.title = o.title;
  s.creation_date = now_stamp();
  w_ = std::make_unique<Pdf_writer>(d.tmp_fd, s);
  pfont_ = Own_font_slot{};
  pfont_.row = Pdf_find_font("Courier New", 0);
  pfont_.size = 12;
  gfont_ = pfont_;
  w_->font_resource(pfont_.row);  // the print font is the document's first font
  d.line_h = pfont_.size * 1000;
  d.char_w = ref_width(pfont_.row) * pfont_.size;
  normal_char_w_ = d.char_w;
  Pdf_SetXY(d, proportional(pfont_.row));
  w_->begin();
}

bool Own_backend::finish(Pdf_doc& d) {
  if (!abandoned_) flush(d);
  text_close();
  if (abandoned_ || w_->page_count() == 0) return false;
  w_->finish();
  return true;
}

void Own_backend::start_page(Pdf_doc& d) {
  if (d.page_state != PDF_NO_PAGE) return;
  w_->start_page();
  d.page_state = PDF_PAGE_OPEN;
  d.high_col = 0;
}

void Own_backend::end_page(Pdf_doc& d) {
  if (d.page_state != PDF_PAGE_OPEN) return;
  d.page_state = PDF_NO_PAGE;
  w_->end_page();
}

// ---- mnemonics ----

int Own_backend::mnem(Pdf_doc& d, uint16_t code) {
  if (d.page_state == PDF_ABANDONED) return 1;
  if (code != M('J', 'S') && code != M('J', 'N')) flush(d);
  start_page(d);
  uint8_t a = uint8_t(code >> 8), b = uint8_t(code);
  auto jclear = [&] { d.text_flags &= ~uint32_t(PTF_RIGHT | PTF_CENTRE | PTF_DECIMAL); };
  if (a == 'F' && b >= '0' && b <= '?') {
    d.attr = (d.attr & ~uint32_t(ATTR_FG_MASK)) | (uint32_t(b - '0') << 8);
    return 1;
  }
  if (a == 'B' && b >= '0' && b <= '?') {
    d.attr = (d.attr & ~uint32_t(ATTR_BG_MASK)) | (uint32_t(b - '0') << 16);
    return 1;
  }
  if (a == 'f') {
    d.attr = (d.attr & ~uint32_t(ATTR_FG_MASK)) | (uint32_t(b) << 8);
    return 1;
  }
  if (a == 'b') {
    d.attr = (d.attr & ~uint32_t(ATTR_BG_MASK)) | (uint32_t(b) << 16);
    return 1;
  }
  switch (code) {
    case M('A', 'B'):
      // Abandon: nothing more is drawn and CLOSE writes no document.
      d.page_state = PDF_ABANDONED;
      abandoned_ = true;
      d.buf_count = d.high_water = 0;
      text_close();
      return 1;
    case M('B', 'B'): d.attr |= ATTR_BLINK; return 1;
    case M('E', 'B'): d.attr &= ~uint32_t(ATTR_BLINK); return 1;
    case M('B', 'R'): d.attr |= ATTR_REVERSE; pfont_.flags |= PFF_REVERSE; return 1;
    case M('E', 'R'): d.attr &= ~uint32_t(ATTR_REVERSE); pfont_.flags &= ~uint32_t(PFF_REVERSE); return 1;
    case M('B', 'U'): d.attr |= ATTR_UNDERLINE; pfont_.flags |= PFF_UNDERLINE; return 1;
    case M('E', 'U'): d.attr &= ~uint32_t(ATTR_UNDERLINE); pfont_.flags &= ~uint32_t(PFF_UNDERLINE); return 1;
    case M('G', 'S'): d.attr |= ATTR_GRAPHICS; return 1;
    case M('G', 'E'): d.attr &= ~uint32_t(ATTR_GRAPHICS); return 1;
    case M('R', 'M'):
      d.attr &= ~uint32_t(ATTR_REVERSE | ATTR_BLINK | ATTR_UNDERLINE | ATTR_GRAPHICS | ATTR_FG_MASK | ATTR_BG_MASK);
      d.attr |= 7u << 16;
      pfont_.flags &= ~uint32_t(PFF_UNDERLINE | PFF_REVERSE);
      jclear();
      return 1;
    case M('S', 'A'):
      if (attr_stack_.size() < 5) attr_stack_.push_back(d.attr);
      return 1;
    case M('R', 'A'):
      if (!attr_stack_.empty()) {
        d.attr = attr_stack_.back();
        attr_stack_.pop_back();
      }
      return 1;
    case M('J', 'L'): jclear(); return 1;
    case M('J', 'R'): jclear(); d.text_flags |= PTF_RIGHT; return 1;
    case M('J', 'C'): jclear(); d.text_flags |= PTF_CENTRE; return 1;
    case M('J', 'D'): jclear(); d.text_flags |= PTF_DECIMAL; return 1;
    case M('J', 'N'): d.text_flags |= PTF_NUMERIC; return 1;
    case M('J', 'S'): d.text_flags &= ~uint32_t(PTF_NUMERIC); return 1;
    case M('+', 'S'): d.text_flags |= PTF_RULES; return 1;
    case M('-', 'S'): d.text_flags &= ~uint32_t(PTF_RULES); return 1;
    case M('M', 'S'):
    case M('M', 'P'):
      if (!(ws.Sys_flags10 & 0x8000)) {
        if (code == M('M', 'S')) d.term_flags |= TF_MS;
        else d.term_flags &= uint16_t(~TF_MS);
      }
      return 1;
    case M('L', 'S'): d.text_flags |= PTF_KEEP_LAYOUT; return 1;
    case M('U', 'S'): d.text_flags &= ~uint32_t(PTF_KEEP_LAYOUT); return 1;
    case M('L', '6'):
    case M('L', '8'):
      d.line_h = code == M('L', '6') ? 12000 : 9000;
      Pdf_SetXY(d, proportional(pfont_.row));
      return 1;
    case M('C', 'R'):
      d.column = 0;
      alt_adjust_ = 0;
      if (!(d.term_flags & TF_PLUS_O)) d.high_col = 0;
      Pdf_SetCurXY(d);
      return 1;
    case M('L', 'F'):
      if (alt_active_ && (d.text_flags & PTF_LINE_BOUND_ALT)) drop_alt(d);
      d.line++;
      d.column = 0;
      alt_adjust_ = 0;
      d.high_col = 0;
      if (d.line >= d.lines) {
        d.line = 0;
        end_page(d);
      }
      Pdf_SetCurXY(d);
      return 1;
    case M('F', 'F'):
    case M('C', 'S'):
      if (alt_active_ && (d.text_flags & PTF_LINE_BOUND_ALT)) drop_alt(d);
      d.line = d.column = 0;
      d.high_col = 0;
      alt_adjust_ = 0;
      end_page(d);
      Pdf_SetCurXY(d);
      return 1;
    case M('S', 'P'):
      drop_alt(d);
      return 1;
    case M('D', 'F'):
      drop_alt(d);
      pfont_ = gfont_;
      if (!(d.text_flags & PTF_KEEP_LAYOUT)) {
        pfont_.flags = 0;
        pfont_.angle = 0;
        d.line_h = pfont_.size * 1000;
        d.char_w = ref_width(pfont_.row) * pfont_.size;
        normal_char_w_ = d.char_w;
        Pdf_SetXY(d, proportional(pfont_.row));
      }
      return 1;
    default:
      break;
  }
  MnemDef* def = Find_mnem_in(&d, code);
  if (code == M('C', 'P')) {
    if (def && def->len > 0) adjust_alt(d, def->bytes, def->len);
    else resize_alt(d, 5, 8);
    return 1;
  }
  if (code == M('E', 'P')) {
    if (def && def->len > 0) adjust_alt(d, def->bytes, def->len);
    else resize_alt(d, 2, 1);
    if (alt_active_) d.text_flags |= PTF_LINE_BOUND_ALT;
    return 1;
  }
  if (def && def->len > 0) adjust_alt(d, def->bytes, def->len);
  return 1;
}

void Own_backend::pos(Pdf_doc& d, int32_t line, int32_t column) {
  if (line != d.line && alt_active_ && (d.text_flags & PTF_LINE_BOUND_ALT)) drop_alt(d);
  alt_adjust_ = int64_t(column) * alt_per_col_;
  d.line = line;
  d.column = column;
  Pdf_SetCurXY(d);
  d.high_col = column;
}

// ---- alternate fonts ----

void Own_backend::drop_alt(Pdf_doc& d) {
  if (!alt_active_) return;
  pfont_ = saved_pfont_;
  d.char_w = normal_char_w_;
  Pdf_set_columns(d, d.char_w);
  alt_adjust_ = alt_per_col_ = 0;
  alt_voff_ = 0;
  alt_active_ = false;
  d.text_flags &= ~uint32_t(PTF_LINE_BOUND_ALT);
}

void Own_backend::set_alt(Pdf_doc& d, const Own_font_slot* s) {
  drop_alt(d);
  if (!s) return;
  saved_pfont_ = pfont_;
  normal_char_w_ = d.char_w;
  pfont_ = *s;
  if (pfont_.size < 1) pfont_.size = 1;
  alt_active_ = true;
  int64_t diff = int64_t(saved_pfont_.size - pfont_.size) * 1000;
  alt_voff_ = int32_t(diff - diff / 4 + 1);
  int64_t alt_w = int64_t(ref_width(pfont_.row)) * pfont_.size;
  alt_per_col_ = normal_char_w_ - alt_w;
  if (alt_w < 1) alt_w = 1;
  Pdf_set_columns(d, alt_w);
}

void Own_backend::resize_alt(Pdf_doc& d, int n, int den) {
  if (n == den) {
    drop_alt(d);
    return;
  }
  Own_font_slot s = alt_active_ ? saved_pfont_ : pfont_;
  s.size = int32_t((int64_t(s.size) * n + den - 1) / den);
  set_alt(d, &s);
}

void Own_backend::adjust_alt(Pdf_doc& d, const uint8_t* def, size_t n) {
  drop_alt(d);
  Own_font_slot s = pfont_;
  s.flags = 0;
  apply_font_string(s, def, n, pfont_.size);
  set_alt(d, &s);
}

// ---- font strings ----

void Own_backend::apply_font_string(Own_font_slot& s, const uint8_t* p, size_t n, int32_t base_size) {
  std::vector<std::string> f(1);
  for (size_t i = 0; i < n; ++i) {
    if (p[i] == ',') f.emplace_back();
    else if (f.back().size() < 256) f.back() += char(p[i]);
  }
  std::string face = f[0];
  size_t b = face.find_first_not_of(' ');
  face = b == std::string::npos ? std::string() : face.substr(b);
  if (face.size() > 100) face.resize(100);
  while (!face.empty() && face.back() == ' ') face.pop_back();
  if (s.size <= 0) s.size = base_size;
  if (f.size() > 1) {
    bool given;
    int64_t v = hundredths(f[1], given);
    if (given && v > 0) s.size = int32_t(int64_t(base_size) * v / 100);
    else if (given && v < 0) s.size = int32_t(-v / 100);
    if (s.size < 1) s.size = 1;
    if (s.size > 1000) s.size = 1000;
  }
  if (f.size() > 2) s.flags = Pdf_font_flag_letters(reinterpret_cast<const uint8_t*>(f[2].data()), f[2].size(), 0);
  if (f.size() > 3) {
    bool given;
    int64_t v = hundredths(f[3], given) / 100;
    if (given) s.angle = int32_t(((v % 360) + 36000) % 360);
  }
  if (face.empty()) face = Pdf_BuiltinFontList[s.row].family;
  // A face the writer does not have prints in Courier.
  s.row = Pdf_find_font(face, style_of(s.flags));
}

void Own_backend::set_font(Pdf_doc& d, const uint8_t* p, uint32_t n) {
  (void)d;
  Own_font_slot s;
  s.size = 0;
  s.fg = gfont_.fg;
  s.bg = gfont_.bg;
  uint32_t at = 0;
  const uint8_t* face = nullptr;
  size_t face_len = 0;
  if (at < n) {
    face_len = p[at];
    if (at + 1 + face_len > n) return Err_mnemonic();
    face = p + at + 1;
    at += 1 + uint32_t(face_len);
  }
  if (at + 2 <= n) {
    int16_t v = int16_t(p[at] << 8 | p[at + 1]);
    at += 2;
    if (v >= 1) s.size = int32_t(int64_t(pfont_.size) * v / 100);
    else if (v < 0) s.size = -v / 100;
  }
  if (at < n) {
    size_t m = p[at];
    if (at + 1 + m > n) return Err_mnemonic();
    s.flags = Pdf_font_flag_letters(p + at + 1, m, 0);
    at += 1 + uint32_t(m);
  }
  int32_t angle = -1;
  if (at + 2 <= n) {
    int16_t v = int16_t(p[at] << 8 | p[at + 1]);
    angle = ((v % 360) + 36000) % 360;
  }
  if (s.size < 1) s.size = pfont_.size;
  if (s.size > 1000) s.size = 1000;
  apply_font_string(s, face ? face : reinterpret_cast<const uint8_t*>(""), face_len, pfont_.size);
  if (angle >= 0) s.angle = angle;
  gfont_ = s;
}

// ---- placing PRINT text ----

void Own_backend::flush(Pdf_doc& d) {
  int32_t count = d.buf_count > d.high_water ? d.buf_count : d.high_water;
  if (count <= 0 || d.page_state == PDF_ABANDONED) {
    d.buf_count = d.high_water = 0;
    return;
  }
  if (count > d.buf_size) count = d.buf_size;
  start_page(d);
  int32_t start_col = d.column - count;
  if (start_col < 0) start_col = 0;
  if (d.column > d.high_col) d.high_col = d.column;
  int32_t fi = GetForeColourIdx(d.attr), bi = GetBackColourIdx(d.attr);
  pfont_.fg = GetRGBFromIdx(fi);
  pfont_.bg = GetRGBFromIdx(bi);
  if (bi != 7) pfont_.flags |= PFF_BACKGROUND;
  else pfont_.flags &= ~uint32_t(PFF_BACKGROUND);
  int64_t xm = int64_t(start_col) * d.char_w - alt_adjust_;
  int64_t ym = int64_t(d.line) * d.line_h + (alt_active_ ? alt_voff_ : 0);
  int32_t x = int32_t(xm / 1000), y = int32_t(ym / 1000);
  const uint8_t* t = d.out_buf;
  if (d.attr & ATTR_GRAPHICS) {
    graphic_text(d, x, y, t, size_t(count));
  } else {
    Own_font_slot s = pfont_;
    if ((d.attr & ATTR_BLINK) && !(Pdf_BuiltinFontList[s.row].style & PSTYLE_BOLD))
      s.row = Pdf_find_font(Pdf_BuiltinFontList[s.row].family, (Pdf_BuiltinFontList[s.row].style & PSTYLE_ITALIC) | PSTYLE_BOLD);
    bool drawn = false;
    if (proportional(s.row)) {
      int64_t cell = d.char_w - alt_per_col_;  // milli-points a column
      bool justified = (d.text_flags & (PTF_RIGHT | PTF_CENTRE | PTF_DECIMAL | PTF_NUMERIC)) != 0;
      if ((d.text_flags & PTF_RULES) && !justified && count >= 3) {
        bool rule = true;
        for (int32_t i = 0; i < count && rule; ++i) rule = t[i] == '-' || t[i] == '_' || t[i] == '=';
        if (rule) {
          int32_t len = int32_t(cell * count / 1000);
          int ps = pen_style_, pw = pen_width_;
          uint32_t pc = pen_colour_;
          pen_style_ = 1;
          pen_width_ = 1;
          pen_colour_ = s.fg;
          if (t[0] == '-') {
            line(d, x, y + s.size / 2, x + len, y + s.size / 2);
          } else if (t[0] == '_') {
            line(d, x, y - 2 + s.size, x + len, y - 2 + s.size);
          } else {
            line(d, x, y - 2 + s.size / 2, x + len, y - 2 + s.size / 2);
            line(d, x, y + s.size / 2, x + len, y + s.size / 2);
          }
          pen_style_ = ps;
          pen_width_ = pw;
          pen_colour_ = pc;
          drawn = true;
        }
      }
      if (!drawn) {
        size_t n = size_t(count);
        if (d.text_flags & (PTF_DECIMAL | PTF_NUMERIC)) n = numeric_split(t, size_t(count));
        else if (d.text_flags & PTF_RIGHT) n = size_t(count);
        else n = 0;
        if (d.text_flags & PTF_CENTRE)
          x = int32_t(x + cell * count / 2000 - width_pts(s, t, size_t(count)));
        else if (n > 0)
          x = int32_t(x + cell * int64_t(n) / 1000 - width_pts(s, t, n));
      }
    }
    if (!drawn) text_out(d, x, y, 0, 0, s, t, size_t(count));
  }
  if (alt_active_) alt_adjust_ += int64_t(count) * alt_per_col_;
  d.buf_count = d.high_water = 0;
  Pdf_SetCurXY(d);
}

// ---- text in a box ----

// The next line of a text from pos: [a, b) is drawn; pos moves to the next
// line's start.  Returns the line's width in points.
int32_t Own_backend::seg(const uint8_t* t, size_t len, size_t& pos, int32_t width, const Own_font_slot& s,
                         size_t& a, size_t& b, bool& amp_escape) {
  const uint16_t* wt = Pdf_BuiltinFontList[s.row].widths;
  bool amp = (s.flags & PFF_AMPERSAND) != 0;
  bool wrap = (s.flags & PFF_WRAP) != 0;
  a = pos;
  int64_t limit = width > 0 ? int64_t(width) * 1000 / (s.size > 0 ? s.size : 1) : -1;
  int64_t acc = 0, acc_at_word_end = 0;
  size_t last_word_end = SIZE_MAX;  // end of the last word that ended in the line
  bool prev_amp = false;
  amp_escape = false;
  size_t i = pos;
  for (; i < len; ++i) {
    uint8_t c = t[i];
    if (limit >= 0 && c == 10) {
      b = i;
      pos = i + 1;
      return int32_t(acc * s.size / 1000);
    }
    int64_t cw;
    if (amp && c == '&' && !prev_amp) {
      cw = 0;
      prev_amp = true;
      if (i + 1 < len && t[i + 1] != '&') amp_escape = true;
    } else {
      cw = c == 9 ? 8 * wt[32] : wt[c];
      prev_amp = false;
    }
    bool blank = c == ' ' || c == 9 || c < 32;
    if (limit >= 0 && i > pos && acc + cw > limit) {
      // The line is full at i.
      if (!wrap) {
        b = i;
        pos = i;
        return int32_t(acc * s.size / 1000);
      }
      if (blank) {
        b = i;
        size_t j = i;
        while (j < len && (t[j] == ' ' || t[j] == 9)) ++j;
        pos = j;
        return int32_t(acc * s.size / 1000);
      }
      if (last_word_end != SIZE_MAX) {
        b = last_word_end;
        size_t j = last_word_end;
        while (j < len && (t[j] == ' ' || t[j] == 9)) ++j;
        pos = j;
        return int32_t(acc_at_word_end * s.size / 1000);
      }
      b = i;
      pos = i;
      return int32_t(acc * s.size / 1000);
    }
    if (blank && i > pos && !(t[i - 1] == ' ' || t[i - 1] == 9 || t[i - 1] < 32)) {
      last_word_end = i;
      acc_at_word_end = acc;
    }
    acc += cw;
  }
  b = len;
  pos = len;
  return int32_t(acc * s.size / 1000);
}

void Own_backend::text_out(Pdf_doc& d, int32_t x, int32_t y, int32_t width, int32_t height, const Own_font_slot& s,
                           const uint8_t* text, size_t len) {
  last_left_ = int64_t(len);
  last_used_ = 0;
  int32_t size = s.size > 0 ? s.size : 1;
  if (height > 0 && height < size) {
    if (s.flags & PFF_WRAP) return;
    height = size;
  }
  if (len == 0) {
    last_left_ = 0;
    return;
  }
  int ps = pen_style_, pw = pen_width_, fs = fill_style_;
  uint32_t pc = pen_colour_, fc = fill_colour_;
  int32_t X = d.m_left + x;
  int32_t Y = d.page_h - size - y - d.m_top + size / 4 - 1;
  if (s.flags & PFF_NUMERIC) {
    size_t n = numeric_split(text, len);
    X = int32_t(X + int64_t(ref_width(s.row)) * size * int64_t(n) / 1000000 - width_pts(s, text, n));
    width = 0;
    height = size;
  }
  int32_t widest = 0, total = 0;
  if (s.flags & (PFF_BACKGROUND | PFF_CENTRE)) {
    size_t p = 0, a, b;
    bool e;
    int lines = 0;
    while (p < len) {
      int32_t wl = seg(text, len, p, width, s, a, b, e);
      if (wl > widest) widest = wl;
      ++lines;
      if (lines > 100000) break;
    }
    total = lines * size;
  }
  if ((s.flags & PFF_CENTRE) && height > 0 && total < height) Y -= (height - total) / 2;
  if (height <= 0) height = size;
  bool rotated = s.angle != 0;
  if (rotated) {
    double an = s.angle * 3.14159 / 180;
    op("q %f %f %f %f %d %d cm", std::cos(an), std::sin(an), -std::sin(an), std::cos(an), X, Y + height - size / 4);
    X = 0;
    Y = -(height - size / 4);
  }
  auto line_x = [&](int32_t wl) {
    if (s.flags & PFF_CENTRE) return width < 1 ? X - wl / 2 : X + (width - wl) / 2;
    if (s.flags & PFF_RIGHT) return X + (width > 0 ? width : 0) - wl - 2;
    return X;
  };
  if (s.flags & PFF_BACKGROUND) {
    pen_style_ = 0;
    fill_style_ = 1;
    fill_colour_ = s.bg;
    start_graphics();
    op("%d %d %d %d re", line_x(widest), Y - size / 4, widest, total < height ? total : height);
    end_graphics();
  }
  pen_style_ = 1;
  pen_width_ = size / 8 < 1 ? 1 : size / 8;
  pen_colour_ = s.fg;
  fill_style_ = 0;
  int res = resource(s.row);
  bool in_text = false;
  int32_t px = 0, py = 0;
  size_t pos = 0;
  std::string& o = out();
  while (pos < len && height >= size) {
    size_t a, b;
    bool amp_esc;
    int32_t wl = seg(text, len, pos, width, s, a, b, amp_esc);
    if (b > a) {
      if (!in_text) {
        double r = ((s.fg >> 16) & 255) / 255.0, g = ((s.fg >> 8) & 255) / 255.0, bl = (s.fg & 255) / 255.0;
        op("BT");
        op("%.3f %.3f %.3f RG", r, g, bl);
        op("%.3f %.3f %.3f rg", r, g, bl);
        op("/F%d %d Tf", res, size);
        in_text = true;
        px = py = 0;
      }
      int32_t lx = line_x(wl);
      char buf[64];
      int k = std::snprintf(buf, sizeof buf, "%d %d Td(", lx - px, Y - py);
      o.append(buf, size_t(k));
      px = lx;
      py = Y;
      Pdf_writer::encode_text(o, text + a, b - a, (s.flags & PFF_AMPERSAND) != 0);
      o.append(") Tj\r\n");
      if (s.flags & PFF_UNDERLINE) {
        op("ET");
        in_text = false;
        start_graphics();
        op("%d %d m", lx, Y - pen_width_);
        op("%d %d l", lx + wl, Y - pen_width_);
        end_graphics();
      } else if (amp_esc) {
        op("ET");
        in_text = false;
        start_graphics();
        const uint8_t* t = text + a;
        size_t n = b - a;
        for (size_t i = 0; i + 1 < n; ++i) {
          if (t[i] != '&') continue;
          if (t[i + 1] == '&') {
            ++i;
            continue;
          }
          int32_t x0 = width_pts(s, t, i), x1 = width_pts(s, t, i + 2);
          op("%d %d m", lx + x0, Y - pen_width_);
          op("%d %d l", lx + x1, Y - pen_width_);
          ++i;
        }
        end_graphics();
      }
    }
    last_used_ += size;
    Y -= size;
    height -= size;
  }
  if (in_text) op("ET");
  if (rotated) op("Q");
  last_left_ = int64_t(len - pos);
  pen_style_ = ps;
  pen_width_ = pw;
  fill_style_ = fs;
  pen_colour_ = pc;
  fill_colour_ = fc;
}

// ---- graphics characters ----

void Own_backend::graphic_text(Pdf_doc& d, int32_t x, int32_t y, const uint8_t* t, size_t n) {
  int32_t cw = d.char_w / 1000, ch = d.line_h / 1000;
  if (cw < 1) cw = 1;
  if (ch < 1) ch = 1;
  int ps = pen_style_, fs = fill_style_;
  uint32_t fc = fill_colour_;
  int32_t X = d.m_left + x, Ytop = d.page_h - d.m_top - y;
  if (pfont_.flags & PFF_BACKGROUND) fill_rect_pts(X, Ytop - ch, double(cw) * double(n), ch, pfont_.bg);
  pen_style_ = 0;
  fill_style_ = 1;
  fill_colour_ = pfont_.fg;
  for (size_t i = 0; i < n; ++i) {
    uint8_t c = t[i];
    if (c == ' ') continue;
    uint8_t arms = Graphic_arms(&d, c);
    int32_t cx = X + int32_t(i) * cw + cw / 2, cy = Ytop - ch / 2, left = X + int32_t(i) * cw, top = Ytop;
    start_graphics();
    if (arms & 1) op("%d %d %d %d re", left, cy, cw / 2 + 1, 1);
    if (arms & 2) op("%d %d %d %d re", cx, cy, 1, top - cy);
    if (arms & 4) op("%d %d %d %d re", cx, cy, left + cw - cx, 1);
    if (arms & 8) op("%d %d %d %d re", cx, top - ch, 1, cy - (top - ch) + 1);
    end_graphics();
  }
  pen_style_ = ps;
  fill_style_ = fs;
  fill_colour_ = fc;
}

// ---- flowing text ----

void Own_backend::text_close() {
  flow_.clear();
  flow_.shrink_to_fit();
  flow_left_ = 0;
}

void Own_backend::print_text(Pdf_doc& d, int32_t x, int32_t y, int32_t w, int32_t h, const uint8_t* text, size_t len,
                             const std::string& kind) {
  if (kind.size() < 4) return Err_mnemonic();
  std::string k = kind.substr(0, 4);
  for (char& c : k) c = char(std::toupper(uint8_t(c)));
  if (k == "*TEX") {
    text_close();
    if (len == 0) return;
    flow_.assign(reinterpret_cast<const char*>(text), len);
    flow_left_ = int64_t(len);
  } else if (k == "*MOR") {
    if (flow_left_ <= 0) return Err_mnemonic();
  } else if (k == "*RTF") {
    Rpt_error_text(err::NOT_FOR_DEVICE, "rich text in PDF text boxes");
  } else {
    return Err_mnemonic();
  }
  Own_font_slot s = gfont_;
  s.flags |= PFF_WRAP;
  s.fg = GetRGBFromIdx(GetForeColourIdx(d.attr));
  s.bg = GetRGBFromIdx(GetBackColourIdx(d.attr));
  size_t from = flow_.size() - size_t(flow_left_);
  text_out(d, x, y, w, h, s, reinterpret_cast<const uint8_t*>(flow_.data()) + from, size_t(flow_left_));
  // A box lower than one line draws nothing: the text stays pending for
  // the next "*MOR" box (FIN "BYTESLEFT" still counts it).
  if (last_left_ >= flow_left_) return;
  flow_left_ = last_left_;
  if (flow_left_ <= 0) text_close();
}

// ---- TXW( and TXH( ----

int64_t Own_backend::tx_size(Pdf_doc& d, int mode, const std::string& text, int32_t width, const std::string& font) {
  Own_font_slot s = gfont_;
  if (!font.empty()) {
    s = pfont_;
    s.flags = 0;
    apply_font_string(s, reinterpret_cast<const uint8_t*>(font.data()), font.size(), pfont_.size);
  }
  if (text.empty()) return 0;
  int64_t cw = d.char_w > 0 ? d.char_w : 1;
  if (mode == 2 && width < 1) return int64_t(s.size) * 16000 / cw;
  int32_t limit = width > 0 ? int32_t(int64_t(width) * cw / 16000) : 0;
  if (width > 0 && limit < 1) limit = 1;
  const uint8_t* t = reinterpret_cast<const uint8_t*>(text.data());
  size_t pos = 0, a, b;
  bool e;
  int32_t widest = 0;
  int64_t lines = 0;
  while (pos < text.size()) {
    int32_t wl = seg(t, text.size(), pos, limit, s, a, b, e);
    if (wl > widest) widest = wl;
    ++lines;
  }
  int64_t total = lines * s.size;
  switch (mode) {
    case 1: return int64_t(widest) * 16000 / cw;
    case 2: return total * 16000 / cw;
    case 3: return widest;
    default: return total;
  }
}
