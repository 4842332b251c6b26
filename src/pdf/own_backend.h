// The own PDF writer as a back end of PDF channels: print mnemonics, text
// layout and fonts (own_text.cpp), graphics, pictures and bookmarks
// (own_graphics.cpp), over the document layer (own_document.h).
//
// Page coordinates: the channel keeps points from the top-left corner of
// the printable area; PDF's origin is the bottom-left corner of the page, so
// a point (x, y) is drawn at (left margin + x, page height - top margin - y).
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "pdf/own_document.h"
#include "pdf/pdf_channel.h"

struct Own_font_slot {
  int row = 0;          // Pdf_BuiltinFontList row
  int32_t size = 12;    // points
  uint32_t flags = 0;   // PFF_* (pdf_common.h)
  int32_t angle = 0;    // degrees 0..359
  uint32_t fg = 0, bg = 0xFFFFFF;
};

class Own_backend : public Pdf_backend {
 public:
  explicit Own_backend(Pdf_doc& d);
  ~Own_backend() override;

  void open(Pdf_doc& d) override;
  bool finish(Pdf_doc& d) override;
  void flush(Pdf_doc& d) override;
  int mnem(Pdf_doc& d, uint16_t code) override;
  void start_page(Pdf_doc& d) override;
  void graphics(Pdf_doc& d, uint8_t op, const uint8_t* p, uint32_t n) override;
  void pos(Pdf_doc& d, int32_t line, int32_t column) override;
  int64_t bytes_left(const Pdf_doc&) override { return flow_left_; }
  int64_t text_used(const Pdf_doc&) override { return last_used_ * 100; }
  int64_t tx_size(Pdf_doc& d, int mode, const std::string& text, int32_t width, const std::string& font) override;

  // ---- text engine (own_text.cpp) ----
  // Text in a box: x, y in printable-area points, width 0 no limit, height
  // 0 one line.  Sets the bytes left and points used of the last output.
  void text_out(Pdf_doc& d, int32_t x, int32_t y, int32_t width, int32_t height, const Own_font_slot& s,
                const uint8_t* text, size_t len);
  // Flowing text ("*TEX", "*MOR").
  void print_text(Pdf_doc& d, int32_t x, int32_t y, int32_t w, int32_t h, const uint8_t* text, size_t len,
                  const std::string& kind);
  void text_close();
  // The font long mnemonic (sets the graphics font).
  void set_font(Pdf_doc& d, const uint8_t* p, uint32_t n);
  // A font string applied to a slot (face, size, flags, angle).
  void apply_font_string(Own_font_slot& s, const uint8_t* p, size_t n, int32_t base_size);

  // ---- graphics (own_graphics.cpp) ----
  void start_graphics();
  void end_graphics();
  void line(Pdf_doc& d, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void fill_rect_pts(double x, double y, double w, double h, uint32_t rgb);  // PDF coordinates

  // Operators are appended to the current page.
  std::string& out() { return w_->content(); }
  void op(const char* fmt, ...) __attribute__((format(printf, 2, 3)));

  // pen and fill
  int pen_style_ = 1, pen_width_ = 1;
  uint32_t pen_colour_ = 0;
  int fill_style_ = 1;
  uint32_t fill_colour_ = 0xFFFFFF;

 private:
  friend struct Own_graphics;
  int resource(int row) { return w_->font_resource(row); }
  void end_page(Pdf_doc& d);
  void drop_alt(Pdf_doc& d);
  void set_alt(Pdf_doc& d, const Own_font_slot* s);
  void resize_alt(Pdf_doc& d, int n, int den);
  void adjust_alt(Pdf_doc& d, const uint8_t* def, size_t n);
  void graphic_text(Pdf_doc& d, int32_t x, int32_t y, const uint8_t* text, size_t len);
  int32_t seg(const uint8_t* t, size_t len, size_t& pos, int32_t width, const Own_font_slot& s, size_t& a,
              size_t& b, bool& amp_escape);
  void picture(Pdf_doc& d, const uint8_t* p, uint32_t n);
  void option(Pdf_doc& d, const uint8_t* p, uint32_t n, bool wide);
  void text_mnemonic(Pdf_doc& d, uint8_t op, const uint8_t* p, uint32_t n);
  void pie(Pdf_doc& d, int32_t cx, int32_t cy, int32_t r, int32_t ratio, int32_t a0, int32_t a1, bool arc);
  void ellipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry);

  std::unique_ptr<Pdf_writer> w_;
  Pdf_doc& d_;
  Own_font_slot pfont_, gfont_, saved_pfont_;
  bool alt_active_ = false;
  int64_t alt_adjust_ = 0;   // accumulated, milli-points
  int64_t alt_per_col_ = 0;  // milli-points
  int32_t alt_voff_ = 0;     // milli-points
  int32_t normal_char_w_ = 0;
  std::vector<uint32_t> attr_stack_;
  std::string flow_;
  int64_t flow_left_ = 0;
  int64_t last_left_ = 0, last_used_ = 0;
  bool abandoned_ = false;
  struct Image_name {
    std::string name;
    int number;
    int32_t w, h;
  };
  std::vector<Image_name> images_;
};
