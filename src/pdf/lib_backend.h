// The PDF library back end of PDF channels (system parameter PH): the
// document is built through the run-time loaded PDF library (lib_api.h) and
// written by it at CLOSE into the channel's temporary file.
//
// Module layout: lib_backend.cpp (documents, pages, encryption, bookmarks,
// CLOSE), lib_text.cpp (print mnemonics, placing PRINT text, fonts, text in
// a box, flowing text, text sizes, the font list), lib_graphics.cpp (long
// graphic mnemonics, pen and fill, pictures, line-graphics characters).
//
// Units as in the channel layer: points from the top-left corner of the
// printable area; character width and line height in milli-points; library
// coordinates are points from the bottom-left corner of the page.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/lib_api.h"
#include "pdf/lib_fonts.h"
#include "pdf/pdf_channel.h"
#include "pdf/pdf_common.h"


// A font slot: face, size in points, style flags, angle in degrees, text
// and background colours as 0xRRGGBB, and the library's font handle.
struct Lib_font {
  std::string face;
  int32_t size = 12;
  uint32_t flags = 0;
  int32_t angle = 0;
  uint32_t colour = 0x000000, background = 0xFFFFFF;
  hpdf::Handle font = nullptr;
};

// Pen (style 0 none, 1 solid, 2-5 dashed; width in whole units, drawn at
// half) and fill (style 1 solid, else none).
struct Lib_pen {
  int32_t style = 1, width = 1;
  uint32_t colour = 0x000000;
};
struct Lib_fill {
  int32_t style = 1;
  uint32_t colour = 0xFFFFFF, colour2 = 0xFFFFFF;
};

// A bookmark: its title, children in order of first use, and where it was
// set (the library page, the current point, the attribute word).
struct Lib_mark {
  std::string title;
  std::vector<std::unique_ptr<Lib_mark>> children;
  hpdf::Handle page = nullptr;
  int32_t x = 0, y = 0;
  uint32_t attr = 0;
};

// A picture of the document, loaded once by the library.
struct Lib_image {
  std::string name;  // as resolved
  std::string path;  // host path
  hpdf::Handle image = nullptr;
  int32_t number = 0;
  int32_t width = 0, height = 0;  // pixels
};

// Drops a library error when one back-end operation ends, on every way out:
// while an error is set the library skips every later call on the document
// (its save included), so one refused value would lose the whole document.
// The error handler has recorded it already.
struct Lib_error_clear {
  Lib_font_ctx& fonts;
  ~Lib_error_clear() {
    if (fonts.doc && Hpdf.HPDF_GetError(fonts.doc)) Hpdf.HPDF_ResetError(fonts.doc);
  }
};

class Lib_backend : public Pdf_backend {
 public:
  explicit Lib_backend(Pdf_doc& d);
  ~Lib_backend() override;
  void open(Pdf_doc& d) override;
  bool finish(Pdf_doc& d) override;
  void flush(Pdf_doc& d) override;
  int mnem(Pdf_doc& d, uint16_t code) override;
  void start_page(Pdf_doc& d) override;
  void graphics(Pdf_doc& d, uint8_t op, const uint8_t* p, uint32_t n) override;
  void pos(Pdf_doc& d, int32_t line, int32_t column) override;
  int64_t bytes_left(const Pdf_doc& d) override;
  int64_t text_used(const Pdf_doc& d) override;
  int64_t tx_size(Pdf_doc& d, int mode, const std::string& text, int32_t width, const std::string& font) override;

  // ---- documents and pages (lib_backend.cpp) ----
  void DocStartPage(Pdf_doc& d);
  void DocEndPage(Pdf_doc& d);
  hpdf::Handle page() const;  // the current library page, or null
  // The option long mnemonic (BOOKMARK) and bookmarks.
  void Pdf_Option(Pdf_doc& d, const uint8_t* p, uint32_t n, bool long_value);
  void Pdf_BookMark(Pdf_doc& d, const uint8_t* p, size_t n);

