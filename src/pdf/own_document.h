// The own PDF writer's document layer: a PDF 1.4 file written front to back
// to one descriptor while a program prints.
//
// File layout (every line ends CR LF unless said otherwise):
//   "%PDF-1.4", a comment line of four bytes >= 128 (binary content)
//   1 0 obj  the information dictionary (Producer, Author, CreationDate,
//            Creator, Keywords, Subject, Title; values escaped literals)
//   while pages are made, in order of appearance:
//     each page's content stream (Flate-compressed unless NOCOMPRESSION)
//     once per distinct picture, its image XObject (DCTDecode for JPEG,
//     FlateDecode with PNG predictors for PNG, an SMask for PNG alpha)
//   at finish: one Type1 font object per font used, the Pages tree (one
//   node), the Resources dictionary (every font and image; all pages share
//   it), the Page objects, the Outlines object and its items, the Catalog;
//   then "xref", one 20-byte entry per object, the trailer and startxref.
// Invariants: object numbers are given out in the order objects are
// written, so the xref offsets form a gap-free table from object 1; page i's
// object number is page_base + i; nothing but this class writes to the
// descriptor, and the offset it keeps is the file position.
//
// The layer takes its settings as a plain struct and never reads the
// workspace; a failed write is remembered (the rest is skipped) and raised
// by finish() as the host error.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct Pdf_writer_settings {
  bool compress = true;
  int32_t page_w = 612, page_h = 792;
  int32_t m_left = 18, m_top = 18;  // bookmark destinations
  std::string producer, author, creator, keywords, subject, title;
  std::string creation_date;  // "YYYYMMDDHHMMSS"
};

// A picture ready for the document: either a JPEG file's bytes as they
// stand (DCTDecode) or PNG samples (Flate data with predictors, or raw
// samples to be compressed), with an optional soft mask.
struct Pdf_picture {
  int32_t width = 0, height = 0;
  int components = 3;        // 1 gray, 3 RGB, 4 CMYK (JPEG)
  int bits = 8;              // bits per component
  bool jpeg = false;
  bool predictors = false;   // data is a zlib stream with PNG row filters
  std::string data;          // the stream's bytes
  std::string palette;       // indexed colour: RGB triples (components 1)
  bool has_mask = false;
  std::string mask;          // 8-bit alpha samples, zlib-compressed
};

struct Pdf_outline_node {
  std::string title;
  std::vector<std::unique_ptr<Pdf_outline_node>> children;
  int32_t page = 1;
  int32_t x = 0, y = 0;
  uint32_t colour = 0;  // 0xRRGGBB
  int style = 0;        // 1 italic, 2 bold
  bool ampersand = false;
  int32_t id = 0;
};

class Pdf_writer {
 public:
  Pdf_writer(int fd, const Pdf_writer_settings& s);
  ~Pdf_writer();
  Pdf_writer(const Pdf_writer&) = delete;
  Pdf_writer& operator=(const Pdf_writer&) = delete;

  // "%PDF-1.4" and the information object.
  void begin();

  void start_page();
  void end_page();
  bool page_open() const { return page_open_; }
  int32_t page_count() const { return int32_t(contents_.size()) + (page_open_ ? 1 : 0); }
  // The current page's content (operators are appended as text).
  std::string& content() { return page_; }

  // The resource index (n of "/Fn") of a standard font, added on first use.
  int font_resource(int builtin_row);
  // Writes a picture's image object(s) at once; returns its image number
  // (n of "/Imn").
  int add_picture(const Pdf_picture& p);

  // A bookmark: titles from the top level down; the node reached gets the
  // place (replacing an earlier one with the same path).
  void bookmark(const std::vector<std::string>& titles, int32_t page, int32_t x, int32_t y, uint32_t colour,
                int style, bool ampersand);

  // Writes everything that remains, the cross-reference table and the
  // trailer, and pushes the bytes out; raises the host error of a failed
  // write.
  void finish();

  // Literal-string body of a text: "(", ")" and "\" escaped, tabs as eight
  // blanks, bytes below 32 as blanks; with ampersand, "&" writes the next
  // byte literally (a lone trailing "&" is dropped).  True when an escape
  // other than "&&" was met.
  static bool encode_text(std::string& out, const uint8_t* p, size_t n, bool ampersand);
  // A document-information value as an escaped literal (octal escapes for
  // bytes below 32).
  static void encode_info(std::string& out, const std::string& v);

  // For tests: bytes written so far.
  int64_t offset() const { return offset_; }

 private:
  struct Font_use {
    int row;
    int resource;
    int32_t object = 0;
  };
  void put(const char* p, size_t n);
  void put(const std::string& s) { put(s.data(), s.size()); }
  void line(const std::string& s);
  int32_t start_object();  // "%d 0 obj" at the next number
  void end_object();       // "endobj"
  void push_out();
  void write_stream(const std::string& dict_head, const std::string& bytes, bool compress);
  void assign_ids(std::vector<std::unique_ptr<Pdf_outline_node>>& list, int32_t& next);
  void write_outline(std::vector<std::unique_ptr<Pdf_outline_node>>& list, int32_t parent);

  int fd_;
  Pdf_writer_settings s_;
  std::string out_;             // bytes not yet written to fd_
  int64_t offset_ = 0;          // file offset of the end of out_
  int write_errno_ = 0;
  std::vector<int64_t> offsets_;  // offsets_[k]: where object k + 1 begins
  std::vector<int32_t> contents_; // content-stream object of each finished page
  std::vector<Font_use> fonts_;
  std::vector<int32_t> images_;   // object of each image number - 1
  std::string page_;
  bool page_open_ = false;
  std::vector<std::unique_ptr<Pdf_outline_node>> outline_;
  int32_t page_base_ = 0;
};
