#include "core/console_device.h"

#include <poll.h>
#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <ctime>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/host.h"
#include "core/params.h"
#include "core/switches.h"
#include "core/workspace.h"
#include "core/signal_flags.h"

namespace {
char out_buf[8192];
size_t out_len = 0;
int column = 0;
char in_buf[65536];
size_t in_pos = 0, in_len = 0;
const Con_terminal* terminal = nullptr;
int in_fd = 0, out_fd = 1;
const Con_link_ops* con_link = nullptr;
// The terminal behind the console's descriptors went away (a pseudo-
// terminal whose other side closed sends no SIGHUP to a process of another
// session): its output failed and its input ended.
bool output_failed = false, input_ended = false, console_lost = false;

void lost_when_both() {
  if (console_lost || !output_failed || !input_ended) return;
  console_lost = true;
  // As for a hang-up: the main line ends the process (unless XC).
  Sig_hangup = 1;
  Sig_pending = 1;
}

// A write to the console failed: when its input is gone too (a hang-up or
// an error shows on the descriptor), the console is lost.
void note_output_failed() {
  output_failed = true;
  if (!input_ended && in_fd >= 0) {
    struct pollfd p = {in_fd, POLLIN, 0};
    if (::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL))) input_ended = true;
  }
  lost_when_both();
}

// The console's input ended: when nothing can be written either (a write
// of nothing fails on a terminal that hung up), the console is lost.
void note_input_ended() {
  input_ended = true;
  if (!output_failed && out_fd >= 0 && ::write(out_fd, "", 0) < 0 && errno != EINTR && errno != EAGAIN &&
      errno != EWOULDBLOCK)
    output_failed = true;
  lost_when_both();
}

void write_all(const char* p, size_t n) { Con_send(p, n); }

bool hung_up() { return Sig_hangup || Sw_on(sw::SIGHUP_SEEN); }
bool dropped_at_hangup = false;

// poll for one descriptor, with the signals blocked from the test of the
// pending flags until the wait has begun (ppoll unblocks them atomically):
// a signal that came before the wait ends it at once as EINTR, instead of
// lying unnoticed until the next input.
int wait_readable(struct pollfd& p, int32_t ms) {
  sigset_t all, old;
  sigfillset(&all);
  pthread_sigmask(SIG_BLOCK, &all, &old);
  int r;
  if (Sig_pending) {
    r = -1;
    errno = EINTR;
  } else {
    struct timespec ts = {ms / 1000, long(ms % 1000) * 1000000L};
    r = ::ppoll(&p, 1, ms < 0 ? nullptr : &ts, &old);
  }
  int e = errno;
  pthread_sigmask(SIG_SETMASK, &old, nullptr);
  errno = e;
  return r;
}

// A read ends early on an escape (when escape_ends) or when the process is
// to end.
bool read_ends(bool escape_ends) { return ((ws.Run_flags & RF_ESCAPE) && escape_ends) || ws.End_process; }

// A program's read waits: an object event signalled meanwhile (the event
// timer, SIGUSR1) runs its handler now, as at a statement boundary.  (Not
// while the console reads a command: no program runs.)
void serve_events() {
  if (!(ws.Run_flags & RF_EVENT) || !Event_serve_hook || (ws.Run_flags & RF_CONSOLE_READ)) return;
  ws.Run_flags &= ~uint32_t(RF_EVENT);
  Event_serve_hook();
}

// A read over a connection (no signal ends its wait) is cut into slices
// this long while a program reads, so that its events are served.
constexpr int32_t LINK_SLICE_MS = 100;

bool watching_data() {
  return Event_serve_hook && Event_data_watch_hook && !(ws.Run_flags & RF_CONSOLE_READ) && Event_data_watch_hook();
}

// Waits until the console's input is readable (1; or input was pushed back
// meanwhile), the time-out passed (0), an escape when escape_ends or a
// hang-up came (-2) or the wait failed (-3).  Events signalled meanwhile,
// and data on channels watched for DataAvailable, are served while a
// program's read waits.  The time-out counts from here, whatever
// interrupts the wait.
int wait_input(int32_t ms, bool escape_ends) {
  const int64_t end = ms > 0 ? Mono_ms() + ms : 0;
  for (;;) {
    struct pollfd p = {in_fd, POLLIN, 0};
    int32_t left = ms;
    if (ms > 0) {
      int64_t l = end - Mono_ms();
      left = l > 0 ? int32_t(l) : 0;
    }
    const bool sliced = (left < 0 || left > DATA_SLICE_MS) && watching_data();
    int r = wait_readable(p, sliced ? DATA_SLICE_MS : left);
    if (r > 0) return 1;
    if (r == 0) {
      if (!sliced) return 0;
      // A slice ran out: data waiting on a watched channel raises its
      // event, whose handler runs now; the read goes on waiting.
      ws.Run_flags &= ~uint32_t(RF_EVENT);
      Event_serve_hook();
    } else {
      if (errno != EINTR) return -3;
      Take_signals();
      if (read_ends(escape_ends)) return -2;
      serve_events();
    }
    if (read_ends(escape_ends)) return -2;
    if (in_pos < in_len) return 1;
  }
}

