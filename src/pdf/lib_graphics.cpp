// The PDF library back end: long graphic mnemonics (lines, rectangles with
// rounded corners, polygons, ellipses, pies, arcs, text at a point and in a
// box, fonts, pen and fill, spacing, options), pictures and line-graphics
// characters, drawn through the library's page functions.
//
// Argument bytes of a mnemonic: coordinates and numbers are 16-bit
// big-endian signed values (coordinates in sixteenths of a column); texts
// carry a 1-byte length (a 4-byte big-endian length for the long text
// forms).  An argument shorter than its operation needs is a bad mnemonic.
//
// Pictures: a JPEG file is checked by the picture reader of the own writer
// (signature, frame header inside the file) before the library parses it,
// so that a file that is not a picture is refused with error 5.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstring>

#include "channels/open.h"
#include "channels/print.h"
#include "core/errors.h"
#include "core/file_trust.h"
#include "core/workspace.h"
#include "core/zlib_loader.h"
#include "pdf/lib_backend.h"
#include "pdf/pictures.h"
#include "terminal/colours.h"
#include "terminal/terminal.h"

namespace {

constexpr double PI = 3.14159;

// Reads the argument bytes of one mnemonic; a read past the end marks the
// argument bad.
struct Args {
  const uint8_t* p;
  uint32_t n, i = 0;
  bool bad = false;
  uint32_t left() const { return n - i; }
  int32_t s16() {
    if (left() < 2) {
      bad = true;
      i = n;
      return 0;
    }
    int32_t v = int16_t(uint16_t(p[i] << 8 | p[i + 1]));
    i += 2;
    return v;
  }
  std::string text(bool long_len = false) {
    uint32_t len;
    if (long_len) {
      if (left() < 4) {
        bad = true;
        i = n;
        return {};
      }
      len = uint32_t(p[i]) << 24 | uint32_t(p[i + 1]) << 16 | uint32_t(p[i + 2]) << 8 | p[i + 3];
      i += 4;
    } else {
      if (left() < 1) {
        bad = true;
        return {};
      }
      len = p[i++];
    }
    if (len > left()) {
      bad = true;
      i = n;
      return {};
    }
    std::string s(reinterpret_cast<const char*>(p + i), len);
    i += len;
    return s;
  }
};

const uint16_t DASH2[] = {18, 6};
const uint16_t DASH3[] = {3, 3};
const uint16_t DASH4[] = {9, 6, 3, 6};
const uint16_t DASH5[] = {9, 3, 3, 3, 3, 3};

bool ends_with_ci(const std::string& s, const char* ext) {
  size_t n = std::strlen(ext);
  if (s.size() < n) return false;
  for (size_t i = 0; i < n; i++) {
    char c = s[s.size() - n + i];
    if (c >= 'A' && c <= 'Z') c = char(c + 32);
    if (c != ext[i]) return false;
  }
  return true;
}

// A pen width as the own writer takes it: 0 to 1000 (the library refuses a
// negative width, and its refusal would skip everything after it).
int32_t pen_width(int32_t w) { return w < 0 ? 0 : w > 1000 ? 1000 : w; }

}  // namespace

// ---- pen and fill ----

void Lib_backend::SetPen() {
  hpdf::Handle pg = page();
  if (!pg) return;
  Hpdf.HPDF_Page_SetLineWidth(pg, hpdf::REAL((pen.style != 0 ? pen.width : 0) * 0.5));
  switch (pen.style) {
    case 2: Hpdf.HPDF_Page_SetDash(pg, DASH2, 2, 0); break;
    case 3: Hpdf.HPDF_Page_SetDash(pg, DASH3, 2, 0); break;
    case 4: Hpdf.HPDF_Page_SetDash(pg, DASH4, 4, 0); break;
    case 5: Hpdf.HPDF_Page_SetDash(pg, DASH5, 6, 0); break;
    default: Hpdf.HPDF_Page_SetDash(pg, nullptr, 0, 0); break;
  }
  float r, g, b;
  ExtractColors(pen.colour, &r, &g, &b);
  Hpdf.HPDF_Page_SetRGBStroke(pg, r, g, b);
}

void Lib_backend::SetBrush() {
  hpdf::Handle pg = page();
  if (!pg) return;
  float r, g, b;
  ExtractColors(fill.colour, &r, &g, &b);
  Hpdf.HPDF_Page_SetRGBFill(pg, r, g, b);
}

