// The workspace: all interpreter state of the process lives in the one global
// record `ws`.  There are no threads; signal handlers only set flags of their
// own and ws.Sig_pending, which the executor serves between statements.
//
// Each module keeps its fields in its own section below.
#pragma once
#include <csignal>
#include <cstddef>
#include <cstdint>

#include "core/decimal.h"
#include "core/io_state.h"
#include "core/memory.h"  // CACHE_LINE
#include "core/switches.h"

struct Str_blk;
struct Var_node;
struct Loc_frame;
struct Lex_data;
struct Call_frame;
struct Arg_rec;
struct Prog_obj;
struct Pgm_path;

constexpr size_t WORK_AREA_SIZE = 81920;
constexpr uint16_t LAST_LINE_NO = 65000;  // the line that ends every program
constexpr size_t FIND_TEXT_MAX = 128;      // longest console search text

// ws.Run_flags
enum : uint32_t {
  RF_ESCAPE = 0x1,
  RF_STEP = 0x2,
  RF_TRACE = 0x4,
  RF_STOP = 0x8,
  RF_BREAKPOINTS = 0x10,
  RF_CALL_DEPTH = 0x20,
  RF_COMMIT = 0x40,  // an update waits for the end-of-statement commit (Do_commit)
  RF_TEMPS = 0x100,
  RF_MEM_LIMIT = 0x200,
  RF_PERFORM_ON = 0x400,
  RF_CONSOLE_READ = 0x800,
  RF_INCDEC = 0x1000,
  RF_CLEAR_EACH = 0x2000,
  RF_TIMEOUT = 0x4000,  // the statement timer expired (not served: waiters poll it)
  RF_SCRATCH_CHAN = 0x8000,
  RF_IDE_LINK = 0x10000,
  RF_EVENT = 0x20000,  // an object event waits for the statement boundary
  RF_HELD_OUTPUT = 0x40000,  // a secure TCP channel holds back output (Held_output_hook)
  RF_CLIENT_DEBUG = 0x100000,  // breakpoints or watches of a thin client
  RF_CLIENT_LIVE = 0x200000,  // the console runs over a connection: count ZefVrl_Count down
  RF_PENDING_WAIT = 0x400000,  // ws.Pending_wait is served at the statement boundary
  RF_DEBUG_LINK = 0x80000000,
  RF_SERVE_MASK = 0x8077375F,  // any of these makes Exec_line stop and serve
};

// ws.Con_flags
enum : uint32_t {
  CON_MODE = 0x1000,        // reading console lines, not running a program
  CON_LEAVE_NESTED = 0x2000,
  CON_READBACK_CR = 0x8000,  // a read-back by READ RECORD ends with a CR (no statement sets it)
};

// ws.Pgm_flags
enum : uint32_t {
  PGM_ENCIPHERED = 0x0001,     // the program has a protection key: SAVE enciphers it (PGM_PROTECTED until PASSWORD gives the key)
  PGM_SHARES_VARS = 0x0002,    // a call frame: the callee took over these variables (PERFORM)
  PGM_FROM_CONSOLE = 0x0008,   // a call frame: the call was typed at the console or nested
  PGM_IN_CALL = 0x0020,        // a call frame: the caller itself ran as a called program
  PGM_STOP_REQUEST = 0x0080,   // a call frame: stop once control is back here
  PGM_HANDLER_RAN = 0x0100,    // the error-handler program already had the current error
  PGM_CHANGED = 0x1000,
  PGM_NO_BUSY_RETRY = 0x2000,  // also: the program is being loaded by a call
  PGM_PROTECTED = 0x4000,
  PGM_VARS_CLEARED = 0x8000,   // the program cleared its variables (CLEAR)
};
constexpr uint32_t PGM_LOADING = PGM_NO_BUSY_RETRY;

// ws.Pgm_flags2 (further bits in core/errors.h and core/memory.h)
enum : uint32_t {
  PGM2_NO_NUMBERS = 0x0001,    // the program's lines carry no numbers in its text form
  PGM2_ENTRY_SHARED = 0x0002,  // started at an entry point with the caller's variables
  PGM2_FILE_EVENT = 0x0080,    // a channel's I/O event program
  PGM2_NESTED_CALL = 0x0020,   // runs to completion inside a nested execution
  PGM2_ERR_HANDLER = 0x0200,   // the error-handler program
};

