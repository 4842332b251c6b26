// The own PDF writer: long graphic mnemonics (lines, rectangles, polygons,
// ellipses, pies, arcs, pictures, pen and fill, text at a point and in a
// box, fonts, spacing, colours, options and bookmarks).
//
// Arguments are big-endian 16-bit values in sixteenths of a column (both
// axes): points = value x character width / 16000.  Every path is drawn
// between start_graphics ("q" and the pen's dash pattern) and end_graphics
// (fill colour, pen colour and width, the paint operator, "Q").
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>

#include "channels/open.h"
#include "channels/print.h"
#include "core/errors.h"
#include "core/file_trust.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"
#include "pdf/own_backend.h"
#include "pdf/pdf_common.h"
#include "pdf/pictures.h"
#include "terminal/colours.h"
#include "terminal/terminal.h"

namespace {

constexpr double PI = 3.14159;

// A reader of mnemonic arguments that never reads past the end.
struct Args {
  const uint8_t* p;
  uint32_t n;
  uint32_t at = 0;
  uint32_t left() const { return n - at; }
  bool has(uint32_t k) const { return n - at >= k; }
  uint16_t u16() {
    if (!has(2)) return 0;
    uint16_t v = uint16_t(p[at] << 8 | p[at + 1]);
    at += 2;
    return v;
  }
  int16_t s16() { return int16_t(u16()); }
  uint8_t u8() { return has(1) ? p[at++] : 0; }
};

double rgb_part(uint32_t c, int shift) { return ((c >> shift) & 255) / 255.0; }

[[noreturn]] void picture_error(int n, const std::string& why) { Rpt_error_text(n, why); }

}  // namespace

// ---- the graphics bracket ----

void Own_backend::start_graphics() {
  op("q");
  switch (pen_style_) {
    case 0: op("[0 10]0 d"); break;
    case 2: op("[3]0 d"); break;
    case 3: op("[1 2]0 d"); break;
    default: op("[]0 d"); break;
  }
}

void Own_backend::end_graphics() {
  op("%.3f %.3f %.3f rg", rgb_part(fill_colour_, 16), rgb_part(fill_colour_, 8), rgb_part(fill_colour_, 0));
  if (pen_style_ != 0) {
    op("%.3f %.3f %.3f RG", rgb_part(pen_colour_, 16), rgb_part(pen_colour_, 8), rgb_part(pen_colour_, 0));
    op("%f w", pen_width_ * 0.5);
    op(fill_style_ == 1 ? "b" : "S");
  } else {
    op(fill_style_ == 1 ? "f" : "n");
  }
  op("Q");
}

void Own_backend::fill_rect_pts(double x, double y, double w, double h, uint32_t rgb) {
  int ps = pen_style_, fs = fill_style_;
  uint32_t fc = fill_colour_;
  pen_style_ = 0;
  fill_style_ = 1;
  fill_colour_ = rgb;
  start_graphics();
  op("%.2f %.2f %.2f %.2f re", x, y, w, h);
  end_graphics();
  pen_style_ = ps;
  fill_style_ = fs;
  fill_colour_ = fc;
}

void Own_backend::line(Pdf_doc& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  start_graphics();
  op("%d %d m", x1 + d.m_left, d.page_h - d.m_top - y1);
  op("%d %d l", x2 + d.m_left, d.page_h - d.m_top - y2);
  end_graphics();
}

void Own_backend::ellipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry) {
  op("%d %d m", cx + rx, cy);
  op("%d %d %d %d v", cx + rx, cy + ry, cx, cy + ry);
  op("%d %d %d %d v", cx - rx, cy + ry, cx - rx, cy);
  op("%d %d %d %d v", cx - rx, cy - ry, cx, cy - ry);
  op("%d %d %d %d v", cx + rx, cy - ry, cx + rx, cy);
}

