#include "channels/record_locks.h"
#include "channels/transaction.h"
#include "channels/chan_hooks.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "channels/channel.h"
#include "channels/close.h"
#include "core/codes.h"
#include "core/directives.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/params.h"
#include "core/workspace.h"
#include "channels/record_io.h"
#include "core/signal_flags.h"

Verify_counts Verify_stats;


namespace {

// Lock modes of Lock_area: shared and exclusive, neither waits (a conflict
// is the busy error 0, which the error path retries up to RTY=).
constexpr int LOCK_NONE = 0;
constexpr int LOCK_SHARED = 1;
constexpr int LOCK_EXCLUSIVE = 2;

bool locked_whole(const Fcb* f) { return (f->st1 & ST1_LOCKED) != 0; }

// The lock a read of the current statement asks for.
int read_lock_mode() {
  switch (ws.Io_stmt) {
    case code::D_EXTRACT:
    case code::D_WRITE:
    case code::D_REMOVE:
    case code::X_INSERT:
    case code::X_UPDATE:
      return LOCK_EXCLUSIVE;
    default:
      if (ws.Io_opts & IO_EXCLUSIVE) return LOCK_EXCLUSIVE;
      return Sw_on(sw::XI) ? LOCK_NONE : LOCK_SHARED;
  }
}

void unlock_noted(Fcb* f) {
  if (f->lock_len == 0) return;
  if (f->lock_len > 0 && !locked_whole(f) && f->fd >= 0) {
    // An unlock that fails leaves nothing held that we could still give
    // back; the noted range is forgotten either way.
    try {
      Catch_region region;
      Unlk_area(f->fd, f->lock_off, f->lock_len);
    } catch (const Oru_error&) {
    }
  }
  f->lock_off = 0;
  f->lock_len = 0;
}

// Takes an exclusive or shared lock of the area for f and notes it; a
// channel locked as a whole only notes nothing.
void take_lock(Fcb* f, int64_t offset, int64_t length, int mode) {
  if (locked_whole(f) || length <= 0) return;
  // The host never refuses a process its own locks.  Under switch SB a
  // record held by another channel of this process on the same descriptor
  // is busy too, so two channels cannot overwrite each other's record.
  if (Sw_on(sw::SB) && Rsv_locks > 0 && offset != 256)
    for (const Fcb* g = ws.Fcb_list; g; g = g->next)
      if (g != f && g->fd == f->fd && g->lock_len > 0 && g->lock_off == offset) Rpt_error(err::RECORD_BUSY);
  Lock_area(f->fd, offset, length, mode);
  f->lock_off = offset;
  f->lock_len = int32_t(length);
}

// The compare buffer of the read-back: 8192 bytes, grown to the next
// multiple of 4096 above a longer record.
std::vector<uint8_t>& compare_buffer(int64_t length) {
  static std::vector<uint8_t> buf(8192);
  if (int64_t(buf.size()) < length) buf.resize(size_t((length + 4096) / 4096 * 4096));
  return buf;
}

int64_t read_at(int fd, void* buffer, int64_t length, int64_t offset) {
  if (lseek(fd, off_t(offset), SEEK_SET) != off_t(offset)) return -1;
  uint8_t* p = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < length) {
    ssize_t r = ::read(fd, p + done, size_t(length - done));
    if (r < 0) {
      if (errno == EINTR && !(Run_flags_now() & (RF_ESCAPE | RF_TIMEOUT))) continue;
      return -1;
    }
    if (r == 0) break;
    done += r;
  }
  return done;
}

int64_t write_at(int fd, const void* buffer, int64_t length, int64_t offset) {
  if (lseek(fd, off_t(offset), SEEK_SET) != off_t(offset)) return -1;
  const uint8_t* p = static_cast<const uint8_t*>(buffer);
  int64_t done = 0;
  while (done < length) {
    ssize_t w = ::write(fd, p + done, size_t(length - done));
    if (w < 0) {
      if (errno == EINTR && !(Run_flags_now() & (RF_ESCAPE | RF_TIMEOUT))) continue;
      return -1;
    }
    if (w == 0) break;
    done += w;
  }
  return done;
}

}  // namespace

// ---- verified transfers ----

void SeekVerify(int fd, int64_t offset) {
  off_t at = lseek(fd, off_t(offset), SEEK_SET);
  if (at < 0) Sys_error();
  if (at != off_t(offset)) Rpt_error(err::END_OF_FILE);
}

int CheckVerify(int fd, const void* buffer, int64_t length, int64_t offset) {
  ws.Sys_flags10 &= uint16_t(~SF10_VERIFY_FAILED);
  std::vector<uint8_t>& cmp = compare_buffer(length);
  int64_t got = read_at(fd, cmp.data(), length, offset);
  if (got == length && std::memcmp(cmp.data(), buffer, size_t(length)) == 0) return 1;
  lseek(fd, off_t(offset), SEEK_SET);
  ws.Sys_flags10 |= SF10_VERIFY_FAILED;
  errno = 70;
  return 0;
}