// ws.Cmd_flags
enum : uint32_t {
  CMD_NO_ESCAPE = 16,
  CMD_PROGRAM_NAMED = 32,
  CMD_AUTO = 0x100,
  CMD_JOURNAL_ALL = 0x400,  // every file this process opens is journaled
};

// ws.Start_flags
enum : uint32_t {
  SF_NESTED = 1,      // inside InternalExecLine
  SF_FIRST_PASS = 4,  // the console loop has not made its first pass yet
};

// ws.Num_flags
enum : uint32_t {
  NF_FLOATING = 1,
  NF_ROUND = 2,
  NF_NR = 4,
  NF_STARTUP_CMD = 8,
};

// Two-letter system parameters read by the core.  Issue-by-issue the full
// parameter table maps SET_PARAM onto these; until then they hold defaults.
struct Params {
  bool D0 = false;   // division by zero gives 0
  bool FP = false;   // division through floating point
  bool MP = false;   // MOD takes the sign of the divisor
  bool RS = false;   // PRINT rounds to PRECISION
  bool LZ = false;   // no leading zero before the point
  bool NN = false;   // no line references in unnumbered lines
  bool SF = false;   // single-letter names, blanks ignored
  bool MC = false;   // mixed-case variable names
  bool IZ = false;   // ignore the memory limit
  bool LE = false;   // list in edit layout
  bool XT = false;   // leave the console
  bool QT = false;   // quiet: no prompt
  bool TT = false;
  bool I0 = false;
  bool P47 = false;  // empty substring out of range inside IF
  bool TL = false;
  bool Plus5 = false;  // line numbers always 5 digits
  bool PlusT = false;  // "." ends a name
  bool PlusZ = false;
  bool OwnRandom = true;  // the interpreter's own random generator
  uint16_t RN = 1;   // arithmetic condition mask
};

// A program's protection key and description, beside its context (most
// programs have neither): the context owns the block; none reads as zeros.
struct Pgm_text {
  uint8_t key[8];  // protection key of an enciphered or protected program
  char desc[80];   // description (blank-padded)
};
inline constexpr Pgm_text NO_PGM_TEXT{};