void Own_backend::pie(Pdf_doc& d, int32_t cx, int32_t cy, int32_t r, int32_t ratio, int32_t a0, int32_t a1, bool arc) {
  (void)d;
  if (ratio <= 0) ratio = 100;  // a ratio of 0 would divide by zero: a circle
  a0 = ((a0 % 360) + 36000) % 360;
  a1 = ((a1 % 360) + 36000) % 360;
  int32_t rx = int32_t(int64_t(ratio) * r / 100), ry = int32_t(int64_t(r) * 100 / ratio);
  if (a0 == a1) {
    if (arc && pen_style_ == 0) return;
    start_graphics();
    ellipse(cx, cy, rx, ry);
    end_graphics();
    return;
  }
  if (arc && pen_style_ == 0) return;
  if (a1 < a0) a1 += 360;
  double k = ratio / 100.0;
  auto pt = [&](int32_t deg, double rad, int32_t& x, int32_t& y) {
    double a = deg * PI / 180;
    x = cx + int32_t(rad * std::cos(a) * k);
    y = cy + int32_t(rad * std::sin(a) / k);
  };
  int fs = fill_style_;
  if (arc) fill_style_ = 0;
  start_graphics();
  int32_t x, y;
  pt(a0, r, x, y);
  if (arc) {
    op("%d %d m", x, y);
  } else {
    op("%d %d m", cx, cy);
    op("%d %d l", x, y);
  }
  for (int32_t a = a0; a < a1;) {
    int32_t s = a1 - a < 90 ? a1 - a : 90;
    int32_t h = s / 2;
    int32_t ex, ey, qx, qy;
    pt((a + s) % 360, r, ex, ey);
    double c = std::cos(h * PI / 180);
    pt((a + h) % 360, c > 0.01 ? r / c : r, qx, qy);
    op("%d %d %d %d y", qx, qy, ex, ey);
    a += s;
  }
  if (!arc) op("%d %d l", cx, cy);
  end_graphics();
  fill_style_ = fs;
}

// ---- the dispatcher ----