// Fills the input buffer from the stream (it is empty): 1 when bytes came,
// -1 time-out, -2 interrupted (an escape when escape_ends, a hang-up), -3
// end of input.
int fill(int32_t ms, bool escape_ends) {
  if (con_link) {
    // A program's read over a connection waits in slices, its events
    // served between them, as the descriptor's wait serves them.
    const bool serving = Event_serve_hook && !(ws.Run_flags & RF_CONSOLE_READ);
    const int64_t end = ms >= 0 ? Mono_ms() + ms : -1;
    for (;;) {
      int32_t wait = ms;
      bool last = true;
      const bool watching = serving && watching_data();
      if (serving) {
        const int32_t slice = watching ? DATA_SLICE_MS : LINK_SLICE_MS;
        int64_t left = end >= 0 ? end - Mono_ms() : -1;
        if (left < 0 && end >= 0) left = 0;
        if (end < 0 || left > slice) {
          wait = slice;
          last = false;
        } else {
          wait = int32_t(left);
        }
      }
      long r = con_link->recv(in_buf, sizeof in_buf, wait, escape_ends);
      if (r > 0) {
        in_pos = 0;
        in_len = size_t(r);
        return 1;
      }
      if (r != -1 || last) return r == 0 ? -3 : r == -1 ? -1 : -2;
      if (watching) ws.Run_flags |= RF_EVENT;  // data on a watched channel raises its event
      Run_flags_now();
      serve_events();
      if (read_ends(escape_ends)) return -2;
      if (in_pos < in_len) return 1;
    }
  }
  // A debugger's command whose signal came before the console began to
  // read (while a program was ending) is served now: no signal comes again.
  if ((ws.Run_flags & RF_CONSOLE_READ) && (ws.Run_flags & RF_DEBUG_LINK) && Debug_signal_hook) {
    Debug_signal_hook(SIGTTIN);
    if (in_pos < in_len) return 1;
    if (ws.End_process) return -2;
  }
  for (;;) {
    int w = wait_input(ms, escape_ends);
    if (w == 0) return -1;
    if (w == -3) {
      note_input_ended();
      return -3;
    }
    if (w < 0) return -2;
    if (in_pos < in_len) return 1;  // input pushed back meanwhile (a debugger's RUN)
    ssize_t n = ::read(in_fd, in_buf, sizeof in_buf);
    if (n > 0) {
      in_pos = 0;
      in_len = size_t(n);
      return 1;
    }
    if (n < 0 && errno == EINTR) {
      Take_signals();
      if (read_ends(escape_ends)) return -2;
      continue;
    }
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) continue;
    note_input_ended();
    return -3;
  }
}
}  // namespace

struct Con_stream_state {
  int in_fd, out_fd;
  const Con_link_ops* con_link;
  std::string input;  // received and not yet read
};

Con_stream_state* Con_save_stream() {
  return new Con_stream_state{in_fd, out_fd, con_link, std::string(in_buf + in_pos, in_len - in_pos)};
}

void Con_set_stream(int in, int out, const Con_link_ops* l) {
  Con_flush();
  in_fd = in;
  out_fd = out;
  con_link = l;
  in_pos = in_len = 0;
}

void Con_restore_stream(Con_stream_state* s) {
  if (!s) return;
  Con_set_stream(s->in_fd, s->out_fd, s->con_link);
  std::memcpy(in_buf, s->input.data(), s->input.size());
  in_len = s->input.size();
  delete s;
}

int Con_in_fd() { return con_link ? -1 : in_fd; }
int Con_out_fd() { return con_link ? -1 : out_fd; }
const Con_link_ops* Con_link() { return con_link; }

bool Con_send(const void* buf, size_t n) {
  if (con_link) return con_link->send(buf, n);
  if (console_lost) return false;  // nobody to write to
  // Output after a hang-up is swallowed, and a write waiting on a terminal
  // that takes nothing more (its buffer full) when the hang-up comes is
  // given up: the process can end instead of waiting in a write.
  const char* p = static_cast<const char*>(buf);
  while (n > 0) {
    if (!Con_may_write(out_fd)) return true;
    ssize_t w = ::write(out_fd, p, n);
    if (w < 0) {
      if (errno == EINTR) {
        if (hung_up()) {
          dropped_at_hangup = true;
          return true;
        }
        continue;
      }
      if (errno == EAGAIN || errno == EWOULDBLOCK) {
        struct pollfd q = {out_fd, POLLOUT, 0};
        ::poll(&q, 1, 1000);
        continue;
      }
      note_output_failed();
      return false;  // the console is gone; nothing sensible to report to
    }
    p += w;
    n -= size_t(w);
  }
  return true;
}

namespace {
int getc_from(int32_t ms, bool escape_ends) {
  if (in_pos == in_len) {
    int r = fill(ms, escape_ends);
    if (r < 0) return r;
  }
  return uint8_t(in_buf[in_pos++]);
}
}  // namespace

int Con_getc(int32_t ms) { return getc_from(ms, true); }

