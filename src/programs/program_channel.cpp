// The program-file channel (file kinds 4 and 17): byte access to a program
// or variable-data file.
//
// Channel record: the common part with a 512-byte buffer.  byte_pos
// is the absolute file offset of the next transfer (256 after OPEN: the
// first byte behind the header).  READ takes SIZ= bytes (512 by default)
// and gives end of file for a short read, delivering nothing; IND= is an
// absolute byte offset; WRITE and the flush slot write what the buffer
// holds at byte_pos; PURGE leaves a file of exactly the 256-byte header.
#include "programs/program_channel.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "channels/channel.h"
#include "channels/record_io.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/workspace.h"
#include "programs/program_file.h"

namespace {

constexpr int32_t PRG_BUF = 512;
constexpr int32_t WORK_READ_MAX = 4096;  // larger reads go to a temporary block

struct Prg_fcb : Fcb {};

Prg_fcb* cur() { return static_cast<Prg_fcb*>(ws.Cur_fcb); }

int64_t Prg_define() {
  uint8_t h[PRG_HDR_SIZE];
  Prg_fresh_header(h, ws.Cur_ftype != FK_VARDATA);
  for (size_t done = 0; done < PRG_HDR_SIZE;) {
    ssize_t n = ::pwrite(ws.Cur_fd, h + done, PRG_HDR_SIZE - done, off_t(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      if (n == 0) errno = ENOSPC;
      Sys_error();
    }
    done += size_t(n);
  }
  return 0;
}

int64_t Prg_open() {
  auto* f = Fcb_alloc<Prg_fcb>();
  f->fd = ws.Cur_fd;
  f->kind = ws.Cur_ftype;
  Fcb_set_buffer(f, PRG_BUF);
  f->rec_size = PRG_BUF;
  f->file_len = filelength(f->fd);
  if (f->file_len < 0) f->file_len = 0;
  f->byte_pos = int64_t(PRG_HDR_SIZE);
  ws.Cur_fcb = f;
  return 0;
}

int64_t Prg_read() {
  Prg_fcb* f = cur();
  int32_t size = ws.Io_siz > 0 ? ws.Io_siz : PRG_BUF;
  uint8_t* dst = size > WORK_READ_MAX ? static_cast<uint8_t*>(Get_temp(size_t(size))) : Work_take(size_t(size));
  size_t got = 0;
  while (got < size_t(size)) {
    ssize_t n = ::pread(f->fd, dst + got, size_t(size) - got, off_t(f->byte_pos) + off_t(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Sys_error();
    if (n == 0) break;
    got += size_t(n);
  }
  if (got < size_t(size)) Io_end_err();  // the partial record is not delivered
  f->byte_pos += size;
  f->st1 |= ST1_READ;
  ws.Str_ptr = dst;
  ws.Str_len = size;
  return 0;
}

int64_t Prg_setind() {
  Prg_fcb* f = cur();
  if (ws.Io_ind < 0) Io_end_err();
  f->byte_pos = ws.Io_ind;
  return 0;
}

int64_t Prg_getind() { return cur()->byte_pos; }

int64_t Prg_flush() {
  Prg_fcb* f = cur();
  if (!(f->st1 & ST1_WRITTEN) || f->buf_count <= 0) return 0;
  int32_t n = f->buf_count;
  size_t done = 0;
  while (done < size_t(n)) {
    ssize_t k = ::pwrite(f->fd, f->out_buf + done, size_t(n) - done, off_t(f->byte_pos) + off_t(done));
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) {
      if (k == 0) errno = ENOSPC;
      Sys_error();
    }
    done += size_t(k);
  }
  f->buf_count = 0;
  f->high_water = 0;
  f->byte_pos += n;
  if (f->byte_pos > f->file_len) f->file_len = f->byte_pos;
  return 0;
}

int64_t Prg_purge() {
  Prg_fcb* f = cur();
  if (chsize(f->fd, 0) != 0) Sys_error();
  ws.Cur_fd = f->fd;
  ws.Cur_ftype = f->kind;
  Prg_define();
  f->byte_pos = int64_t(PRG_HDR_SIZE);
  f->file_len = int64_t(PRG_HDR_SIZE);
  f->buf_count = f->high_water = 0;
  f->st1 |= ST1_WRITTEN;
  return 0;
}

}  // namespace

const Fio_op Prg_fotbl[FIO_SLOTS] = {
    Prg_define,    Prg_open,      Prg_flush,     Prg_flush,    Prg_read,     Io_mode_err,  Prg_setind,
    Prg_getind,    Io_mode_err,   Io_mode_err,   Io_mode_err,  Io_mode_err,  Prg_flush,    Io_wr_mode,
    Prg_purge,     Io_mode_err,   Io_mode_err,   Io_mode_err,  Io_do_nothing, Io_do_nothing,
};

int Read_next_line(Fcb* f, int* counter) {
  if (ReadNext(f) != 0) return -1;
  if (counter) ++*counter;
  int32_t n = ws.Str_len < 0 ? 0 : ws.Str_len;
  const uint8_t* p = ws.Str_ptr;
  if (n > 0 && p[n - 1] == '\r') n--;
  if (n > 0 && p[n - 1] == 26) n--;
  if (f->kind == FK_INDEXED) {
    while (n > 0 && p[n - 1] == 0) n--;
    uint8_t* copy = Work_take(size_t(n));
    if (n) std::memcpy(copy, p, size_t(n));
    ws.Str_ptr = copy;
  }
  ws.Str_len = n;
  return 0;
}
