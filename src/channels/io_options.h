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
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "channels/channel.h"
#include "core/block_copy.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/hooks.h"
#include "core/line_store.h"
#include "core/params.h"
#include "core/workspace.h"

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
[[gnu::always_inline]] inline bool Io_plain_parse(Io_plain& out);
[[gnu::always_inline]] inline void Io_plain_apply(const Io_plain& in, uint8_t dir_code);
// True when the channel belongs to an object other than the running one.
bool Io_owner_other(const Fcb* f);
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
// parts; returns the number of segments (0: the kind has no segments) and
// sets *padded when the file's keys keep each segment at its full width
// (zero bytes after a short value: files made with parameter NK); else a
// stored key holds the values one after another.  Set by the keyed kinds
// (both keyed formats); while it is null, KEY= in parts on them is error 99.
extern int (*Key_segment_widths)(Fcb* f, int32_t key_no, int32_t* widths, int max, bool* padded);
// The widths of the segments of key key_no in a Kdef_seg table (kdef.h):
// at most max of them; returns the count (0: no such key).
int Kseg_widths(const uint8_t* segs, int32_t key_no, int32_t* widths, int max);
// Gives the per-statement fields of the current-I/O area the values every
// I/O statement starts from (the reset run of Io_state, retry limit WT,
// separator FS); the channel fields are left as they are.
void Io_reset_statement();
// The table of the TABLE statement on the line ref names (labels ahead of
// the statement skipped): its operand evaluated into the string
// accumulator.  Error err_no when the line is missing or holds no TABLE;
// the cursor and the current line are kept.
void Eval_table_line(uint32_t ref, int err_no);
// The cursor at the next item of a list of options in parentheses (the
// channel's, a field format's): true past its ",", false past the closing
// ")"; anything else is error 2 (the cursor on it).
inline bool Next_option_item() {
  uint8_t c = *ws.Exec_ptr;
  if (c != code::COMMA && c != code::RPAREN) Rpt_error(err::SYNTAX);
  ws.Exec_ptr++;
  return c == code::COMMA;
}
// The operands of RNO= and KNO= at the cursor, for a statement's options
// and a key or record function's: RNO=n is record n itself for the kinds
// that address records by number (kept as given), else index n-1; KNO=
// names the key to use.
void Io_rno_option();
void Io_kno_option();
// The operand of SEP= (an option, or an item of a list) at the cursor: the
// separator is the string's first byte; an empty string or "/" is none.
void Io_sep_operand();

// The channel part "(n)" with at most one END= and one ERR= naming plain
// line numbers, n a small literal: what channel_part reads for it, without
// the option walk.  Inline: READ's fast path runs it on every line.
[[gnu::always_inline]] inline bool Io_plain_parse(Io_plain& out) {
  const uint8_t* p = ws.Exec_ptr;
  if (ws.Io_next_chan != 0 || p[0] != code::LPAREN || p[1] != code::SMALL_INT) return false;
  const uint8_t* q = p + 4;
  out.end_line = 0;
  out.err_line = 0;
  out.has_end = out.has_err = false;
  while (q[0] == code::COMMA) {
    // A line number, or in a saved program a label by index: what Get_line
    // returns for either.
    uint32_t line = get_u16be(q + 3);
    if (q[2] == code::LABEL_IDX || q[2] == code::LABEL_IDX2) line |= LINE_LABEL_BIT;
    else if (q[2] != code::LINE_REF) return false;
    if (q[1] == iopt::END && !out.has_end) {
      out.has_end = true;
      out.end_line = line;
    } else if (q[1] == iopt::ERR && !out.has_err) {
      out.has_err = true;
      out.err_line = line;
    } else {
      return false;
    }
    q += 5;
  }
  if (q[0] != code::RPAREN) return false;
  uint16_t chan = get_u16be(p + 2);
  if (chan > 65000) return false;
  Fcb* f = Find_fp_cache;
  if (!f || f->channel != chan || f->kind == FK_CONSOLE_ALIAS) f = Find_fp(chan);
  // Errors (a channel not open, busy or another object's) are the general
  // path's to raise, with its ERR= handling.
  // (A console alias comes back as itself, not as the console, when the
  // statement before was a CLOSE: the general path's to take.)
  if (!f || f->kind == FK_CONSOLE_ALIAS || (f->owner && Io_owner_other(f)) || ((f->st3 & ST3_BUSY) && f != ws.Con_fcb))
    return false;
  if (Cmd_window_enabled()) return false;  // the general path closes the command window
  out.f = f;
  out.chan = chan;
  out.after = q + 1;
  return true;
}

