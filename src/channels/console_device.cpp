#include "channels/console_device.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/host.h"
#include "core/workspace.h"
#include "core/signal_flags.h"

namespace {
char out_buf[8192];
size_t out_len = 0;
int column = 0;
char in_buf[65536];
size_t in_pos = 0, in_len = 0;
const Con_terminal* terminal = nullptr;

void write_all(const char* p, size_t n) {
  while (n > 0) {
    ssize_t w = ::write(1, p, n);
    if (w < 0) {
      if (errno == EINTR) continue;
      return;  // the console is gone; nothing sensible to report to
    }
    p += w;
    n -= size_t(w);
  }
}
}  // namespace

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
  return tty;
}

void Con_write(const void* p, size_t n) {
  if (terminal) {
    terminal->write(p, n);
    return;
  }
  const char* s = static_cast<const char*>(p);
  bool line_end = false;
  for (size_t i = 0; i < n; ++i) {
    if (s[i] == '\n' || s[i] == '\r') {
      column = 0;
      line_end = true;
    } else {
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

bool Con_read_line(std::string& line) {
  if (terminal && terminal->read_line) {
    Con_flush();
    return terminal->read_line(line);
  }
  Con_flush();
  line.clear();
  for (;;) {
    if (in_pos == in_len) {
      ssize_t r = ::read(0, in_buf, sizeof in_buf);
      if (r < 0 && errno == EINTR) {
        // A hang-up (SIGHUP) ends the process: the read gives up as at end
        // of input, dropping a part-typed line.
        Take_signals();
        if (ws.End_process) {
          line.clear();
          return false;
        }
        continue;
      }
      if (r <= 0) return !line.empty();
      in_pos = 0;
      in_len = size_t(r);
    }
    char c = in_buf[in_pos++];
    if (c == '\n') break;
    line.push_back(c);
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  column = 0;
  return true;
}

int Con_read_byte(int32_t hundredths) {
  if (in_pos == in_len) {
    if (hundredths >= 0 && !Con_wait_input(hundredths)) return -1;
    Con_flush();
    for (;;) {
      ssize_t r = ::read(0, in_buf, sizeof in_buf);
      if (r < 0 && errno == EINTR) {
        Take_signals();
        if (ws.End_process || (Run_flags_now() & RF_ESCAPE)) return -3;
        continue;
      }
      if (r <= 0) return -3;
      in_pos = 0;
      in_len = size_t(r);
      break;
    }
  }
  return uint8_t(in_buf[in_pos++]);
}

bool Con_wait_input(int32_t hundredths) {
  if (in_pos < in_len) return true;
  Con_flush();
  struct pollfd p = {0, POLLIN, 0};
  int64_t ms = int64_t(hundredths) * 10;
  for (;;) {
    int r = ::poll(&p, 1, ms > 0x7fffffff ? 0x7fffffff : int(ms));
    if (r > 0) return true;
    if (r == 0) return false;
    if (errno != EINTR || (Run_flags_now() & RF_ESCAPE) || ws.End_process) return false;
  }
}