int64_t ReadVerify(int fd, void* buffer, int64_t length, int64_t offset) {
  int count = prmblk.VR;
  for (int tries = 0;; ++tries) {
    int64_t got = read_at(fd, buffer, length, offset);
    if (got != length || count == 0) return got;
    ++Verify_stats.verified_reads;
    if (CheckVerify(fd, buffer, length, offset)) return got;
    ++Verify_stats.read_mismatches;
    if (tries >= count) return -1;
  }
}

int64_t WriteVerify(int fd, const void* buffer, int64_t length, int64_t offset) {
  int count = prmblk.VW;
  for (int tries = 0;; ++tries) {
    int64_t put = write_at(fd, buffer, length, offset);
    if (put != length || count == 0) return put;
    ++Verify_stats.verified_writes;
    if (CheckVerify(fd, buffer, length, offset)) return put;
    ++Verify_stats.write_mismatches;
    if (tries >= count) return -1;
  }
}

// ---- record locks ----

int64_t Read_and_lock(int64_t offset, void* buffer, int64_t length) {
  Fcb* f = ws.Cur_fcb;
  int fd = f->fd;
  SeekVerify(fd, offset);
  int mode = read_lock_mode();
  if (f->lock_len != 0 && (f->lock_off != offset || f->lock_len != length)) unlock_noted(f);
  if (ws.Io_stmt == code::D_EXTRACT) unlock_noted(f);
  bool took = false;
  if (mode != LOCK_NONE && f->lock_len == 0 && !locked_whole(f) && length > 0) {
    take_lock(f, offset, length, mode);
    took = true;
  }
  int64_t got = ReadVerify(fd, buffer, length, offset);
  if (got < 0) {
    int e = errno;
    if (took) unlock_noted(f);
    errno = e;
    Sys_error();
  }
  if (took && (mode == LOCK_SHARED || got == 0)) unlock_noted(f);
  return got;
}

int64_t Write_and_lock(int64_t offset, const void* buffer, int64_t length) {
  Fcb* f = ws.Cur_fcb;
  int fd = f->fd;
  SeekVerify(fd, offset);
  if (!(f->lock_len == length && f->lock_off == offset)) {
    unlock_noted(f);
    take_lock(f, offset, length, LOCK_EXCLUSIVE);
  }
  int64_t put = WriteVerify(fd, buffer, length, offset);
  if (put < 0) {
    int e = errno;
    unlock_noted(f);
    errno = e;
    Sys_error();
  }
  if (!(ws.Io_opts & IO_EXCLUSIVE)) unlock_noted(f);
  return put;
}

void Rec_unlock(Fcb* f) {
  if (f) unlock_noted(f);
}

void Rec_unlock() { Rec_unlock(ws.Cur_fcb); }

// ---- LOCK and UNLOCK of whole channels ----

namespace {

// Whether fd is one of the host layer's shared opens, the only files whose
// open mark can be raised to exclusive.  Pipes, the console and other
// descriptors of no shared open are private to this process already.
bool is_shared_open(int fd) {
  for (int i = 0; i < Rsv_cnt; ++i)
    if (Rsv_tbl[i].fd == fd) return true;
  return false;
}

[[noreturn]] void busy_no_retry() {
  ws.Io_rty = 0;
  Rpt_error(err::RECORD_BUSY);
}

Whole_lock_fn whole_lock_fns[FK_LAST + 1] = {};

Whole_lock_fn whole_lock_fn(int32_t kind) {
  return kind >= 0 && kind <= FK_LAST ? whole_lock_fns[kind] : nullptr;
}

// The keyed and remote kinds: each needs its own part in LOCK.
bool keyed_or_remote(int32_t kind) {
  switch (kind) {
    case FK_KEYED:
    case FK_EFF:
    case FK_BBX_KEYED:
    case FK_BBX_KEYED2:
    case FK_THIN_CLIENT:
    case FK_CISAM:
    case FK_MYSQL:
      return true;
    default:
      return false;
  }
}

void refuse_unlockable(const Fcb* f) {
  if (!keyed_or_remote(f->kind) || whole_lock_fn(f->kind)) return;
  switch (f->kind) {
    case FK_MYSQL: Not_built("LOCK of SQL channels");
    default: Not_built("LOCK of thin-client channels (the thin client)");
  }
}

// Takes the host's whole-file lock of the channel's file.
void take_whole(Fcb* f) {
  f->st4 |= ST4_EXCLUSIVE;
  try {
    Lock_whole_file(f->fd);
  } catch (...) {
    f->st4 &= uint16_t(~ST4_EXCLUSIVE);
    throw;
  }
}

}  // namespace

