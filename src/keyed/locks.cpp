// Keyed files, first format: the header lock, the operation bracket and the
// record locks.
//
// Header lock: a one-byte lock at file byte 256 (read lock to read, write
// lock to change), taken at the first need of an operation and, unless the
// write-behind count WD keeps it, released at the end of the operation after
// every changed block and the header were written back.  Header bytes 8..255
// are read and written as one 248-byte transfer.
//
// Change counter (header 36..39): raised by one at the end of every operation
// that changed a block or a header field.  A process that finds it different
// from the value it saw last drops every block it cached of that file, which
// is how one process sees what the others changed.
//
// Record locks: one byte at the record address (variable-length records), or
// the whole slot (fixed-length records); never waiting, so a record held by
// another process is the busy error 0 and no two processes can deadlock.
// Host locks are the process's: a record held by another channel of this
// process is found in the file's list of channels, and is busy as well.
#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "keyed/key_settings.h"
#include "keyed/eff_store.h"
#include "keyed/keyed_internal.h"

Key_ctx K;
Key_stats Key_io_stats;
std::vector<Key_file*> Key_files;
int64_t Key_pread(int fd, uint8_t* buf, size_t len, int64_t off);
int64_t Key_pwrite(int fd, const uint8_t* buf, size_t len, int64_t off);

namespace {
int wd_ops = 0;  // operations since the last full write-back (WD)

void unlock_header(Key_file* f) {
  if (f->lock_real) Key_unlock_area(f->fd, 256, 1);
  f->lock_real = false;
  f->lock_level = 0;
}

// Writes back every changed block and every changed header, releasing the
// header locks.
void flush_everything() {
  Kbfr_flush_file(nullptr, false);
  for (Key_file* f : Key_files) Khdr_flush(f);
}
}  // namespace

void Key_hdr_changed() { K.fh_updated = true; if (K.f) K.f->hdr_changed = true; }

void Khdr_flush(Key_file* f) {
  if (f->eff) {
    Eff_end_cycle(f);
    return;
  }
  if (f->hdr_changed) {
    try {
      Kfix_flush_pending(f);
    } catch (...) {
      unlock_header(f);
      throw;
    }
    if (Key_pwrite(f->fd, f->hdr + 8, 248, 8) != 248) {
      unlock_header(f);
      Key_error(3);
    }
    f->hdr_changed = false;
  }
  unlock_header(f);
}

void Key_init(Key_chan* ch) {
  Key_settings_refresh();
  K.ch = ch;
  K.f = ch->f.get();
  K.depth = 0;
  K.rec_addr = 0xFFFFFFFFu;
  K.rec_ext = 0;
  K.rec_sz = 0;
  K.load_type = 0;
  K.fill_len = -1;
  K.fh_updated = K.ky_updated = false;
  K.open = true;
  K.advance_left = 0;
  K.no_climb = false;
  ++K.serial;
}

// EFF files: reads load the header without a lock (the retry wrapper
// checks the generation afterwards); changes, EXTRACT and the last attempt
// of a read take the file lock.
static void eff_lock_n_load(Key_file* f, int level) {
  Eff_store* e = Eff_of(f);
  if (K.directive == DIR_EXTRACT || K.eff_lock_first || Key_cfg.write_locks) level = 2;
  if (K.load_type >= level) return;
  if (K.load_type == 0) {
    K.sv_exit = Key_swap_exit_hook(Key_exit_hook);
  }
  if (level == 2) {
    Eff_lock(f, K.ch->nolock);
    int d = K.directive;
    if (Eff_transaction_open() &&
        (d == DIR_WRITE || d == DIR_INSERT || d == DIR_UPDATE || d == DIR_REMOVE || d == DIR_EXTRACT)) {
      if (!e->in_txn) ++e->txn_no;
      e->in_txn = true;
      K.ch->txn_mark = e->txn_no;  // this channel holds an update of it
    }
  } else if (!e->locked && !(K.ch->nolock && e->gen_known)) {
    // A channel that holds the file whole reloads nothing.
    Eff_load_header(f);
  }
  f->lock_level = level;
  K.load_type = level;
}

void Key_Hdr_Lock_N_Load(int level) {
  Key_file* f = K.f;
  if (f->eff) {
    eff_lock_n_load(f, level);
    return;
  }
  if (K.load_type >= level) return;
  if (Key_cfg.write_locks || Key_cfg.write_behind != 0) level = 2;
  if (K.load_type == 0) {
    K.sv_exit = Key_swap_exit_hook(Key_exit_hook);
  }
  if (f->lock_level > 0 && f->lock_level < level) Khdr_flush(f);
  if (f->lock_level == 0) {
    if (!K.ch->nolock) {
      Key_lock_area(f->fd, 256, 1, level == 1 ? -1 : -2);
      f->lock_real = true;
    }
    int64_t r = Key_pread(f->fd, f->hdr + 8, 248, 8);
    if (r != 248) {
      unlock_header(f);
      if (r < 0) Key_sys_error();
      Key_error(3);
    }
    f->lock_level = level;
  }
  K.load_type = level;
  if (uint32_t old = Hdr32(f, kf::H_OLDROOT)) {
    put_u32be(f->hdr + kf::H_ROOTS, old);
    Hdr32_set(f, kf::H_OLDROOT, 0);
  }
  if (!f->counter_known || std::memcmp(f->seen_counter, f->hdr + kf::H_CHANGE, 4) != 0) {
    if (f->counter_known) {
      Kbfr_flush_file(f, true);
      f->data_block = 0;
    }
    std::memcpy(f->seen_counter, f->hdr + kf::H_CHANGE, 4);
    f->counter_known = true;
  }
  if (f->hdr[kf::H_NSEG] != f->nseg) f->nseg = f->hdr[kf::H_NSEG];
}