namespace {

// Paints the path just built: stroked with the pen, filled with the fill,
// both, or neither (a pen of style 0 draws no outline, not a hairline).
void paint(hpdf::Handle pg, const Lib_pen& pen, const Lib_fill& fill) {
  bool stroke = pen.style != 0, filled = fill.style >= 1;
  if (stroke && filled) Hpdf.HPDF_Page_FillStroke(pg);
  else if (filled) Hpdf.HPDF_Page_Fill(pg);
  else if (stroke) Hpdf.HPDF_Page_Stroke(pg);
  else Hpdf.HPDF_Page_EndPath(pg);
}

void round_rect_path(hpdf::Handle pg, double x, double y, double w, double h, double r) {
  auto R = [](double v) { return hpdf::REAL(v); };
  Hpdf.HPDF_Page_MoveTo(pg, R(x), R(y + h - r));
  Hpdf.HPDF_Page_Arc(pg, R(x + r), R(y + h - r), R(r), 270, 360);
  Hpdf.HPDF_Page_LineTo(pg, R(x + w - r), R(y + h));
  Hpdf.HPDF_Page_Arc(pg, R(x + w - r), R(y + h - r), R(r), 0, 90);
  Hpdf.HPDF_Page_LineTo(pg, R(x + w), R(y + r));
  Hpdf.HPDF_Page_Arc(pg, R(x + w - r), R(y + r), R(r), 90, 180);
  Hpdf.HPDF_Page_LineTo(pg, R(x + r), R(y));
  Hpdf.HPDF_Page_Arc(pg, R(x + r), R(y + r), R(r), 180, 270);
  Hpdf.HPDF_Page_LineTo(pg, R(x), R(y + h - r));
}

}  // namespace

// ---- drawings (coordinates in points of the printable area) ----

void Lib_backend::PDF_Line(Pdf_doc& d, double x1, double y1, double x2, double y2) {
  hpdf::Handle pg = page();
  if (!pg) return;
  Hpdf.HPDF_Page_MoveTo(pg, hpdf::REAL(x1 + d.m_left), hpdf::REAL(d.page_h - d.m_top - y1));
  Hpdf.HPDF_Page_LineTo(pg, hpdf::REAL(x2 + d.m_left), hpdf::REAL(d.page_h - d.m_top - y2));
  Hpdf.HPDF_Page_Stroke(pg);
}

void Lib_backend::PDF_Rectangle(Pdf_doc& d, double x1, double y1, double x2, double y2, double radius) {
  hpdf::Handle pg = page();
  if (!pg || (pen.style == 0 && fill.style == 0)) return;
  double X = x1 + d.m_left, Y = d.page_h - d.m_top - y1;
  double w = x2 - x1, h = y1 - y2;
  double r = radius;
  if (r != 0) {
    if (h < 0) {
      h = std::trunc(-h);
      Y -= h;
    }
    if (w < 0) {
      w = std::trunc(-w);
      X -= w;
    }
    if (r < 0) r = -r;
    if (h < 2 * r) r = std::trunc(h * 0.5);
    if (w < 2 * r) r = std::trunc(w * 0.5);
  }
  if (r != 0) {
    round_rect_path(pg, X, Y, w, h, r);
    paint(pg, pen, fill);
    return;
  }
  Hpdf.HPDF_Page_Rectangle(pg, hpdf::REAL(X), hpdf::REAL(Y), hpdf::REAL(w), hpdf::REAL(h));
  paint(pg, pen, fill);
}

void Lib_backend::PDF_Ellipse(Pdf_doc& d, int32_t x, int32_t y, int32_t radius, int32_t ratio) {
  hpdf::Handle pg = page();
  if (!pg) return;
  if (ratio == 0) ratio = 100;
  double X = x + d.m_left, Y = d.page_h - d.m_top - y;
  int32_t rx = int32_t(int64_t(ratio) * radius / 100), ry = int32_t(int64_t(radius) * 100 / ratio);
  Hpdf.HPDF_Page_Ellipse(pg, hpdf::REAL(X), hpdf::REAL(Y), hpdf::REAL(std::abs(rx)), hpdf::REAL(std::abs(ry)));
  paint(pg, pen, fill);
}