// The fields that live for one statement: the reset run of Io_state copied
// from a default-constructed one (its initializers are the reset values).
inline const Io_state Io_defaults{};
constexpr size_t IO_RUN_BEGIN = offsetof(Io_state, Io_key_ptr);
constexpr size_t IO_RUN_END = offsetof(Io_state, Io_stmt) + sizeof(Io_state::Io_stmt);
#define IN_RUN(f) (offsetof(Io_state, f) >= IO_RUN_BEGIN && offsetof(Io_state, f) < IO_RUN_END)
static_assert(IN_RUN(Io_tbl) && IN_RUN(Io_iol_ptr) && IN_RUN(Io_opt_ptr) && IN_RUN(Io_hlp_ptr) &&
                  IN_RUN(Io_key_len) && IN_RUN(Io_iol_len) && IN_RUN(Io_opt_len) && IN_RUN(Io_hlp_len) &&
                  IN_RUN(Io_tim) && IN_RUN(Io_sep) && IN_RUN(Io_read_len) && IN_RUN(Io_bin_rsz) &&
                  IN_RUN(Bsy_line) && IN_RUN(Dom_line) && IN_RUN(End_line) && IN_RUN(Io_err_name) &&
                  IN_RUN(Io_nbf) && IN_RUN(Io_rty) && IN_RUN(Io_siz) && IN_RUN(Iol_depth) && IN_RUN(Io_kno) &&
                  IN_RUN(Io_step) && IN_RUN(Io_key_cnt) && IN_RUN(Io_evt_line) && IN_RUN(Io_opts) &&
                  IN_RUN(Io_open_mods),
              "a per-statement field of Io_state lies outside its reset run");
#undef IN_RUN

// (In 32-byte pieces: the compiler's own copy of the run is at times a
// string instruction, whose start-up costs more than the copy.)
[[gnu::always_inline]] inline void Io_reset_run() {
  Block_copy<IO_RUN_END - IO_RUN_BEGIN>(reinterpret_cast<char*>(static_cast<Io_state*>(&ws)) + IO_RUN_BEGIN,
                                        reinterpret_cast<const char*>(&Io_defaults) + IO_RUN_BEGIN);
}

inline bool Io_close_pending = false;  // CLOSE: another channel follows in the list

// Inline: READ's fast path runs it on every line.
[[gnu::always_inline]] inline void Io_plain_apply(const Io_plain& in, uint8_t dir_code) {
  Io_reset_run();
  ws.Io_stmt = dir_code;
  ws.Io_rty = prmblk.WT;
  ws.Io_next_chan = 0;
  Io_close_pending = false;
  ws.Lfa_chan = in.chan;
  Select_channel(in.f);
  ws.Io_sep = in.f->separator;
  ws.Io_rec_prefix = in.f->rec_prefix;
  // The items in the order option_item takes them (END= and ERR= set
  // fields of their own, so the order of the two does not matter).
  if (in.has_end) {
    ws.End_line = in.end_line;
  }
  if (in.has_err) {
    ws.Err_line = in.err_line;
    ws.Stmt_save = nullptr;
    ws.Io_opts |= IO_ERR;
  }
  ws.Exec_ptr = const_cast<uint8_t*>(in.after);
}
