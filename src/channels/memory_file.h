// Memory files (kind 18): keyed files that live only in the process.  OPEN
// of a name beginning "*memory*" makes an empty one; CLOSE discards it.
// Keys are declared at OPEN with KEYDEF= in the name or in OPT= (parts
// separated by ";"); see memory_file.cpp for the layouts.
#pragma once
#include <cstdint>
#include <string>

#include "channels/channel.h"

struct Dyn_rec;
struct Dyn_key;

// The channel record of a memory file.
struct Dyn_fcb : Fcb {
  Dyn_rec* first;        // records in list order
  Dyn_rec* last;
  Dyn_rec* current;      // record of the last read, write or positioning (null: before the first)
  Dyn_rec* position;     // after a failed KEY= search: the record before the key looked for
  Dyn_rec* ind_rec;      // index cache: a record and its list index
  int32_t ind_idx;
  Dyn_key* keys;         // key table (null without KEYDEF=)
  Dyn_key* def_key;      // without a key table: the external key, unique
  int32_t step;          // positioning step of the last READ
  uint32_t dflags;       // DYN_* below
  int32_t key_area;      // bytes of every record's key area
  int32_t ext_len;       // length of the key held outside the record (0 none)
  int32_t rec_count;
  int32_t first_buf;     // size of the output buffer (SIZ=)
  uint8_t* pend;         // the start of a record longer than the buffer, moved
  int32_t pend_len;      // out by the flush slot (Get_blk; null none)
  uint8_t key_count;     // keys - 1
  uint8_t kno;           // key of the last statement
};
enum : uint32_t {
  DYN_NOT_FOUND = 1,  // the last KEY= search did not find its key
  DYN_EXTRACTED = 2,  // the current record was read by EXTRACT
};

extern const Fio_op Dyn_fotbl[FIO_SLOTS];

// RNO( of a memory file: the 1-based place of the current record in the
// current key's order (list order without keys); no current record is the
// missing-record exit.
int64_t Dyn_getrno();
// KEYDEF text of the channel's keys (an external key 0 as its length).
std::string Dyn_DescribeKeys(Fcb* f);
// The length in bytes of key key_no of the channel (the external key's
// length for an external key 0); -1 when the file has no such key (a file
// without key definitions has none).
int32_t Dyn_KeyLength(const Fcb* f, int32_t key_no);
// Error 13 when the statement's KNO= names a key the file does not have.
void Dyn_CheckKno(Fcb* f);
// The channel's keys as a Kdef_seg table (kdef.h), in a per-statement
// temporary string: (pointer, length) in the string accumulator.
void Dyn_GenKdef(Fcb* f);
// A search value of key key_no of the current channel built from segment
// values (one per segment, each cut or NUL-padded to its segment), in the
// form the key is stored in.  Used for KEY= given in parts.
std::string Dyn_CreateKey(int32_t key_no, const uint8_t* const* values, const int32_t* lens,
                          int32_t count);
// The key in the string accumulator adjusted to the stored form of the
// current channel's current key (folds, descending, binary numeric).
void DynAdjKey();