void Lib_backend::PDF_Pie(Pdf_doc& d, int32_t x, int32_t y, int32_t r, int32_t ratio, int32_t start, int32_t end) {
  if (start == end) return PDF_Ellipse(d, x, y, r, ratio);
  hpdf::Handle pg = page();
  if (!pg) return;
  if (ratio == 0) ratio = 100;
  // The slice runs counter-clockwise from the start to the end angle; an
  // end below the start goes once round (350 to 10 is a 20-degree slice,
  // 90 to 360 three quarters).  Raw angles such as 0 and 360 that meet
  // name the whole ellipse.
  int32_t a = ((start % 360) + 360) % 360, b = ((end % 360) + 360) % 360;
  if (a == b) return PDF_Ellipse(d, x, y, r, ratio);
  if (b < a) b += 360;
  double X = x + d.m_left, Y = d.page_h - d.m_top - y, k = ratio / 100.0;
  double br = b * PI / 180.0;
  r = std::abs(r);
  Hpdf.HPDF_Page_MoveTo(pg, hpdf::REAL(X), hpdf::REAL(Y));
  Hpdf.HPDF_Page_LineTo(pg, hpdf::REAL(X + std::trunc(r * std::cos(br) * k)),
                        hpdf::REAL(Y + std::trunc(r * std::sin(br) / k)));
  Hpdf.HPDF_Page_Arc(pg, hpdf::REAL(X), hpdf::REAL(Y), hpdf::REAL(r), hpdf::REAL(90 - b), hpdf::REAL(90 - a));
  Hpdf.HPDF_Page_LineTo(pg, hpdf::REAL(X), hpdf::REAL(Y));
  Hpdf.HPDF_Page_ClosePath(pg);
  paint(pg, pen, fill);
}

void Lib_backend::PDF_Arc(Pdf_doc& d, int32_t x, int32_t y, int32_t r, int32_t ratio, int32_t start, int32_t end) {
  if (start == end) return PDF_Ellipse(d, x, y, r, ratio);
  hpdf::Handle pg = page();
  if (!pg) return;
  int32_t a1 = (((36090 - end) % 360) + 360) % 360, a2 = (((36090 - start) % 360) + 360) % 360;
  if (a1 == a2) return PDF_Ellipse(d, x, y, r, ratio);
  if (a2 < a1) a2 += 360;
  // Drawn whatever the pen style: style 0 strokes a hairline (SetPen gives
  // it width 0).
  double X = x + d.m_left, Y = d.page_h - d.m_top - y;
  Hpdf.HPDF_Page_Arc(pg, hpdf::REAL(X), hpdf::REAL(Y), hpdf::REAL(std::abs(r)), hpdf::REAL(a1), hpdf::REAL(a2));
  Hpdf.HPDF_Page_Stroke(pg);
}

void Lib_backend::PDF_Polygon(Pdf_doc& d, const uint8_t* p, uint32_t n) {
  hpdf::Handle pg = page();
  if (!pg || n < 8) return;
  auto pt = [&](uint32_t i, double* X, double* Y) {
    int32_t x = Pdf_GetPointX(d, p + i), y = Pdf_GetPointX(d, p + i + 2);
    *X = x + d.m_left;
    *Y = d.page_h - d.m_top - y;
  };
  double x0, y0, x, y;
  pt(0, &x0, &y0);
  Hpdf.HPDF_Page_MoveTo(pg, hpdf::REAL(x0), hpdf::REAL(y0));
  x = x0;
  y = y0;
  for (uint32_t i = 4; i + 4 <= n; i += 4) {
    pt(i, &x, &y);
    Hpdf.HPDF_Page_LineTo(pg, hpdf::REAL(x), hpdf::REAL(y));
  }
  if (x != x0 || y != y0) Hpdf.HPDF_Page_LineTo(pg, hpdf::REAL(x0), hpdf::REAL(y0));
  Hpdf.HPDF_Page_ClosePath(pg);
  paint(pg, pen, fill);
}

int32_t Lib_backend::Pdf_GetPointX(const Pdf_doc& d, const uint8_t* b) {
  int32_t v = int16_t(uint16_t(b[0] << 8 | b[1]));
  return int32_t(int64_t(v) * d.char_w / 16000);
}

