// Record locks, verified transfers, LOCK/UNLOCK of whole channels and the
// end-of-statement commit.
//
// A channel holds at most one record lock, noted in its record as
// (lock_off, lock_len): length 0 means none, -1 a lock that is only noted
// (nothing was taken from the host).  The lock is a fcntl byte range over the
// record's bytes in the host file, so other processes see it; within this
// process fcntl locks never conflict, which is why a second channel of the
// same file is no protection against the first.  A channel locked as a whole
// (status word 1 bit 64) takes no record locks of its own: the whole-file
// lock already keeps every other process out.
#pragma once
#include <cstdint>

struct Fcb;

// Reads length bytes at offset of the current channel into buffer, taking
// the record lock the statement asks for: EXTRACT keeps an exclusive lock;
// WRITE, INSERT, UPDATE and REMOVE take one; READ and FIND take an exclusive
// one when the statement keeps locks (IO_EXCLUSIVE), else a shared lock that
// is dropped again after the read (none at all with parameter XI).  Returns
// the bytes read; a host failure releases the lock and raises its error.
int64_t Read_and_lock(int64_t offset, void* buffer, int64_t length);
// Writes length bytes at offset of the current channel under an exclusive
// lock of exactly that area (kept when it was already held, as after
// EXTRACT), and releases it afterwards unless the statement keeps locks.
// Returns the bytes written; a host failure raises its error.
int64_t Write_and_lock(int64_t offset, const void* buffer, int64_t length);
// Releases the current channel's record lock.
void Rec_unlock();
// The same for any channel record (CLOSE uses it before the host close).
void Rec_unlock(Fcb* f);

// Transfers at offset; with the verify count of parameter VR (reads) or VW
// (writes) not zero, every complete transfer is read back and compared, and
// repeated on a mismatch, count + 1 tries in all.  Return the byte count, or
// -1 (errno set; 70 when the file never read back the same bytes).
int64_t ReadVerify(int fd, void* buffer, int64_t length, int64_t offset);
int64_t WriteVerify(int fd, const void* buffer, int64_t length, int64_t offset);
// 1 when the file holds buffer at offset, else 0 (errno 70, and bit 16 of
// ws.Sys_flags10 set, on a mismatch).
int CheckVerify(int fd, const void* buffer, int64_t length, int64_t offset);
// Seeks fd to offset: the host error when the seek fails, error 2 when it
// lands elsewhere.
void SeekVerify(int fd, int64_t offset);

// Counters of the verified transfers (statistics).
struct Verify_counts {
  uint32_t verified_reads = 0, verified_writes = 0;
  uint32_t read_mismatches = 0, write_mismatches = 0;
};
extern Verify_counts Verify_stats;
constexpr uint16_t SF10_VERIFY_FAILED = 16;  // bit of ws.Sys_flags10

// LOCK and UNLOCK of the channel made current by the statement's options
// (ws.Cur_fcb).  Lock_channel: a channel locked already does nothing; the
// console is busy (error 0 without retries); otherwise the whole file is
// taken exclusively through the host layer's open mark.  Unlock_channel:
// error 14 when the channel is not locked.
void Lock_channel();
void Unlock_channel();
// Gives up a whole-channel lock without the checks of UNLOCK (CLOSE).
void Release_channel_lock(Fcb* f);

// A keyed kind's part in LOCK and UNLOCK: hold(f, true) runs before the
// whole-file lock is taken (write back what the kind keeps, give up its own
// locks, work without them from now on), hold(f, false) after UNLOCK and
// when taking the lock failed.  Keyed kinds without one cannot be locked
// whole (error 99 naming them).
using Whole_lock_fn = void (*)(Fcb* f, bool on);
void Register_whole_lock(int32_t kind, Whole_lock_fn fn);
// The host's whole-file lock of a descriptor, for kinds made of several
// files (LOCK takes the channel's own descriptor itself): the busy error 0,
// without retries, while another open of the file holds it.
void Lock_whole_file(int fd);
void Unlock_whole_file(int fd);

// Marks the current channel as holding an uncommitted update and asks for a
// commit at the end of the statement (run flag RF_COMMIT).
void Mark_commit();
// End-of-statement commit: every marked channel is committed through the
// host layer (its writes are in the file already) and loses its mark.
// The executor runs it between statements while RF_COMMIT (core/workspace.h)
// is set in ws.Run_flags.
void Do_commit();