// The program context: the part of the workspace that describes the running
// program (its lines or image and names, variable trees and table,
// localisations, control stack, error and escape lines, flags, precision,
// access masks, path, name and description, argument list and user
// functions).  A call copies it into a call frame (programs/
// call_frame.h), so it holds only trivially copyable fields.  Call_link
// comes first: the first word of a saved frame links to its caller's frame.
// A call moves it whole twice (the caller's saved, then put back) and a
// warm start once more from its first 64 bytes on (programs/warm_start.h):
// those hold the fields a call sets one by one or carries over from the
// caller.  It starts on a cache line wherever it lives (the workspace, call
// frames and warm starts from Get_blk_line), so that no piece of a move
// straddles two, and ends with its own padding up to a whole line
// (Ctx_pad), so that no member of a class built on it (the workspace's own)
// lies in the last line the moves write.
struct alignas(CACHE_LINE) Prog_context {
  // ---- set by a call, or carried over from the caller ----
  Call_frame* Call_link = nullptr;    // the caller's saved context (null: top level)
  Arg_rec* Arg_list = nullptr;        // the arguments this program was called with
  Prog_obj* Pgm_cache_ent = nullptr;  // loaded-program record of an image (one use held)
  Pgm_path* Cur_pgm = nullptr;        // where the program was loaded from or saved to
  Pgm_text* Pgm_text_blk = nullptr;   // key and description (owned Mem_blk; null: both zeros)
  int Precision = 2;
  uint32_t Num_flags = 0;
  int32_t With_ctx = 0;    // the current WITH value (a call carries it over)
  uint32_t With_depth = 0; // WITH values saved below it (core/exec_statements.cpp)
  uint32_t Var_mask_glob = 0xFFFFFFFF;
  uint32_t Ctx_room = 0;  // (unused: the warm start's copy begins on a 16-byte piece)
  // ---- the program's own ----
  uint32_t Pgm_attr = 0;              // attribute word of the loaded program
  uint16_t Var_mask_pgm = 0;          // the program's own access bits (header word 94)
  int16_t Call_status = 0;            // 0, or a nested run's error number, -1 or -2
  uint8_t* Stop_stmt = nullptr;       // statement start of the stop position
  Str_blk* Pgm_name = nullptr;        // the program's name as the program gave it (owned)
  void* Fnc_ctx = nullptr;            // the program's user functions (functions/user_functions.cpp)
  uint8_t* Pgm_image = nullptr;  // loaded program image (null: edit list)
  uint8_t* Label_tbl = nullptr;
  uint8_t* Cur_line_rec = nullptr;  // current record (image) or line text (edit list)
  Str_blk* Edit_list = nullptr;     // typed program: one block per line
  Str_blk* Cur_edit_blk = nullptr;  // current block of the edit list
  uint32_t Pgm_size = 0;
  uint32_t Pgm_flags = 0;
  uint32_t Pgm_flags2 = 0;
  uint32_t Names_id = 0;   // identity of the variable table: a loaded image's load serial,
                           // a typed program's from New_names_id (0: none yet)
  uint16_t* Name_index = nullptr;  // u16 offsets into Name_pool
  uint8_t* Name_pool = nullptr;
  Var_node** Var_index = nullptr;
  uint32_t Name_cnt = 0, Name_cap = 0;
  uint32_t Var_index_cnt = 0, Var_index_cap = 0;
  uint32_t Name_pool_size = 0, Name_pool_cap = 0;
  uint8_t* Lit_pool = nullptr;
  uint8_t* Stop_ptr = nullptr;
  uint32_t Var_mask = 0xFFFFFFFF;
  uint32_t Ctl_depth = 0;
  Var_node* Loc_num_tree = nullptr;  // program variables, by name
  Var_node* Loc_str_tree = nullptr;
  Loc_frame* Loc_chain = nullptr;  // newest localisation frame (LOCAL, subprogram entry)
  uint32_t Err_line = 0;       // ERR= target of the statement (Get_line form; 0 none)
  uint32_t Seterr_line = 0;    // SETERR target (Get_line form), 65001 retry, 65002 skip
  uint8_t* Retry_ptr = nullptr;
  uint32_t Esc_line = 0;       // SETESC target (Get_line form; 0 none)
  // The DATA pointer (core/data_pointer.h): the line of the next value for
  // READ DATA (0: the first line) and the value's offset in the line's code
  // (0: the line's start).  Each program has its own: a called program
  // starts at its first DATA and its caller's goes on after the return.
  uint32_t Data_line = 0;
  uint32_t Data_offset = 0;
  // The line numbers, together (no padding between wider fields: a call
  // copies the context three times).
  uint16_t Cur_line_no = 0;
  uint16_t Stop_stno = 0;
  uint16_t Last_entered = 0;  // last line entered at the console (EDIT default)
  uint16_t Retry_stno = 0;    // failed statement RETRY returns to (0: none)
  uint32_t Ctx_spare = 0;     // (unused: the fields end on a whole 16-byte piece)
  struct Ctl_frame* Ctl_stack = nullptr;  // newest frame
  struct Ctl_frame* Step_stack = nullptr;
  // The key and description, read (zeros when there are none).
  const Pgm_text& Pgm_texts() const { return Pgm_text_blk ? *Pgm_text_blk : NO_PGM_TEXT; }
  uint8_t Ctx_pad[80] = {};  // (see above; never moved, never read)
};
static_assert(offsetof(Prog_context, Ctx_pad) + sizeof(Prog_context::Ctx_pad) == sizeof(Prog_context) &&
                  sizeof(Prog_context) % CACHE_LINE == 0,
              "the context ends with its padding, on a whole cache line");
// The bytes a move of the context copies: all but its padding, a whole
// number of 16-byte pieces (a field added takes a piece more, or fits where
// one is narrower than it need be).
constexpr size_t PROG_CONTEXT_BYTES = offsetof(Prog_context, Ctx_pad);
static_assert(PROG_CONTEXT_BYTES % 16 == 0, "the context's fields fill whole 16-byte pieces");

struct Workspace : Io_state, Prog_context {
  // ---- program cursor and context ----
  uint8_t* Exec_ptr = nullptr;   // next code byte
  uint8_t* Stmt_ptr = nullptr;   // start of the current statement
  uint16_t Cur_stno = 0;         // line being executed; 0 = console line
  uint16_t Auto_line = LAST_LINE_NO;
  uint16_t Auto_step = 10;
  // Console find forms: the remembered search text and the last line found
  // (0: none; the next search starts after it).
  uint8_t Find_text[FIND_TEXT_MAX] = {};
  uint16_t Find_len = 0;
  uint16_t Find_stno = 0;
  // The executor's cache of the last GOTO target: the reference as Get_line
  // gave it (0: nothing cached), the line found and its line-number bytes.
  // Every change to the stored lines must clear Go_cache_ref.
  uint32_t Go_cache_ref = 0;
  uint16_t Go_cache_no = 0;
  uint8_t* Go_cache_line = nullptr;
  int32_t Go_cache_len = 0;
  uint8_t* Go_cache_rec = nullptr;
  Str_blk* Go_cache_blk = nullptr;
  uint32_t Go_cache_size = 0;  // ws.Pgm_size when cached: a size change drops the entry