double Lib_backend::Pdf_GetPointReal(const Pdf_doc& d, int32_t v) { return float(double(v) * d.char_w / 16000.0); }

// ---- pictures ----

namespace {

// Raises a picture error unless bad mnemonics are ignored; false then.
bool picture_error(int no, const std::string& text) {
  if (Pdf_bad_mnemonics_ignored()) return false;
  Rpt_error_text(no, text);
}

}  // namespace

namespace {

// The whole file, bounded: false with errno on a host failure; a file
// that is empty or too large gives an empty text (not a picture).
bool read_picture(const std::string& path, std::string& bytes) {
  int fd = Open_to_read(path.c_str());
  if (fd < 0) return false;
  struct stat st;
  bytes.clear();
  if (::fstat(fd, &st) == 0 && st.st_size > 0 && uint64_t(st.st_size) <= PDF_PICTURE_MAX_BYTES) {
    bytes.resize(size_t(st.st_size));
    size_t got = 0;
    while (got < bytes.size()) {
      ssize_t r = ::read(fd, bytes.data() + got, bytes.size() - got);
      if (r <= 0) break;
      got += size_t(r);
    }
    bytes.resize(got);
  }
  ::close(fd);
  return true;
}

// Samples of a decoded PNG for the library: gray, RGB or CMYK rows of 1 to
// 8 bits, an indexed picture expanded to 8-bit RGB through its palette.
hpdf::Handle raw_picture(hpdf::Handle doc, const Pdf_picture& pic) {
  size_t w = size_t(pic.width), h = size_t(pic.height);
  size_t row = (w * size_t(pic.components) * size_t(pic.bits) + 7) / 8;
  std::vector<uint8_t> samples(row * h);
  int64_t got = ZlibInflateToBfr(samples.data(), samples.size(), reinterpret_cast<const uint8_t*>(pic.data.data()),
                                 pic.data.size());
  if (got != int64_t(samples.size())) return nullptr;
  if (!pic.palette.empty()) {
    std::vector<uint8_t> rgb(w * h * 3);
    size_t entries = pic.palette.size() / 3;
    for (size_t y = 0; y < h; y++)
      for (size_t x = 0; x < w; x++) {
        size_t bit = x * size_t(pic.bits);
        unsigned v = samples[y * row + bit / 8];
        if (pic.bits < 8) v = (v >> (8 - pic.bits - bit % 8)) & ((1u << pic.bits) - 1);
        for (size_t c = 0; c < 3; c++)
          rgb[(y * w + x) * 3 + c] = v < entries ? uint8_t(pic.palette[v * 3 + c]) : 0;
      }
    return Hpdf.HPDF_LoadRawImageFromMem(doc, rgb.data(), hpdf::UINT(w), hpdf::UINT(h), 1, 8);
  }
  int space = pic.components == 1 ? 0 : pic.components == 4 ? 2 : 1;
  return Hpdf.HPDF_LoadRawImageFromMem(doc, samples.data(), hpdf::UINT(w), hpdf::UINT(h), space,
                                       hpdf::UINT(pic.bits));
}

// Loads a picture into the document.  A JPEG is checked by the picture
// reader before the library parses it; a PNG goes to the library, and one
// the library cannot read (interlaced, for one) is decoded by the picture
// reader and handed over as samples.  Null with the reason in why.
hpdf::Handle load_picture(hpdf::Handle doc, const std::string& path, const std::string& bytes, bool jpeg,
                          std::string& why) {
  Pdf_picture pic;
  hpdf::Handle h = nullptr;
  if (jpeg) {
    if (!Pdf_read_jpeg(bytes, pic, why)) return nullptr;
    h = Hpdf.HPDF_LoadJpegImageFromFile(doc, path.c_str());
  } else {
    static const char sig[8] = {char(0x89), 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < 8 || bytes.compare(0, 8, sig, 8) != 0) {
      why = "not a PNG picture";
      return nullptr;
    }
    h = Hpdf.HPDF_LoadPngImageFromFile(doc, path.c_str());
    if (!h) {
      Hpdf.HPDF_ResetError(doc);
      if (!Pdf_read_png(bytes, pic, why)) return nullptr;
      h = raw_picture(doc, pic);
    }
  }
  if (!h || Hpdf.HPDF_Image_GetWidth(h) == 0 || Hpdf.HPDF_Image_GetHeight(h) == 0) {
    Hpdf.HPDF_ResetError(doc);
    if (why.empty()) why = "the PDF library cannot read the picture";
    return nullptr;
  }
  return h;
}

}  // namespace