void Own_backend::graphics(Pdf_doc& d, uint8_t code, const uint8_t* p, uint32_t n) {
  if (d.page_state == PDF_ABANDONED) return;
  flush(d);
  start_page(d);
  Args a{p, n};
  auto pt = [&](uint16_t v) { return int32_t(int64_t(v) * d.char_w / 16000); };
  auto X = [&](int32_t x) { return x + d.m_left; };
  auto Y = [&](int32_t y) { return d.page_h - d.m_top - y; };
  switch (code) {
    case 7: {
      if (n == 1 || n == 3) {
        d.attr = (d.attr & 0x00FFFF00u) | a.u8();
      }
      if (a.left() == 2) {
        uint8_t fg = a.u8(), bg = a.u8();
        d.attr &= ~uint32_t(ATTR_FG_MASK | ATTR_BG_MASK);
        if (fg != 255) d.attr |= uint32_t(fg) << 8;
        if (bg != 255) d.attr |= uint32_t(bg) << 16;
      }
      return;
    }
    case 8:
      picture(d, p, n);
      return;
    case 9: {
      if (n < 8) return Err_mnemonic();
      int32_t x = pt(a.u16()), y = pt(a.u16());
      d.cur_x = x;
      d.cur_y = y;
      while (a.has(4)) {
        int32_t x2 = pt(a.u16()), y2 = pt(a.u16());
        line(d, x, y, x2, y2);
        x = x2;
        y = y2;
      }
      return;
    }
    case 10: {
      if (n < 8) return Err_mnemonic();
      double k = d.char_w / 16000.0;
      double x1 = a.s16() * k, y1 = a.s16() * k, x2 = a.s16() * k, y2 = a.s16() * k;
      d.cur_x = int32_t(x1);
      d.cur_y = int32_t(y1);
      start_graphics();
      op("%f %f %f %f re", x1 + d.m_left, d.page_h - d.m_top - y1, x2 - x1, 0.0 - (y2 - y1));
      end_graphics();
      return;
    }
    case 11: {
      if (n < 8) return;
      start_graphics();
      bool first = true;
      while (a.has(4)) {
        int32_t x = pt(a.u16()), y = pt(a.u16());
        op("%d %d %c", X(x), Y(y), first ? 'm' : 'l');
        first = false;
      }
      end_graphics();
      return;
    }
    case 12:
    case 13:
    case 14: {
      if (n < 6) return Err_mnemonic();
      int32_t x = pt(a.u16()), y = pt(a.u16()), r = pt(a.u16());
      int32_t ratio = a.has(2) ? a.s16() : 100;
      d.cur_x = x;
      d.cur_y = y;
      if (code == 13) {
        if (ratio <= 0) ratio = 100;
        int32_t rx = int32_t(int64_t(ratio) * r / 100), ry = int32_t(int64_t(r) * 100 / ratio);
        start_graphics();
        ellipse(X(x), Y(y), rx, ry);
        end_graphics();
        return;
      }
      int32_t s = a.has(2) ? a.s16() : 0, e = a.has(2) ? a.s16() : 360;
      pie(d, X(x), Y(y), r, ratio, s, e, code == 14);
      return;
    }
    case 16:
    case 17: {
      int32_t style = a.s16();
      if (code == 16) {
        int32_t width = a.s16();
        pen_style_ = style;
        pen_width_ = width < 0 ? 0 : width > 1000 ? 1000 : width;
        pen_colour_ = GetRGBFromIdx(a.s16());
      } else {
        fill_style_ = style;
        fill_colour_ = GetRGBFromIdx(a.s16());
      }
      return;
    }
    case 38:
    case 39: {
      int32_t style = a.s16();
      int32_t width = code == 39 ? a.s16() : 0;
      uint32_t rgb = 0;
      if (a.has(1)) {
        uint32_t len = a.u8();
        if (!a.has(len)) return Err_mnemonic();
        rgb = GetColourValue(p + a.at, int32_t(len));
      }
      if (code == 39) {
        pen_style_ = style;
        pen_width_ = width < 0 ? 0 : width > 1000 ? 1000 : width;
        pen_colour_ = rgb;
      } else {
        fill_style_ = style;
        fill_colour_ = rgb;
      }
      return;
    }
    case 18:
      set_font(d, p, n);
      return;
    case 19:
    case 26:
    case 41:
      text_mnemonic(d, code, p, n);
      return;
    case 32:
    case 33: {
      uint16_t v = a.u16();
      if (v == 0) return Err_mnemonic();
      int32_t m = int32_t(7200000 / v);
      if (m < 1) m = 1;
      if (code == 32) d.line_h = m;
      else d.char_w = m;
      Pdf_SetXY(d, (d.text_flags & PTF_PROPORTIONAL) != 0);
      return;
    }
    case 37:
      return;
    case 40:
    case 45:
      option(d, p, n, code == 45);
      return;
    case 43:
    case 44:
      try {
        ColourMnem(code == 43 ? '+' : ',', p, int32_t(n));
      } catch (const Oru_error&) {
        Err_mnemonic();
      }
      return;
    default:
      return Err_mnemonic();
  }
}