  // ---- accumulators ----
  Num_val Num_acc;
  Num_val Num_acc2;
  uint8_t* Str_ptr = nullptr;
  int32_t Str_len = -1;  // -1: the last result is numeric
  Var_node* Cur_var = nullptr;
  void* Cur_val = nullptr;
  uint32_t Var_flags = 0;
  int32_t Sub_pos = 0, Sub_len = 0;
  // ---- variables and the evaluator ----
  Var_node* Glo_num_tree = nullptr;  // global ("%") variables
  Var_node* Glo_str_tree = nullptr;
  uint32_t Incdec_cnt = 0;           // pending ++/-- entries (run flag 0x1000)
  uint8_t Incdec_kind[32] = {};
  Num_val* Incdec_val[32] = {};
  int32_t Cur_elem = -1;             // element of ws.Cur_var last loaded (-1: the scalar)
  bool Iter_on = false;              // a whole-array assignment is running
  uint32_t Iter_index = 0;           // its running element index (Find_nxt)
  uint32_t Iter_count = 0;           // the number of elements it assigns

  // ---- arithmetic ----
  uint32_t Math_flags = 0;
  uint32_t Rand_seed = 1;
  int32_t Max_strlen = 32767 * 1024;

  // ---- work area and memory ----
  uint8_t* Work_base = nullptr;
  uint8_t* Work_ptr = nullptr;
  uint8_t* Work_mark = nullptr;
  uint8_t* Work_end = nullptr;
  int64_t Mem_used = 0;
  int64_t Mem_limit = int64_t(1) << 40;
  int Nomem_soft = 0;
  void* Tmp_blocks = nullptr;
  Str_blk* Tmp_strs = nullptr;
  uint32_t Tmp_arr_cnt = 0;
  uint32_t Tmp_arr_elems[5] = {};
  void* Tmp_arr_data[5] = {};
  uint32_t Utf8_mode = 0;
  uint64_t Tot_allocs = 0;  // allocation calls (statistics counter 25)

  // ---- pattern matching (functions/mask_match.cpp) ----
  uint8_t* Msk_cache = nullptr;  // compiled pattern of the last MSK( (a Mem_blk)
  int64_t Msk_len = 0;           // length of the last match (VMSL)

  // ---- run state ----
  uint32_t Run_flags = 0;  // the main line's requests; read between statements
  // Set by the signal handlers when a flag of theirs is set (the handlers'
  // one word in the workspace; core/signal_flags.h).  It follows Run_flags
  // at once: the statement loop reads the two as one word.
  volatile sig_atomic_t Sig_pending = 0;
  uint32_t Con_flags = 0;
  uint32_t Cmd_flags = 0;
  uint32_t Start_flags = 0;
  uint32_t Con_opts = 0;
  bool End_process = false;
  int Exit_status = 0;

  // ---- errors ----
  int Err_no = 0;
  int Err_code = 0;
  uint16_t Err_stno = 0;
  int Cpl_err = 0;  // -1: the console line captures its error here
  int Last_errno = 0;
  int Call_err = 0;  // error handed back from nested execution (-2: result being handed back)
  uint16_t Err_orig_stno = 0;  // line of the error before EXIT ERR passed it on
  uint32_t Err_flags = 0;      // 2 network text, 4 host (errno) text (reported under switch ES)
  uint8_t* Stmt_save = nullptr;  // statement whose options were not scanned for ERR= yet
  int Bsy_count = 0;           // busy retries made for the current statement
  void (*Err_hook)() = nullptr;  // exit hook of the operation in progress

  // ---- control stack and debugging (control_stack.cpp, flow.cpp) ----
  uint16_t Brk_count = 0;          // console breakpoints (0..10)
  uint16_t Brk_lines[10] = {};
  uint16_t Brk_hit_line = 0;
  uint8_t* Brk_hit_ptr = nullptr;
  int32_t Step_count = 0;          // single step: lines left; -1/-2 step over
  uint16_t Step_line = 0;

  // ---- compiler and lexicon ----
  Lex_data* Lex = nullptr;  // loaded keyword lexicon (null: none)
  const char* Lib_dir = nullptr;

