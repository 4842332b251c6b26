// Indexed files (kind 3): fixed-length records addressed by a 0-based
// record index, behind the common 256-byte file header.
//
// File layout (numbers big-endian):
//   0-3    Oru_file_id ("[Oru")
//   4-7    "ind]"
//   8-9    record length (1..32767)
//   10-13  record limit (the file holds at most this many records; 0 none)
//   14-17  record count: highest record index written + 1
//   18     flags: bit 3 separator in byte 19; bit 4 no separator; bit 7 journaled
//   19     separator
//   20-511 zero
//   512 + n * record length: record n
// Records never written inside the count, and every record of a file with a
// limit (preallocated at creation), read as NUL bytes; a short record is
// stored padded with NULs.
//
// Several channels and processes may write one file: each record is
// written under its record lock, and the count in the header changes only
// under the lock of header bytes 10-255, with the header read again before
// deciding, so a count never goes backwards.  A record past the count is
// written under that lock as well, since raising the count zero-fills the
// records it passes over.
#include "channels/indexed_file.h"
#include "channels/journal.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "channels/channel.h"
#include "channels/close.h"
#include "channels/kdef.h"
#include "channels/record_locks.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/process_config.h"
#include "core/workspace.h"
#include "core/signal_flags.h"

namespace {

constexpr int64_t DATA_START = 512;
constexpr int64_t HDR_LOCK_OFF = 10;
constexpr int64_t HDR_LOCK_LEN = 246;
constexpr uint8_t IF_SEP_GIVEN = 0x08, IF_NO_SEP = 0x10, IF_JOURNAL = 0x80;

struct Ind_fcb : Fcb {
  int64_t rec_count;  // highest record index written + 1, as last seen
};

Ind_fcb* fcb() { return static_cast<Ind_fcb*>(ws.Cur_fcb); }

// Limit in the common file-length word; 0 none.
int64_t limit_of(const Fcb* f) { return f->file_len; }

void read_header(int fd, uint8_t* hdr) {
  if (ReadVerify(fd, hdr, 256, 0) != 256) Sys_error();
}

void write_header(int fd, const uint8_t* hdr) {
  if (WriteVerify(fd, hdr, 256, 0) != 256) Sys_error();
}

// The record count at header bytes 14-17, read and written as one 4-byte
// piece at its place (one system call each unless reads or writes are
// verified), so that a reader without the lock sees the old or the new
// count whole.
int64_t read_count(int fd) {
  uint8_t b[4];
  ssize_t n;
  if (prmblk.VR) {
    n = ssize_t(ReadVerify(fd, b, 4, 14));
  } else {
    do n = pread(fd, b, 4, 14);
    while (n < 0 && errno == EINTR);
  }
  if (n != 4) Sys_error();
  return get_u32be(b);
}

void write_count(int fd, int64_t count) {
  uint8_t b[4];
  put_u32be(b, uint32_t(count));
  ssize_t n;
  if (prmblk.VW) {
    n = ssize_t(WriteVerify(fd, b, 4, 14));
  } else {
    do n = pwrite(fd, b, 4, 14);
    while (n < 0 && errno == EINTR);
  }
  if (n != 4) Sys_error();
}

// Writes record bytes at off.  A channel that holds the whole file (OPEN
// LOCK, LOCK) takes no record lock, so without verified writes the bytes
// go in one positioned write; otherwise through the record-lock layer.
int64_t write_record(Fcb* f, int64_t off, const uint8_t* p, int32_t len) {
  if (!(f->st1 & ST1_LOCKED) || prmblk.VW || f->lock_len != 0) return Write_and_lock(off, p, len);
  int32_t done = 0;
  while (done < len) {
    ssize_t w = pwrite(f->fd, p + done, size_t(len - done), off_t(off + done));
    if (w < 0 && errno == EINTR && !(Run_flags_now() & (RF_ESCAPE | RF_TIMEOUT))) continue;
    if (w < 0) Sys_error();
    if (w == 0) break;
    done += int32_t(w);
  }
  return done;
}

// The channel holds the file exclusively (OPEN LOCK, or LOCK of its only
// open): no other channel or process has it open, so nobody else can raise
// the count or look at it, and the count this channel keeps is the file's.
bool sole_user(const Fcb* f) {
  if (!(f->st4 & ST4_EXCLUSIVE) || f->fd < 0) return false;
  for (int i = 0; i < Rsv_cnt; i++)
    if (Rsv_tbl[i].fd == f->fd) return Rsv_tbl[i].count == -1;
  return false;
}

// Holds the lock of header bytes 10-255 for its lifetime.
class Header_lock {
 public:
  explicit Header_lock(int fd) : fd_(fd) { Lock_area(fd_, HDR_LOCK_OFF, HDR_LOCK_LEN, -2); }
  ~Header_lock() { Unlk_area(fd_, HDR_LOCK_OFF, HDR_LOCK_LEN); }
  Header_lock(const Header_lock&) = delete;
  Header_lock& operator=(const Header_lock&) = delete;
 private:
  int fd_;
};

int64_t Ind_define() {
  const Kdef& kd = *ws.Create_kdef;
  int fd = ws.Cur_fd;
  int64_t limit = kd.records > 0 ? kd.records : 0;
  if (limit && Ind_init(fd, kd.rec_len, limit, 0) != 0) Rpt_error(err::FILE_TOO_LARGE);
  uint8_t hdr[512] = {};
  std::memcpy(hdr, Oru_file_id, 4);
  std::memcpy(hdr + 4, "ind]", 4);
  put_u16be(hdr + 8, kd.rec_len);
  put_u32be(hdr + 10, uint32_t(limit));
  hdr[18] = uint8_t(kd.flags1 & (IF_SEP_GIVEN | IF_NO_SEP));
  if (kd.flags1 & IF_SEP_GIVEN) hdr[19] = kd.separator;
  std::memcpy(ws.File_hdr, hdr, 256);
  if (WriteVerify(fd, hdr, 512, 0) != 512) Sys_error();
  return 0;
}

int64_t Ind_open() {
  const uint8_t* h = ws.File_hdr;
  int32_t rec_len = get_u16be(h + 8);
  if (rec_len < 1 || rec_len > 32767) Rpt_error(err::WRONG_FILE_KIND);  // not a header this kind wrote
  auto* f = Fcb_alloc<Ind_fcb>();
  ws.Cur_fcb = f;
  f->kind = FK_INDEXED;
  f->fd = ws.Cur_fd;
  f->rec_size = rec_len;
  Fcb_set_buffer(f, rec_len);
  f->file_len = get_u32be(h + 10);
  f->rec_count = get_u32be(h + 14);
  f->rec_index = 0;
  f->byte_pos = DATA_START;
  // The open copies the statement's separator into the record afterwards:
  // the file's own choice goes there too.
  if (h[18] & IF_SEP_GIVEN) ws.Io_sep = f->separator = h[19];
  if (h[18] & IF_NO_SEP) ws.Io_sep = f->separator = -1;
  if ((h[18] & IF_JOURNAL) || (ws.Cmd_flags & CMD_JOURNAL_ALL)) f->journal_id = -1;
  return 0;
}

int64_t Ind_close() { return 0; }

int64_t Ind_setind() {
  Ind_fcb* f = fcb();
  int64_t i = ws.Io_ind;
  // With I2 a write may go past the limit; the write slot decides.
  uint8_t st = ws.Io_stmt;
  bool writes = st == code::D_WRITE || st == code::X_INSERT || st == code::X_UPDATE;
  if (limit_of(f) && i >= limit_of(f) && !(writes && Sw_on(sw::I2))) Io_end_err();
  f->rec_index = int32_t(i);
  f->byte_pos = DATA_START + i * f->rec_size;
  return 0;
}

int64_t Ind_getind() {
  Ind_fcb* f = fcb();
  int64_t i = f->rec_index;
  if (limit_of(f) ? i >= limit_of(f) : i >= f->rec_count) Io_end_err();
  return i;
}

int64_t Ind_read() {
  Ind_fcb* f = fcb();
  auto* buf = static_cast<uint8_t*>(Get_temp(size_t(f->rec_size)));
  int64_t n = Read_and_lock(f->byte_pos, buf, f->rec_size);
  if (n < f->rec_size) Io_end_err();
  // Without a limit a record past the count exists only when another
  // channel wrote it (and is raising the header's count).  With a limit
  // every record reads, written or not: the count must stay that of the
  // header, or a later write inside the raised count would leave the
  // header's count behind.
  if (!limit_of(f) && f->rec_index >= f->rec_count) f->rec_count = f->rec_index + 1;
  f->byte_pos += f->rec_size;
  f->rec_index++;
  f->st1 |= ST1_READ;
  ws.Str_ptr = buf;
  ws.Str_len = f->rec_size;
  return 0;
}

int64_t Ind_write() {
  Ind_fcb* f = fcb();
  int64_t idx = f->rec_index;
  int32_t len = f->rec_size;
  if (limit_of(f) && idx >= limit_of(f) && !Sw_on(sw::I2)) {
    f->buf_count = 0;
    Io_end_err();
  }
  int32_t count = f->buf_count < len ? f->buf_count : len;
  const bool journaled = f->journal_id != 0 && Journal_is_open();
  if (journaled) {
    Init_file_jrnl();
    if (idx < f->rec_count) {
      // The record as it was, without its trailing NUL bytes.
      std::vector<uint8_t> old(static_cast<size_t>(len));
      ssize_t r = pread(f->fd, old.data(), size_t(len), off_t(f->byte_pos));
      if (r < 0) Sys_error();
      size_t n = size_t(r);
      while (n > 0 && old[n - 1] == 0) --n;
      Journal_it('B', old.data(), n, f);
    }
  }
  std::memset(f->out_buf + count, 0, size_t(len - count));
  f->buf_count = 0;
  auto put = [&] {
    if (write_record(f, f->byte_pos, f->out_buf, len) != len) Rpt_error(err::FILE_TOO_LARGE);
  };
  if (idx >= f->rec_count && sole_user(f)) {
    put();
    // Written at once, so that the file is whole after a crash.
    if (Ind_init(f->fd, len, idx, f->rec_count) != 0) Sys_error();
    write_count(f->fd, idx + 1);
    f->rec_count = idx + 1;
  } else if (idx >= f->rec_count) {
    // The count grows only under the header lock, read again under it (another
    // channel or process may have raised it) and never lowered.  The record
    // is written under the lock too: a writer that raises the count past it
    // zero-fills the records between, and must find this one either counted
    // already or not yet written.
    Header_lock lock(f->fd);
    int64_t on_file = read_count(f->fd);
    put();
    if (idx >= on_file) {
      if (Ind_init(f->fd, len, idx, on_file) != 0) Sys_error();
      write_count(f->fd, idx + 1);
      on_file = idx + 1;
    }
    f->rec_count = on_file;
  } else {
    put();
  }
  if (journaled) Journal_it('A', f->out_buf, size_t(count), f);
  f->byte_pos += len;
  f->rec_index++;
  f->high_water = 0;
  Mark_commit();
  return 0;
}

int64_t Ind_wr_mode() {
  Fcb* f = ws.Cur_fcb;
  f->buf_count = 0;
  f->high_water = 0;
  f->column = 0;
  f->st1 |= ST1_WRITTEN;
  return 0;
}

int64_t Ind_purge() {
  Ind_fcb* f = fcb();
  Header_lock lock(f->fd);
  uint8_t hdr[256];
  read_header(f->fd, hdr);
  if (!limit_of(f) && chsize(f->fd, 0) != 0) Sys_error();
  f->rec_index = 0;
  f->rec_count = 0;
  f->byte_pos = DATA_START;
  put_u32be(hdr + 14, 0);
  write_header(f->fd, hdr);
  if (limit_of(f) && Ind_init(f->fd, f->rec_size, limit_of(f), 0) != 0) Sys_error();
  f->st3 |= ST3_PURGED;
  return 0;
}

}  // namespace

