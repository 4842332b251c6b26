// Fonts of the PDF library back end: the fourteen standard fonts, the
// process-wide list of TrueType fonts found in the font directory, and font
// allocation for a document (standard font first, then a TrueType font of
// the list, loaded into the document once and cached, then "Helvetica").
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "pdf/lib_api.h"

// One TrueType font of the list.
struct FontProps {
  std::string family;     // family name as the font gives it (trimmed)
  std::string qualified;  // family + "-" + "Bold"/"Oblique" suffix; empty when no suffix
  std::string name;       // the font's own (PostScript) name (trimmed); kept, not used
  std::string path;       // file path
  bool bold = false;
  bool italic = false;
};

// The entry point that reads a font file's names and flags.
using Tt_info_fn = hpdf::STATUS (*)(const char* path, char* family, char* name, hpdf::UINT* flags);

// ---- the list (pure functions, testable without the library) ----
// "Bold" when bold and the family lacks "Bold", then "Oblique" when italic
// and the family has neither "Italic" nor "Oblique"; the family, "-" and the
// suffix, or "" when the suffix is empty.
std::string Tt_qualified_name(const std::string& family, bool bold, bool italic);
// Bit 0 bold, bit 1 italic.
inline int MakeBitMask(bool bold, bool italic) { return (bold ? 1 : 0) | (italic ? 2 : 0); }
// The entry for one file, or false when the library refuses it.
bool GetFontProp(Tt_info_fn info, const std::string& path, FontProps* out);
// True when the list holds an equal entry (family case-blind, style, and
// qualified names both empty or equal case-blind).
bool FontExist(const std::vector<FontProps>& list, const FontProps& e);
// Every ".ttf" file (extension case-blind) under dir, directories searched to
// a depth of four, names in byte order within a directory; equal entries
// after the first are dropped.  A missing directory gives an empty list.
std::vector<FontProps> ScanFontFiles(const std::string& dir, Tt_info_fn info);
// The best entry of a list for a face and style, or null: family or
// qualified name equal (case-blind) with the same style; else qualified name
// equal in any style; else a family containing the face with the same style;
// else a family containing the face in any style.
const FontProps* Tt_best_font(const std::vector<FontProps>& list, const std::string& face, bool bold, bool italic);

// ---- standard fonts ----
struct Builtin_font {
  const char* base;    // base-font name
  const char* family;  // family name
  int style;           // 1 bold, 2 italic or oblique, 4 proportional
};
extern const Builtin_font Lib_builtin_fonts[14];
// Row whose family equals the face (case-blind) with equal bold and italic
// bits; else the row whose base-font name equals the face; else -1.
int GetBuildInFontIndex(const std::string& face, int style);

// ---- the process-wide list ----
// Scans the font directory ([Config] PdfFontDir) once, when the library is
// loaded and the list is empty.  True when a list exists.
bool InitTTFontsList();
// Frees the list.
void DeleteTTFontsList();
// The list (empty before the scan).
const std::vector<FontProps>& Tt_fonts();
// Best entry of the process-wide list (null unless the library is ready).
const FontProps* GetFontProps(const std::string& face, bool bold, bool italic);
// Path of that entry, or "".
std::string GetFontFile(const std::string& face, bool bold, bool italic);

// ---- allocation in a document ----
constexpr int TT_CACHE_MAX = 50;
constexpr uint32_t LIBDOC_VIEW = 1, LIBDOC_NO_TRUETYPE = 2, LIBDOC_TRUETYPE_ONLY = 4;
struct Lib_font_ctx {
  hpdf::Handle doc = nullptr;
  const char* encoding = "WinAnsiEncoding";
  uint32_t flags = 0;  // LIBDOC_ bits
  int cache_count = 0;
  const FontProps* cache_entry[TT_CACHE_MAX] = {};
  hpdf::Handle cache_font[TT_CACHE_MAX] = {};
};
// A library font handle for a face and style (bit 0 bold, bit 1 italic);
// "Helvetica" when nothing else serves.  Library errors met on the way are
// cleared and never reach the program.  A face that neither a standard
// font, a TrueType font of the list nor a common face name ("Arial",
// "Times New Roman", "Courier New" ...; mapped to a standard family)
// serves prints in Helvetica.  EMBED=N leaves the TrueType fonts out of
// the font list only: a face of the list is still served.
hpdf::Handle Pdf_AllocateFont(const std::string& face, int style, Lib_font_ctx& ctx);
// The standard family a common face name stands for ("Arial" Helvetica),
// or "" when none.
std::string Lib_mapped_face(const std::string& face);
