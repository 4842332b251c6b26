// Channel records, the channel list and driver dispatch.
//
// Every open channel is one Fcb, kept in ws.Fcb_list in ascending channel
// number with the console's record (channel 0) first.  Every file or device
// kind is a driver: a table of 20 operations reached through the kind's
// dispatcher in Fio_tbl[kind + 1].  Operations take no arguments: they work
// on ws.Cur_fcb and the option values of the current-I/O area (Io_state).
//
// An Fcb lives in one Get_blk block: the common part below, then the kind's
// own fields.  A kind declares `struct Seq_fcb : Fcb { ... }` and its open
// operation allocates it with Fcb_alloc<Seq_fcb>().  All fields are plain
// values, so a zero-filled block is a valid empty record.
#pragma once
#include <cstddef>
#include <cstdint>
#include <new>
#include <string>

#include "core/errors.h"
#include "core/memory.h"
#include "core/nested_run.h"  // Io_save_guard
#include "core/workspace.h"

// File-kind codes
enum : int32_t {
  FK_CONSOLE_ALIAS = -1,
  FK_DEVICE = 0,
  FK_SERIAL = 1,
  FK_KEYED = 2,
  FK_INDEXED = 3,
  FK_PROGRAM = 4,
  FK_BINARY = 5,
  FK_DIRECTORY = 6,
  FK_AUX_PRINTER = 7,
  FK_PIPE = 8,
  FK_CISAM = 9,
  FK_THIN_CLIENT = 13,
  FK_BBX_KEYED = 14,
  FK_BBX_KEYED2 = 15,
  FK_TCP = 16,
  FK_VARDATA = 17,
  FK_MEMORY = 18,
  FK_EFF = 21,
  FK_LIB_MEMBER = 22,
  FK_PDF = 23,
  FK_MYSQL = 25,
  FK_LAST = 26,
};

// The kinds whose records are reached by key: the keyed files (own, EFF,
// C-ISAM, BBx), memory files and SQL tables.
inline bool Keyed_channel_kind(int32_t k) {
  return k == FK_KEYED || k == FK_EFF || k == FK_MEMORY || k == FK_CISAM || k == FK_MYSQL || k == FK_BBX_KEYED ||
         k == FK_BBX_KEYED2;
}

// Driver slots
enum : int {
  FIO_DEFINE = 0,
  FIO_OPEN = 1,
  FIO_CLOSE = 2,
  FIO_WRITE = 3,
  FIO_READ = 4,
  FIO_REMOVE = 5,
  FIO_SETIND = 6,
  FIO_GETIND = 7,
  FIO_SETKEY = 8,
  FIO_GETKEC = 9,
  FIO_GETKEY = 10,
  FIO_GETKEP = 11,
  FIO_FLUSH = 12,
  FIO_WR_MODE = 13,
  FIO_PURGE = 14,
  FIO_GETKEF = 15,
  FIO_GETKEL = 16,
  FIO_GETKEN = 17,
  FIO_SAVE = 18,
  FIO_RESTORE = 19,
  FIO_SLOTS = 20,
};

