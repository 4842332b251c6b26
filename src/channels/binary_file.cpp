// Binary files (kind 5): byte streams addressed in fixed-size records.
//
// Record n starts at byte n x rec_size.  IND= on READ or WRITE positions;
// otherwise each transfer continues where the last one ended.  A READ takes
// |SIZ=| bytes when SIZ= is given, else the buffer size for a channel opened
// with the minus modifier, else one record.  A WRITE pads a short record
// with NUL bytes to the record size; a longer one is written whole.
// FIFOs are binary channels too: they cannot be positioned (error 13).
// Transfers on files take the record locks other processes see
// (Read_and_lock, Write_and_lock).
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "channels/channel.h"
#include "channels/record_locks.h"
#include "channels/simple_files.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/workspace.h"
#include "core/signal_flags.h"

namespace {

constexpr int32_t MIN_RAW_BUF = 4096;

Seq_fcb* cur() { return static_cast<Seq_fcb*>(ws.Cur_fcb); }
bool is_fifo(const Fcb* f) { return f->st2 & ST2_FIFO; }

void position_at_ind(Seq_fcb* f) {
  if (!(ws.Io_opts & IO_IND)) return;
  f->byte_pos = int64_t(f->rec_size) * ws.Io_ind;
  f->rec_index = ws.Io_ind;
  f->putback_cnt = 0;
}

void set_index(Seq_fcb* f) { f->rec_index = int32_t(f->byte_pos / (f->rec_size > 0 ? f->rec_size : 1)); }

bool Bin_unflush(Fcb* fcb, int64_t flushed, int32_t count, int32_t index);

// Writes the first n bytes of the output buffer at the byte position and
// empties the buffer; the position moves past them.  Bytes handed back are
// dropped: they are the file's as it was at the position, and are read
// again from there.
void write_out(Seq_fcb* f, int32_t n) {
  if (is_fifo(f)) Fifo_for_output(f);
  f->buf_count = 0;
  f->high_water = 0;
  f->putback_cnt = 0;
  int64_t w = is_fifo(f) ? int64_t(write(f->fd, f->out_buf, size_t(n)))
                         : Write_and_lock(f->byte_pos, f->out_buf, n);
  if (w < 0) Sys_error();
  if (w != n) Rpt_error(err::FILE_TOO_LARGE);
  f->byte_pos += n;
  if (f->byte_pos > f->file_len) f->file_len = f->byte_pos;
  set_index(f);
}

// Writes what PRINT left in the output buffer at the byte position.
void write_pending(Seq_fcb* f) {
  if (f->buf_count > 0) write_out(f, f->buf_count);
}

int64_t Bin_open() {
  auto* f = Fcb_alloc<Seq_fcb>();
  f->fd = ws.Cur_fd;
  f->kind = FK_BINARY;
  f->unflush = Bin_unflush;
  ws.Cur_fcb = f;
  f->rec_size = ws.Io_bin_rsz > 0 ? ws.Io_bin_rsz : 1;
  int32_t buf = f->rec_size;
  if (f->rec_size == 1) buf = ws.Io_siz > 0 ? ws.Io_siz : MIN_RAW_BUF;
  if ((ws.Io_open_mods & OM_MINUS) && buf < MIN_RAW_BUF) buf = MIN_RAW_BUF;
  Fcb_set_buffer(f, buf);
  struct stat st {};
  if (fstat(f->fd, &st) == 0 && S_ISFIFO(st.st_mode)) f->st2 |= ST2_FIFO;
  f->file_len = is_fifo(f) ? 0 : filelength(f->fd);
  if (f->file_len < 0) f->file_len = 0;
  f->rec_count = int32_t(f->file_len / f->rec_size);
  if (ws.Io_open_mods & OM_APPEND) {
    f->rec_index = f->rec_count;
    f->byte_pos = f->file_len;
  }
  return 0;
}

int64_t Bin_close() {
  auto* f = cur();
  if (f->putback) Ret_blk(f->putback);
  f->putback = nullptr;
  f->putback_cnt = 0;
  if (f->st1 & ST1_WRITTEN) write_pending(f);
  if (f->rd_buf) Ret_blk(f->rd_buf);
  if (f->line_buf) Ret_blk(f->line_buf);
  f->rd_buf = f->line_buf = nullptr;
  return 0;
}

int64_t Bin_read() {
  auto* f = cur();
  // What PRINT left in the buffer goes out first, at its own position: on a
  // file before the position moves, on a FIFO ahead of the answer this READ
  // may wait for.
  if (f->rec_size == 1) write_pending(f);
  position_at_ind(f);
  bool extract = ws.Io_stmt == code::D_EXTRACT;
  if (extract) f->putback_cnt = 0;
  int32_t len;
  if (ws.Io_siz != 0) len = ws.Io_siz < 0 ? -ws.Io_siz : ws.Io_siz;
  else if ((f->st4 & ST4_MINUS) && !(ws.Io_opts & IO_QMARK)) len = f->buf_size;
  else len = f->rec_size;
  uint8_t* dst;
  if (len > f->buf_size) {
    dst = static_cast<uint8_t*>(Get_temp(size_t(len)));
  } else {
    if (!f->rd_buf) {
      f->rd_cap = f->buf_size;
      f->rd_buf = static_cast<uint8_t*>(Get_blk_nc(size_t(f->rd_cap)));
    }
    dst = f->rd_buf;
  }
  int32_t got = 0;
  if (f->putback_cnt > 0) {
    int32_t n = f->putback_cnt < len ? f->putback_cnt : len;
    std::memcpy(dst, f->putback, size_t(n));
    f->putback_cnt -= n;
    if (f->putback_cnt > 0) std::memmove(f->putback, f->putback + n, size_t(f->putback_cnt));
    f->byte_pos += n;
    got = n;
  }
  if (got < len) {
    int64_t n;
    if (is_fifo(f)) {
      n = Fifo_read(f->fd, dst + got, size_t(len - got));
      if (n < 0) Sys_error();
    } else {
      n = Read_and_lock(f->byte_pos, dst + got, len - got);
    }
    if (!extract) f->byte_pos += n;
    got += int32_t(n);
  }
  if (got == 0) Io_end_err();
  set_index(f);
  f->st1 |= ST1_READ;
  ws.Str_ptr = dst;
  ws.Str_len = got;
  return 0;
}

int64_t Bin_write() {
  auto* f = cur();
  position_at_ind(f);
  ws.Io_opts &= uint16_t(~IO_IND);
  f->putback_cnt = 0;
  int32_t n = f->buf_count;
  if (n < f->rec_size) {
    std::memset(f->out_buf + n, 0, size_t(f->rec_size - n));
    n = f->rec_size;
  }
  write_out(f, n);
  f->st1 |= ST1_WRITTEN;
  return 0;
}

int64_t Bin_setind() {
  if (is_fifo(ws.Cur_fcb)) Rpt_error(err::WRONG_MODE);
  return 0;
}

int64_t Bin_getind() { return cur()->rec_index; }

int64_t Bin_flush() {
  auto* f = cur();
  if (f->rec_size != 1) Rpt_error(err::RECORD_TOO_LONG);
  const int32_t n = f->buf_count;
  const bool over = f->byte_pos < f->file_len;
  write_pending(f);
  f->flushed += n;
  if (over) f->overwritten_at = f->flushed;
  return 0;
}

// A statement that failed after part of its record went out takes it back
// while it only lengthened the file (the bytes it wrote over are gone).
bool Bin_unflush(Fcb* fcb, int64_t flushed, int32_t count, int32_t) {
  auto* f = static_cast<Seq_fcb*>(fcb);
  if (f->kind != FK_BINARY || f->overwritten_at > flushed || !Seq_take_back(f, flushed, count)) return false;
  f->file_len = f->byte_pos;
  set_index(f);
  return true;
}

int64_t Bin_purge() {
  auto* f = cur();
  if (!is_fifo(f) && chsize(f->fd, 0) != 0) Sys_error();
  f->st1 &= uint16_t(~(ST1_READ | ST1_WRITTEN));
  f->rec_index = 0;
  f->byte_pos = 0;
  f->file_len = 0;
  f->rec_count = 0;
  f->putback_cnt = 0;
  f->buf_count = f->high_water = 0;
  return 0;
}

}  // namespace

