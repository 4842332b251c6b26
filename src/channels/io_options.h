// I/O options: the channel part of every I/O directive.
//
// Compiled form, right after the directive code:
//   [ '(' channel [ ',' item ]... ')' ]
// An item is an option word (codes 133..148, or 132 and a second byte)
// followed by its value, or, without a word, the read length of a device
// read (an integer expression).  A statement without '(' works on the
// console.  CLOSE lists several channels: for it a ',' followed by anything
// but an option word ends the options of one channel (the cursor is left on
// the next channel's expression).
#pragma once
#include <cstdint>

struct Fcb;

// Option codes of the compiled option list.
namespace iopt {
enum : uint8_t {
  EXT = 132,  // a second byte follows
  SIZ = 133,
  DOM = 134,
  END = 135,
  ERR = 136,
  IND = 137,
  RESERVED = 138,
  KEY = 139,
  NBF = 140,
  RTY = 141,
  SIZ2 = 142,
  TBL = 143,
  TIM = 144,
  REC = 145,
  OPT = 146,
  RNO = 147,
  KNO = 148,
};
// Second bytes after EXT.
enum : uint8_t {
  X_BIN = 133,
  X_DIR = 134,
  X_EVT = 135,
  X_HLP = 136,
  X_IOL = 137,
  X_SEP = 141,
  X_BSY = 144,
};
}  // namespace iopt

// KNO= values beside key numbers.
constexpr int32_t KNO_NONE = -1;
constexpr int32_t KNO_PHYSICAL = -2;

// CLOSE lists several channels: after Io_SetOptions(154) returned for one,
// Io_close_more tells whether another follows and Io_SetOptions_next reads
// it (the ERR= flag carries over).
bool Io_close_more();
// Io_SetOptions for the common case "(n)", "(n,END=line)", "(n,ERR=line)"
// or both, n a literal channel that is open and usable, the lines plain
// numbers: true when done; false, with nothing changed, for anything else
// (the caller then calls Io_SetOptions).
bool Io_SetOptions_plain(uint8_t dir_code);
// The same in two steps, for a caller that checks more before it commits:
// Io_plain_parse reads the channel part at the cursor and changes nothing
// (false for anything but the common case); Io_plain_apply then sets the
// current-I/O area as Io_SetOptions would and moves the cursor past ")".
struct Io_plain {
  Fcb* f;
  const uint8_t* after;  // the code after ")"
  uint32_t end_line, err_line;
  uint16_t chan;
  bool has_end, has_err;
};
bool Io_plain_parse(Io_plain& out);
void Io_plain_apply(const Io_plain& in, uint8_t dir_code);
void Io_SetOptions_next(uint8_t dir_code);

// Key number of the KNO= item at the cursor (just past the word).
int32_t GetKNOValue();
// Key number named by a text: "" key 0, "*" physical order, "#n", or a key
// name of the current channel.
int32_t GetKNOValueFromString(const uint8_t* s, int32_t len);
// Builds the KEY= value from the parts in the current-I/O area; the key is
// left in ws.Io_key_ptr / ws.Io_key_len.
void OptGenKey();

// Segment widths of key `key_no` of the current channel for KEY= given in
// parts; returns the number of segments (0: the kind has no segments).  Set
// by the keyed kinds (both keyed formats), which hand their segment table to
// Kseg_widths; while it is null, KEY= in parts on them is error 99.
extern int (*Key_segment_widths)(Fcb* f, int32_t key_no, int32_t* widths, int max);
// The widths of the segments of key key_no in a Kdef_seg table (kdef.h):
// at most max of them; returns the count (0: no such key).
int Kseg_widths(const uint8_t* segs, int32_t key_no, int32_t* widths, int max);
// Gives the per-statement fields of the current-I/O area the values every
// I/O statement starts from (the reset run of Io_state, retry limit WT,
// separator FS); the channel fields are left as they are.
void Io_reset_statement();