// Status word 1
enum : uint16_t {
  ST1_READ = 1,
  ST1_WRITTEN = 2,
  ST1_WRITE_ONLY = 4,
  ST1_HDR_CHANGED = 32,
  ST1_LOCKED = 64,
  ST1_INPUT_ONLY = 128,
  ST1_UNCOMMITTED = 0x100,
  ST1_TERM_SCREEN = 0x200,  // the terminal layer (DEFTTY) made the channel a screen
};
// Status word 2
enum : uint16_t {
  ST2_SP_ON = 2,
  ST2_SERIAL_NOT_FIFO = 8,
  ST2_BOF = 0x40,
  ST2_VIA_LINK = 0x100,
  ST2_THIN_CLIENT = 0x400,
  ST2_LOAD = 0x1000,
  ST2_FIFO = 0x4000,
};
// Status word 3
enum : uint16_t {
  ST3_LAST_NUMERIC = 2,
  ST3_TYPED_OUT = 0x40,
  ST3_WRAPPED = 0x80,     // PRINT: the last byte wrapped the line at the width
  ST3_TYPED_OUT2 = 0x100,
  ST3_CLOSE_MNEM_RUN = 0x400,
  ST3_PURGED = 0x1000,
  ST3_BUSY = 0x2000,
  ST3_FLUSH_EACH = 0x4000,
};
// Status word 4
enum : uint16_t {
  ST4_OBJECT = 1,
  ST4_DUP_CHECKED = 16,
  ST4_HAS_DUP = 32,
  ST4_KEY_DESC = 0x40,
  ST4_EXCLUSIVE = 0x80,
  ST4_MINUS = 0x100,
  ST4_DUP_OPENED = 0x200,  // opened as the duplicate of another channel; closes with it
};
// Fcb::term_flags bits the channel layer tests (the terminal layer defines
// the others)
enum : uint16_t {
  TF_PASS = 8,  // 'BM' pass-through mode
};
// Event mask bits beyond the per-event ones
constexpr uint32_t EVM_CLOSE_RUN = 0x20000000;
constexpr uint32_t EVM_RUNNING = 0x80000000;

struct SavedPath {
  uint16_t refs;
  char* path;  // resolved host path
  char* name;  // the name the program gave (== path when equal)
};

// Fcb::event_flags: DataAvailable events on (ENABLE EVENT DATA), and the
// mark that the event was raised: it is not raised again until the
// channel is read (the driver's read clears the mark) or enabled again.
enum : uint16_t { CHEV_DATA = 2, CHEV_DATA_RAISED = 4 };

struct Fcb {
  Fcb* next;            // channel list
  Fcb* od_next;         // list of files opened on demand
  uint16_t channel;
  int32_t fd;           // host descriptor; -1 none
  int32_t kind;         // file-kind code
  int32_t buf_size;     // capacity of the output buffer
  int32_t rec_size;     // record length of fixed-record kinds
  int32_t buf_count;    // bytes in the output buffer
  int32_t high_water;   // highest buffer position used
  SavedPath* path;
  char* event_pgm;      // embedded I/O program name (null none)
  uint32_t event_mask;
  int32_t use_stamp;    // files opened on demand
  char short_name[12];  // blank-padded
  char driver_id[12];   // from a link header, blank-padded
  int32_t rec_index;    // indexed and binary: current record number
  int64_t byte_pos;     // indexed and binary: current byte position
  int64_t lock_off;     // record lock held
  int32_t lock_len;     // 0 none
  int32_t journal_id;
  int32_t owner;        // owning object slot (0 none)
  int32_t separator;
  uint8_t* out_buf;     // record or text being built (buf_count bytes)
  void* iol;            // the channel's IOL= list and the two stored lists
  uint8_t* rec_prefix;  // REC= name: length byte, text
  uint8_t* out_xlate;   // 256-byte output translation table (null none)
  void* rec_formats;    // named record formats
  uint8_t* tpl_name;    // record template: the named format its list came from (length byte, text)
  uint8_t* opt_text;    // OPT= of OPEN: u16 big-endian length, bytes
  void* mnemonics;      // mnemonic definitions
  void* key_names;      // key names of keyed kinds
  uint32_t mode_flags;  // 0x10 graphics mode
  uint16_t st1, st2, st3;
  uint16_t ulog_status;
  uint16_t st4;
  uint16_t event_flags;  // CHEV_ bits: object events of the channel
  uint16_t out_flags;   // 8 transparent output
  int32_t column, line; // PRINT output position
  uint8_t high_key;     // keyed kinds
  uint8_t cur_key;      // key used when no KNO= is given
  uint16_t out_state;   // PRINT character machine
  uint8_t utf8_cont;    // continuation bytes still to pass
  void (*out_hook)(uint8_t);  // takes every printed byte (null none)
  int32_t dup_to, dup_from;   // duplicate-write links; -1 none
  uint16_t inherited;   // low three bits copied from the console record
  int64_t file_len;     // file length where the kind keeps it
  int32_t rec_start;    // fill the buffer returns to after write mode and flush
  // A record longer than the buffer goes out through the flush slot as it is
  // built: `flushed` counts the bytes the slot has taken out of the buffer
  // so far, and `unflush` (null: the kind cannot) takes back what it took
  // since an earlier count, so that the buffer holds again the `count`
  // bytes it held then and the record index is `index` again (false, with
  // nothing changed, when it cannot); a count below 0 only forgets what it
  // took (the record is dropped).
  int64_t flushed;
  bool (*unflush)(Fcb* f, int64_t flushed, int32_t count, int32_t index);
  // Terminals, printers and mnemonics (src/terminal/):
  uint32_t attr;        // attribute word (bits in terminal/terminal.h)
  uint16_t in_status;   // input status word set by mnemonics
  uint16_t term_flags;  // form-feed, pass-through and printer bits
  int32_t cols, lines;  // screen or page size (0: none)
  char term_id[12];     // terminal id, blank-padded
  void* gd_def;         // the 'GD' definition (a MnemDef)
  void* o_def;          // the '*O' definition (a MnemDef)
  void* attr_stack;     // 'SA' / 'RA' stack (5 entries)
  int32_t width;        // output line width (screen or page columns): PRINT
                        // wraps a line that reaches it; 0 no limit
};

