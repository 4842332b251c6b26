// Pipe channels (kind 8): a shell command run in a child process.
//
// The name gives the direction: "<cmd" reads the command's output, ">cmd"
// writes to its input, "|cmd" does both.  Records are lines (a newline is
// added on WRITE and taken off on READ), or blocks of the record length for
// a channel opened with one.  A WRITE with IND= ends the command's input
// (the channel becomes input only) so that its remaining output can still be
// read.  When the command's output is used up and it has ended, READ is end
// of file (error 2).
//
// The child runs "/bin/sh -c cmd" with its standard input and output joined
// to the pipes; a closed channel's child is waited for with parameter WP,
// else reaped later without waiting.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "channels/channel.h"
#include "core/console_device.h"
#include "channels/simple_files.h"
#include "core/codes.h"
#include "core/errors.h"
#include "core/host.h"
#include "core/memory.h"
#include "core/params.h"
#include "core/workspace.h"
#include "core/signal_flags.h"

namespace {

constexpr int32_t DEFAULT_REC = 2048;
constexpr int IDLE_MS = 250;

Pip_fcb* cur() { return static_cast<Pip_fcb*>(ws.Cur_fcb); }

void close_quietly(int& fd) {
  if (fd >= 0) close(fd);
  fd = -1;
}

// Reaps the child without waiting (or waiting, when wait is set); true once
// it has ended.
bool child_ended(Pip_fcb* f, bool wait) {
  if (f->pid <= 0) return true;
  int st = 0;
  pid_t r;
  do {
    r = waitpid(f->pid, &st, wait ? 0 : WNOHANG);
  } while (r < 0 && errno == EINTR);
  if (r == 0) return false;
  if (r == f->pid) f->exit_status = WIFEXITED(st) ? WEXITSTATUS(st) : 128 + WTERMSIG(st);
  f->pid = 0;
  return true;
}

// Writes n bytes of the output buffer to the command.
void write_out(Pip_fcb* f, int32_t n) {
  int32_t done = 0;
  while (done < n) {
    ssize_t w = write(f->wfd, f->out_buf + done, size_t(n - done));
    if (w < 0) {
      if (errno == EINTR && !(Run_flags_now() & RF_ESCAPE)) continue;
      Sys_error();
    }
    if (w == 0) Rpt_error(err::END_OF_FILE);
    done += int32_t(w);
  }
  f->wrote = true;
  f->mid_line = n > 0 && f->out_buf[n - 1] != '\n';
  f->byte_pos += n;
  f->flushed += n;
  f->buf_count -= n;
  if (f->buf_count > 0) std::memmove(f->out_buf, f->out_buf + n, size_t(f->buf_count));
  if (f->high_water > f->buf_count) f->high_water = f->buf_count;
  f->rec_start = f->rec_start > n ? f->rec_start - n : 0;
}

// A statement that failed after part of its line went to the command
// cannot take it back: the line is ended there, so that the next record
// reaches the command as a line of its own, not finishing that part.
bool Pip_unflush(Fcb* fcb, int64_t, int32_t, int32_t) {
  auto* f = static_cast<Pip_fcb*>(fcb);
  if (f->raw || !f->mid_line || f->rec_start >= f->buf_size) return false;
  f->out_buf[f->rec_start++] = '\n';
  f->mid_line = false;
  return false;
}

void flush_out(Pip_fcb* f, bool closing) {
  if (f->wfd < 0) {
    f->buf_count = f->high_water = f->rec_start = 0;
    return;
  }
  if (f->buf_count <= 0) return;
  write_out(f, closing || f->buf_count < f->rec_size ? f->buf_count : f->rec_size);
}

// The child: standard input and output joined to the pipes, then the shell.
[[noreturn]] void run_child(const char* cmd, int in_fd, int out_fd) {
  if (in_fd >= 0) dup2(in_fd, 0);
  if (out_fd >= 0) dup2(out_fd, 1);
  gid_t g = getegid();
  uid_t u = geteuid();
  if (setregid(g, g) != 0 || setreuid(u, u) != 0) _exit(127);
  signal(SIGPIPE, SIG_DFL);
  signal(SIGINT, SIG_DFL);
  execl("/bin/sh", "sh", "-c", cmd, static_cast<char*>(nullptr));
  _exit(127);
}

int64_t Pip_open() {
  PipeCheckChildren();
  Last_pipe_error = 0;
  const char* name = ws.Path_buf;
  bool reads = name[0] == '<' || name[0] == '|';
  bool writes = name[0] == '>' || name[0] == '|';
  const char* cmd = name + 1;
  int from_child[2] = {-1, -1}, to_child[2] = {-1, -1};
  auto fail = [&](int err) {
    for (int* p : {from_child, to_child}) {
      close_quietly(p[0]);
      close_quietly(p[1]);
    }
    Last_pipe_error = err;
    errno = err;
    Sys_error();
  };
  if (reads && pipe2(from_child, O_CLOEXEC) != 0) fail(errno);
  if (writes && pipe2(to_child, O_CLOEXEC) != 0) fail(errno);
  // Output the console still holds goes out before the command's own.
  Con_flush();
  struct sigaction old {};
  bool guard = !Sw_on(sw::NO_BREAK);
  if (guard) {
    struct sigaction ign {};
    ign.sa_handler = SIG_IGN;
    sigaction(SIGINT, &ign, &old);
  }
  pid_t pid = fork();
  if (pid == 0) run_child(cmd, to_child[0], from_child[1]);
  int err = errno;
  if (guard) sigaction(SIGINT, &old, nullptr);
  if (pid < 0) fail(err);
  close_quietly(from_child[1]);
  close_quietly(to_child[0]);
  if (from_child[0] >= 0) fcntl(from_child[0], F_SETFL, fcntl(from_child[0], F_GETFL) | O_NONBLOCK);

  auto* f = Fcb_alloc<Pip_fcb>();
  f->fd = -1;  // the pipes carry the data
  f->kind = FK_PIPE;
  f->unflush = Pip_unflush;
  f->rfd = from_child[0];
  f->wfd = to_child[1];
  f->pid = pid;
  ws.Pipe_pid = pid;
  f->exit_status = -1;
  f->raw = ws.Io_bin_rsz > 0;
  f->rec_size = ws.Io_siz > 0 ? ws.Io_siz : DEFAULT_REC;
  if (ws.Io_bin_rsz > 0) f->rec_size = ws.Io_bin_rsz;
  ws.Cur_fcb = f;
  ws.Cur_fd = -1;
  Fcb_set_buffer(f, f->rec_size + 256);
  if (!writes) f->st1 |= ST1_INPUT_ONLY;
  return 0;
}

int64_t Pip_close() {
  auto* f = cur();
  if (f->wfd >= 0) {
    Catch_region region;
    try {
      flush_out(f, true);
    } catch (const Oru_error&) {
      // A command that stopped reading loses the rest; the close goes on.
    }
  }
  close_quietly(f->wfd);
  close_quietly(f->rfd);
  if (f->pid > 0) {
    if (Sw_on(sw::WP)) child_ended(f, true);
    else if (!child_ended(f, false)) Child_closed(f->pid);
  }
  f->pid = 0;
  if (f->in_buf) Ret_blk(f->in_buf);
  f->in_buf = nullptr;
  return 0;
}

int64_t Pip_write() {
  auto* f = cur();
  if (f->wfd < 0) Rpt_error_text(err::WRONG_MODE, "Pipe not writable");
  bool ind = ws.Io_opts & IO_IND;
  if (!(f->buf_count == 0 && ind)) {
    if (f->buf_count >= f->buf_size) flush_out(f, false);
    if (!f->raw) f->out_buf[f->buf_count++] = '\n';
    f->rec_count = f->rec_index++;
    flush_out(f, false);
  }
  if (ind) {
    while (f->buf_count > 0) flush_out(f, true);
    f->st1 = uint16_t((f->st1 & ~ST1_WRITTEN) | ST1_INPUT_ONLY);
    close_quietly(f->wfd);
  } else {
    while (f->buf_count >= f->rec_size) flush_out(f, false);
  }
  f->rec_start = f->buf_count;
  return 0;
}

int64_t Pip_flush() {
  flush_out(cur(), cur()->st2 & 4);
  return 0;
}

// The next record from the command's output into the current string.
int64_t Pip_read() {
  auto* f = cur();
  if (f->wfd >= 0 && f->buf_count > 0) {
    flush_out(f, true);
    flush_out(f, true);
  }
  if (f->rfd < 0) Rpt_error_text(err::WRONG_MODE, "Pipe not readable");
  if (f->eod) Io_end_err();
  int32_t len = ws.Io_siz != 0 ? (ws.Io_siz < 0 ? -ws.Io_siz : ws.Io_siz) : f->rec_size;
  if (!f->in_buf) {
    f->in_cap = f->rec_size > 4096 ? f->rec_size : 4096;
    f->in_buf = static_cast<uint8_t*>(Get_blk_nc(size_t(f->in_cap)));
  }
  for (;;) {
    // A complete record in the buffer?
    int32_t avail = f->in_fill - f->in_pos;
    if (avail > 0) {
      uint8_t* s = f->in_buf + f->in_pos;
      int32_t look = avail < len ? avail : len;
      if (f->raw) {
        ws.Str_ptr = s;
        ws.Str_len = look;
        f->in_pos += look;
        break;
      }
      auto* nl = static_cast<uint8_t*>(std::memchr(s, '\n', size_t(look)));
      if (nl || look == len) {
        ws.Str_ptr = s;
        ws.Str_len = nl ? int32_t(nl - s) : look;
        f->in_pos += ws.Str_len + (nl ? 1 : 0);
        break;
      }
    }
    // Room for more input: move what is left to the front, grow if needed.
    if (f->in_pos > 0) {
      std::memmove(f->in_buf, f->in_buf + f->in_pos, size_t(avail));
      f->in_pos = 0;
      f->in_fill = avail;
    }
    if (f->in_fill == f->in_cap) {
      int32_t cap = f->in_cap * 2;
      auto* nb = static_cast<uint8_t*>(Get_blk_nc(size_t(cap)));
      std::memcpy(nb, f->in_buf, size_t(f->in_fill));
      Ret_blk(f->in_buf);
      f->in_buf = nb;
      f->in_cap = cap;
    }
    ssize_t n = read(f->rfd, f->in_buf + f->in_fill, size_t(f->in_cap - f->in_fill));
    if (n > 0) {
      f->in_fill += int32_t(n);
      continue;
    }
    if (n == 0) {
      // End of the command's output: what was gathered is the last record.
      if (f->in_fill > 0) {
        ws.Str_ptr = f->in_buf;
        ws.Str_len = f->in_fill;
        f->in_pos = f->in_fill;
        break;
      }
      if (f->wfd < 0) f->eod = true;
      child_ended(f, false);
      if (f->exit_status > 0) {
        // The console shows why the output ended; a READ that ends a
        // record loop quietly (END_JMP) leaves no text behind for a later error.
        Set_ext_error("Pipe command ended with status " + std::to_string(f->exit_status));
        if (!(ws.Io_opts & IO_END_JMP)) ws.Err_flags |= 2;
      }
      Io_end_err();
    }
    if (errno == EINTR) {
      if (Run_flags_now() & RF_ESCAPE) Rpt_error(err::INTERRUPTED);
      if (f->raw) Rpt_error_text(err::RECORD_BUSY, "Pipe interrupted");
      continue;
    }
    if (errno != EAGAIN) Sys_error();
    // Nothing there yet: wait.
    int ms = ws.Io_tim >= 0 ? ws.Io_tim * 10 : (f->wrote && f->wfd >= 0 ? -1 : IDLE_MS);
    if (Pip_WaitForData(f->rfd, ms) > 0) continue;
    if (ws.Io_tim >= 0) {
      ws.Io_rty = 0;
      Rpt_error(err::RECORD_BUSY);
    }
    if (ws.Io_siz < 0) {
      ws.Str_ptr = f->in_buf;
      ws.Str_len = 0;
      return 0;
    }
  }
  f->wrote = false;
  f->rec_count = f->rec_index++;
  f->st1 |= ST1_READ;
  return 0;
}

int64_t Pip_setind() {
  auto* f = cur();
  if (ws.Io_ind != 0 || f->rfd < 0 || ws.Io_stmt != code::D_WRITE) Rpt_error(err::WRONG_MODE);
  flush_out(f, true);
  flush_out(f, true);
  return 0;
}

}  // namespace

int Pip_WaitForData(int fd, int ms) {
  struct pollfd p {};
  p.fd = fd;
  p.events = POLLIN;
  for (;;) {
    int r = poll(&p, 1, ms);
    if (r >= 0) return r;
    if (errno != EINTR) return 1;  // let the read report the failure
    if (Run_flags_now() & RF_ESCAPE) Rpt_error(err::INTERRUPTED);
    if (Run_flags_now() & RF_TIMEOUT) return 0;
  }
}

void PipeCheckChildren() { Reap_children(); }

const Fio_op Pip_fotbl[FIO_SLOTS] = {
    Io_mode_err, Pip_open,    Pip_close,   Pip_write,   Pip_read,    Io_mode_err,  Pip_setind,
    Io_mode_err, Io_mode_err, Io_mode_err, Io_mode_err, Io_mode_err, Pip_flush,    Io_wr_mode,
    Io_wr_mode,  Io_mode_err, Io_mode_err, Io_mode_err, Io_do_nothing, Io_do_nothing};
