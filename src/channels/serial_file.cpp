// Serial files (kind 1): text files of lines ended by a newline.
//
// A READ delivers the next line without its newline; a last line without a
// newline is still a line.  Writing after reading truncates the file after
// the last line read; reading after writing is refused (error 13) until the
// channel is reopened or purged.  Output goes to the end of the file unless
// lines were read first.  Output needs an exclusive open or parameter LU.
// Each line end writes the buffer: a statement returns with its lines in
// the file.
//
// Status word 1: ST1_READ after a read, ST1_WRITTEN after write mode.
// Status word 2 bit ST2_SERIAL_NOT_FIFO (set at open with parameter BT, never
// for FIFOs): the channel may still turn binary (READ with SIZ=, or IND= on
// any other directive); the first READ or WRITE without them clears it.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "channels/channel.h"
#include "channels/record_locks.h"
#include "channels/simple_files.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"
#include "core/signal_flags.h"

namespace {

constexpr int32_t DEFAULT_REC = 4096;
constexpr int64_t APPEND_CHUNK = 204800;
// A file (not a FIFO) is read this much at a time, however short its
// records: lines longer than the buffer are still gathered whole.
constexpr int32_t READ_CHUNK = 65536;

Seq_fcb* cur() { return static_cast<Seq_fcb*>(ws.Cur_fcb); }
bool is_fifo(const Fcb* f) { return f->st2 & ST2_FIFO; }

// BT: READ with SIZ=, or IND= on another directive, turns the channel binary.
bool turns_binary(const Fcb* f, bool reading) {
  if (!(f->st2 & ST2_SERIAL_NOT_FIFO)) return false;
  return reading ? ws.Io_siz != 0 : (ws.Io_opts & IO_IND) != 0;
}

// Refills the read buffer after the consumed bytes: 0 at end of file.
int32_t refill(Seq_fcb* f) {
  if (!f->rd_buf) {
    f->rd_cap = is_fifo(f) || f->rec_size > READ_CHUNK ? f->rec_size : READ_CHUNK;
    f->rd_buf = static_cast<uint8_t*>(Get_blk_nc(size_t(f->rd_cap)));
  }
  f->byte_pos += f->rd_fill;
  f->rd_pos = f->rd_fill = 0;
  for (;;) {
    ssize_t n;
    if (is_fifo(f)) {
      n = Fifo_read(f->fd, f->rd_buf, size_t(f->rd_cap));
    } else {
      n = pread(f->fd, f->rd_buf, size_t(f->rd_cap), off_t(f->byte_pos));
    }
    if (n < 0) {
      if (errno == EINTR && !(Run_flags_now() & (RF_ESCAPE | RF_TIMEOUT))) continue;
      Sys_error();
    }
    f->rd_fill = int32_t(n);
    return f->rd_fill;
  }
}

void line_append(Seq_fcb* f, int32_t* len, const uint8_t* p, int32_t n) {
  if (*len + n > f->line_cap) {
    int32_t cap = f->line_cap ? f->line_cap : 4096;
    while (cap < *len + n) cap = cap < 65536 ? cap * 2 : cap + 32768;
    auto* nb = static_cast<uint8_t*>(Get_blk_nc(size_t(cap)));
    if (*len) std::memcpy(nb, f->line_buf, size_t(*len));
    if (f->line_buf) Ret_blk(f->line_buf);
    f->line_buf = nb;
    f->line_cap = cap;
  }
  if (n > 0) std::memcpy(f->line_buf + *len, p, size_t(n));
  *len += n;
}

// Reads the next line into the current string; false at end of file.
bool Seq_next(Seq_fcb* f) {
  int32_t max = ws.Max_strlen > 0 ? ws.Max_strlen : INT32_MAX;
  // The common case: the whole line is in the buffer.
  if (f->rd_pos < f->rd_fill) {
    uint8_t* s = f->rd_buf + f->rd_pos;
    int32_t avail = f->rd_fill - f->rd_pos;
    int32_t look = avail < max ? avail : max;
    auto* nl = static_cast<uint8_t*>(std::memchr(s, '\n', size_t(look)));
    if (nl) {
      ws.Str_ptr = s;
      ws.Str_len = int32_t(nl - s);
      f->rd_pos += ws.Str_len + 1;
      return true;
    }
    if (look == max) {
      ws.Str_ptr = s;
      ws.Str_len = max;
      f->rd_pos += max;
      return true;
    }
  }
  int32_t len = 0;
  for (;;) {
    if (f->rd_pos >= f->rd_fill && refill(f) == 0) {
      if (len == 0) return false;
      break;
    }
    uint8_t* s = f->rd_buf + f->rd_pos;
    int32_t avail = f->rd_fill - f->rd_pos;
    int32_t room = max - len;
    int32_t look = avail < room ? avail : room;
    auto* nl = static_cast<uint8_t*>(std::memchr(s, '\n', size_t(look)));
    if (nl) {
      int32_t n = int32_t(nl - s);
      line_append(f, &len, s, n);
      f->rd_pos += n + 1;
      break;
    }
    line_append(f, &len, s, look);
    f->rd_pos += look;
    if (len >= max) break;
  }
  ws.Str_ptr = f->line_buf;
  ws.Str_len = len;
  return true;
}

void rewind(Seq_fcb* f) {
  f->rd_pos = f->rd_fill = 0;
  f->byte_pos = 0;
  f->rec_index = 0;
  f->rec_count = 0;
  f->buf_count = 0;
  f->high_water = 0;
  f->rec_start = 0;
  f->st1 &= uint16_t(~(ST1_READ | ST1_WRITTEN));
  if (!is_fifo(f)) lseek(f->fd, 0, SEEK_SET);
}

// Writes out the output buffer: rec_size bytes at most (a line longer than
// the buffer goes out in pieces as it is built), all when closing.
void flush_out(Seq_fcb* f, bool closing) {
  if (f->buf_count <= 0) return;
  int32_t n = closing || f->buf_count < f->rec_size ? f->buf_count : f->rec_size;
  ssize_t w;
  for (;;) {
    w = is_fifo(f) ? write(f->fd, f->out_buf, size_t(n))
                   : pwrite(f->fd, f->out_buf, size_t(n), off_t(f->byte_pos));
    if (w < 0 && errno == EINTR) continue;
    break;
  }
  if (w != n) {
    // A short write (a full disk) leaves no piece of a line behind: what
    // went out is cut off again while the file ends with it.
    if (w > 0 && !is_fifo(f) && filelength(f->fd) == f->byte_pos + w) (void)chsize(f->fd, f->byte_pos);
    if (closing) f->buf_count = f->high_water = 0;
    if (w < 0) Sys_error();
    Rpt_error(err::END_OF_FILE);
  }
  f->mid_line = f->out_buf[n - 1] != '\n';
  f->byte_pos += n;
  f->flushed += n;
  f->buf_count -= n;
  if (f->buf_count > 0) std::memmove(f->out_buf, f->out_buf + n, size_t(f->buf_count));
  if (f->high_water > f->buf_count) f->high_water = f->buf_count;
  f->rec_start = f->rec_start > n ? f->rec_start - n : 0;
  Mark_commit();
}

// A statement that failed after part of its line went out (a line longer
// than the buffer) takes those bytes back out of the file (Seq_take_back);
// a line that ended meanwhile went out whole and stays.  A FIFO's reader
// has the part already: the line is ended there, so that the next record
// is a line of its own.
bool Seq_unflush(Fcb* fcb, int64_t flushed, int32_t count, int32_t index) {
  auto* f = static_cast<Seq_fcb*>(fcb);
  if (f->kind != FK_SERIAL) return false;
  if (is_fifo(f)) {
    if (f->mid_line && f->rec_start < f->buf_size) {
      f->out_buf[f->rec_start++] = '\n';
      f->mid_line = false;
    }
    return false;
  }
  if (count < 0 || f->rec_index != index) return false;
  return Seq_take_back(f, flushed, count);
}

// Writes out everything the output buffer holds, fields printed past the
// buffer count (the high-water mark) included.
void flush_all(Seq_fcb* f) {
  if (f->high_water > f->buf_count) f->buf_count = f->high_water;
  flush_out(f, true);
  f->high_water = 0;
}

int64_t Seq_define() { return 0; }

int64_t Seq_open() {
  auto* f = Fcb_alloc<Seq_fcb>();
  f->fd = ws.Cur_fd;
  f->kind = FK_SERIAL;
  f->unflush = Seq_unflush;
  f->rec_size = ws.Io_siz > 0 ? ws.Io_siz : DEFAULT_REC;
  ws.Cur_fcb = f;
  Fcb_set_buffer(f, f->rec_size + 256);
  struct stat st {};
  bool fifo = fstat(f->fd, &st) == 0 && S_ISFIFO(st.st_mode);
  if (fifo) f->st2 |= ST2_FIFO;
  if (Sw_on(sw::BT) && !fifo) f->st2 |= ST2_SERIAL_NOT_FIFO;
  if ((ws.Io_open_mods & OM_APPEND) && !fifo) {
    // Position after the last line: count the lines on the way.
    int64_t lines = 0, pos = 0;
    auto* chunk = static_cast<uint8_t*>(Get_temp(size_t(APPEND_CHUNK)));
    for (;;) {
      ssize_t n = pread(f->fd, chunk, size_t(APPEND_CHUNK), off_t(pos));
      if (n < 0) {
        if (errno == EINTR) continue;
        int e = errno;
        Fcb_set_buffer(f, 0);
        Ret_blk(f);
        ws.Cur_fcb = nullptr;
        errno = e;
        Sys_error();
      }
      if (n == 0) break;
      for (ssize_t i = 0; i < n; ++i) lines += chunk[i] == '\n';
      pos += n;
    }
    f->byte_pos = pos;
    f->rec_index = f->rec_count = int32_t(lines);
    f->st1 |= ST1_READ;
  }
  return 0;
}

int64_t Seq_close() {
  auto* f = cur();
  if (f->st1 & ST1_WRITTEN) {
    f->st2 |= 4;  // closing
    flush_all(f);
    flush_out(f, true);
  }
  if (f->rd_buf) Ret_blk(f->rd_buf);
  if (f->line_buf) Ret_blk(f->line_buf);
  if (f->putback) Ret_blk(f->putback);
  f->rd_buf = f->line_buf = f->putback = nullptr;
  return 0;
}

int64_t Seq_read() {
  auto* f = cur();
  if (turns_binary(f, true)) {
    Seq_to_binary();
    return Fio_call(FIO_READ);
  }
  f->st2 &= uint16_t(~ST2_SERIAL_NOT_FIFO);
  if (f->st1 & (ST1_WRITTEN | ST1_WRITE_ONLY)) Rpt_error(err::WRONG_MODE);
  if (!Seq_next(f)) Io_end_err();
  f->st1 |= ST1_READ;
  f->rec_count = f->rec_index++;
  return 0;
}

int64_t Seq_setind() {
  auto* f = cur();
  if (turns_binary(f, ws.Io_stmt == code::D_READ)) {
    Seq_to_binary();
    return Fio_call(FIO_SETIND);
  }
  if (is_fifo(f)) Rpt_error(err::WRONG_MODE);
  int32_t want = ws.Io_ind;
  if (want < f->rec_index) {
    // As at CLOSE, the output not yet written goes to the file first.
    if (f->st1 & ST1_WRITTEN) flush_all(f);
    rewind(f);
  }
  while (f->rec_index < want) {
    if (!Seq_next(f)) Io_end_err();
    f->st1 |= ST1_READ;
    f->rec_count = f->rec_index++;
  }
  return 0;
}

int64_t Seq_getind() {
  auto* f = cur();
  if (f->st1 & ST1_WRITTEN) Rpt_error(err::END_OF_FILE);
  return f->rec_index;
}

uint8_t* be4_result(int64_t v) {
  auto* p = static_cast<uint8_t*>(Get_temp(4));
  p[0] = uint8_t(v >> 24);
  p[1] = uint8_t(v >> 16);
  p[2] = uint8_t(v >> 8);
  p[3] = uint8_t(v);
  ws.Str_ptr = p;
  ws.Str_len = 4;
  return p;
}

// KEY= is a byte offset: 4 bytes big-endian.  Output still in the buffer
// belongs at the old position and goes there first; a READ of a written
// channel is refused (error 13) before anything moves.
int64_t Seq_setkey() {
  auto* f = cur();
  if (is_fifo(f)) Rpt_error(err::WRONG_MODE);
  const uint8_t st = ws.Io_stmt;
  if ((f->st1 & (ST1_WRITTEN | ST1_WRITE_ONLY)) && (st == code::D_READ || st == code::D_EXTRACT || st == code::D_FIND))
    Rpt_error(err::WRONG_MODE);
  int64_t off = 0;
  for (int32_t i = 0; i < ws.Io_key_len && i < 4; ++i) off = (off << 8) | ws.Io_key_ptr[i];
  int64_t len = filelength(f->fd);
  if (f->st1 & ST1_WRITTEN) {
    flush_all(f);
    len = filelength(f->fd);
  }
  if (off > len) Rpt_error(err::END_OF_FILE);
  f->byte_pos = off;
  f->rd_pos = f->rd_fill = 0;
  return 0;
}

int64_t Seq_getkec() {
  auto* f = cur();
  int64_t pos = (f->st1 & ST1_WRITTEN) ? f->byte_pos + std::max(f->buf_count, f->high_water)
                                       : f->byte_pos + f->rd_pos;
  be4_result(pos);
  return 0;
}

int64_t Seq_getkef() {
  be4_result(0);
  return 0;
}

int64_t Seq_getkel() {
  be4_result(filelength(cur()->fd));
  return 0;
}

int64_t Seq_wr_mode() {
  auto* f = cur();
  if (turns_binary(f, false)) {
    Seq_to_binary();
    return Fio_call(FIO_WR_MODE);
  }
  f->st2 &= uint16_t(~ST2_SERIAL_NOT_FIFO);
  if (f->st1 & ST1_WRITTEN) return 0;
  if (f->st1 & ST1_INPUT_ONLY) Rpt_error(err::WRONG_MODE);
  if (is_fifo(f)) {
    Fifo_for_output(f);
    f->buf_count = f->high_water = 0;
  } else {
    if (!(f->st1 & ST1_LOCKED) && !Sw_on(sw::LU)) Rpt_error(err::WRONG_MODE);
    if (f->st1 & ST1_READ) {
      int64_t at = f->byte_pos + f->rd_pos;
      if (chsize(f->fd, at) != 0) Sys_error();
      f->byte_pos = at;
    } else {
      int64_t len = filelength(f->fd);
      if (len < 0) Sys_error();
      f->byte_pos = len;
      f->rec_index = f->rec_count = 0;
    }
    f->rd_pos = f->rd_fill = 0;
    f->buf_count = f->high_water = 0;
  }
  f->rec_start = 0;
  f->putback_cnt = 0;
  f->st1 |= ST1_WRITTEN;
  return 0;
}

int64_t Seq_write() {
  auto* f = cur();
  if (Seq_line_end(f)) return 0;  // the usual line: nothing to write out
  f->st2 &= uint16_t(~ST2_SERIAL_NOT_FIFO);
  if (!(f->st1 & ST1_WRITTEN)) Seq_wr_mode();
  if (f->buf_count >= f->buf_size) flush_out(f, false);
  f->out_buf[f->buf_count++] = '\n';
  if (is_fifo(f)) {
    while (f->buf_count > 0) flush_out(f, true);
  } else {
    Seq_put_lines(f);
  }
  f->rec_count = f->rec_index++;
  f->rec_start = 0;
  return 0;
}

int64_t Seq_flush() {
  auto* f = cur();
  bool closing = f->st2 & 4;
  flush_out(f, closing);
  return 0;
}

int64_t Seq_purge() {
  auto* f = cur();
  if (!is_fifo(f) && chsize(f->fd, 0) != 0) Sys_error();
  rewind(f);
  return 0;
}

}  // namespace