// Where a statement found a channel's output buffer, so that a statement
// that fails takes back only its own bytes of the record being built: the
// text earlier statements left there (PRINT "abc", without a line end) is
// theirs and stays.  When the statement ended a record or wrote the buffer
// out since, what remains after the record start is its own alone.
// Bytes the statement sent out through the flush slot (a record longer
// than the buffer) come back where the kind can take them back (a serial
// file, a keyed file's saved pieces); elsewhere the record goes back to its
// start, and nothing of it is written later.
struct Out_mark {
  explicit Out_mark(const Fcb* f)
      : count(f ? f->buf_count : 0), start(f ? f->rec_start : 0), index(f ? f->rec_index : 0),
        pos(f ? f->byte_pos : 0), flushed(f ? f->flushed : 0) {}
  void take_back(Fcb* f) const {
    // (A record write that failed inside the statement cut the buffer to
    // the record start; the bytes before the mark are still there.)
    // (A binary file's flush moves its record index with the position.)
    bool untouched = f->rec_start == start && count >= start;
    if (f->flushed != flushed)
      untouched = f->unflush && f->unflush(f, flushed, untouched ? count : -1, index) && untouched;
    untouched = untouched && f->rec_index == index && f->byte_pos == pos;
    f->buf_count = untouched ? count : f->rec_start;
    f->high_water = 0;
  }
  int32_t count, start, index;
  int64_t pos, flushed;
};

// Whether a channel is a terminal screen (PRINT hands its text to the
// terminal layer).
inline bool Is_screen(const Fcb* f) { return f && (f->st1 & ST1_TERM_SCREEN); }

// Allocates a zero-filled record of a kind's type (T derives from Fcb) with
// the common defaults set; the caller fills the rest and stores it in
// ws.Cur_fcb.  Freed by Cls_file.
template <class T>
T* Fcb_alloc() {
  void* b = Get_blk(sizeof(T));
  T* f = new (b) T();
  f->fd = -1;
  f->dup_to = f->dup_from = -1;
  return f;
}

using Fio_dispatch = int64_t (*)(int slot);
using Fio_op = int64_t (*)();

