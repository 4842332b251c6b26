// Keyed files, first format ("[Oru" "key]", file kind 2): the on-disk layout.
//
// Every multi-byte number is big-endian and goes through get_u16be/get_u32be
// and put_*; nothing is ever read by casting a struct onto the bytes.
//
// File regions
//   0..255     file header (below)
//   256..511   extended key-segment table: 64 more 4-byte segment entries
//   512..      blocks of the file's block size B; a block address is its file
//              offset (plus segment number x 256 in segmented files)
//
// File header
//   0   4  "[Oru"                      4   4  "key]" ("seg]" in segment files,
//                                               "lnk]" in link files)
//   8   2  record length (signed; 0 = keys only)
//   10  4  record limit (0 = none)     14  4  record count
//   18  2  key length of key 0         20  4  earlier root of key 0 (moved to
//                                               40..43 and zeroed on load)
//   24  4  fixed: deleted-slot chain head;   variable: data-block search hint
//   28  4  fixed: free-block chain head;     variable: free-block search hint
//   32  4  end of file (first byte after the last block or slot)
//   36  4  change counter, raised by every operation that changed an index
//          block or a header field; compared as four raw bytes
//   40  64 roots of keys 0..15 (0 = empty index)
//   104 128 key-segment table, 32 entries (continued at 256 when flags1 bit 1)
//   232 4  creation stamp (strictly increasing within a process)
//   236 4  expected records           240 1  block size / 1024 - 1
//   241 1  flags1                      242 1  free-space percentage
//   243 4  first dictionary block      247 1  field separator
//   248 1  segment files beyond the main file
//   249 4  auto-increment counter
//   253 1  byte 36 ^ byte 38           254 1  byte 37 ^ byte 39
//   255 1  flags2
//
// Key-segment entry (4 bytes): byte 0 low nibble key number, high nibble
// offset bits 8..11 (254 = flag entry, 255 = end of table); byte 1 field
// (0 whole record, 1..254 field n, 255 key held outside the record); byte 2
// offset bits 0..7; byte 3 bits 0..6 length, bit 7 descending.  A flag entry
// qualifies the segment before it: bytes 1 (low) and 2 (high) a flag word,
// byte 3 the fill character.  An entry 0 of length 0 stands for one segment:
// key 0, field 255, offset 0, the header's key length.
//
// Key value: a length byte, then the key's full length of bytes (key 0: the
// sum of its segment lengths, + 4 with duplicates; keys 1..15: + 4 always,
// the BE32 record address).  The value of all 255 bytes is the end sentinel.
//
// Blocks begin with a 6-byte header: type (254 index node, 128 data block,
// 252 space map, 251 dictionary, 0 free), BE32 own address (a block read
// from another address is error 107), byte 5 the entry or slot count.  Block
// addresses are multiples of 256, so byte 4 is free to carry the high byte
// of an index node's entry count (more than 255 entries only under >K).
//
// Index node: entries from byte 6, each BE32 pointer + key value.  Pointer
// > 0 is a child node; <= 0 a leaf entry with the record at -pointer.
//
// Fixed-length records: slots of record length + key length + 3 bytes (at
// least 5) on a grid starting at 512 + B: key-0 image, BE16 data length,
// data.  A deleted slot: 255, BE32 negated address of the next deleted slot.
//
// Variable-length records: address = data block | slot (1..255).  Data
// block: header (byte 5 slots), BE16 free bytes at 6..7, BE16 offset of slot
// s at 6 + 2s (from byte 6; 0 empty).  Bodies packed downward from the end:
// key-0 image, BE16 stored length (bit 15: an extension chain follows), the
// stored data, [BE32 first extension].  free = B - 8 - 2 x slots - bodies.
//
// Space map (variable-length files): groups of B - 6 blocks, the first block
// of each group its map; map byte i is block i's state: 0 free, 128 data
// block with room, 129 full data block, 254 index node, 251 dictionary, 252
// the map itself.
//
// Free blocks (fixed-length files): type 0 (254 under *K), own address,
// bytes 6..9 BE32 next free block; chain head at header 28.
//
// Segment files: segment of address a = ((a - 512) mod B) / 256, its host
// offset a - segment x 256; segment s is the main path + "." + 3 digits.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/codes.h"

