// Keyed files, second format (EFF, "[Oru" "ky2]", file kind 21): the on-disk
// layout.  Every multi-byte number is big-endian (get_u16be/put_u32be ...).
//
// Pages.  The file is a grid of pages of B bytes, B = (header byte 48 + 1)
// x 1024, 4 KB to 63 KB.  Physical page p is file bytes p*B .. p*B+B-1.
// Page 0 is the header page, always at offset 0.  Every other page is known
// by its logical number (1 .. 2^23-1), translated by the page map.
//
// Page header of every page but page 0
//   0    1  type: 0 free, 128 data, 251 dictionary items, 252 map,
//           253 key-descriptor items, 254 index node
//   1    4  logical page number
//
// Header page, fixed part
//   0    8  "[Oruky2]"
//   8    2  record length               10  4  reserved, 0
//   14   4  record limit (0 none)       18  2  external key length (0: key 0
//                                               built from the record)
//   20   4  item address of the first key descriptor
//   24   4  reserved, 0                 28  4  item address of the first
//                                               dictionary item
//   32   4  reserved, 0                 36  4  creation stamp (seconds,
//                                               strictly increasing per process)
//   40   4  reserved, 0                 44  4  expected records
//   48   1  block size in KB - 1
//   49   1  flags A: 0x04 null keys, 0x08 separator in byte 52, 0x10 no
//           separator, 0x80 journal
//   50   1  flags B: 0x01 run-length records, 0x02/0x10 carried creation
//           flags, 0x04 enciphered, 0x08 option "X", 0x40 zlib records
//   51   1  flags C: 0x08 large-file format (not used by this system)
//   52   1  separator                   53  1  longest key length + 4
//   54   1  number of keys K            55  2  number of key segments
//   57   1  format byte, 1
// Header page, variable part (always read and written as one run from
// 2048 - 4K, of 4K + 36 + G bytes)
//   2048-4K .. 2047   root page of key k at 2048 - 4(k+1) (0 empty index)
//   2048  8  update generation, raised by every update cycle
//   2056  8  record count              2064  8  insert counter (its low
//                                               word numbers the records)
//   2072  4  high-water physical page  2076  2  number of map groups G
//   2078  6  reserved
//   2084  G  flip byte of each map group: 0x80 second map copy current,
//            0x40 free entries, 0x20 changed in this cycle (memory only),
//            0x0F highest free-space class of its data pages
//
// Map (E = (B - 6) / 4 entries a page).  Group g covers logical pages
// g*E+1 .. g*E+E; its map is kept twice, at pages g*E+1 and g*E+2 (logical =
// physical, never translated).  Map page: type 252, own number, byte 5 = 0,
// entries from byte 6: type byte (0 free, 252 map, 128+c data page of
// free-space class c, 251/253/254), BE24 physical page (0: the logical
// number itself).  Free-space class c = free x 16 / (B - 6), 0 for a page
// of 254 slots.
//
// Item pages (253 key descriptors, 251 dictionary): byte 5 slot count n,
// 6-7 free bytes, 8.. n BE16 slot offsets from byte 6 (0 empty), items
// packed against the end.  Item address = page x 256 + slot.  Item: BE32
// next, BE32 previous, BE16 length (with these 10 bytes), data.
// Key descriptor data: key number, segment count s, 24-byte name, BE16 key
// flags (0x0001 unique), then s x 10: length, fill, BE32 flags (0x80
// descending, | the segment's flag word), BE16 field (0xFFFF external key),
// BE16 offset.
//
// Data page (type 128): byte 5 slot count (at most 254), 6-7 free bytes,
// 8.. BE16 slot offsets from byte 6, records packed against the end.  Record
// address = logical page x 256 + slot.  Stored record: key-length byte
// (bit 7 a continuation piece), W external-key bytes, BE16 data length
// (bit 15: a continuation address follows, option "X"), the data (or its
// compressed form: BE16 n, n bytes), BE32 record sequence, [BE32
// continuation address].
//
// Index node (type 254): byte 5 entry count (at most 255), entries from
// byte 6: BE32 pointer (> 0 child page, <= 0 negated record address), key
// value (length byte + the key's full length).  Alternate keys, and key 0
// when it admits duplicates, end in the BE32 record sequence.
#pragma once
#include <cstdint>

namespace eff {
// Header page offsets.
enum : int {
  H_RECLEN = 8, H_LIMIT = 14, H_EXTKEY = 18, H_KEYD = 20, H_DICT = 28, H_STAMP = 36,
  H_EXPECT = 44, H_BLKSZ = 48, H_FLAGS_A = 49, H_FLAGS_B = 50, H_FLAGS_C = 51, H_SEP = 52,
  H_KEYBUF = 53, H_NKEYS = 54, H_NSEGS = 55, H_FORMAT = 57, FIXED = 58,
  UPDATE = 2048,  // update area
  U_GEN = 0, U_COUNT = 8, U_INSERTS = 16, U_HIGH = 24, U_GROUPS = 28, U_SIZE = 36,
  FLIPS = 2084,
};
enum : uint8_t {
  FA_NULL_KEY = 0x04, FA_SEPARATOR = 0x08, FA_NO_SEPARATOR = 0x10, FA_JOURNAL = 0x80,
  FB_RLE = 0x01, FB_ENCIPHERED = 0x04, FB_PIECES = 0x08, FB_ZLIB = 0x40,
  FC_LARGE = 0x08,
};
enum : uint8_t {
  PT_FREE = 0, PT_DATA = 128, PT_DICT = 251, PT_MAP = 252, PT_KEYD = 253, PT_NODE = 254,
};
enum : uint8_t { FLIP_SECOND = 0x80, FLIP_FREE = 0x40, FLIP_CHANGED = 0x20, FLIP_CLASS = 0x0F };
constexpr int MIN_KB = 4, MAX_KB = 63;
constexpr int MAX_DATA_SLOTS = 254;
constexpr int KEYD_FIXED = 28;  // key-descriptor data before its segments
constexpr int KEYD_SEG = 10;
constexpr int ITEM_HDR = 10;
constexpr char MARK[] = "[Oruky2]";
// Flags of a key-descriptor segment (BE32): the segment's flag word
// (kf::SF_*), and bit 7 for a descending segment.
constexpr uint32_t SEG_DESCENDING = 0x80;
}  // namespace eff