// Fio_tbl[kind + 1]: the dispatcher of every kind code -1..26.
extern Fio_dispatch Fio_tbl[FK_LAST + 2];
// A kind's driver registers its 20-slot table (once, by the wiring in
// src/app, for every built kind; Channels_init gives the others Bad_io).
void Fio_register(int32_t kind, const Fio_op* table);
// Calls slot of the current channel's driver.
inline int64_t Fio_call(int slot) { return ws.Cur_drv(slot); }
// Makes f the current channel: the five fields of the current-I/O area that
// name it (record, number, descriptor, kind and its dispatcher) always
// change together.  The options of the area are the caller's to set.
[[gnu::always_inline]] inline void Select_channel(Fcb* f) {
  ws.Cur_fcb = f;
  ws.Cur_chan = f->channel;
  ws.Cur_fd = f->fd;
  ws.Cur_ftype = f->kind;
  ws.Cur_drv = Fio_tbl[f->kind + 1];
}
// The console's record made current (channel 0).  Before start-up has made
// the record the current record is null, which output takes for the
// console stream.
inline void Select_console() {
  if (ws.Con_fcb) {
    Select_channel(ws.Con_fcb);
  } else {
    ws.Cur_fcb = nullptr;
    ws.Cur_chan = 0;
  }
}
int64_t Bad_io(int slot);  // reserved or unbuilt kinds: error 99
// Whether a kind's slot holds an operation (not Io_mode_err, not unbuilt).
bool Fio_supports(int32_t kind, int slot);
// Whether a kind's slot is op (its driver registered op there).
bool Fio_slot_is(int32_t kind, int slot, Fio_op op);

// Fillers of slots a kind does not support.
int64_t Io_mode_err();   // error 13
int64_t Io_rsz_err();    // error 1
int64_t Io_wr_mode();    // marks written; clears buffer count, high-water mark, column
int64_t Io_rd_mode();    // marks read
// Write mode of the record kinds: buffer count and high-water mark back to
// rec_start (nothing marked written, the column kept).
int64_t Io_wr_rec_start();
int64_t Io_do_nothing();
// Common exits for end of data (2, END=) and a missing or duplicate record
// (11, DOM=).  With IO_END_JMP set, Io_end_err throws End_of_data instead.
struct End_of_data {};
[[noreturn]] void Io_end_err();
[[noreturn]] void Io_dom_err();
// Runs a record engine's call: its end-of-file and missing-record errors
// take the statement's END= and DOM= branches.
template <class F>
auto Io_engine(F f) -> decltype(f()) {
  try {
    return f();
  } catch (const Oru_error& e) {
    if (e.no == err::END_OF_FILE) Io_end_err();
    if (e.no == err::MISSING_RECORD) Io_dom_err();
    throw;
  }
}
// A driver's string result (a key, a record, a function's value): copied
// into temporary memory and made the current string.
void Io_string_result(const std::string& s);

// Gives a record an output buffer of size bytes (0: none), freeing the old.
void Fcb_set_buffer(Fcb* f, int32_t size);

// Every I/O directive begins here: resets the current-I/O area, evaluates
// the channel and reads the option list of the statement (io_options.cpp).
// code 0 takes the directive code from the statement.
void Io_SetOptions(uint8_t code);

// Closing (close.cpp): Cls_file ends ws.Cur_fcb; CloseFile makes a record
// current with cleared options and closes it (returns 0).
void Cls_file();
int CloseFile(Fcb* f);

// Channel list
void Link_fp();
void Unlink_fp();
Fcb* Find_fp(uint16_t channel);
// Find_fp's one-entry cache: the last record it found (null: none).  A hot
// path may take it when its channel matches and it is not a console alias,
// and call Find_fp otherwise.
extern Fcb* Find_fp_cache;
// Drops Find_fp's cache; a driver that renumbers a linked record calls it.
void Fcb_list_changed();
uint16_t Get_fno();  // evaluates a channel expression (0..65000, else 41)

// Path records
SavedPath* SavePath();  // from ws.Path_buf (resolved) and ws.Lfa_path (as given)
SavedPath* CopyPath(SavedPath* p);
void FreePath(SavedPath* p);


// Start-up and shut-down of the channel layer: gives every kind that no
// driver registered Bad_io and links the console's record; Cls_all closes
// every channel.  The drivers register before (App_wire).
void Channels_init();
void Cls_all();