const Fio_op Ind_fotbl[FIO_SLOTS] = {
    Ind_define,  Ind_open,    Ind_close,   Ind_write,   Ind_read,    Io_mode_err,   Ind_setind,
    Ind_getind,  Io_mode_err, Io_mode_err, Io_mode_err, Io_mode_err, Io_rsz_err,    Ind_wr_mode,
    Ind_purge,   Io_mode_err, Io_mode_err, Io_mode_err, Io_do_nothing, Io_do_nothing};

int Ind_init(int fd, int32_t rec_len, int64_t to, int64_t from) {
  if (from >= to) return 0;
  static const uint8_t zeros[4096] = {};
  int64_t off = DATA_START + from * rec_len;
  int64_t end = DATA_START + to * rec_len;
  while (off < end) {
    int64_t n = end - off < 4096 ? end - off : 4096;
    if (pwrite(fd, zeros, size_t(n), off) != n) return -1;
    off += n;
  }
  return 0;
}

int64_t Ind_record_count(Fcb* fb) {
  auto* f = static_cast<Ind_fcb*>(fb);
  uint8_t cnt[4];
  // The count changes only under the header lock, in one 4-byte write; a
  // plain read sees the old or the new value whole.
  if (f->fd >= 0 && ReadVerify(f->fd, cnt, 4, 14) == 4) f->rec_count = get_u32be(cnt);
  return f->rec_count;
}

void Ind_journalize(bool on) {
  Fcb* f = ws.Cur_fcb;
  Header_lock lock(f->fd);
  uint8_t hdr[256];
  read_header(f->fd, hdr);
  hdr[18] = uint8_t(on ? hdr[18] | IF_JOURNAL : hdr[18] & ~IF_JOURNAL);
  if (WriteVerify(f->fd, hdr, 256, 0) != 256) Rpt_error(err::KEY_NOT_FOUND);
}