bool Con_poll(int32_t ms) {
  if (in_pos < in_len) return true;
  if (con_link && con_link->pending && con_link->pending()) return true;
  if (con_link) {
    int r = fill(ms, true);
    return r == 1 || r == -3;
  }
  struct pollfd p = {in_fd, POLLIN, 0};
  for (;;) {
    int r = wait_readable(p, ms);
    if (r > 0) return true;
    if (r == 0) return false;
    if (errno != EINTR || (Run_flags_now() & RF_ESCAPE) || ws.End_process) return false;
  }
}

void Con_output_failed() {
  if (!con_link) note_output_failed();
}

bool Con_lost() { return console_lost && !con_link; }

bool Con_output_dropped() { return dropped_at_hangup; }

bool Con_may_write(int) {
  // After a hang-up the console's output is swallowed.
  if (hung_up()) dropped_at_hangup = true;
  return !dropped_at_hangup;
}

bool Con_write_interrupted() {
  if (!hung_up()) return false;
  dropped_at_hangup = true;
  return true;
}

bool Con_input_ended() { return input_ended && !con_link; }

void Con_discard_input() { in_pos = in_len = 0; }

void Con_set_terminal(const Con_terminal* t) { terminal = t; }

void Con_flush_plain() {
  write_all(out_buf, out_len);
  out_len = 0;
}

// Called before the process waits (a console read, WAIT, a child, a socket):
// output that secure TCP channels hold back goes out too.
void Con_flush() {
  if (Held_output_hook) Held_output_hook(false);
  Con_flush_plain();
  if (terminal) terminal->flush();
}

// A terminal sees each line as soon as it is complete; a pipe or file gets
// the output in blocks.
static bool line_buffered() {
  static const bool tty = isatty(1) == 1;
  return con_link || (out_fd == 1 ? tty : isatty(out_fd) == 1);
}

void Con_write(const void* p, size_t n) {
  if (terminal) {
    terminal->write(p, n);
    return;
  }
  const char* s = static_cast<const char*>(p);
  bool line_end = false;
  // In UTF-8 mode a character's continuation bytes take no column.
  const bool utf8 = (ws.Utf8_mode & 1) != 0;
  for (size_t i = 0; i < n; ++i) {
    if (s[i] == '\n' || s[i] == '\r') {
      column = 0;
      line_end = true;
    } else if (!utf8 || (uint8_t(s[i]) & 0xC0) != 0x80) {
      ++column;
    }
  }
  if (n > sizeof out_buf - out_len) {
    Con_flush();
    if (n > sizeof out_buf) {
      write_all(s, n);
      return;
    }
  }
  std::memcpy(out_buf + out_len, s, n);
  out_len += n;
  if (line_end && line_buffered()) Con_flush();
}

void Con_puts(const char* s) { Con_write(s, std::strlen(s)); }
void Con_newline() { Con_write("\n", 1); }
int Con_column() { return terminal ? terminal->column() : column; }

int Con_lines() { return terminal && terminal->lines ? terminal->lines() : 0; }

bool Con_read_line(std::string& line) {
  if (terminal && terminal->read_line) {
    Con_flush();
    return terminal->read_line(line);
  }
  Con_flush();
  line.clear();
  for (;;) {
    int c = getc_from(-1, false);
    if (c == -2) {
      // A hang-up (SIGHUP) ends the process: the read gives up as at end
      // of input, dropping a part-typed line.
      line.clear();
      return false;
    }
    if (c < 0) return !line.empty();
    if (c == '\n') break;
    line.push_back(char(c));
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  column = 0;
  return true;
}

int Con_read_key() {
  if (terminal && terminal->read_key) {
    Con_flush();
    int key = terminal->read_key();
    if (key != -2) return key;
  }
  std::string line;
  if (!Con_read_line(line)) return -1;
  return line.empty() ? '\r' : uint8_t(line[0]);
}

int Con_read_byte(int32_t hundredths) {
  if (in_pos == in_len) {
    Con_flush();
    int c = Con_getc(hundredths >= 0 ? (hundredths > 0x7fffff ? 0x7fffffff : hundredths * 10) : -1);
    return c == -2 ? -3 : c;
  }
  return uint8_t(in_buf[in_pos++]);
}

void Con_unread(const uint8_t* p, size_t n) {
  if (n == 0) return;
  size_t left = in_len - in_pos;
  if (n + left > sizeof in_buf) n = sizeof in_buf - left;  // the oldest keys win
  std::memmove(in_buf + n, in_buf + in_pos, left);
  std::memcpy(in_buf, p, n);
  in_pos = 0;
  in_len = n + left;
}

bool Con_wait_input(int32_t hundredths) {
  if (in_pos < in_len) return true;
  Con_flush();
  int64_t ms = int64_t(hundredths) * 10;
  if (ms > 0x7fffffff) ms = 0x7fffffff;
  // A program's INPUT with a time-out waits here: its events are served
  // while it waits, as when it waits without one.
  if (ms > 0 && !con_link && Event_serve_hook && !(ws.Run_flags & RF_CONSOLE_READ))
    return wait_input(int32_t(ms), true) == 1;
  return Con_poll(int32_t(ms));
}