// x, y [, x2, y2], text [, flags]: the text mnemonics.
void Own_backend::text_mnemonic(Pdf_doc& d, uint8_t code, const uint8_t* p, uint32_t n) {
  Args a{p, n};
  auto pt = [&](uint16_t v) { return int32_t(int64_t(v) * d.char_w / 16000); };
  if (!a.has(code == 19 ? 4 : 8)) return Err_mnemonic();
  int32_t x = pt(a.u16()), y = pt(a.u16()), w = 0, h = 0;
  if (code != 19) {
    int32_t x2 = pt(a.u16()), y2 = pt(a.u16());
    if (x2 != 0) {
      w = std::abs(x2 - x);
      if (x2 < x) x = x2;
    }
    if (y2 != 0) {
      h = std::abs(y2 - y);
      if (y2 < y) y = y2;
    }
  }
  d.cur_x = x;
  d.cur_y = y;
  uint32_t len;
  if (code == 41) {
    if (!a.has(4)) return Err_mnemonic();
    len = uint32_t(a.u16()) << 16;
    len |= a.u16();
  } else {
    if (!a.has(1)) return Err_mnemonic();
    len = a.u8();
  }
  if (!a.has(len)) return Err_mnemonic();
  const uint8_t* text = p + a.at;
  a.at += len;
  std::string flags;
  if (a.has(1)) {
    uint32_t fl = a.u8();
    if (!a.has(fl)) return Err_mnemonic();
    flags.assign(reinterpret_cast<const char*>(p + a.at), fl);
  }
  if (!flags.empty() && flags[0] == '*') {
    print_text(d, x, y, w, h, text, len, flags);
    return;
  }
  if (len == 0) return;
  uint32_t keep = gfont_.flags;
  if (!flags.empty()) gfont_.flags = Pdf_font_flag_letters(reinterpret_cast<const uint8_t*>(flags.data()), flags.size(), gfont_.flags);
  Own_font_slot s = gfont_;
  s.fg = GetRGBFromIdx(GetForeColourIdx(d.attr));
  s.bg = GetRGBFromIdx(GetBackColourIdx(d.attr));
  gfont_.flags = keep;
  text_out(d, x, y, w, h, s, text, len);
}

// ---- options and bookmarks ----

void Own_backend::option(Pdf_doc& d, const uint8_t* p, uint32_t n, bool wide) {
  std::string name, value;
  if (!Pdf_option_arg(p, n, wide, name, value)) return Err_mnemonic();
  for (char& c : name) c = char(std::toupper(uint8_t(c)));
  if (name != "BOOKMARK") return;
  auto titles = Pdf_bookmark_titles(value);
  if (titles.empty()) return;
  int style = (d.attr & ATTR_REVERSE ? 1 : 0) | (d.attr & ATTR_BLINK ? 2 : 0);
  w_->bookmark(titles, w_->page_count(), d.cur_x, d.cur_y, GetRGBFromIdx(GetForeColourIdx(d.attr)), style,
               (pfont_.flags & PFF_AMPERSAND) != 0);
}

// ---- pictures ----