bool Seq_take_back(Seq_fcb* f, int64_t flushed, int32_t count) {
  const int64_t since = f->flushed - flushed;
  if ((f->st2 & ST2_FIFO) || since <= 0 || since > f->byte_pos || count > f->buf_size) return false;
  if (int64_t(count) > since + f->buf_count) return false;
  const int64_t from = f->byte_pos - since;
  if (filelength(f->fd) != f->byte_pos) return false;
  const int32_t on_disk = int32_t(std::min<int64_t>(since, count < 0 ? 0 : count));
  std::string back(size_t(on_disk), '\0');
  if (on_disk > 0 && Pread_all(f->fd, back.data(), size_t(on_disk), from) != on_disk) return false;
  if (chsize(f->fd, from) != 0) return false;
  if (count > on_disk) std::memmove(f->out_buf + on_disk, f->out_buf, size_t(count - on_disk));
  if (on_disk > 0) std::memcpy(f->out_buf, back.data(), size_t(on_disk));
  f->byte_pos = from;
  f->flushed = flushed;
  if (count >= 0) f->buf_count = count;
  return true;
}

// A line is in the file when the statement that ended it returns, even if
// the process is killed right after: nothing is gathered across statements
// (one write per line end; the lines of one statement, of which there is
// usually one, are not worth gathering).
void Seq_put_lines(Seq_fcb* f) {
  try {
    flush_out(f, true);
  } catch (...) {
    f->buf_count = f->high_water = f->rec_start = 0;
    throw;
  }
  f->rec_start = 0;
}