void Seq_to_binary() {
  auto* f = cur();
  f->kind = FK_BINARY;
  f->unflush = Bin_unflush;
  f->st2 &= uint16_t(~ST2_SERIAL_NOT_FIFO);
  f->rec_size = 1;
  f->file_len = filelength(f->fd);
  if (f->file_len < 0) f->file_len = 0;
  f->rec_count = int32_t(f->file_len);
  f->byte_pos = 0;
  f->rec_index = 0;
  f->rd_pos = f->rd_fill = 0;
  f->buf_count = f->high_water = 0;
  ws.Cur_ftype = FK_BINARY;
  ws.Cur_drv = Fio_tbl[FK_BINARY + 1];
}

void BinPutBack(const uint8_t* bytes, int32_t count) {
  auto* f = cur();
  if (ws.Io_stmt == code::D_EXTRACT || count <= 0) return;
  if (!f->putback) f->putback = static_cast<uint8_t*>(Get_blk_nc(size_t(f->buf_size)));
  if (f->putback_cnt + count > f->buf_size) return;
  // The bytes go in front of what is already handed back: they were read
  // after it.
  std::memmove(f->putback + count, f->putback, size_t(f->putback_cnt));
  std::memcpy(f->putback, bytes, size_t(count));
  f->putback_cnt += count;
  f->byte_pos -= count;
  set_index(f);
}

void BinAdjustAddr(int64_t count) {
  auto* f = cur();
  f->byte_pos += count;
  if (f->byte_pos < 0) f->byte_pos = 0;
  set_index(f);
}

const Fio_op Bin_fotbl[FIO_SLOTS] = {
    Io_mode_err, Bin_open,    Bin_close,   Bin_write,   Bin_read,    Io_mode_err,  Bin_setind,
    Bin_getind,  Io_mode_err, Io_mode_err, Io_mode_err, Io_mode_err, Bin_flush,    Io_wr_mode,
    Bin_purge,   Io_mode_err, Io_mode_err, Io_mode_err, Io_do_nothing, Io_do_nothing};