void Lib_backend::PDF_Picture(Pdf_doc& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const std::string& given,
                              int32_t mode) {
  if (x2 < x1 || y2 < y1) return Err_mnemonic();
  if (x1 == x2 || y1 == y2) return;
  hpdf::Handle pg = page();
  if (!pg) return;
  // The document opens at the page of its last picture, top left, full size.
  if (hpdf::Handle dst = Hpdf.HPDF_Page_CreateDestination(pg)) {
    Hpdf.HPDF_Destination_SetXYZ(dst, 0.0f, Hpdf.HPDF_Page_GetHeight(pg), 1.0f);
    Hpdf.HPDF_SetOpenAction(fonts.doc, dst);
  }
  std::string name = given;
  if (name.size() >= 2 && name[0] == '!') name = "*bmp/" + name.substr(1);
  Lib_image* img = nullptr;
  for (Lib_image& e : images)
    if (e.name == name) img = &e;
  if (!img) {
    bool jpeg = ends_with_ci(name, ".jpg") || ends_with_ci(name, ".jpeg");
    bool png = ends_with_ci(name, ".png");
    if (!jpeg && !png) {
      picture_error(99, "pictures must be JPEG or PNG files: " + name);
      return;
    }
    // The candidates of the name search, the workspace's path buffers kept.
    std::string keep_path = ws.Path_buf;
    std::string path;
    try {
      Set_path(name);
      while (Next_path() == 0) {
        struct stat st;
        if (::stat(ws.Path_buf, &st) == 0 && S_ISREG(st.st_mode)) {
          path = ws.Path_buf;
          break;
        }
      }
    } catch (...) {
      std::snprintf(ws.Path_buf, sizeof ws.Path_buf, "%s", keep_path.c_str());
      throw;
    }
    std::snprintf(ws.Path_buf, sizeof ws.Path_buf, "%s", keep_path.c_str());
    if (path.empty()) {
      picture_error(12, "picture not found: " + name);
      return;
    }
    std::string bytes, why;
    if (!read_picture(path, bytes)) {
      if (Pdf_bad_mnemonics_ignored()) return;
      Sys_error();
    }
    hpdf::Handle handle = load_picture(fonts.doc, path, bytes, jpeg, why);
    if (!handle) {
      picture_error(5, why + ": " + name);
      return;
    }
    Lib_image e;
    e.name = name;
    e.path = path;
    e.image = handle;
    e.number = int32_t(images.size() + 1);
    e.width = int32_t(Hpdf.HPDF_Image_GetWidth(handle));
    e.height = int32_t(Hpdf.HPDF_Image_GetHeight(handle));
    images.push_back(e);
    img = &images.back();
  }
  double W = std::abs(x2 - x1), H = std::abs(y2 - y1);
  double X = x1 + d.m_left, Y = d.page_h - d.m_top - y1 - H;
  double w = img->width, h = img->height;
  auto draw = [&](double px, double py, double pw, double ph) {
    Hpdf.HPDF_Page_DrawImage(pg, img->image, hpdf::REAL(px), hpdf::REAL(py), hpdf::REAL(pw), hpdf::REAL(ph));
  };
  switch (mode) {
    case 0: draw(X, Y + H - h, w, h); break;
    case 1: draw(X + std::trunc(W / 2) - std::trunc(w / 2), Y + std::trunc(H / 2) - std::trunc(h / 2), w, h); break;
    case 2:
    case 4: draw(X, Y, W, H); break;
    case 3: {
      int64_t rows = int64_t(H / h), cols = int64_t(W / w);
      if (rows < 1 || cols < 1) {
        draw(X, Y + H - h, w, h);
        break;
      }
      for (int64_t r = 0; r < rows; r++)
        for (int64_t c = 0; c < cols; c++) draw(X + double(c) * w, Y + H - double(r + 1) * h, w, h);
      break;
    }
    case 5: {
      double s = std::min(W / w, H / h);
      draw(X, Y + H - std::trunc(h * s), w * s, h * s);
      break;
    }
    case 6: {
      double s = std::min(W / w, H / h);
      draw(X + std::trunc((W - std::trunc(w * s)) / 2), Y + std::trunc((H - std::trunc(h * s)) / 2), w * s, h * s);
      break;
    }
    default: draw(X, Y, w, h); break;
  }
}

