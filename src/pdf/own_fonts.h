// The 14 standard Type 1 fonts of PDF with their advance widths, the face
// names mapped onto them and the font list of the own writer.
#pragma once
#include <cstdint>
#include <string>

// Style bits of a standard font
enum : int { PSTYLE_BOLD = 1, PSTYLE_ITALIC = 2, PSTYLE_PROPORTIONAL = 4 };

struct Pdf_std_font {
  const char* name;    // base-font name
  const char* family;
  int style;
  // Advance widths in 1/1000 em by character code (WinAnsiEncoding; Symbol
  // and ZapfDingbats their own encodings); entry 0 is the space's width,
  // entries 1..31 are 0.
  const uint16_t* widths;  // 256 entries
};

constexpr int PDF_STD_FONTS = 14;
extern const Pdf_std_font Pdf_BuiltinFontList[PDF_STD_FONTS];

// The family a requested face maps to ("Arial" is Helvetica ...), or the
// face as given.
std::string Pdf_map_face(const std::string& face);
// The row of the standard font for a face and style (bold and italic bits):
// the family with equal bold and italic, else a base-font name equal to the
// face, else Courier (row 0).
int Pdf_find_font(const std::string& face, int style);
// Width of a text in 1/1000 em (ampersand: "&" takes the next byte and is
// not measured itself).
int64_t Pdf_text_units(int row, const uint8_t* p, size_t n, bool ampersand);