namespace kf {
// File header offsets.
enum : int {
  H_RECLEN = 8, H_LIMIT = 10, H_COUNT = 14, H_KEYLEN = 18, H_OLDROOT = 20,
  H_FREE1 = 24, H_FREE2 = 28, H_EOF = 32, H_CHANGE = 36, H_ROOTS = 40,
  H_SEGS = 104, H_STAMP = 232, H_EXPECT = 236, H_BLKSZ = 240, H_FLAGS1 = 241,
  H_PCT = 242, H_DICT = 243, H_SEP = 247, H_NSEG = 248, H_AUTO = 249,
  H_CHK1 = 253, H_CHK2 = 254, H_FLAGS2 = 255,
};
enum : uint8_t {
  F1_VARIABLE = 1, F1_EXT_TABLE = 2, F1_NULL_KEY = 4, F1_SEPARATOR = 8,
  F1_NO_SEPARATOR = 16, F1_NO_NOTICE = 32, F1_CHECKED = 64, F1_JOURNAL = 128,
  F2_RLE = 1, F2_ENCIPHERED = 4, F2_EXTENDED = 8, F2_ZLIB = 64, F2_MERGE = 128,
};
enum : uint8_t {
  BT_FREE = 0, BT_DATA = 128, BT_FULL = 129, BT_DICT = 251, BT_MAP = 252, BT_NODE = 254,
};
// Segment flag word bits.
enum : uint16_t {
  SF_UNIQUE = 0x0001, SF_UPPER = 0x0002, SF_LOWER = 0x0004, SF_ACCENTS = 0x0008,
  SF_REVERSE = 0x0010, SF_DUPS = 0x0020, SF_NULL_SKIP = 0x0040, SF_NULL_COUNT = 0x0100,
  SF_AUTO_BIN = 0x0200, SF_NUL_END = 0x0400, SF_KIND = 0x3800, SF_AUTO_ZERO = 0x0800,
  SF_AUTO_BLANK = 0x1000, SF_SIGNED = 0x2000, SF_BINNUM = 0x3800,
};
constexpr int HDR_SIZE = 256;
constexpr int BLK_HDR = 6;
constexpr uint32_t FIRST_BLOCK = 512;
constexpr uint32_t FILE_LIMIT = 0x7FFF0001u;
constexpr int MAX_KEYS = 16;       // keys of a first-format file
constexpr int MAX_KEYS_ALL = 255;  // keys of any keyed file (EFF files have up to 255)
constexpr int MAX_DEPTH = 16;
constexpr int MAX_SEGMENT_FILES = 123;
constexpr int SEG_TABLE_BYTES = 384;  // 128 in the header + 256 at 512
}  // namespace kf

// The creation record of a keyed file (the fields of the shared file
// definition that the first format reads).
struct Key_create {
  int16_t file_type = 2;
  int32_t limit = 0;        // > 0 record limit, < 0 expected records
  uint16_t rec_len = 0;
  int16_t key_len = 0;
  uint8_t segs[kf::SEG_TABLE_BYTES];  // 4-byte entries, 255 ends
  uint8_t pct = 0;
  uint8_t flags1 = 0;
  uint8_t block_kb = 0;     // 0 = automatic
  uint8_t sep = 0;
  uint8_t flags2 = 0;
  Key_create();
};

// One segment as a program describes it; Key_segments writes the table.
struct Key_seg_desc {
  int key = 0;
  int field = 255;
  int offset = 0;
  int length = 0;
  bool descending = false;
  uint16_t flags = 0;  // flag word; any bit other than descending adds a flag entry
  uint8_t fill = 0;
};
// Fills def.segs and def.key_len (the sum of key 0's segment lengths);
// error 80 for a bad segment or a table beyond 384 bytes.
void Key_segments(Key_create& def, const std::vector<Key_seg_desc>& segs);

// Writes a new first-format file at path from def (the file must not exist
// or is replaced).  Errors 16, 3 and host errors; a half-made file is removed.
void Key_define(const std::string& path, const Key_create& def);
// The same on a new, empty file already open as fd (the caller removes it
// when this fails).
void Key_define_fd(int fd, const std::string& path, const Key_create& def);

// Per-key and per-segment tables decoded from a segment table.
struct Key_seg {
  uint8_t field = 255;
  uint16_t offset = 0;
  uint8_t len_byte = 0;  // bit 7 descending
  uint16_t flags = 0;
  uint8_t fill = 0;
  int len() const { return len_byte & 127; }
  bool desc() const { return (len_byte & 128) != 0; }
  // Numbered by the file: a binary counter, or digits filled with zeros or
  // blanks.
  bool auto_number() const {
    int kind = flags & kf::SF_KIND;
    return (flags & kf::SF_AUTO_BIN) || kind == kf::SF_AUTO_ZERO || kind == kf::SF_AUTO_BLANK;
  }
};
struct Key_def {
  int nseg = 0;
  int first = 0;
  int len = 0;  // full length (bytes after the length byte)
  bool unique = false;
  bool dups = false;  // key 0 admits duplicates
};
struct Key_layout {
  int nkeys = 0;
  Key_def keys[kf::MAX_KEYS_ALL];
  std::vector<Key_seg> segs;
  int auto_seg = -1;  // last auto-generated segment
  int max_len = 0;    // longest full key length
};
// Decodes table (384 bytes: header part then extended part; only the header
// part when ext is false); key0_len is header bytes 18..19.  Error 117 for a
// table that names keys out of order or gaps.
Key_layout Key_decode_segs(const uint8_t* table, bool ext, int key0_len);

// Big-endian signed access.
inline int32_t get_i32be(const uint8_t* p) { return int32_t(get_u32be(p)); }