// ---- line-graphics characters ----

void Lib_backend::Pdf_GraphicText_LH(Pdf_doc& d, int32_t x, int32_t y, const std::string& text) {
  hpdf::Handle pg = page();
  if (!pg) return;
  Lib_pen saved_pen = pen;
  Lib_fill saved_fill = fill;
  pen.style = 0;
  fill.style = 1;
  SetPen();
  int32_t cw = d.char_w / 1000, lh = d.line_h / 1000;
  double t = d.line_h / 8000.0;
  auto bar = [&](double ax, double ay, double bx, double by) {
    // A rectangle of the printable area between two corners, filled.
    Hpdf.HPDF_Page_Rectangle(pg, hpdf::REAL(ax + d.m_left), hpdf::REAL(d.page_h - d.m_top - by), hpdf::REAL(bx - ax),
                             hpdf::REAL(by - ay));
    Hpdf.HPDF_Page_Fill(pg);
  };
  if (background_text) {
    fill.colour = print_font.background;
    SetBrush();
    bar(x, y, x + double(text.size()) * cw, y + lh);
  }
  fill.colour = print_font.colour;
  SetBrush();
  for (size_t i = 0; i < text.size(); i++) {
    uint8_t c = uint8_t(text[i]);
    if (c == ' ') continue;
    int mask = Graphic_arms(&d, c);
    int64_t xl = x + int64_t(i) * d.char_w / 1000, xr = x + int64_t(i + 1) * d.char_w / 1000;
    int64_t xm = (xl + xr) / 2, ym = y + lh / 2;
    if (mask & 1) bar(double(xl), double(ym), double(xm), ym + t);
    if (mask & 2) bar(double(xm), double(y), xm + t, ym + t);
    if (mask & 4) bar(double(xm), double(ym), double(xr), ym + t);
    if (mask & 8) bar(double(xm), double(ym), xm + t, double(y + lh));
  }
  pen = saved_pen;
  fill = saved_fill;
  SetPen();
  SetBrush();
}

// ---- the dispatcher ----

