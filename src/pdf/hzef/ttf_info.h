// Family name, PostScript name and style of a TrueType font file, read from
// the file's own tables without loading the font.  Every offset and length
// read from the file is checked against the file before it is used, so a
// damaged or hostile file gives an error code, never a read outside it.
// The tables libHaru trusts when it loads the font are checked too (counts
// against the tables that hold them), so a font that passes can be loaded.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace hzef {

// Results of Ttf_read_info (0 success).
enum Ttf_status : int {
  TTF_OK = 0,
  TTF_NO_FILE = 1,        // cannot be opened or read
  TTF_NOT_TRUETYPE = 2,   // no TrueType table directory (collections and CFF fonts included)
  TTF_BAD_DIRECTORY = 3,  // a table lies outside the file
  TTF_NO_NAME = 4,        // no 'name' table or no family name in it
  TTF_BAD_TABLES = 5,     // a table the PDF library reads holds counts or offsets beyond it
};

struct Ttf_info {
  std::string family;      // name id 1 (Windows Unicode preferred, else Macintosh Roman)
  std::string postscript;  // name id 6, else the full name (id 4), else the family
  bool bold = false;       // OS/2 fsSelection bit 5, else head macStyle bit 0
  bool italic = false;     // OS/2 fsSelection bit 0, else head macStyle bit 1
  bool fixed_pitch = false;  // post isFixedPitch
};

// Reads the information from the bytes of a whole font file.
int Ttf_parse(const uint8_t* data, size_t size, Ttf_info* out);
// Reads the directory and the few tables it needs from the file.
int Ttf_read_info(const char* path, Ttf_info* out);

}  // namespace hzef
