// The current-I/O area: the channel and option values of the I/O directive
// being executed.  It is the first part of the workspace (Workspace derives
// from Io_state), so work that runs nested I/O on another channel saves it
// whole (`Io_state saved = ws;` through Io_save) and copies it back.
//
// Io_SetOptions resets the fields of the reset run (below) and the ones
// marked "reset" at the start of every I/O directive; the others carry over
// from statement to statement.
#pragma once
#include <cstdint>

struct Fcb;

// ws.Io_opts
enum : uint16_t {
  IO_QMARK = 0x1,         // '?' before the channel
  IO_IND = 0x2,           // IND= given
  IO_KEY = 0x4,           // KEY= given
  IO_ERR = 0x8,           // ERR= given
  IO_NOECHO = 0x10,       // OBTAIN
  IO_RNO = 0x20,          // RNO= on a keyed kind
  IO_END_JMP = 0x40,      // end of data comes back as a value (Io_end_err throws End_of_data)
  IO_EDITING = 0x80,      // INPUT while a field is edited
  IO_ALL_SEGS = 0x100,    // all segments (ERASE, REFILE)
  IO_INPUT_ONLY = 0x200,  // OPEN INPUT
  IO_EXCLUSIVE = 0x400,   // OPEN LOCK, or keep the record lock
  IO_PURGE = 0x800,       // OPEN PURGE
  IO_STEP = 0x1000,       // positioning step given
  IO_LOAD = 0x2000,       // the LOAD modifier of OPEN
  IO_DIR = 0x4000,        // direction option given
};

// Open modifiers (Io_state::Io_open_mods)
enum : uint16_t {
  OM_MINUS = 1,
  OM_TRUNCATE = 2,
  OM_APPEND = 4,
  OM_CREATE = 8,
  OM_SHARED_FD = 16,
};

constexpr int IOL_STACK_DEPTH = 10;
constexpr int IO_KEY_PARTS = 32;  // most parts of one KEY= value

struct Io_state {
  Fcb* Cur_fcb = nullptr;             // reset: console record
  int64_t (*Cur_drv)(int slot) = nullptr;  // reset: its dispatcher
  const uint8_t* Io_rec_prefix = nullptr;  // reset: the channel's REC= name
  const uint8_t* Iol_ret[IOL_STACK_DEPTH] = {};  // I/O-list walk: return positions
  int32_t Iol_sep[IOL_STACK_DEPTH] = {};         // and saved separators
  int32_t Io_dir = 0;                 // positioning step of READ
  int32_t Io_ind = -1;                // IND=/RNO= value (-1 none)
  uint16_t Cur_chan = 0;              // reset 0
  int32_t Cur_fd = -1;                // reset: console's
  int32_t Cur_ftype = 0;              // reset: console's
  int32_t Io_tbl_len = 0;             // TBL= length (not reset)

  // ---- The reset run.  Io_SetOptions resets these fields by copying the
  // run whole from a default-constructed Io_state, so each initializer is
  // the field's reset value (Io_sep and Io_rty then take parameters FS and
  // WT).  A field that must start every I/O statement afresh goes inside
  // the run, after Io_key_ptr (its first field) and before Io_stmt (its
  // last).
  const uint8_t* Io_key_ptr = nullptr;  // KEY= value
  const uint8_t* Io_tbl = nullptr;    // TBL= table
  const uint8_t* Io_iol_ptr = nullptr;  // IOL= of the statement
  const uint8_t* Io_opt_ptr = nullptr;  // OPT= text
  const uint8_t* Io_hlp_ptr = nullptr;  // HLP= text of INPUT
  int32_t Io_key_len = 0;
  int32_t Io_iol_len = 0;             // IOL= of the statement (-1, -2 IOL=* forms, -3 named format)
  int32_t Io_opt_len = 0;
  int32_t Io_hlp_len = 0;
  int32_t Io_tim = -1;                // TIM= in hundredths of a second
  int32_t Io_sep = 10;                // parameter FS, then the channel's
  int32_t Io_read_len = 0;            // the %-item value (1..512)
  int32_t Io_bin_rsz = 0;             // open as binary with this record size
  uint32_t Bsy_line = 0;              // busy branch (Get_line form; 0 none)
  uint32_t Dom_line = 0;              // DOM= line (Get_line form; 0 none)
  uint32_t End_line = 0;              // END= line (Get_line form; 0 none)
  int32_t Io_err_name = -1;           // line of an ERR= given by name
  int32_t Io_nbf = 0;                 // NBF=
  int Io_rty = 0;                     // parameter WT; retry limit of the statement
  int32_t Io_siz = 0;                 // SIZ=
  int32_t Iol_depth = -1;             // I/O-list nesting (-1: own IOL= not entered)
  int32_t Io_kno = -1;                // KNO=
  int32_t Io_step = 0;                // '?' and extended step option
  int32_t Io_key_cnt = 0;             // KEY= parts given (Io_key_part below)
  uint32_t Io_evt_line = 0;           // EVT= branch line (ACCEPT, I/O events)
  uint16_t Io_opts = 0;               // IO_* bits
  uint16_t Io_open_mods = 0;          // OM_* bits
  uint8_t Io_stmt = 0;                // directive code (second byte for extended ones)
  // ---- end of the reset run

  // KEY= given in parts ("A":B$): each part's text (numbers in normal form),
  // kept in the work area for the statement; kinds that build the key
  // themselves (memory files) read the parts.  Only Io_key_cnt is reset.
  const uint8_t* Io_key_part[IO_KEY_PARTS] = {};
  int32_t Io_key_part_len[IO_KEY_PARTS] = {};
  uint16_t Io_next_chan = 0;          // an internal channel a caller placed for the next statement (0 none)
};

// A save of the area that a nested run owes and has not taken yet (null:
// none; Nested_run_guard with NESTED_IO_OWED).  Work that may change the
// area takes it first: the dispatch of every directive the statement loop
// does not run itself, of every function and system variable but those that
// only compute a value (functions/function_table.cpp), the service of
// pending work and of errors, Io_save_guard, and the releases of a return
// and of an object.  So a run whose statements were only the loop's own (assignments
// of values, IF, GOTO, NEXT, RETURN) owes nothing at its end.
class Io_live_save;
extern Io_live_save* Io_owed;
void Io_take_owed();
[[gnu::always_inline]] inline void Io_touch() {
  if (Io_owed) [[unlikely]] Io_take_owed();
}