  // ---- message file ----
  int Msg_fd = -1;  // open message file (-1: none)

  // ---- parameters ----
  Params Prm;
  // The switch words of the two-letter parameters (bits in core/switches.h).
  uint16_t Sys_flags1 = SYS_FLAGS_DEFAULT[1], Sys_flags2 = SYS_FLAGS_DEFAULT[2];
  uint16_t Sys_flags3 = SYS_FLAGS_DEFAULT[3], Sys_flags4 = SYS_FLAGS_DEFAULT[4];
  uint16_t Sys_flags5 = SYS_FLAGS_DEFAULT[5], Sys_flags6 = SYS_FLAGS_DEFAULT[6];
  uint16_t Sys_flags7 = SYS_FLAGS_DEFAULT[7], Sys_flags8 = SYS_FLAGS_DEFAULT[8];
  uint16_t Sys_flags9 = SYS_FLAGS_DEFAULT[9], Sys_flags10 = SYS_FLAGS_DEFAULT[10];
  uint16_t Sys_flags11 = SYS_FLAGS_DEFAULT[11], Sys_flags12 = SYS_FLAGS_DEFAULT[12];

  // ---- clock and host layer (dates.cpp, host*.cpp) ----
  int32_t Day_offset = 0;   // SETDAY: days added to today
  int32_t Time_offset = 0;  // SETTIME: milliseconds added to the time of day
  int32_t Lock_holder = 0;  // process id of the holder of a conflicting lock

  // ---- values set by DEF and read as system variables (functions/) ----
  int32_t Ctl_value = 0;        // CTL: -32000..32000
  // Hundredths of a second to wait at the next statement boundary (-1
  // none): the line-feed and form-feed delays of client channels.
  int32_t Pending_wait = -1;
  uint8_t Eom_chars[10] = {};   // EOM: the characters that ended the last input
  uint8_t Eom_len = 0;
  char Node_id[32] = {};        // NID once set (zero-filled; empty: ask the host)
  uint16_t Lfa_chan = 0;        // LFA: channel of the last file access
  uint16_t Lfo_chan = 65001;    // LFO: channel of the last OPEN (65001: none yet)
  uint8_t Lpg_text[512] = {};   // LPG
  uint16_t Lpg_len = 0;

  // ---- channels (src/channels/) ----
  // The current-I/O area is the Io_state base of the workspace.
  Fcb* Fcb_list = nullptr;      // open channels in ascending channel number; the console first
  Fcb* Con_fcb = nullptr;       // the console's record (channel 0)
  char Path_buf[1024] = {};     // resolved host path of the name being opened
  char Lfa_path[1024] = {};     // the name as the program gave it
  char File_name12[12] = {};    // blank-padded short name of the file being opened
  uint8_t File_hdr[256] = {};   // header of the file being opened
  void* Drv_save = nullptr;     // driver module state saved around a nested operation

  // ---- programs and calls (src/programs/) ----
  // The program context is the Prog_context base: a call saves it whole in
  // a call frame while the called program runs.
  // Loaded programs, most recently used first.
  Prog_obj* Prog_head = nullptr;
  Prog_obj* Prog_tail = nullptr;
  uint32_t Load_serial = 0;           // counts successful loads
  uint32_t Prog_loads = 0, Prog_hits = 0;  // statistics: loads from disk, list hits
  void* Setctl_list = nullptr;  // SETCTL entries, newest first (terminal/editor_keys.h)
  void* Preinput = nullptr;     // PREINPUT queue, oldest first (terminal/editor_keys.h)
  int32_t Pipe_pid = 0;         // process id of the child of the last pipe channel opened (TCB(84))
  struct Kdef* Create_kdef = nullptr;  // the definition a define slot creates from (File_create)
  // ---- thin client (src/terminal/tc_*.cpp) ----
  int32_t Tc_level = 0;         // client protocol level from the handshake (0: none)
  uint32_t Tc_caps = 0;         // 1 batching and compression, 2 long integers
  int32_t Tc_link = 0;          // 1 or 2: a Java client
  int32_t Tc_scale_x = 1, Tc_scale_y = 1;  // client cell scale from the handshake
  int32_t Tc_keepalive = 0;     // keep-alive in seconds (0: none)
  int32_t Tc_compat = 0;        // host value from handshake bytes 5-6 less 15-16
  int32_t ZefVrl_Count = 0;     // statements left to the next liveness check of the console's connection
};

extern Workspace ws;