void Lib_backend::graphics(Pdf_doc& d, uint8_t op, const uint8_t* p, uint32_t n) {
  if (!LibHaruReady_L() || d.page_state == PDF_ABANDONED) return;
  Lib_error_clear clear{fonts};
  flush(d);
  start_page(d);
  Args a{p, n};
  auto pt_x = [&] { return int32_t(int64_t(a.s16()) * d.char_w / 16000); };
  switch (op) {
    case 7: {
      uint32_t i = 0;
      if (n == 1 || n == 3) d.attr = (d.attr & 0x00FFFF00u) | p[i++];
      if (n - i == 2) {
        d.attr &= ~uint32_t(ATTR_FG_MASK | ATTR_BG_MASK);
        if (p[i] != 255) d.attr |= uint32_t(p[i]) << 8;
        if (p[i + 1] != 255) d.attr |= uint32_t(p[i + 1]) << 16;
      } else if (n == 0 || n > 3) {
        return Err_mnemonic();
      }
      return;
    }
    case 8: {
      int32_t x1 = pt_x(), y1 = pt_x(), x2 = pt_x(), y2 = pt_x();
      std::string name = a.text();
      if (a.bad) return Err_mnemonic();
      int32_t mode = a.left() >= 2 ? a.s16() : 0;
      d.cur_x = x1;
      d.cur_y = y1;
      return PDF_Picture(d, x1, y1, x2, y2, name, mode);
    }
    case 9: {
      if (n < 8) return Err_mnemonic();
      int32_t x = pt_x(), y = pt_x();
      d.cur_x = x;
      d.cur_y = y;
      while (a.left() >= 4) {
        int32_t x2 = pt_x(), y2 = pt_x();
        PDF_Line(d, x, y, x2, y2);
        x = x2;
        y = y2;
      }
      return;
    }
    case 10: {
      int32_t v[4];
      for (int32_t& e : v) e = a.s16();
      if (a.bad) return Err_mnemonic();
      double radius = a.left() >= 2 ? Pdf_GetPointReal(d, a.s16()) : 0.0;
      double x1 = Pdf_GetPointReal(d, v[0]), y1 = Pdf_GetPointReal(d, v[1]);
      d.cur_x = int32_t(x1);
      d.cur_y = int32_t(y1);
      return PDF_Rectangle(d, x1, y1, Pdf_GetPointReal(d, v[2]), Pdf_GetPointReal(d, v[3]), radius);
    }
    case 11: return PDF_Polygon(d, p, n);
    case 12:
    case 13:
    case 14: {
      int32_t x = pt_x(), y = pt_x(), r = pt_x();
      if (a.bad) return Err_mnemonic();
      int32_t ratio = a.left() >= 2 ? a.s16() : 100;
      int32_t start = a.left() >= 2 ? a.s16() : 0;
      int32_t end = a.left() >= 2 ? a.s16() : 360;
      d.cur_x = x;
      d.cur_y = y;
      if (op == 13) return PDF_Ellipse(d, x, y, r, ratio);
      if (op == 12) return PDF_Pie(d, x, y, r, ratio, start, end);
      return PDF_Arc(d, x, y, r, ratio, start, end);
    }
    case 16: {
      int32_t style = a.s16(), width = a.s16(), idx = a.s16();
      if (a.bad) return Err_mnemonic();
      pen = Lib_pen{style, pen_width(width), GetRGBFromIdx(idx)};
      return SetPen();
    }
    case 17: {
      int32_t style = a.s16(), idx = a.s16();
      if (a.bad) return Err_mnemonic();
      fill.style = style;
      fill.colour = GetRGBFromIdx(idx);
      if (a.left() >= 2) fill.colour2 = GetRGBFromIdx(a.s16());
      return SetBrush();
    }
    case 18: return Pdf_SetFont(d, p, n);
    case 19:
    case 26:
    case 41: {
      int32_t x = pt_x(), y = pt_x(), w = 0, h = 0;
      if (op != 19) {
        int32_t x2 = pt_x(), y2 = pt_x();
        if (x2 != 0) w = x2 - x;
        if (y2 != 0) h = y2 - y;
      }
      std::string text = a.text(op == 41);
      if (a.bad) return Err_mnemonic();
      std::string flags = a.left() >= 1 ? a.text() : std::string();
      if (a.bad) return Err_mnemonic();
      d.cur_x = x;
      d.cur_y = y;
      if (!flags.empty() && flags[0] == '*') return Pdf_PrintText(d, x, y, w, h, text, flags);
      if (text.empty()) return;
      Lib_font slot = gr_font;
      slot.flags = Pdf_font_flag_letters(reinterpret_cast<const uint8_t*>(flags.data()), flags.size(), gr_font.flags);
      slot.colour = GetRGBFromIdx(GetForeColourIdx(d.attr));
      slot.background = GetRGBFromIdx(GetBackColourIdx(d.attr));
      return Pdf_TextOut(d, x, y, w, h, slot, text, nullptr);
    }
    case 32:
    case 33: {
      int32_t v = a.s16();
      if (a.bad || v <= 0) return Err_mnemonic();
      if (op == 32) d.line_h = 7200000 / v;
      else d.char_w = 7200000 / v;
      return Pdf_SetXY(d, print_font.flags & PFF_PROPORTIONAL);
    }
    case 37:
      pt_x();
      return;
    case 38: {
      int32_t style = a.s16();
      std::string c = a.text();
      if (a.bad) return Err_mnemonic();
      fill.style = style;
      fill.colour = GetColourValue(reinterpret_cast<const uint8_t*>(c.data()), int32_t(c.size()));
      return SetBrush();
    }
    case 39: {
      int32_t style = a.s16(), width = a.s16();
      std::string c = a.text();
      if (a.bad) return Err_mnemonic();
      pen = Lib_pen{style, pen_width(width), GetColourValue(reinterpret_cast<const uint8_t*>(c.data()), int32_t(c.size()))};
      return SetPen();
    }
    case 40:
    case 45: return Pdf_Option(d, p, n, op == 45);
    case 43:
    case 44: return ColourMnem(op == 43 ? '+' : ',', p, int32_t(n));
    default: return Err_mnemonic();
  }
}