  // ---- text (lib_text.cpp) ----
  // Draws text in a box; width 0 no limit, height 0 no limit.  Returns the
  // widest line in 1/1000 em of the slot's size through width_out.
  void Pdf_TextOut(Pdf_doc& d, int32_t x, int32_t y, int32_t width, int32_t height, Lib_font& slot,
                   const std::string& text, int32_t* width_out);
  void Pdf_PrintText(Pdf_doc& d, int32_t x, int32_t y, int32_t width, int32_t height, const std::string& text,
                     const std::string& kind);
  void Pdf_TextClose();
  void Pdf_SetFont(Pdf_doc& d, const uint8_t* p, uint32_t n);
  // Text width (points) and height of one line in a slot.
  void Pdf_GetTextExtent_L(const std::string& text, const Lib_font& slot, int32_t* w, int32_t* h);
  // Reference width of a slot's font ("a", 1/1000 em).
  int32_t GetCurPageFontWidth(const Lib_font& slot);
  // The library font of a slot's face and style; error 12 for a face that
  // no font serves (unless bad mnemonics are ignored: then Helvetica).
  hpdf::Handle font_for(const Lib_font& slot);
  void Pdf_ChkFontVariable(Lib_font& slot);
  void HPDFSetFontAndSize(hpdf::Handle page, hpdf::Handle font, int32_t size);
  void Pdf_SetAltFont(Pdf_doc& d, const Lib_font* slot);

  // ---- graphics (lib_graphics.cpp) ----
  void SetPen();
  void SetBrush();
  // Drawings in points of the printable area, painted with the pen and fill.
  void PDF_Line(Pdf_doc& d, double x1, double y1, double x2, double y2);
  void PDF_Rectangle(Pdf_doc& d, double x1, double y1, double x2, double y2, double radius);
  void PDF_Ellipse(Pdf_doc& d, int32_t x, int32_t y, int32_t radius, int32_t ratio);
  void PDF_Pie(Pdf_doc& d, int32_t x, int32_t y, int32_t radius, int32_t ratio, int32_t start, int32_t end);
  void PDF_Arc(Pdf_doc& d, int32_t x, int32_t y, int32_t radius, int32_t ratio, int32_t start, int32_t end);
  void PDF_Polygon(Pdf_doc& d, const uint8_t* p, uint32_t n);
  void PDF_Picture(Pdf_doc& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2, const std::string& name,
                   int32_t mode);
  // A signed 16-bit big-endian coordinate (sixteenths of a column) in points.
  static int32_t Pdf_GetPointX(const Pdf_doc& d, const uint8_t* b);
  static double Pdf_GetPointReal(const Pdf_doc& d, int32_t v);
  void Pdf_GraphicText_LH(Pdf_doc& d, int32_t x, int32_t y, const std::string& text);

  // State, shared by the three modules.
  Lib_font_ctx fonts;               // document handle, encoding, EMBED flags, TrueType cache
  Lib_font print_font, gr_font;     // print font slot, graphics font slot
  Lib_font saved_print;             // the print font while an alternate font is active
  bool alt_active = false;
  int64_t alt_adjust = 0;           // accumulated adjustment, milli-points
  int64_t alt_per_col = 0;          // adjustment per column, milli-points
  int64_t alt_voffset = 0;          // vertical offset, milli-points
  int32_t saved_cols = 0;
  Lib_pen pen;
  Lib_fill fill;
  std::vector<uint32_t> attr_stack; // 'SA' / 'RA', at most five
  bool background_text = false;     // the text being flushed paints its background
  // Flowing text: the text, and where its unprinted rest begins.
  std::string flow;
  size_t flow_at = 0;
  bool flow_active = false;
  // Counters of the last text output.
  int64_t last_bytes_left = 0;
  int64_t last_points_used = 0;
  std::vector<std::unique_ptr<Lib_mark>> marks;
  std::vector<Lib_image> images;
  std::string encoding = "WinAnsiEncoding";
};

// Bad mnemonics are ignored on the current channel (errors of pictures and
// of long mnemonics are then dropped silently).
bool Pdf_bad_mnemonics_ignored();
// Reads a font string "face,size,flags,angle" into a slot without obtaining
// a font; only fields present are written.  A positive size is relative
// (x 1, in hundredths) to base_size, a negative one absolute in points.
void ParseFontStr(const uint8_t* p, size_t n, int32_t base_size, Lib_font& slot);
// Each byte of 0xRRGGBB as a fraction of 255.
void ExtractColors(uint32_t rgb, float* r, float* g, float* b);