// Closing an operation.  error: called on the way out of an error, when a
// second failure must not hide the first one.
static void eff_exit(bool error) {
  Key_file* f = K.f;
  Key_chan* ch = K.ch;
  Eff_store* e = Eff_of(f);
  int failure = -1;
  try {
    if (ch->lock2_len) {
      if (!ch->nolock) Key_unlock_area(f->fd, ch->lock2_addr, ch->lock2_len);
      ch->lock2_addr = ch->lock2_len = 0;
    }
    if (e->locked && e->in_txn) {
      // Inside a transaction the statement's changed pages reach the disk
      // now, in pages the map on disk does not use; the flip, the header
      // and the lock wait for the commit.
      if (!f->touched.empty()) Kbfr_write_touched(f);
    } else if (e->locked) {
      // A failed statement that began the cycle leaves the file as it was.
      if (error && e->ops == 0) {
        Eff_abort_cycle(f);
      } else if (error || ++e->ops > Key_cfg.write_behind) {
        Eff_end_cycle(f);
      }
    }
  } catch (const Oru_error& x) {
    failure = x.no;
    if (e->locked && !e->in_txn) Eff_abort_cycle(f);
  }
  if (!e->locked) f->lock_level = 0;
  K.load_type = 0;
  if (failure >= 0 && !error) Key_error(failure);
}

// The changes of the statement that just ended on a file held whole: its
// gathered records, its changed blocks and the header.  The header stays
// loaded (no lock to give back).
static void write_back_held(Key_file* f) {
  Kfix_flush_pending(f);
  if (!f->touched.empty()) Kbfr_write_touched(f);
  if (f->hdr_changed) {
    if (Key_pwrite(f->fd, f->hdr + 8, 248, 8) != 248) Key_error(3);
    f->hdr_changed = false;
  }
}

static void key_exit(bool error) {
  if (!K.open) return;
  K.open = false;
  Key_file* f = K.f;
  Key_chan* ch = K.ch;
  if (K.load_type > 0) Key_swap_exit_hook(K.sv_exit);
  if (f->eff) {
    eff_exit(error);
    return;
  }
  int failure = -1;
  try {
    if (ch->lock2_len) {
      if (!ch->nolock) Key_unlock_area(f->fd, ch->lock2_addr, ch->lock2_len);
      ch->lock2_addr = ch->lock2_len = 0;
    }
    if (K.fh_updated || K.ky_updated) {
      uint32_t c = get_u32be(f->hdr + kf::H_CHANGE) + 1;
      put_u32be(f->hdr + kf::H_CHANGE, c);
      std::memcpy(f->seen_counter, f->hdr + kf::H_CHANGE, 4);
      if (f->flags1 & kf::F1_CHECKED) {
        f->hdr[kf::H_CHK1] = f->hdr[kf::H_CHANGE] ^ f->hdr[kf::H_CHANGE + 2];
        f->hdr[kf::H_CHK2] = f->hdr[kf::H_CHANGE + 1] ^ f->hdr[kf::H_CHANGE + 3];
      } else {
        f->hdr[kf::H_FLAGS1] &= uint8_t(~kf::F1_CHECKED);
        f->hdr[kf::H_CHK1] = f->hdr[kf::H_CHK2] = 0;
      }
      f->hdr_changed = true;
    }
    // A channel that holds its file whole takes no locks, and no other
    // process reads the file meanwhile; still, what a finished statement
    // wrote is in the file when it returns (records, then the changed
    // blocks, then the header), so that a process that ends without closing
    // loses nothing it was told was written.  Write-behind (WD) leaves it to
    // the write-back of the other channels.
    if (ch->nolock && !ch->readonly && Key_cfg.write_behind == 0) write_back_held(f);
    // A busy record is retried after a wait: nothing of this process may
    // stay locked meanwhile, or the holder could never finish.
    bool busy = error && Key_error_code() == 0;
    if (!ch->nolock && (K.load_type > 0 || busy)) {
      if (++wd_ops > Key_cfg.write_behind || busy) {
        wd_ops = 0;
        flush_everything();
      }
    }
  } catch (const Oru_error& e) {
    failure = e.no;
    // Whatever could not be written, the header lock must not stay held.
    for (Key_file* g : Key_files)
      if (g->eff) Eff_abort_cycle(g);
      else unlock_header(g);
  }
  K.load_type = 0;
  if (failure >= 0 && !error) Key_error(failure);
}

