// Compiled program files: the one definition of the format, shared by the
// loader, SAVE and the program-file channel.
//
// File (all numbers big-endian):
//   0                 256 bytes   header
//   256               image size  program image
//   256 + image size  the rest    saved-version chain: blocks of a 256-byte
//                                 header of this layout and that version's
//                                 image, newest first
//
// Header:
//   0   4   file id "[Oru" (ORU__ID may replace the letters; "[Yod" and
//           "[Kiv" are read as "[Oru")
//   4   4   "prg]"
//   8   u16 image size; 0: the 32-bit form, sizes in the u32 fields at 96
//   10  u16 offset of the 7-byte literal pool (format 0 only; 0 none)
//   12  u16 offset of the name-offset table       (0 in the 32-bit form)
//   14  u16 offset of the name area = end of the line records (0 likewise)
//   16  u16 number of names
//   18  12  login name of the saver, blank-padded
//   70  u32 save time: local seconds since 1970
//   74  8   key block (zero unless the image is enciphered)
//   84  u8  format version: 1, or 0 for the older layout
//   89  u8  flags: bit 0 the image is enciphered
//   90  u16 random value drawn at every SAVE
//   92  u16 the program's state flags (the loader keeps bits 0 and 2)
//   94  u16 the program's variable access mask
//   96  u32 image size; 100 u32 name-offset table; 104 u32 name area;
//   108 u32 statement-offset table (0 none)
//   112 u8  parameter EL at the save
//   113 u32 label table offset (unaligned); 117 u16 its entries
//   141 u16 major version;  143 80 description;  223 u16 minor version
// Bytes 30..69, 119..140 and 225..255 belong to nobody and survive saves.
//
// Image, format 1, offsets counted from its first byte (file offset 256):
//   line records, ascending: u16 length L of what follows, u16 line number
//     (1..64999), the compiled code, 255; the last record is line 65000,
//     exactly FD E8 A6 FF after its length;
//   name area: per name a length byte n (0..254) and n bytes, or 255 and a
//     4-byte data-dictionary reference;
//   name-offset table: u16 per name, its entry's offset in the name area;
//   statement-offset table (32-bit form only): u32 per line that is
//     referenced or labelled, the offset of its record, in line order;
//   label table: u32 per defined label, the offset of its defining record.
// In the code a variable (codes 1, 2, 247, 250) is its code and a u16 name
// index with bit 15 set; code 252 + u16 is a resolved line reference, 253 +
// u16 a resolved label reference: the index of the target's entry in the
// statement-offset table when the image has one (the 32-bit form), else the
// target record's offset.
//
// Nothing read from a file is trusted: Check_image walks every record and
// every item before an image may run.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

constexpr size_t PRG_HDR_SIZE = 256;
constexpr uint8_t PRG_END_RECORD[4] = {0xFD, 0xE8, 0xA6, 0xFF};  // 65000, END, 255

// Header field offsets.
enum : size_t {
  PH_SIZE16 = 8,
  PH_LITPOOL = 10,
  PH_NAMETBL16 = 12,
  PH_NAMEAREA16 = 14,
  PH_NAMECNT = 16,
  PH_LOGIN = 18,
  PH_TIME = 70,
  PH_KEYBLOCK = 74,
  PH_VERSION = 84,
  PH_FLAGS = 89,
  PH_RANDOM = 90,
  PH_STATE = 92,
  PH_VARMASK = 94,
  PH_SIZE32 = 96,
  PH_NAMETBL32 = 100,
  PH_NAMEAREA32 = 104,
  PH_STMTTBL = 108,
  PH_EL = 112,
  PH_LABELTBL = 113,
  PH_LABELCNT = 117,
  PH_MAJOR = 141,
  PH_DESC = 143,
  PH_MINOR = 223,
};
constexpr size_t PRG_DESC_LEN = 80;

// A header as the loader reads it.
struct Prg_header {
  uint32_t image_size = 0;
  uint32_t lit_pool = 0;
  uint32_t name_tbl = 0;
  uint32_t name_area = 0;
  uint32_t stmt_tbl = 0;
  uint32_t name_cnt = 0;
  bool wide = false;  // the 32-bit form
  uint8_t version = 1;
  bool enciphered = false;
  uint32_t save_time = 0;
  uint8_t key_block[8] = {};
  uint16_t random = 0;
  uint16_t state_flags = 0;
  uint16_t var_mask = 0;
  uint8_t el = 0;
  uint16_t major = 0, minor = 0;
};

// True when the 8 bytes start a program header ("[Oru", "[Yod", "[Kiv" or
// the ORU__ID mark, then "prg]").
bool Prg_is_header(const uint8_t* h);
// Decodes the header; 0, or 2 when the image size is 0.
int Prg_decode(const uint8_t* h, Prg_header& out);
// The image size a header gives (16-bit field, else the 32-bit one).
uint32_t Prg_image_size(const uint8_t* h);

// What Check_image learnt about a valid image.
struct Image_info {
  uint32_t lines_end = 0;      // end of the line records
  uint32_t name_area_len = 0;  // bytes from the name area to its end
  uint32_t name_end = 0;       // end of the used name area (0: no names)
  uint32_t stmt_cnt = 0;       // entries a 252/253 index may use (32-bit form)
  uint32_t line_cnt = 0;       // line records before line 65000
};
// Validates an image (format 1, deciphered): the end record, every line
// record (lengths, ascending numbers, each item inside its record, the final
// 255), every name entry, and every reference (name indexes, 252 and 253
// targets that are record starts, 253 only to a record that defines a
// label).  0, or 17 for anything that does not fit.
int Check_image(const uint8_t* image, const Prg_header& h, Image_info& info);

// Rewrites a format-0 image into format 1: pooled literals expanded, the
// resolved line and label references made plain (code 7 with the line
// number, code 10 with the label), the end record made line 65000.  The
// header's sizes are updated; 0 or 17.
int Convert_version_0(std::vector<uint8_t>& image, Prg_header& h);

// The layout fields SAVE writes (8..17 and 96..118), byte 84 = version.
struct Image_layout {
  uint32_t size = 0, name_tbl = 0, name_area = 0, stmt_tbl = 0, name_cnt = 0;
  uint32_t label_tbl = 0, label_cnt = 0;
  bool wide = false;  // sizes only in the 32-bit fields (the 16-bit ones zero)
  bool has_labels = false;  // write 113..118 (Sve_compile only)
};
void Prg_put_layout(uint8_t* h, const Image_layout& l, uint8_t version);
// A fresh header: all zero but the file id and "prg]" (or "vdf]").
void Prg_fresh_header(uint8_t* h, bool program = true);