// The open mark raised to exclusive.  Pipes, devices and other descriptors
// of no shared open are private to this process already.
void Lock_whole_file(int fd) {
  if (fd >= 0 && is_shared_open(fd) && File_lock(fd) != -1) busy_no_retry();
}

void Unlock_whole_file(int fd) {
  if (fd >= 0 && is_shared_open(fd)) File_unlock(fd);
}

void Register_whole_lock(int32_t kind, Whole_lock_fn fn) {
  if (kind >= 0 && kind <= FK_LAST) whole_lock_fns[kind] = fn;
}

void Lock_channel() {
  Fcb* f = ws.Cur_fcb;
  if (!f) Rpt_error(err::CHANNEL_STATE);
  if (locked_whole(f)) return;
  if (f == ws.Con_fcb || f->channel == 0 || f->kind == FK_CONSOLE_ALIAS) busy_no_retry();
  refuse_unlockable(f);
  Whole_lock_fn hold = whole_lock_fn(f->kind);
  unlock_noted(f);
  if (f->event_pgm && Run_io_event(f, "PRE_LOCK", EV_PRE_LOCK) == -2) {
    // The event program did the locking its own way.
    f->st1 |= ST1_LOCKED;
    return;
  }
  if (hold) {
    try {
      hold(f, true);
    } catch (const Oru_error& e) {
      if (e.no == err::RECORD_BUSY) ws.Io_rty = 0;  // LOCK is not retried
      throw;
    }
    try {
      take_whole(f);
    } catch (...) {
      hold(f, false);
      throw;
    }
  } else {
    take_whole(f);
  }
  f->st1 |= ST1_LOCKED;
  if (f->event_pgm) Run_io_event(f, "POST_LOCK", EV_POST_LOCK);
}

void Release_channel_lock(Fcb* f) {
  if (!f || !locked_whole(f)) return;
  unlock_noted(f);
  f->st1 &= uint16_t(~ST1_LOCKED);
  if (Whole_lock_fn hold = whole_lock_fn(f->kind)) hold(f, false);
  // A channel opened exclusively keeps its mark: that is the open's, not
  // the LOCK's.
  if (f->st4 & ST4_EXCLUSIVE) {
    f->st4 &= uint16_t(~ST4_EXCLUSIVE);
    Unlock_whole_file(f->fd);
  }
}

void Unlock_channel() {
  Fcb* f = ws.Cur_fcb;
  if (!f) Rpt_error(err::CHANNEL_STATE);
  if (f->event_pgm && f->kind != FK_MEMORY) {
    unlock_noted(f);
    if (f->buf_count > 0 && f != ws.Con_fcb && !keyed_or_remote(f->kind)) Fio_call(FIO_FLUSH);
    if (Run_io_event(f, "PRE_UNLOCK", EV_PRE_UNLOCK) == -2) {
      f->st1 &= uint16_t(~ST1_LOCKED);
      return;
    }
  }
  if (f->kind == FK_MEMORY) return;
  if (Fio_tbl[f->kind + 1] == Bad_io) {
    f->st1 &= uint16_t(~ST1_LOCKED);
    return;
  }
  if (!locked_whole(f)) Rpt_error(err::CHANNEL_STATE);
  if (f->st2 & ST2_LOAD) return;
  if (f->buf_count > 0 && f != ws.Con_fcb && !keyed_or_remote(f->kind)) Fio_call(FIO_FLUSH);
  Release_channel_lock(f);
  if (f->event_pgm) Run_io_event(f, "POST_UNLOCK", EV_POST_UNLOCK);
}

// ---- commit ----

void Mark_commit() {
  if (ws.Cur_fcb) ws.Cur_fcb->st1 |= ST1_UNCOMMITTED;
  ws.Run_flags |= RF_COMMIT;
}

void Do_commit() {
  if (!(ws.Run_flags & RF_COMMIT)) return;
  ws.Run_flags &= ~RF_COMMIT;
  Chan_hook.keyed_flush();  // keyed blocks kept by write-behind, and their header locks
  Kest_CloseClear();         // files parked by the deferred close are closed
  for (Fcb* f = ws.Fcb_list; f; f = f->next) {
    if (!(f->st1 & ST1_UNCOMMITTED)) continue;
    // Every write reached the host when it was made, so other processes
    // see it already; the host commit has nothing more to do.  (No sync to
    // disk: that would cost a disk round trip after every statement that
    // wrote.)
    f->st1 &= uint16_t(~ST1_UNCOMMITTED);
  }
  Txn_statement_end();
}

// ---- directives ----

void d_lock() {
  Io_SetOptions(0);
  Lock_channel();
}

void d_unlo() {
  Io_SetOptions(0);
  Unlock_channel();
}