void Own_backend::picture(Pdf_doc& d, const uint8_t* p, uint32_t n) {
  Args a{p, n};
  auto pt = [&](uint16_t v) { return int32_t(int64_t(v) * d.char_w / 16000); };
  if (!a.has(9)) return Err_mnemonic();
  int32_t x1 = pt(a.u16()), y1 = pt(a.u16()), x2 = pt(a.u16()), y2 = pt(a.u16());
  uint32_t nl = a.u8();
  if (!a.has(nl)) return Err_mnemonic();
  std::string name(reinterpret_cast<const char*>(p + a.at), nl);
  a.at += nl;
  int mode = a.has(2) ? a.s16() : 0;
  d.cur_x = x1;
  d.cur_y = y1;
  if (x2 < x1 || y2 < y1) return Err_mnemonic();
  if (x1 == x2 || y1 == y2) return;
  if (name.size() >= 2 && name[0] == '!') name = "*bmp/" + name.substr(1);
  // Bad pictures are bad mnemonics: ignored where those are.
  bool ignore = (d.in_status & IN_IGNORE_BAD) || Sw_on(sw::EG);
  const Image_name* img = nullptr;
  for (const Image_name& i : images_)
    if (i.name == name) img = &i;
  if (!img) {
    try {
      std::string ext = name.substr(name.rfind('.') == std::string::npos ? name.size() : name.rfind('.'));
      for (char& c : ext) c = char(std::tolower(uint8_t(c)));
      if (ext != ".jpg" && ext != ".jpeg") Rpt_error_text(err::NOT_BUILT, "pictures other than JPEG files (" + name + ")");
      // The name search, with the workspace's path buffers kept.
      char keep_path[sizeof ws.Path_buf], keep_lfa[sizeof ws.Lfa_path], keep12[sizeof ws.File_name12];
      std::memcpy(keep_path, ws.Path_buf, sizeof keep_path);
      std::memcpy(keep_lfa, ws.Lfa_path, sizeof keep_lfa);
      std::memcpy(keep12, ws.File_name12, sizeof keep12);
      std::string path;
      try {
        Set_path(name);
        while (Next_path() == 0) {
          struct stat st {};
          if (stat(ws.Path_buf, &st) == 0 && S_ISREG(st.st_mode)) {
            path = ws.Path_buf;
            break;
          }
        }
      } catch (...) {
        std::memcpy(ws.Path_buf, keep_path, sizeof keep_path);
        std::memcpy(ws.Lfa_path, keep_lfa, sizeof keep_lfa);
        std::memcpy(ws.File_name12, keep12, sizeof keep12);
        throw;
      }
      std::memcpy(ws.Path_buf, keep_path, sizeof keep_path);
      std::memcpy(ws.Lfa_path, keep_lfa, sizeof keep_lfa);
      std::memcpy(ws.File_name12, keep12, sizeof keep12);
      if (path.empty()) picture_error(12, "picture not found: " + name);
      int fd = Open_to_read(path.c_str());
      if (fd < 0) Sys_error();
      std::string bytes;
      struct stat st {};
      if (fstat(fd, &st) != 0 || st.st_size <= 0 || size_t(st.st_size) > PDF_PICTURE_MAX_BYTES) {
        ::close(fd);
        picture_error(5, st.st_size <= 0 ? "empty picture file: " + name : "picture file too large: " + name);
      }
      bytes.resize(size_t(st.st_size));
      size_t got = 0;
      while (got < bytes.size()) {
        ssize_t r = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) break;
        got += size_t(r);
      }
      ::close(fd);
      bytes.resize(got);
      Pdf_picture pic;
      std::string why;
      if (!Pdf_read_jpeg(bytes, pic, why))
        picture_error(5, why + ": " + name);
      int number = w_->add_picture(pic);
      images_.push_back({name, number, pic.width, pic.height});
      img = &images_.back();
    } catch (const Oru_error&) {
      if (ignore) return;
      throw;
    }
  }
  int32_t W = x2 - x1, H = y2 - y1;
  int32_t Xp = x1 + d.m_left, Yp = d.page_h - d.m_top - y1 - H;
  int32_t w = img->w, h = img->h;
  double sx = 1, sy = 1;
  switch (mode) {
    case 0: Yp += H - h; break;
    case 1:
      Xp += W / 2 - w / 2;
      Yp += H / 2 - h / 2;
      break;
    case 2:
    case 4:
      sx = double(W) / w;
      sy = double(H) / h;
      break;
    case 3: {
      int32_t rows = H / h, cols = W / w;
      for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c) {
          op("q %d 0 0 %d %d %d cm", w, h, Xp + c * w, Yp + H - (r + 1) * h);
          op("/Im%d Do", img->number);
          op("Q");
        }
      return;
    }
    case 5: {
      double s = std::min(double(W) / w, double(H) / h);
      sx = sy = s;
      Yp += H - int32_t(h * s);
      break;
    }
    case 6: {
      double s = std::min(double(W) / w, double(H) / h);
      sx = sy = s;
      Xp += (W - int32_t(w * s)) / 2;
      Yp += (H - int32_t(h * s)) / 2;
      break;
    }
    default: break;
  }
  op("q %f 0 0 %f %d %d cm", w * sx, h * sy, Xp, Yp);
  op("/Im%d Do", img->number);
  op("Q");
}