int64_t Fifo_read(int fd, uint8_t* buf, size_t n) {
  for (;;) {
    // The descriptor is non-blocking: a FIFO that no one holds open for
    // writing reads as its end at once (poll would report nothing on one
    // that never had a writer); with a writer there, the wait for data
    // ends with TIM= (error 0).
    ssize_t got = read(fd, buf, n);
    if (got >= 0) return got;
    if (errno == EINTR && !(Run_flags_now() & (RF_ESCAPE | RF_TIMEOUT))) continue;
    if (errno != EAGAIN) return -1;
    int ms = ws.Io_tim >= 0 ? ws.Io_tim * 10 : -1;
    if (Pip_WaitForData(fd, ms) == 0) {
      ws.Io_rty = 0;
      Rpt_error(err::RECORD_BUSY);
    }
  }
}

void Fifo_for_output(Fcb* f) {
  if (!(f->st2 & ST2_FIFO) || f->fd < 0) return;
  int fl = fcntl(f->fd, F_GETFL);
  if (fl < 0 || (fl & O_ACCMODE) != O_RDONLY) return;
  if (f->st1 & ST1_INPUT_ONLY) Rpt_error(err::WRONG_MODE);
  const char* path = f->path ? f->path->path : nullptr;
  if (!path) Rpt_error(err::WRONG_MODE);
  int w = open(path, O_RDWR | O_NONBLOCK | O_CLOEXEC);  // the same FIFO, checked below
  if (w < 0) Sys_error();
  struct stat a {}, b {};
  if (fstat(f->fd, &a) != 0 || fstat(w, &b) != 0 || a.st_dev != b.st_dev || a.st_ino != b.st_ino) {
    close(w);
    Rpt_error_text(err::WRONG_MODE, "The FIFO was replaced");
  }
  int r = dup3(w, f->fd, O_CLOEXEC);
  int e = errno;
  close(w);
  if (r < 0) {
    errno = e;
    Sys_error();
  }
}

const Fio_op Seq_fotbl[FIO_SLOTS] = {
    Seq_define,  Seq_open,    Seq_close,   Seq_write,   Seq_read,     Io_mode_err,  Seq_setind,
    Seq_getind,  Seq_setkey,  Seq_getkec,  Io_mode_err, Io_mode_err,  Seq_flush,    Seq_wr_mode,
    Seq_purge,   Seq_getkef,  Seq_getkel,  Io_mode_err, Io_do_nothing, Io_do_nothing};
