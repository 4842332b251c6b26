// Record directives: READ, EXTRACT, FIND, WRITE, INSERT, UPDATE, REMOVE and
// PURGE through the driver slots, and what other parts call to build,
// write and read records.
#pragma once
#include <cstdint>

#include "core/executor.h"

struct Fcb;

// Appends n bytes to the current channel's output record; a full buffer is
// handed to the flush slot (stream kinds empty it, record kinds raise
// error 1).
void Wrt_field(const uint8_t* p, int32_t n);
// The current string as a field.
void Wrt_field();
// Calls the flush slot, then puts byte c (0..255; -1 none) in the buffer.
void Wrt_flush(int c);
// Completes the record held in the buffer and hands it to the write slot.
void Wrt_record();
// Builds the record from the I/O list at the cursor and writes it.
void Write_fields();
// Assigns the fields of the record (p, n) to the I/O list at the cursor;
// returns how many of its bytes the items took.
int32_t Parse_read(const uint8_t* p, int32_t n);
// Assigns the text (p, n) to the string variable at the cursor (REC=, READ
// RECORD): error 26 when the variable is numeric.
void Assign_record_text(const uint8_t* p, int32_t n);
// READ's record on the current channel (Io_SetOptions done): PRE/POST event
// programs, the driver's read, the lock release (not for EXTRACT), TBL=.
// The record is left in ws.Str_ptr / ws.Str_len (never -1).
void Read_record();
// READ's entry in the directive table: d_read with the fast path first
// (the executor dispatches it with the statement start on READ).
void d_read_stmt();
// The statement loop's Read_again_find (core/executor.h): the kept READ
// whose code after its keyword starts at p, when it is the last READ the
// fast path took and its findings hold, and its loop.
Read_again_fn Read_again_site(const uint8_t* p, void** site, Read_again_loop_fn* loop);

// Empties the current channel as PURGE does (input-only channels 13, kinds
// that cannot be purged 82; the PRE_PURGE and POST_PURGE events, the
// journal, the purge slot).
void Purge_channel();

// Runs the channel's I/O program for an event (mask bit `bit`); returns -1
// (carry on) or -2 (the program did the work); an exit code of the program
// is raised as the statement's error (programs/io_events.h).
int Run_io_event(Fcb* f, const char* event, uint32_t bit);

// Reads the next record of a channel for another part: 0 with the record as
// the current string, -1 at end of data.  The current-I/O area is kept.
int ReadNext(Fcb* f);
// Reads the record with the key held in the current string from a keyed
// channel: 0 when found (the record is the current string), else the error
// number (11 missing).  The current-I/O area is kept.
int ReadViaKey(Fcb* f);
// The same with the key given (len bytes) and the key number kno (-1: the
// channel's current key).
int Read_by_key(Fcb* f, const uint8_t* key, int32_t len, int32_t kno);

// Bytes of the last record READ that no list item took (the record-length
// system variable reads it).
int32_t Rd_unconsumed();

// I/O event numbers (bits of the channel's event mask).
enum : uint32_t {
  EV_PRE_READ = 1,
  EV_POST_READ = 2,
  EV_PRE_EXTRACT = 4,
  EV_POST_EXTRACT = 8,
  EV_PRE_WRITE = 16,
  EV_POST_WRITE = 32,
  EV_PRE_PURGE = 64,
  EV_POST_PURGE = 128,
  EV_PRE_REMOVE = 256,
  EV_POST_REMOVE = 512,
  EV_PRE_LOCK = 1024,
  EV_POST_LOCK = 2048,
  EV_PRE_UNLOCK = 4096,
  EV_POST_UNLOCK = 8192,
};
// Event mask bit: the program was named by the file itself, so it runs
// only from a file the user or root owns that no one else may write,
// checked at every load (Prog_load_trusted_only).
constexpr uint32_t EVM_TRUSTED_ONLY = 0x40000000;
