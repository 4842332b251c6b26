// The system journal and the update logs.
//
// System journal file (numbers big-endian):
//
//   offset 0  u32  next write address; an empty file counts as 4; the top
//                  bit set means the file is full: writers move on to the
//                  next numbered file of the journal directory
//   offset 4       records, one after the other, up to the next address
//
// Record:
//   0  u8   type: 'O' journal opened, 'C' journal closed, 'U' user entry,
//           'o' file opened for journaling, 'c' file closed, 'P' purged,
//           'E' erased, 'B' before image, 'A' after image, 'D' removed
//   1  u24  record length, these 16 bytes included
//   4  u32  time stamp (seconds since 1970)
//   8  u32  address of the record this process wrote before it in this
//           file (0 for its first one there)
//   12 u32  open id: the address of the process's 'O' record, or for the
//           records of a file the address of that file's 'o' record
//   16      data: the resolved path ('o', 'E'), the text ('O', 'U'), the
//           record image ('B', 'A', 'D'), nothing ('C', 'c', 'P')
//
// Invariants: records never overlap and lie below the next address; a
// record is written whole before the next-address word moves past it, so a
// reader that stops at the next address sees only whole records.  Every
// append holds a write lock on bytes 1..3 of the file from reading the
// next address to writing it back (bytes 1..3 rather than 0..3: byte 0
// carries the open mark of any channel that has the journal open, and a
// writer must not wait for a reader to close it; the lock still excludes
// every writer that locks 0..3).  A next address past 2,000,000,000 gets
// the top bit.  A journal directory holds the files "journal.N" (N
// decimal, from 1); the highest whose next-address word has the top bit
// clear is the current one.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

struct Fcb;

constexpr uint32_t JRNL_FULL = 0x80000000u;
constexpr uint32_t JRNL_LIMIT = 2000000000u;
constexpr size_t JRNL_HDR = 16;
constexpr size_t JRNL_COPY_MAX = 2048;  // longest record copied to a new file

// ---- system journal (journal_file.cpp) ----
bool Journal_is_open();
// SET_JOURNAL OPEN: error 13 when one is open, 12 not found, 69 unusable.
void Journal_open(const std::string& name);
// Writes 'C' and closes the journal (nothing without one).
void Journal_close();
// Marks the current file full; error 69 without a journal or when the
// journal is a plain file (a plain file has no next file to move to).
void Journal_swap();
// Appends one record; f: the channel whose record it is (its journal id is
// the open id), null for the journal's own records.  Nothing without a
// journal.  Returns the record's address (0 for an image, and without a
// journal).
uint32_t Journal_it(int type, const void* data, size_t len, Fcb* f);
// Writes the images gathered for writing behind (see journal_file.cpp).
void Journal_flush();
// The path of the journal file written last (empty without a journal).
std::string Journal_current_path();

// The journal state of a channel at OPEN: a journaled file without an open
// journal is error 69 (the caller closes the channel).
bool Journal_open_refused(const Fcb* f);
// Turns journaling of the named file on or off in the file itself (keyed
// files of both formats and indexed files; error 17 for other kinds).
void Set_file_journaling(const std::string& name, bool on);

// ---- reading a journal file (journal_reader.cpp) ----
struct Jrnl_record {
  uint32_t addr = 0;
  uint8_t type = 0;
  uint32_t len = 0;
  uint32_t time = 0;
  uint32_t prev = 0;
  uint32_t open_id = 0;
  std::string data;
};
struct Jrnl_scan {
  uint32_t next = 0;  // the next-address word, top bit included
  std::vector<Jrnl_record> records;
  std::string error;  // empty when the file is sound
};
// Reads every record of a journal file's bytes.  Stops at the first damaged
// record with a description in error; never reads outside bytes.
Jrnl_scan Jrnl_read(const uint8_t* bytes, size_t size);
// Checks the links: every prev names an earlier record of the same open id
// (an 'O' record's own address for the journal's records), every open id an
// 'O' or 'o' record.  Problems one a line, empty when sound.
std::string Jrnl_check_chain(const Jrnl_scan& scan);
// One record at addr of an open journal file (at most max bytes); false when
// there is none that fits.
bool Jrnl_read_one(int fd, uint32_t addr, size_t max, Jrnl_record& out);

// ---- update logs (update_log.cpp) ----
// Sets the immediate log (empty: off).
void Ulog_set_immediate(const std::string& name);
// Sets the end-of-run log directory (empty: off).
void Ulog_set_directory(const std::string& name);
// Bits of ws.Sys_flags7 and of a channel's ulog_status.
enum : uint16_t {
  ULOG_END_OF_RUN = 64,
  ULOG_PENDING = 128,
  ULOG_IMMEDIATE = 0x100,
  ULOG_CHANGED = 1,  // channel: changed since the last flush
  ULOG_LISTED = 64,  // channel: named in the immediate log
};
// Whether either log is on.
bool Ulog_on();
// A write or remove on f (keyed, EFF and indexed files): notes the file as
// changed (once until the next flush) when a log is on.
void Journal_Add(Fcb* f);
// final 0: pending entries reach the logs; 1 (shut-down, a change of the
// setting): the changed marks go and the per-process log is removed.
void Journal_Flush(bool final);
// The per-process log's path once chosen (empty before), for the tests.
const std::string& Ulog_file_name();