void Key_exit() { key_exit(false); }
void Key_exit_hook() { key_exit(true); }

Key_bracket::Key_bracket(Key_chan* ch, int directive, bool lock_opt) : open_(true) {
  if (K.open) Key_error(49);  // one operation at a time (nested ones save the state)
  extern Key_file* Key_parked_file;
  if (Key_parked_file && ch->f.get() == Key_parked_file) Key_error(0);
  Key_init(ch);
  K.directive = directive;
  K.lock_opt = lock_opt;
}

void Key_bracket::done() {
  open_ = false;
  Key_exit();
}

Key_bracket::~Key_bracket() {
  if (!open_ || !K.open) return;
  try {
    key_exit(true);
  } catch (...) {
  }
}

void Kbfr_flush_all() { flush_everything(); }

// ---- record locks ----

void Rec_unlock(Key_chan* ch) {
  if (ch->lock_held && !ch->nolock && !ch->lock_probe) Key_unlock_area(ch->f->fd, ch->lock_addr, ch->lock_len);
  ch->lock_held = false;
  ch->lock_probe = false;
  ch->lock_addr = ch->lock_len = 0;
}

void Key_hold_whole(Key_chan* ch, bool on) {
  if (ch->held_whole == on) return;
  Rec_unlock(ch);
  flush_everything();
  if (on) {
    ch->nolock_before = ch->nolock;
    ch->nolock = true;
  } else {
    ch->nolock = ch->nolock_before;
  }
  ch->held_whole = on;
}

// EFF: a WRITE, INSERT, UPDATE or REMOVE that does not keep its record
// lock runs wholly under the file lock and releases the record lock before
// the operation ends.  No other process can take a record lock and then
// change the record in between (changes and EXTRACT need the file lock,
// and readers see the last committed state), so asking whether another
// process holds the record gives the same answer as locking and unlocking
// it, in one host call instead of two.
static bool probe_only(Key_chan* ch, bool write) {
  Key_file* f = ch->f.get();
  if (!write || !f->eff || K.lock_opt) return false;
  int d = K.directive;
  if (d != DIR_WRITE && d != DIR_INSERT && d != DIR_UPDATE && d != DIR_REMOVE) return false;
  const Eff_store* e = Eff_of(f);
  return e->locked && e->lock_real;
}

// Another process's lock on the area is the busy error 0, as a lock that
// cannot be taken is.
static void probe(int fd, uint32_t addr, uint32_t len) {
  struct flock fl {};
  fl.l_type = F_WRLCK;
  fl.l_whence = SEEK_SET;
  fl.l_start = off_t(addr);
  fl.l_len = off_t(len);
  if (fcntl(fd, F_GETLK, &fl) != 0) {
    Key_lock_area(fd, addr, len, 2);  // the host's own answer, as without the probe
    Key_unlock_area(fd, addr, len);
    return;
  }
  if (fl.l_type == F_UNLCK) return;
  Key_busy(int(fl.l_pid));
}

void Rec_busy_here(Key_chan* ch, uint32_t addr) {
  if (ch->nolock) return;
  for (const Key_chan* o : ch->f->chans)
    if (o != ch && o->lock_held && o->lock_addr == addr) Key_busy(int(getpid()));
}

static void take(Key_chan* ch, uint32_t addr, uint32_t len, bool write) {
  ch->lock_probe = false;
  if (!ch->nolock) {
    Rec_busy_here(ch, addr);
    if (probe_only(ch, write)) {
      probe(ch->f->fd, addr, len);
      ch->lock_probe = true;
    } else {
      Key_lock_area(ch->f->fd, addr, len, write ? 2 : 1);
    }
  }
  ch->lock_held = true;
  ch->lock_addr = addr;
  ch->lock_len = len;
  ch->lock_write = write;
}

void Kvar_rlck(uint32_t addr, uint32_t len) {
  if (K.no_rec_locks) return;
  Key_chan* ch = K.ch;
  int d = K.directive;
  bool write;
  if (d == DIR_EXTRACT) {
    if (ch->lock_held && !(ch->lock_addr == addr && ch->lock_write)) Rec_unlock(ch);
    write = true;
  } else if (d == DIR_WRITE || d == DIR_INSERT || d == DIR_UPDATE || d == DIR_REMOVE || K.lock_opt) {
    write = true;
  } else {
    if (Key_cfg.read_no_lock) return;
    write = false;
  }
  if (ch->lock_held && ch->lock_addr == addr) return;
  if (ch->lock_held) Rec_unlock(ch);
  take(ch, addr, len, write);
}

void Kvar_wlck(uint32_t addr, uint32_t len) {
  Key_chan* ch = K.ch;
  if (ch->lock_held && ch->lock_addr == addr) return;
  if (ch->lock_held) Rec_unlock(ch);
  take(ch, addr, len, K.lock_opt || K.directive != DIR_READ);
}
